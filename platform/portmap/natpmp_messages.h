// NAT-PMP's messages (RFC 6886), built and read without any socket: version
// 0, big-endian fields. Requests go to UDP port 5351 of the default gateway;
// the answer carries the request's opcode plus 128 and a result code. Only
// what the Windows gateway uses: the external address and UDP mappings.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kv {
namespace natpmp {

constexpr uint16_t ServerPort = 5351;
constexpr uint8_t Version = 0;
constexpr uint8_t OpExternalAddress = 0;
constexpr uint8_t OpMapUdp = 1;
constexpr uint8_t ReplyFlag = 128;

constexpr size_t AddressRequestSize = 2;
constexpr size_t MappingRequestSize = 12;
constexpr size_t ErrorReplySize = 8;     // the common header: version, opcode, result, epoch
constexpr size_t AddressReplySize = 12;  // ... and the external address
constexpr size_t MappingReplySize = 16;  // ... and internal port, external port, lifetime

enum Result : uint16_t {
    Success = 0,
    UnsupportedVersion = 1,
    NotAuthorized = 2,
    NetworkFailure = 3,
    OutOfResources = 4,
    UnsupportedOpcode = 5,
};

struct Reply {
    uint8_t opcode = 0;         // of the request it answers (without the 128)
    uint16_t result = 0;
    uint32_t epochSeconds = 0;  // since the gateway started or lost its mappings
    uint32_t externalAddress = 0;  // address replies; host order
    uint16_t internalPort = 0;     // mapping replies
    uint16_t externalPort = 0;
    uint32_t lifetimeSeconds = 0;
};

inline void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void Put32(uint8_t* p, uint32_t v) {
    Put16(p, static_cast<uint16_t>(v >> 16));
    Put16(p + 2, static_cast<uint16_t>(v));
}
inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t Get32(const uint8_t* p) { return (uint32_t(Get16(p)) << 16) | Get16(p + 2); }

inline std::array<uint8_t, AddressRequestSize> AddressRequest() { return {Version, OpExternalAddress}; }

// lifetimeSeconds 0 removes the mapping of internalPort.
inline std::array<uint8_t, MappingRequestSize> MappingRequest(uint16_t internalPort, uint16_t externalPort,
                                                              uint32_t lifetimeSeconds) {
    std::array<uint8_t, MappingRequestSize> m{};
    m[0] = Version;
    m[1] = OpMapUdp;
    Put16(&m[4], internalPort);
    Put16(&m[6], externalPort);
    Put32(&m[8], lifetimeSeconds);
    return m;
}

// Reads the answer to a request with opcode `op`: false, and *reply left
// alone, unless the datagram is exactly such an answer. A success carries
// every field of its kind; an error may stop after the common 8 bytes.
inline bool ParseReply(const uint8_t* data, size_t size, uint8_t op, Reply* reply) {
    const size_t full = op == OpExternalAddress ? AddressReplySize : op == OpMapUdp ? MappingReplySize : 0;
    if (full == 0 || data == nullptr || size < ErrorReplySize || size > full) return false;
    if (data[0] != Version || data[1] != uint8_t(ReplyFlag + op)) return false;
    Reply r;
    r.opcode = op;
    r.result = Get16(data + 2);
    r.epochSeconds = Get32(data + 4);
    if (size != full && (r.result == Success || size != ErrorReplySize)) return false;
    if (size == full && op == OpExternalAddress) {
        r.externalAddress = Get32(data + 8);
    } else if (size == full) {
        r.internalPort = Get16(data + 8);
        r.externalPort = Get16(data + 10);
        r.lifetimeSeconds = Get32(data + 12);
    }
    *reply = r;
    return true;
}

}  // namespace natpmp
}  // namespace kv
