// An IPv4 peer address, laid out like the socket address record that the
// socket calls take (family, port and address in network byte order, eight
// zero bytes), so the socket seams can copy it as it is.
#pragma once

#include <cstdint>
#include <cstring>

namespace kv {

constexpr uint16_t AddressFamilyIPv4 = 2;

struct PeerAddress {
    uint16_t family = 0;        // AddressFamilyIPv4 once filled
    uint8_t portBytes[2] = {};  // network byte order
    uint8_t ipBytes[4] = {};    // network byte order
    uint8_t zero[8] = {};

    uint16_t port() const { return static_cast<uint16_t>(portBytes[0] << 8 | portBytes[1]); }
    void setPort(uint16_t port) {
        portBytes[0] = static_cast<uint8_t>(port >> 8);
        portBytes[1] = static_cast<uint8_t>(port);
    }
    // The address as a host-order number: 127.0.0.1 is 0x7F000001.
    uint32_t ip() const {
        return uint32_t(ipBytes[0]) << 24 | uint32_t(ipBytes[1]) << 16 | uint32_t(ipBytes[2]) << 8 | ipBytes[3];
    }
    void setIp(uint32_t ip) {
        ipBytes[0] = static_cast<uint8_t>(ip >> 24);
        ipBytes[1] = static_cast<uint8_t>(ip >> 16);
        ipBytes[2] = static_cast<uint8_t>(ip >> 8);
        ipBytes[3] = static_cast<uint8_t>(ip);
    }
};
static_assert(sizeof(PeerAddress) == 16, "a peer address is the 16-byte IPv4 socket address");

inline PeerAddress MakeAddress(uint32_t ip, uint16_t port) {
    PeerAddress a;
    a.family = AddressFamilyIPv4;
    a.setIp(ip);
    a.setPort(port);
    return a;
}

// Two addresses are the same peer when port and IPv4 address agree; the
// family and the zero bytes do not count.
inline bool SameAddress(const PeerAddress& a, const PeerAddress& b) {
    return std::memcmp(a.portBytes, b.portBytes, 2) == 0 && std::memcmp(a.ipBytes, b.ipBytes, 4) == 0;
}

// Writes "a.b.c.d" into out (at least 16 bytes).
void FormatDotted(const PeerAddress& a, char* out);

}  // namespace kv
