#include "platform/peer_address.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kv {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string IPv6Text(const uint8_t b[16]) {
    uint16_t groups[8];
    for (int i = 0; i < 8; ++i) groups[i] = static_cast<uint16_t>(b[2 * i] << 8 | b[2 * i + 1]);
    // The longest run of two or more zero groups (the first of equal ones) becomes "::".
    int bestStart = -1, bestLength = 1;
    for (int i = 0; i < 8;) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && groups[j] == 0) ++j;
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j;
    }
    std::string text;
    char group[8];
    for (int i = 0; i < 8; ++i) {
        if (i == bestStart) {
            text += "::";
            i += bestLength - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':') text += ':';
        std::snprintf(group, sizeof group, "%x", groups[i]);
        text += group;
    }
    return text;
}

}  // namespace

std::string HostText(const PeerAddress& a) {
    char text[16];
    if (a.isIPv4()) {
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", a.bytes[12], a.bytes[13], a.bytes[14], a.bytes[15]);
        return text;
    }
    std::string host = IPv6Text(a.bytes);
    if (a.scope != 0) host += "%" + ZoneName(a.scope);
    return host;
}

std::string HostPortText(const PeerAddress& a) {
    const std::string host = HostText(a);
    const std::string port = ":" + std::to_string(a.port());
    return a.isIPv4() ? host + port : "[" + host + "]" + port;
}

std::string HostPortText(const PeerAddress& a, uint16_t defaultPort) {
    return a.port() == defaultPort ? HostText(a) : HostPortText(a);
}

bool ParseDottedQuad(const char* text, size_t length, uint8_t out[4]) {
    size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= length || text[i] != '.') return false;
            ++i;
        }
        const size_t start = i;
        unsigned v = 0;
        while (i < length && text[i] >= '0' && text[i] <= '9' && i - start < 3) v = v * 10 + unsigned(text[i++] - '0');
        if (i == start || v > 255 || (i < length && text[i] >= '0' && text[i] <= '9')) return false;
        out[part] = static_cast<uint8_t>(v);
    }
    return i == length;
}

bool ParseIPv6(const char* text, size_t length, uint8_t out[16]) {
    uint8_t b[16] = {};
    int count = 0;    // bytes filled
    int gap = -1;     // where "::" stands, in bytes
    size_t i = 0;
    if (length >= 2 && text[0] == ':' && text[1] == ':') {
        gap = 0;
        i = 2;
    } else if (length > 0 && text[0] == ':') {
        return false;
    }
    while (i < length) {
        if (count == 16) return false;
        // An IPv4 tail fills the last four bytes.
        size_t end = i;
        while (end < length && text[end] != ':') ++end;
        bool dotted = false;
        for (size_t k = i; k < end; ++k) dotted |= text[k] == '.';
        if (dotted) {
            if (end != length || count > 12 || !ParseDottedQuad(text + i, end - i, b + count)) return false;
            count += 4;
            i = end;
            break;
        }
        if (end - i < 1 || end - i > 4) return false;
        unsigned v = 0;
        for (size_t k = i; k < end; ++k) {
            const int d = HexDigit(text[k]);
            if (d < 0) return false;
            v = v << 4 | unsigned(d);
        }
        b[count++] = static_cast<uint8_t>(v >> 8);
        b[count++] = static_cast<uint8_t>(v);
        i = end;
        if (i == length) break;
        ++i;  // the colon
        if (i < length && text[i] == ':') {
            if (gap >= 0) return false;  // "::" only once
            gap = count;
            ++i;
        } else if (i == length) {
            return false;  // a trailing single colon
        }
    }
    if (gap < 0) {
        if (count != 16) return false;
    } else {
        if (count > 14) return false;  // "::" stands for at least one group
        const int tail = count - gap;
        std::memmove(b + 16 - tail, b + gap, size_t(tail));
        std::memset(b + gap, 0, size_t(16 - tail - gap));
    }
    std::memcpy(out, b, 16);
    return true;
}

bool ParseAddressLiteral(const char* text, size_t length, uint16_t defaultPort, PeerAddress* out,
                         bool* unknownZone) {
    const std::string t(text, length);
    if (t.empty() || t.find('\0') != std::string::npos) return false;
    std::string host = t;
    long port = defaultPort;
    auto takePort = [&](size_t colon) {
        if (colon + 1 >= t.size() || t.size() - colon - 1 > 5) return false;
        port = 0;
        for (size_t i = colon + 1; i < t.size(); ++i) {
            if (t[i] < '0' || t[i] > '9') return false;
            port = port * 10 + (t[i] - '0');
        }
        return true;
    };
    const size_t firstColon = t.find(':');
    const bool bracketed = t[0] == '[';
    if (bracketed) {
        const size_t close = t.find(']');
        if (close == std::string::npos) return false;
        if (close + 1 < t.size() && (t[close + 1] != ':' || !takePort(close + 1))) return false;
        host = t.substr(1, close - 1);
    } else if (firstColon != std::string::npos && t.find(':', firstColon + 1) == std::string::npos) {
        if (!takePort(firstColon)) return false;
        host = t.substr(0, firstColon);
    }
    if (port < 1 || port > 65535) return false;
    PeerAddress a;
    uint8_t quad[4];
    if (ParseDottedQuad(host.data(), host.size(), quad)) {
        a.setIp(uint32_t(quad[0]) << 24 | uint32_t(quad[1]) << 16 | uint32_t(quad[2]) << 8 | quad[3]);
    } else {
        const size_t percent = host.find('%');
        uint8_t bytes[16];
        if (host.find(':') == std::string::npos || !ParseIPv6(host.data(), std::min(percent, host.size()), bytes))
            return false;
        uint32_t zone = 0;
        if (percent != std::string::npos && !ZoneIndex(host.c_str() + percent + 1, &zone)) {
            if (!unknownZone) return false;
            *unknownZone = true;
        }
        a.setIPv6(bytes, zone);
        if (percent != std::string::npos && !a.isLinkLocal()) return false;
    }
    a.setPort(static_cast<uint16_t>(port));
    *out = a;
    return true;
}

bool ZoneIndex(const char* name, uint32_t* index) {
    if (!name || !*name) return false;
    if (name[0] >= '0' && name[0] <= '9') {
        char* end = nullptr;
        const unsigned long long n = std::strtoull(name, &end, 10);
        if (*end || n == 0 || n > 0xFFFFFFFFull) return false;
        *index = static_cast<uint32_t>(n);
        return true;
    }
    const uint32_t n = InterfaceIndex(name);
    if (n == 0) return false;
    *index = n;
    return true;
}

}  // namespace kv
