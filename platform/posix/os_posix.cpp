#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "platform/os.h"

namespace kv {

bool ExecutablePath(char* out, int capacity) {
    if (capacity <= 1) return false;
    ssize_t n = readlink("/proc/self/exe", out, static_cast<size_t>(capacity - 1));
    if (n <= 0) return false;
    out[n] = 0;
    return true;
}

bool DirectoryWritable(const char* path) { return access(path, W_OK | X_OK) == 0; }

char PathSeparator() { return '/'; }

bool AppendToSharedFile(const char* path, const char* bytes, int length) {
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, bytes, static_cast<size_t>(length)) == length;
    close(fd);
    return ok;
}

long long FileSize(const char* path) {
    struct stat info {};
    if (stat(path, &info) != 0) return -1;
    return static_cast<long long>(info.st_size);
}

bool ReplaceFileWith(const char* from, const char* to) { return std::rename(from, to) == 0; }

LocalTime Now() {
    time_t t = time(nullptr);
    tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace kv
