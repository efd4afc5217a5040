#include <windows.h>

#include "platform/os.h"

namespace kv {

bool ExecutablePath(char* out, int capacity) {
    DWORD n = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(capacity));
    return n > 0 && n < static_cast<DWORD>(capacity);
}

char PathSeparator() { return '\\'; }

bool DirectoryWritable(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_READONLY);
}

bool AppendToSharedFile(const char* path, const char* bytes, int length) {
    HANDLE f = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    SetFilePointer(f, 0, nullptr, FILE_END);
    DWORD written = 0;
    BOOL ok = WriteFile(f, bytes, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(f);
    return ok && written == static_cast<DWORD>(length);
}

long long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info)) return -1;
    return static_cast<long long>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
}

bool ReplaceFileWith(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

LocalTime Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace kv
