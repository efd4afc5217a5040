// Address texts: a host name or dotted IPv4 address, optionally ":port"; an
// IPv6 address bare ("2001:db8::1", "fe80::1%eth0") or in brackets with a
// port ("[2001:db8::1]:5000"); any of them optionally inside angle brackets
// after a name ("Ann <10.0.0.7:5000>").
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <string>

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

// An IPv6 address with an optional "%zone".
bool ParseIPv6Host(const char* text, PeerAddress* a, std::string* error) {
    const char* percent = std::strchr(text, '%');
    const size_t length = percent ? size_t(percent - text) : std::strlen(text);
    uint8_t bytes[16];
    if (!ParseIPv6(text, length, bytes)) {
        *error = "'" + std::string(text, length) + "' is not an IPv6 address";
        return false;
    }
    uint32_t zone = 0;
    if (percent && !ZoneIndex(percent + 1, &zone)) {
        *error = "no network interface '" + std::string(percent + 1) + "' is here";
        return false;
    }
    const uint16_t port = a->port();
    a->setIPv6(bytes, zone);
    a->setPort(port);
    if (percent && !a->isLinkLocal()) {
        *error = "only a link-local address (fe80::) takes a zone";
        return false;
    }
    if (a->isUnspecified() || (a->isIPv4() && a->ip() == 0xFFFFFFFFu)) {
        *error = "'" + std::string(text, length) + "' names no computer";
        return false;
    }
    return true;
}

}  // namespace

bool ResolveAddressText(const char* text, ResolvedAddress* out, std::string* error,
                        std::vector<PeerAddress> (*lookUp)(const char*)) {
    std::string ignored;
    if (!error) error = &ignored;
    if (!text) {
        *error = "the address is empty";
        return false;
    }
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
    if (!*w) {
        *error = "the address is empty";
        return false;
    }

    ResolvedAddress r;
    PeerAddress& a = r.first;
    a = MakeAddress(0, DefaultPort);
    // A port that names no port (0, out of range, not a number) fails: a
    // port of 0 would mean "every party" to the sender.
    auto takePort = [&](char* colon) {
        char* end = nullptr;
        const long port = std::strtol(colon + 1, &end, 10);
        if (port < 1 || port > 65535 || end == colon + 1) {
            *error = "the port must be a number from 1 to 65535";
            return false;
        }
        a.setPort(static_cast<uint16_t>(port));
        *colon = 0;
        return true;
    };
    if (w[0] == '[') {
        char* close = std::strchr(w, ']');
        if (!close) {
            *error = "an address in brackets lacks its ']'";
            return false;
        }
        *close = 0;
        if (close[1] == ':') {
            if (!takePort(close + 1)) return false;
        } else if (close[1] != 0) {
            *error = "an address in brackets takes a port as [2001:db8::1]:11676";
            return false;
        }
        uint8_t quad[4];
        if (ParseDottedQuad(w + 1, std::strlen(w + 1), quad)) {
            a.setIp(uint32_t(quad[0]) << 24 | uint32_t(quad[1]) << 16 | uint32_t(quad[2]) << 8 | quad[3]);
            if (a.ip() == 0 || a.ip() == 0xFFFFFFFFu) {
                *error = "'" + std::string(w + 1) + "' names no computer";
                return false;
            }
        } else if (!ParseIPv6Host(w + 1, &a, error)) {
            return false;
        }
        *out = r;
        return true;
    }
    char* colon = std::strchr(w, ':');
    if (colon && std::strchr(colon + 1, ':')) {
        // Two colons or more: an IPv6 address without a port.
        if (!ParseIPv6Host(w, &a, error)) return false;
        *out = r;
        return true;
    }
    if (colon && !takePort(colon)) return false;
    if (std::isdigit(static_cast<unsigned char>(w[0]))) {
        uint32_t ip = 0;
        if (!ParseDotted(w, &ip)) {
            *error = "'" + std::string(w) + "' is not a dotted address";
            return false;
        }
        if (ip == 0 || ip == 0xFFFFFFFFu) {
            *error = "'" + std::string(w) + "' names no computer";
            return false;
        }
        a.setIp(ip);
        *out = r;
        return true;
    }
    if (std::strchr(w, '%')) {
        *error = "only an IPv6 address takes a zone";
        return false;
    }
    const std::vector<PeerAddress> found = lookUp(w);
    if (found.empty()) {
        *error = "no address is known for '" + std::string(w) + "'";
        return false;
    }
    // The resolver's first address, and the first of the other family after it.
    const uint16_t port = a.port();
    a = found[0];
    a.setPort(port);
    for (const PeerAddress& other : found) {
        if (other.isIPv4() != a.isIPv4()) {
            r.second = other;
            r.second.setPort(port);
            r.hasSecond = true;
            break;
        }
    }
    *out = r;
    return true;
}

int ResolveAddress(const char* text, PeerAddress* out) {
    ResolvedAddress r;
    if (!ResolveAddressText(text, &r, nullptr)) return 0;
    *out = r.first;
    return 1;
}

}  // namespace kv
