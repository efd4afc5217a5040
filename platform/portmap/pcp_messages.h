// PCP's MAP messages (RFC 6887, the successor of NAT-PMP on the same port),
// built and read without any socket: version 2, big-endian fields, every
// address 16 bytes (IPv4 mapped). Only what the pinhole needs: a UDP MAP
// for our own IPv6 address and port, which a firewall without address
// translation answers with that same address and port open from anywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/portmap/natpmp_messages.h"

namespace kv {
namespace pcp {

constexpr uint16_t ServerPort = natpmp::ServerPort;
constexpr uint8_t Version = 2;
constexpr uint8_t OpMap = 1;
constexpr uint8_t ResponseFlag = 0x80;
constexpr uint8_t ProtocolUdp = 17;

constexpr size_t HeaderSize = 24;  // version, opcode, reserved, lifetime, client address (response: result, epoch)
constexpr size_t MapSize = 36;     // nonce, protocol, reserved, internal port, external port and address
constexpr size_t MapRequestSize = HeaderSize + MapSize;
constexpr size_t MaxMessageSize = 1100;  // RFC 6887: no PCP message is longer

enum Result : uint8_t {
    Success = 0,
    UnsupportedVersion = 1,
    NotAuthorized = 2,
    MalformedRequest = 3,
    UnsupportedOpcode = 4,
    UnsupportedOption = 5,
    MalformedOption = 6,
    NetworkFailure = 7,
    NoResources = 8,
    UnsupportedProtocol = 9,
    UserExceededQuota = 10,
    CannotProvideExternal = 11,
    AddressMismatch = 12,
    ExcessiveRemotePeers = 13,
};

struct MapRequest {
    uint8_t client[16] = {};    // our address as the server sees it
    uint8_t nonce[12] = {};     // random, the same in every renewal of one mapping
    uint16_t internalPort = 0;
    uint16_t externalPort = 0;  // suggested: for a pinhole, the internal port
    uint8_t externalAddress[16] = {};  // suggested: for a pinhole, our own address
    uint32_t lifetimeSeconds = 0;      // 0 deletes the mapping
};

struct MapResponse {
    uint8_t result = 0;
    uint32_t lifetimeSeconds = 0;
    uint32_t epochSeconds = 0;
    uint8_t nonce[12] = {};
    uint16_t internalPort = 0;
    uint16_t externalPort = 0;
    uint8_t externalAddress[16] = {};
};

inline std::array<uint8_t, MapRequestSize> BuildMap(const MapRequest& r) {
    std::array<uint8_t, MapRequestSize> m{};
    m[0] = Version;
    m[1] = OpMap;
    natpmp::Put32(&m[4], r.lifetimeSeconds);
    std::memcpy(&m[8], r.client, 16);
    uint8_t* map = &m[HeaderSize];
    std::memcpy(map, r.nonce, 12);
    map[12] = ProtocolUdp;
    natpmp::Put16(map + 16, r.internalPort);
    natpmp::Put16(map + 18, r.externalPort);
    std::memcpy(map + 20, r.externalAddress, 16);
    return m;
}

// Reads the answer to a UDP MAP request: false, and *response left alone,
// unless the datagram is one (options after the MAP fields are allowed and
// skipped; an error answer may stop after the header). The caller matches
// the nonce and the internal port against its request.
inline bool ParseMap(const uint8_t* data, size_t size, MapResponse* response) {
    if (data == nullptr || size < HeaderSize || size > MaxMessageSize || size % 4 != 0) return false;
    if (data[0] != Version || data[1] != (ResponseFlag | OpMap)) return false;
    MapResponse r;
    r.result = data[3];
    r.lifetimeSeconds = natpmp::Get32(data + 4);
    r.epochSeconds = natpmp::Get32(data + 8);
    if (size < MapRequestSize) {
        if (r.result == Success || size != HeaderSize) return false;
        *response = r;
        return true;
    }
    const uint8_t* map = data + HeaderSize;
    if (map[12] != ProtocolUdp) return false;
    std::memcpy(r.nonce, map, 12);
    r.internalPort = natpmp::Get16(map + 16);
    r.externalPort = natpmp::Get16(map + 18);
    std::memcpy(r.externalAddress, map + 20, 16);
    *response = r;
    return true;
}

}  // namespace pcp
}  // namespace kv
