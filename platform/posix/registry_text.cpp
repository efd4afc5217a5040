// The text of the Linux registry file in the .reg export format, in memory:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Kestrovox]
//   "Identity"="Ann"
//   "Codec"=dword:00000000
//
// Texts that a quoted string cannot carry (control characters) and values of
// other types are written as hex(type):bytes. Every line the store does not
// understand is kept as it is, so a write never loses what was there.
#include "platform/posix/registry_text.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace kv {
namespace {

const char Header[] = "Windows Registry Editor Version 5.00";
const char Root[] = "HKEY_CURRENT_USER\\";

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A line as written, without the carriage return of a CRLF file. The lines
// themselves are kept with it, so that a rewrite gives them back unchanged.
std::string Clean(const std::string& line) {
    return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line;
}

// A section header "[path]": true with the path.
bool SectionOf(const std::string& raw, std::string* path) {
    const std::string line = Clean(raw);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
    *path = line.substr(1, line.size() - 2);
    return true;
}

// A value line begins with a quoted name. Parses the name; *rest is what follows "=".
bool ValueName(const std::string& line, std::string* name, std::string* rest) {
    if (line.empty() || line[0] != '"') return false;
    name->clear();
    size_t i = 1;
    for (; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            name->push_back(line[++i]);
        } else if (line[i] == '"') {
            break;
        } else {
            name->push_back(line[i]);
        }
    }
    if (i >= line.size() || i + 1 >= line.size() || line[i + 1] != '=') return false;
    *rest = line.substr(i + 2);
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Parses the data of a value: false when it is not understood.
bool ParseData(const std::string& rest, uint32_t* type, std::string* bytes) {
    bytes->clear();
    if (!rest.empty() && rest[0] == '"') {
        size_t i = 1;
        for (; i < rest.size() && rest[i] != '"'; ++i) {
            if (rest[i] == '\\' && i + 1 < rest.size()) ++i;
            bytes->push_back(rest[i]);
        }
        if (i >= rest.size()) return false;
        bytes->push_back('\0');
        *type = RegistryText;
        return true;
    }
    if (rest.compare(0, 6, "dword:") == 0) {
        if (rest.size() != 14) return false;
        uint32_t v = 0;
        for (size_t i = 6; i < 14; ++i) {
            int d = HexDigit(rest[i]);
            if (d < 0) return false;
            v = v << 4 | static_cast<uint32_t>(d);
        }
        for (int k = 0; k < 4; ++k) bytes->push_back(static_cast<char>(v >> (8 * k)));
        *type = RegistryNumber;
        return true;
    }
    size_t colon;
    if (rest.compare(0, 4, "hex:") == 0) {
        *type = 3;
        colon = 3;
    } else if (rest.compare(0, 4, "hex(") == 0) {
        size_t close = rest.find("):");
        if (close == std::string::npos || close == 4 || close > 12) return false;
        uint32_t t = 0;
        for (size_t i = 4; i < close; ++i) {
            int d = HexDigit(rest[i]);
            if (d < 0) return false;
            t = t << 4 | static_cast<uint32_t>(d);
        }
        *type = t;
        colon = close + 1;
    } else {
        return false;
    }
    int high = -1;
    for (size_t i = colon + 1; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == ',' || c == ' ' || c == '\\') continue;
        int d = HexDigit(c);
        if (d < 0) return false;
        if (high < 0) {
            high = d;
        } else {
            bytes->push_back(static_cast<char>(high << 4 | d));
            high = -1;
        }
    }
    return high < 0;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

// A text a quoted string can carry: printable bytes and one terminating zero.
bool Quotable(const uint8_t* data, uint32_t size) {
    if (size == 0 || data[size - 1] != 0) return false;
    for (uint32_t i = 0; i + 1 < size; ++i)
        if (data[i] < 0x20 || data[i] == 0x7F) return false;
    return true;
}

std::string ValueLine(const std::string& name, uint32_t type, const uint8_t* data, uint32_t size) {
    std::string line = Quote(name) + "=";
    char buf[16];
    if (type == RegistryText && Quotable(data, size)) {
        return line + Quote(std::string(reinterpret_cast<const char*>(data), size - 1));
    }
    if (type == RegistryNumber && size == 4) {
        uint32_t v = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
        std::snprintf(buf, sizeof buf, "dword:%08x", v);
        return line + buf;
    }
    if (type == 3) {
        line += "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", type);
        line += buf;
    }
    for (uint32_t i = 0; i < size; ++i) {
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", data[i]);
        line += buf;
    }
    return line;
}

// A value line may continue on the next lines while it ends with a backslash,
// but never into a section header: a line cut short before one (or before the
// end of the file) ends there, so that no value swallows the section after it.
size_t LogicalEnd(const std::vector<std::string>& lines, size_t i, std::string* joined) {
    *joined = Clean(lines[i]);
    std::string header;
    while (!joined->empty() && joined->back() == '\\' && i + 1 < lines.size() && !SectionOf(lines[i + 1], &header)) {
        joined->pop_back();
        *joined += Clean(lines[++i]);
    }
    return i;
}

struct Found {
    bool section = false;
    size_t sectionEnd = 0;  // index after the section's last line
    bool value = false;
    size_t first = 0, last = 0;  // the value's lines
    uint32_t type = 0;
    std::string bytes;
    bool parsed = false;
};

Found Find(const std::vector<std::string>& lines, const std::string& key, const std::string& name) {
    Found f;
    const std::string wanted = std::string(Root) + key;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string path;
        if (SectionOf(lines[i], &path)) {
            if (inside) break;
            inside = SameText(path, wanted);
            if (inside) {
                f.section = true;
                f.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inside) continue;
        std::string joined;
        const size_t start = i;
        size_t last = LogicalEnd(lines, i, &joined);
        std::string valueName, rest;
        if (!f.value && ValueName(joined, &valueName, &rest) && SameText(valueName, name)) {
            f.value = true;
            f.first = i;
            f.last = last;
            f.parsed = ParseData(rest, &f.type, &f.bytes);
        }
        i = last;
        // A new value goes after the section's last line, or before it when that
        // line still ends in a backslash (the new value would continue it).
        const std::string end = Clean(lines[i]);
        if (!end.empty()) f.sectionEnd = end.back() == '\\' ? start : i + 1;
    }
    return f;
}


}  // namespace

std::vector<std::string> SplitRegistryLines(const char* bytes, size_t size) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(bytes[i]);
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string JoinRegistryLines(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

bool FindRegistryValue(const std::vector<std::string>& lines, const std::string& key, const std::string& name,
                       uint32_t* type, std::string* bytes) {
    Found f = Find(lines, key, name);
    if (!f.value || !f.parsed) return false;
    *type = f.type;
    *bytes = std::move(f.bytes);
    return true;
}

int ReadRegistryValue(const std::vector<std::string>& lines, const std::string& key, const std::string& name,
                      uint32_t* type, void* data, uint32_t* size) {
    uint32_t found = 0;
    std::string bytes;
    if (!FindRegistryValue(lines, key, name, &found, &bytes)) return -1;
    if (bytes.size() > *size) {
        *size = static_cast<uint32_t>(bytes.size());
        return -2;
    }
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    *type = found;
    *size = static_cast<uint32_t>(bytes.size());
    return 0;
}

void SetRegistryValue(std::vector<std::string>* linesOut, const std::string& key, const std::string& name,
                      uint32_t type, const void* data, uint32_t size) {
    std::vector<std::string>& lines = *linesOut;
    if (lines.empty()) lines = {Header, ""};
    const std::string line = ValueLine(name, type, static_cast<const uint8_t*>(data), size);
    Found f = Find(lines, key, name);
    if (f.value) {
        lines.erase(lines.begin() + long(f.first), lines.begin() + long(f.last) + 1);
        lines.insert(lines.begin() + long(f.first), line);
    } else if (f.section) {
        lines.insert(lines.begin() + long(f.sectionEnd), line);
    } else {
        // A blank line before the new section, unless the last line ends in a
        // backslash: the blank line would continue it.
        const std::string end = Clean(lines.back());
        if (!lines.back().empty() && (end.empty() || end.back() != '\\')) lines.push_back("");
        lines.push_back("[" + std::string(Root) + key + "]");
        lines.push_back(line);
    }
}

}  // namespace kv
