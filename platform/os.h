// Small operating-system services: the executable's own path, appending to a
// file that others may hold open, and the local time.
#pragma once

namespace kv {

// Full path of the running executable; false when unknown.
bool ExecutablePath(char* out, int capacity);

// The directory separator of paths on this system.
char PathSeparator();

// Whether this process may create files in the directory.
bool DirectoryWritable(const char* path);

// Opens the file for writing, shared for reading and writing with others,
// creating it when missing; appends the bytes at its end and closes it.
bool AppendToSharedFile(const char* path, const char* bytes, int length);

// The file's size in bytes, or -1 when it does not exist or cannot be read.
long long FileSize(const char* path);

// Renames the file, replacing one of the new name; false when it could not.
bool ReplaceFileWith(const char* from, const char* to);

struct LocalTime {
    int year, month, day, hour, minute, second;  // month 1..12
};
LocalTime Now();

}  // namespace kv
