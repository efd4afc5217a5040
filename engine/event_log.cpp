#include "engine/event_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace kv {

const char LogFileName[] = "KestroVox.log";
const char OldLogFileName[] = "KestroVox.old.log";

namespace {

std::mutex gDirectoryLock;
std::string gDirectory;

}  // namespace

void ComposeLogLine(const LocalTime& t, const char* text, char* out) {
    int n = std::snprintf(out, LogLineCapacity, "%d/%d/%d %d:%02d:%02d   ", t.day, t.month, t.year, t.hour, t.minute,
                          t.second);
    if (n < 0 || n > LogLineCapacity - 3) n = 0;
    // Room for the text, "\r\n" and the terminating zero.
    const int room = LogLineCapacity - 3 - n;
    int length = 0;
    for (; length < room && text[length]; ++length) {
        unsigned char c = static_cast<unsigned char>(text[length]);
        out[n + length] = (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    }
    std::memcpy(out + n + length, "\r\n", 3);
}

void SetEventLogDirectory(const std::string& directory) {
    std::lock_guard<std::mutex> guard(gDirectoryLock);
    gDirectory = directory;
}

std::string OldEventLogPath() {
    std::string path = EventLogPath();
    if (path.empty()) return path;
    return path.substr(0, path.size() - std::strlen(LogFileName)) + OldLogFileName;
}

std::string EventLogPath() {
    std::string directory;
    {
        std::lock_guard<std::mutex> guard(gDirectoryLock);
        directory = gDirectory;
    }
    if (!directory.empty()) {
        if (directory.back() != '/' && directory.back() != PathSeparator()) directory += PathSeparator();
        return directory + LogFileName;
    }
    char path[260];
    if (!ExecutablePath(path, sizeof path)) return "";
    char* last = std::strrchr(path, PathSeparator());
    if (!last) return "";
    last[1] = 0;
    return std::string(path) + LogFileName;
}

bool AppendLogLine(const char* format, ...) {
    char text[LogLineCapacity];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    char line[LogLineCapacity];
    ComposeLogLine(Now(), text, line);
    const std::string path = EventLogPath();
    if (path.empty()) return false;
    const int length = static_cast<int>(std::strlen(line));
    const long long size = FileSize(path.c_str());
    // Moved aside before it grows past the limit; a file that cannot be moved
    // (another program holds it) is not written to further.
    if (size >= 0 && size + length > LogFileLimit && !ReplaceFileWith(path.c_str(), OldEventLogPath().c_str()))
        return false;
    return AppendToSharedFile(path.c_str(), line, length);
}

}  // namespace kv
