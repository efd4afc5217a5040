// Address texts: a host name or dotted IPv4 address, optionally ":port", and
// optionally inside angle brackets after a name ("Ann <10.0.0.7:5000>").
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/phone.h"

namespace kv {
namespace {

// A dotted IPv4 address as the classic inet_addr reads it: one to four parts,
// each decimal, octal (leading 0) or hexadecimal (0x); the last part fills the
// remaining bytes. False when it does not parse.
bool ParseDotted(const char* s, uint32_t* out) {
    uint32_t parts[4];
    int count = 0;
    while (true) {
        if (count == 4 || !std::isdigit(static_cast<unsigned char>(*s))) return false;
        int base = 10;
        if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            base = 16;
            s += 2;
            if (!std::isxdigit(static_cast<unsigned char>(*s))) return false;
        } else if (s[0] == '0') {
            base = 8;
        }
        uint64_t v = 0;
        for (;; ++s) {
            int digit;
            unsigned char c = static_cast<unsigned char>(*s);
            if (std::isdigit(c)) digit = c - '0';
            else if (base == 16 && std::isxdigit(c)) digit = std::tolower(c) - 'a' + 10;
            else break;
            if (digit >= base) return false;
            v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
            if (v > 0xFFFFFFFFu) return false;
        }
        parts[count++] = static_cast<uint32_t>(v);
        if (*s == 0) break;
        if (*s != '.') return false;
        ++s;
    }
    uint32_t ip = 0;
    for (int i = 0; i < count - 1; ++i) {
        if (parts[i] > 255) return false;
        ip |= parts[i] << (24 - 8 * i);
    }
    const uint32_t lastMax = count == 1 ? 0xFFFFFFFFu : (0xFFFFFFFFu >> (8 * (count - 1)));
    if (parts[count - 1] > lastMax) return false;
    *out = ip | parts[count - 1];
    return true;
}

}  // namespace

int ResolveAddress(const char* text, PeerAddress* out) {
    if (!text) return 0;
    char work[300];
    const char* open = std::strchr(text, '<');
    std::strncpy(work, open ? open + 1 : text, sizeof work - 1);
    work[sizeof work - 1] = 0;
    if (open) {
        if (char* close = std::strchr(work, '>')) *close = 0;
    }
    // Spaces around what was typed do not count.
    char* w = work;
    while (std::isspace(static_cast<unsigned char>(*w))) ++w;
    for (size_t n = std::strlen(w); n > 0 && std::isspace(static_cast<unsigned char>(w[n - 1])); --n) w[n - 1] = 0;

    PeerAddress a = MakeAddress(0, DefaultPort);
    if (char* colon = std::strchr(w, ':')) {
        // A port that names no port (0, out of range, not a number) fails:
        // a port of 0 would mean "every party" to the sender.
        long port = std::strtol(colon + 1, nullptr, 10);
        if (port < 1 || port > 65535) return 0;
        a.setPort(static_cast<uint16_t>(port));
        *colon = 0;
    }
    uint32_t ip = 0;
    if (std::isdigit(static_cast<unsigned char>(w[0]))) {
        if (!ParseDotted(w, &ip) || ip == 0 || ip == 0xFFFFFFFFu) return 0;
        a.setIp(ip);
    } else {
        if (w[0] == 0 || !LookUpHost(w, a.ipBytes)) return 0;
    }
    *out = a;
    return 1;
}

}  // namespace kv
