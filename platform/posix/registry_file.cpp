// The registry on Linux: one text file per user in the .reg export format
// (registry_text.cpp reads and sets values in its lines). A write goes to a
// temporary file that then replaces the store, under a lock file, so two
// processes never interleave and a crash leaves the old or the new file.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/registry_text.h"
#include "platform/registry.h"

namespace kv {
namespace {

std::mutex gPathLock;
std::string gPath;

std::string DefaultPath() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !home[0]) {
            if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir;
        }
        if (!home) return "";
        base = std::string(home) + "/.config";
    }
    return base + "/kestrovox/KestroVox.reg";
}

bool MakeDirectories(const std::string& path) {
    for (size_t at = 1; at < path.size(); ++at) {
        if (path[at] != '/') continue;
        std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// The store's lines: true with them, or with none when there is no store
// yet; false when a store is there but could not be read whole.
bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
    lines->clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno == ENOENT;
    std::string bytes;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    const bool whole = !std::ferror(f);
    std::fclose(f);
    if (whole) *lines = SplitRegistryLines(bytes);
    return whole;
}

// Makes a rename in the directory of path last through a crash.
bool SyncDirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool WriteAtomically(const std::string& path, const std::vector<std::string>& lines) {
    std::string temp = path + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    const std::string all = JoinRegistryLines(lines);
    bool ok = fchmod(fd, 0600) == 0;
    for (size_t done = 0; ok && done < all.size();) {
        ssize_t n = write(fd, all.data() + done, all.size() - done);
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok) ok = rename(name.data(), path.c_str()) == 0;
    if (!ok) {
        unlink(name.data());
        return false;
    }
    SyncDirectoryOf(path);  // the new file is in place either way; this makes it stay
    return true;
}

}  // namespace

void UseRegistryFile(const std::string& path) {
    std::lock_guard<std::mutex> guard(gPathLock);
    gPath = path;
}

std::string RegistryFilePath() {
    std::lock_guard<std::mutex> guard(gPathLock);
    return gPath.empty() ? DefaultPath() : gPath;
}

int RegistryRead(const char* key, const char* name, uint32_t* type, void* data, uint32_t* size) {
    const std::string path = RegistryFilePath();
    if (path.empty()) return -1;
    std::vector<std::string> lines;
    if (!ReadLines(path, &lines)) return -1;  // part of a store could give a value cut short
    return ReadRegistryValue(lines, key, name ? name : "", type, data, size);
}

int RegistryWrite(const char* key, const char* name, uint32_t type, const void* data, uint32_t size) {
    const std::string path = RegistryFilePath();
    if (path.empty() || !MakeDirectories(path)) return -1;
    // One writer at a time, across processes.
    int lock = open((path + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (lock < 0) return -1;
    flock(lock, LOCK_EX);
    // A store that is there but cannot be read whole is left as it is: a
    // rewrite from what was read would lose every other value.
    std::vector<std::string> lines;
    if (!ReadLines(path, &lines)) {
        flock(lock, LOCK_UN);
        close(lock);
        return -1;
    }
    SetRegistryValue(&lines, key, name ? name : "", type, data, size);
    bool ok = WriteAtomically(path, lines);
    flock(lock, LOCK_UN);
    close(lock);
    return ok ? 0 : -1;
}

}  // namespace kv
