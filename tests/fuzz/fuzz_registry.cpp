// Fuzzes the .reg settings file of Linux (platform/posix/registry_file.cpp):
// arbitrary bytes as the store file, one value written, everything read back.
//
// Input: [key choice] [name choice] [type choice] [data length] [data ...] [file ...]
//   key choice:  even: the program's key Software\Kestrovox; odd: the key of
//                section (choice / 2) of the file, when it has that many.
//   name choice: below 0x80 one of the program's value names; else the name of
//                value line (choice - 0x80) of the file, when it has that many.
//   type choice: 0 text (data plus its zero), 1 number (4 bytes), 2 binary
//                (type 3), 3 another type (the low byte of the choice), each
//                with the data as given.
// Checks: every value the file held before the write reads the same after it,
// the written value reads back with its type and bytes, and nothing but the
// store file is left behind (no temporary file, the lock file aside).
//
// The store lives in a directory of its own under /dev/shm when there is one
// (the writer syncs the file, which costs nothing there).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry.h"

using namespace kv;

namespace {

const char ProgramKey[] = "Software\\Kestrovox";
const char* const ProgramNames[] = {
    "Identity", "Codec",    "Autoanswer",  "RecLevel", "Volume",   "InputThreshold", "FramesPerPacket",
    "MaxDelay", "Delay",    "OutGain",     "InGain",   "GenerateLog", "RefusalMessage", "Address1",
    "Address2", "WindowPos", "",
};
constexpr int ProgramNameCount = sizeof ProgramNames / sizeof ProgramNames[0];

// The store file before the write, for the report of a failure.
std::string gBefore;

std::string Printable(const std::string& s) {
    std::string out;
    char hex[8];
    for (unsigned char c : s) {
        if (c == '\n') {
            out += "\\n\n";
        } else if (c < 0x20 || c >= 0x7F) {
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string ReadAll(const std::string& path) {
    std::string s;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_registry: %s\n--- store before the write:\n%s\n--- store after it:\n%s\n---\n",
                 what.c_str(), Printable(gBefore).c_str(), Printable(ReadAll(RegistryFilePath())).c_str());
    std::abort();
}

std::string Directory() {
    static std::string dir = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
        std::string d = std::string(base) + "/kv-fuzz-registry-" + std::to_string(getpid());
        mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

void RemoveDirectory() {
    const std::string dir = Directory();
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                unlink((dir + "/" + e->d_name).c_str());
        closedir(d);
    }
    rmdir(dir.c_str());
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// What the file seems to hold, found without the store's own parser: the keys
// of its section lines and the names of its value lines. Some of these are not
// values at all (inside continuation lines, outside any section); they read as
// missing, before and after alike.
struct Candidates {
    std::vector<std::string> keys;
    std::vector<std::string> names;
};

Candidates FindCandidates(const std::string& file) {
    Candidates c;
    size_t start = 0;
    while (start < file.size()) {
        size_t end = file.find('\n', start);
        if (end == std::string::npos) end = file.size();
        std::string line = file.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string path = line.substr(1, line.size() - 2);
            const std::string root = "HKEY_CURRENT_USER\\";
            if (path.size() >= root.size() && SameText(path.substr(0, root.size()), root))
                c.keys.push_back(path.substr(root.size()));
        } else if (!line.empty() && line[0] == '"') {
            std::string name;
            size_t i = 1;
            for (; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                name.push_back(line[i]);
            }
            c.names.push_back(name);
        }
    }
    return c;
}

struct Value {
    int status = -1;
    uint32_t type = 0;
    std::string bytes;
    bool operator==(const Value& o) const { return status == o.status && type == o.type && bytes == o.bytes; }
};

Value Read(const std::string& key, const std::string& name) {
    Value v;
    std::vector<char> buffer(64);
    uint32_t size = static_cast<uint32_t>(buffer.size());
    v.status = RegistryRead(key.c_str(), name.c_str(), &v.type, buffer.data(), &size);
    if (v.status == -2) {
        if (size <= buffer.size()) Fail("a value too large for the buffer reported a size that fits");
        buffer.resize(size);
        v.status = RegistryRead(key.c_str(), name.c_str(), &v.type, buffer.data(), &size);
    }
    if (v.status == 0) v.bytes.assign(buffer.data(), size);
    else v.type = 0;
    return v;
}

std::string Show(const Value& v) {
    std::string s = "status " + std::to_string(v.status) + " type " + std::to_string(v.type) + " bytes";
    char hex[4];
    for (unsigned char c : v.bytes) {
        std::snprintf(hex, sizeof hex, " %02x", c);
        s += hex;
    }
    return s;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    UseRegistryFile(Directory() + "/KestroVox.reg");
    std::atexit(RemoveDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t keyChoice = data[0], nameChoice = data[1], typeChoice = data[2];
    size_t dataLength = data[3];
    if (dataLength > size - 4) dataLength = size - 4;
    const uint8_t* valueData = data + 4;
    const uint8_t* file = valueData + dataLength;
    const size_t fileSize = size - 4 - dataLength;

    const std::string path = RegistryFilePath();
    if (!WriteFile(path, file, fileSize)) Fail("cannot write the store file");
    gBefore.assign(reinterpret_cast<const char*>(file), fileSize);
    const Candidates found = FindCandidates(gBefore);

    std::string key = ProgramKey;
    if ((keyChoice & 1) && keyChoice / 2u < found.keys.size()) key = found.keys[keyChoice / 2u];
    std::string name = ProgramNames[nameChoice % ProgramNameCount];
    if (nameChoice >= 0x80 && nameChoice - 0x80u < found.names.size()) name = found.names[nameChoice - 0x80u];
    key = key.c_str();  // the C interface ends them at a zero byte
    name = name.c_str();

    uint32_t type;
    std::string bytes(reinterpret_cast<const char*>(valueData), dataLength);
    switch (typeChoice & 3) {
        case 0: type = RegistryText; bytes.push_back('\0'); break;
        case 1: type = RegistryNumber; bytes.resize(4); break;
        case 2: type = 3; break;
        default: type = typeChoice >> 2; break;  // 0..63: unquotable texts, odd-sized numbers ...
    }

    // Every (key, name) the file may hold, and the program's own values (a
    // bounded number, so that a long file costs no more than a short one).
    std::vector<std::string> keys, names;
    auto add = [](std::vector<std::string>& to, std::string s, size_t limit) {
        s = s.c_str();  // what the C interface sees of a name with a zero byte
        if (to.size() >= limit) return;
        for (const std::string& t : to)
            if (SameText(t, s)) return;
        to.push_back(s);
    };
    add(keys, ProgramKey, 3);
    for (const std::string& k : found.keys) add(keys, k, 3);
    add(names, "Identity", 8);
    add(names, "Codec", 8);
    for (const std::string& n : found.names) add(names, n, 8);
    struct Entry {
        std::string key, name;
        Value before;
    };
    std::vector<Entry> entries;
    for (const std::string& k : keys)
        for (const std::string& n : names) {
            if (SameText(k, key) && SameText(n, name)) continue;
            entries.push_back({k, n, Read(k, n)});
        }

    if (RegistryWrite(key.c_str(), name.c_str(), type, bytes.data(), static_cast<uint32_t>(bytes.size())) != 0)
        Fail("the write failed");

    Value written;
    written.status = 0;
    written.type = type;
    written.bytes = bytes;
    const Value back = Read(key, name);
    if (!(back == written))
        Fail("the written value [" + key + "] \"" + name + "\" reads back as " + Show(back) + ", not " + Show(written));
    for (const Entry& e : entries) {
        const Value after = Read(e.key, e.name);
        if (!(after == e.before))
            Fail("writing [" + key + "] \"" + name + "\" changed [" + e.key + "] \"" + e.name + "\" from " +
                 Show(e.before) + " to " + Show(after));
    }

    // Nothing left beside the store but its lock file.
    if (DIR* d = opendir(Directory().c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != ".." && n != "KestroVox.reg" && n != "KestroVox.reg.lock") Fail("left behind: " + n);
        }
        closedir(d);
    }
    return 0;
}
