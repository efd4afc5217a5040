// A peer address of either family: a port and a 16-byte IPv6 address in
// network byte order, with the zone (interface index) of a link-local one.
// An IPv4 address is held IPv4-mapped (::ffff:a.b.c.d), as a dual-stack
// socket reports it, so an IPv4 peer is one address whichever way it came.
// The socket seams convert to and from the system's socket address records.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace kv {

constexpr uint16_t AddressFamilyIPv4 = 2;
constexpr uint16_t AddressFamilyIPv6 = 10;

struct PeerAddress {
    uint16_t family = 0;        // AddressFamilyIPv4 or AddressFamilyIPv6 once filled
    uint8_t portBytes[2] = {};  // network byte order
    uint8_t bytes[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0};  // 0.0.0.0 until set
    uint32_t scope = 0;  // the zone of a link-local IPv6 address, else 0

    uint16_t port() const { return static_cast<uint16_t>(portBytes[0] << 8 | portBytes[1]); }
    void setPort(uint16_t port) {
        portBytes[0] = static_cast<uint8_t>(port >> 8);
        portBytes[1] = static_cast<uint8_t>(port);
    }
    // An IPv4 address (held mapped).
    bool isIPv4() const {
        static const uint8_t mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        return std::memcmp(bytes, mapped, 12) == 0;
    }
    // The IPv4 address as a host-order number: 127.0.0.1 is 0x7F000001. Only
    // meaningful when isIPv4().
    uint32_t ip() const {
        return uint32_t(bytes[12]) << 24 | uint32_t(bytes[13]) << 16 | uint32_t(bytes[14]) << 8 | bytes[15];
    }
    void setIp(uint32_t ip) {
        std::memset(bytes, 0, 10);
        bytes[10] = bytes[11] = 0xFF;
        bytes[12] = static_cast<uint8_t>(ip >> 24);
        bytes[13] = static_cast<uint8_t>(ip >> 16);
        bytes[14] = static_cast<uint8_t>(ip >> 8);
        bytes[15] = static_cast<uint8_t>(ip);
        scope = 0;
        family = AddressFamilyIPv4;
    }
    // Sets the 16 address bytes; a mapped address becomes IPv4. The zone is
    // kept only for a link-local address (fe80::/10), where it matters.
    void setIPv6(const uint8_t address[16], uint32_t zone = 0) {
        std::memcpy(bytes, address, 16);
        family = isIPv4() ? AddressFamilyIPv4 : AddressFamilyIPv6;
        scope = isLinkLocal() ? zone : 0;
    }
    bool isLinkLocal() const { return bytes[0] == 0xFE && (bytes[1] & 0xC0) == 0x80; }
    // 0.0.0.0 or ::, which names no peer.
    bool isUnspecified() const {
        if (isIPv4()) return ip() == 0;
        for (uint8_t b : bytes)
            if (b) return false;
        return true;
    }
};

inline PeerAddress MakeAddress(uint32_t ip, uint16_t port) {
    PeerAddress a;
    a.setIp(ip);
    a.setPort(port);
    return a;
}

inline PeerAddress MakeIPv6Address(const uint8_t address[16], uint16_t port, uint32_t zone = 0) {
    PeerAddress a;
    a.setIPv6(address, zone);
    a.setPort(port);
    return a;
}

// Two addresses are the same peer when port, address and zone agree; the
// family tag does not count (a mapped IPv4 address is the IPv4 address).
inline bool SameAddress(const PeerAddress& a, const PeerAddress& b) {
    return std::memcmp(a.portBytes, b.portBytes, 2) == 0 && std::memcmp(a.bytes, b.bytes, 16) == 0 &&
           a.scope == b.scope;
}

// For hash tables keyed by address: agrees with SameAddress.
struct AddressHash {
    size_t operator()(const PeerAddress& a) const {
        uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a over port, address and zone
        auto mix = [&h](uint8_t b) { h = (h ^ b) * 0x100000001b3ull; };
        mix(a.portBytes[0]);
        mix(a.portBytes[1]);
        for (uint8_t b : a.bytes) mix(b);
        for (int i = 0; i < 4; ++i) mix(static_cast<uint8_t>(a.scope >> (8 * i)));
        return static_cast<size_t>(h ^ (h >> 32));
    }
};
struct AddressEqual {
    bool operator()(const PeerAddress& a, const PeerAddress& b) const { return SameAddress(a, b); }
};

// The host as people write it: "10.0.0.7" for IPv4, "2001:db8::1" for IPv6
// (RFC 5952: lower case, the longest run of zero groups shortened), with
// "%zone" (the interface's name) for a link-local address.
std::string HostText(const PeerAddress& a);
// With the port: "10.0.0.7:5000", "[2001:db8::1]:5000".
std::string HostPortText(const PeerAddress& a);
// The host alone when the port is defaultPort, else with the port.
std::string HostPortText(const PeerAddress& a, uint16_t defaultPort);

// A dotted IPv4 address, strictly four decimal parts of 0-255.
bool ParseDottedQuad(const char* text, size_t length, uint8_t out[4]);
// An IPv6 address in any RFC 4291 text form ("2001:db8::1", "::",
// "::ffff:10.0.0.7"), without brackets or zone.
bool ParseIPv6(const char* text, size_t length, uint8_t out[16]);

// An address written out, with no name to look up: "10.0.0.7",
// "10.0.0.7:5000", "2001:db8::1", "fe80::1%eth0", "[2001:db8::1]:5000". The
// port is defaultPort where none is given (none given fails when defaultPort
// is 0). A zone that names no interface here fails, unless unknownZone is
// given: then it is left out and *unknownZone set.
bool ParseAddressLiteral(const char* text, size_t length, uint16_t defaultPort, PeerAddress* out,
                         bool* unknownZone = nullptr);

// A zone's interface index from its name or number ("eth0", "2").
bool ZoneIndex(const char* name, uint32_t* index);

// Provided by the socket seam of each platform: an interface's index by its
// name (0 when there is none), and the name a zone is written with.
uint32_t InterfaceIndex(const char* name);
std::string ZoneName(uint32_t index);

}  // namespace kv
