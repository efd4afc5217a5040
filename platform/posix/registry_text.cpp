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

bool SameText(const char* a, const char* b, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && SameText(a.data(), b.data(), a.size());
}

// The length of a line as written, without the carriage return of a CRLF
// file. The lines themselves are kept with it, so that a rewrite gives them
// back unchanged.
size_t CleanLength(const std::string& line) {
    return !line.empty() && line.back() == '\r' ? line.size() - 1 : line.size();
}

// True when the line as written ends in a backslash: a value line continues.
bool EndsInBackslash(const std::string& line) {
    const size_t n = CleanLength(line);
    return n > 0 && line[n - 1] == '\\';
}

// A section header "[path]".
bool IsSection(const std::string& raw) {
    const size_t n = CleanLength(raw);
    return n >= 2 && raw[0] == '[' && raw[n - 1] == ']';
}

// The section header of a key, "[HKEY_CURRENT_USER\key]" (compared without case).
bool IsSectionOf(const std::string& raw, const std::string& key) {
    const size_t root = sizeof Root - 1;
    return IsSection(raw) && CleanLength(raw) - 2 == root + key.size() && SameText(raw.data() + 1, Root, root) &&
           SameText(raw.data() + 1 + root, key.data(), key.size());
}

// A value line begins with a quoted name. Parses the name; *rest is where
// what follows "=" begins.
bool ValueName(const char* line, size_t size, std::string* name, size_t* rest) {
    if (size == 0 || line[0] != '"') return false;
    name->clear();
    size_t i = 1;
    for (; i < size; ++i) {
        if (line[i] == '\\' && i + 1 < size) {
            name->push_back(line[++i]);
        } else if (line[i] == '"') {
            break;
        } else {
            name->push_back(line[i]);
        }
    }
    if (i >= size || i + 1 >= size || line[i + 1] != '=') return false;
    *rest = i + 2;
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
    joined->assign(lines[i], 0, CleanLength(lines[i]));
    while (!joined->empty() && joined->back() == '\\' && i + 1 < lines.size() && !IsSection(lines[i + 1])) {
        joined->pop_back();
        ++i;
        joined->append(lines[i], 0, CleanLength(lines[i]));
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
    bool inside = false;
    std::string joined, valueName;  // kept from line to line, so that they seldom allocate
    for (size_t i = 0; i < lines.size(); ++i) {
        if (IsSection(lines[i])) {
            if (inside) break;
            inside = IsSectionOf(lines[i], key);
            if (inside) {
                f.section = true;
                f.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inside) continue;
        const size_t start = i;
        // The line as written, or joined with the lines it continues on.
        const char* text = lines[i].data();
        size_t size = CleanLength(lines[i]);
        size_t last = i;
        if (EndsInBackslash(lines[i])) {
            last = LogicalEnd(lines, i, &joined);
            text = joined.data();
            size = joined.size();
        }
        size_t rest = 0;
        if (!f.value && ValueName(text, size, &valueName, &rest) && SameText(valueName, name)) {
            f.value = true;
            f.first = i;
            f.last = last;
            f.parsed = ParseData(std::string(text + rest, size - rest), &f.type, &f.bytes);
        }
        i = last;
        // A new value goes after the section's last line, or before it when that
        // line still ends in a backslash (the new value would continue it).
        if (CleanLength(lines[i]) > 0) f.sectionEnd = EndsInBackslash(lines[i]) ? start : i + 1;
    }
    return f;
}


}  // namespace

std::vector<std::string> SplitRegistryLines(const char* bytes, size_t size) {
    // Where the line that begins at start ends: its '\n', or the end of the bytes.
    auto end = [&](size_t start) {
        const void* newline = std::memchr(bytes + start, '\n', size - start);
        return newline ? static_cast<size_t>(static_cast<const char*>(newline) - bytes) : size;
    };
    size_t count = 0;
    for (size_t start = 0; start < size; start = end(start) + 1) ++count;
    std::vector<std::string> lines;
    lines.reserve(count);
    for (size_t start = 0; start < size;) {
        const size_t stop = end(start);
        lines.emplace_back(bytes + start, stop - start);
        start = stop + 1;
    }
    return lines;
}

std::string JoinRegistryLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& l : lines) size += l.size() + 1;
    std::string all;
    all.reserve(size);
    for (const std::string& l : lines) {
        all += l;
        all += '\n';
    }
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
        if (!lines.back().empty() && !EndsInBackslash(lines.back())) lines.push_back("");
        lines.push_back("[" + std::string(Root) + key + "]");
        lines.push_back(line);
    }
}

}  // namespace kv
