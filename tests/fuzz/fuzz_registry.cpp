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
// Checks, on the store's lines in memory (platform/posix/registry_text.h):
// joining the lines and splitting them again gives the same lines, before the
// write and after it; every value the file held before the write reads the
// same after it; the written value reads back with its type and bytes.
//
// One input in 64 (chosen by a hash of the whole input) also goes through the
// real file: RegistryRead and RegistryWrite on a store holding the bytes. The
// values read from the file match those read in memory, the file written holds
// exactly the lines set in memory, the same checks hold on it, and nothing but
// the store file is left behind (no temporary file, the lock file aside). The
// store lives in a directory of its own under /dev/shm when there is one (the
// writer syncs the file, which costs nothing there).
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

#include "platform/posix/registry_text.h"
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

// The store file before the write and after it, for the report of a failure.
std::string gBefore, gAfter;

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
                 what.c_str(), Printable(gBefore).c_str(), Printable(gAfter).c_str());
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

Candidates FindCandidates(const std::vector<std::string>& lines) {
    Candidates c;
    for (std::string line : lines) {
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

// Reads a value through read (RegistryRead or ReadRegistryValue): with a small
// buffer first, then, when the value is too large for it, the size it asks for.
template <typename ReadFunction>
Value ReadWith(ReadFunction read) {
    Value v;
    char small[64];
    uint32_t size = sizeof small;
    v.status = read(&v.type, small, &size);
    if (v.status == 0) {
        v.bytes.assign(small, size);
    } else if (v.status == -2) {
        if (size <= sizeof small) Fail("a value too large for the buffer reported a size that fits");
        std::vector<char> buffer(size);
        v.status = read(&v.type, buffer.data(), &size);
        if (v.status == 0) v.bytes.assign(buffer.data(), size);
    }
    if (v.status != 0) v.type = 0;
    return v;
}

Value Read(const std::vector<std::string>& lines, const std::string& key, const std::string& name) {
    return ReadWith([&](uint32_t* type, void* data, uint32_t* size) {
        return ReadRegistryValue(lines, key, name, type, data, size);
    });
}

Value ReadFile(const std::string& key, const std::string& name) {
    return ReadWith([&](uint32_t* type, void* data, uint32_t* size) {
        return RegistryRead(key.c_str(), name.c_str(), type, data, size);
    });
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

// Joining the lines and splitting the result again gives the same lines.
void CheckJoinSplit(const std::vector<std::string>& lines, const char* which) {
    if (SplitRegistryLines(JoinRegistryLines(lines)) != lines)
        Fail(std::string("the lines ") + which + " the write do not split again as they were joined");
}

// One input in 64 goes through the real file as well.
bool ThroughTheFile(const uint8_t* data, size_t size) {
    uint32_t h = 2166136261u;  // FNV-1a
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    h ^= h >> 15;
    return (h & 63) == 0;
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

    gBefore.assign(reinterpret_cast<const char*>(file), fileSize);
    gAfter.clear();
    const std::vector<std::string> lines = SplitRegistryLines(gBefore);
    const Candidates found = FindCandidates(lines);

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

    // In memory.
    CheckJoinSplit(lines, "before");
    for (const std::string& k : keys)
        for (const std::string& n : names) {
            if (SameText(k, key) && SameText(n, name)) continue;
            entries.push_back({k, n, Read(lines, k, n)});
        }
    std::vector<std::string> after = lines;
    SetRegistryValue(&after, key, name, type, bytes.data(), static_cast<uint32_t>(bytes.size()));
    gAfter = JoinRegistryLines(after);
    CheckJoinSplit(after, "after");

    Value written;
    written.status = 0;
    written.type = type;
    written.bytes = bytes;
    const Value back = Read(after, key, name);
    if (!(back == written))
        Fail("the written value [" + key + "] \"" + name + "\" reads back as " + Show(back) + ", not " + Show(written));
    for (const Entry& e : entries) {
        const Value now = Read(after, e.key, e.name);
        if (!(now == e.before))
            Fail("writing [" + key + "] \"" + name + "\" changed [" + e.key + "] \"" + e.name + "\" from " +
                 Show(e.before) + " to " + Show(now));
    }
    if (!ThroughTheFile(data, size)) return 0;

    // Through the file: the same values before, the same lines after.
    const std::string path = RegistryFilePath();
    if (!WriteFile(path, file, fileSize)) Fail("cannot write the store file");
    for (const Entry& e : entries) {
        const Value read = ReadFile(e.key, e.name);
        if (!(read == e.before))
            Fail("[" + e.key + "] \"" + e.name + "\" reads from the file as " + Show(read) + ", in memory as " +
                 Show(e.before));
    }
    if (RegistryWrite(key.c_str(), name.c_str(), type, bytes.data(), static_cast<uint32_t>(bytes.size())) != 0)
        Fail("the write failed");
    const std::string expected = gAfter;
    gAfter = ReadAll(path);
    if (gAfter != expected)
        Fail("the file written is not the lines set in memory:\n" + Printable(expected));
    const Value fileBack = ReadFile(key, name);
    if (!(fileBack == written))
        Fail("the written value [" + key + "] \"" + name + "\" reads back from the file as " + Show(fileBack) +
             ", not " + Show(written));
    for (const Entry& e : entries) {
        const Value now = ReadFile(e.key, e.name);
        if (!(now == e.before))
            Fail("writing [" + key + "] \"" + name + "\" to the file changed [" + e.key + "] \"" + e.name +
                 "\" from " + Show(e.before) + " to " + Show(now));
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
