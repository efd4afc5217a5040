// The UDP socket seam: one datagram socket, bound once, never connected:
// dual-stack (IPv6, with IPv4 peers as mapped addresses) where the system has
// IPv6, else IPv4. Windows: Winsock 2. Linux: BSD sockets with IP_RECVERR and
// IPV6_RECVERR, so that both report "a datagram sent to address A was refused
// (port unreachable)" to the receiver with the address.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/peer_address.h"

namespace kv {

enum class WaitStatus { Readable, TimedOut, Failed };

enum class ReceiveStatus {
    Datagram,  // length bytes from `from` are in the buffer
    TooLarge,  // a datagram longer than the buffer arrived and was discarded
    Refused,   // a datagram sent earlier to `from` was refused: nothing listens there
    Nothing,   // nothing to hand on (spurious wake-up, or an unrelated error report consumed)
    Failed,    // any other receive error
};

struct ReceiveResult {
    ReceiveStatus status = ReceiveStatus::Nothing;
    int length = 0;
    PeerAddress from;
};

class UdpSocket {
public:
    virtual ~UdpSocket() = default;
    // Binds to any local address at the port (0 picks a free one).
    virtual bool bind(uint16_t port) = 0;
    // Binds to one local address of this host (and its port), so that what
    // is sent goes from that address; false where it cannot be.
    virtual bool bindAddress(const PeerAddress&) { return false; }
    // True when IPv6 peers can be reached (else sendTo fails for them).
    virtual bool dualStack() const { return false; }
    // Port the socket is bound to, 0 before bind.
    virtual uint16_t localPort() const = 0;
    // Waits until a receive would not block, at most timeoutMs.
    virtual WaitStatus waitReadable(int timeoutMs) = 0;
    // Takes one datagram or one refusal report without blocking. A datagram
    // longer than capacity is never handed on in part.
    virtual ReceiveResult receive(uint8_t* buffer, int capacity) = 0;
    // Sends one datagram; returns the bytes sent or -1.
    virtual int sendTo(const PeerAddress& to, const uint8_t* data, int length) = 0;
    // Wakes a thread waiting in waitReadable (or makes the wait end within its
    // time-out); afterwards the socket only serves to be destroyed.
    virtual void interrupt() = 0;
};

// The receive buffer a new socket asks for. The kernel charges a small
// datagram far more than its length, so under a flood of 50,000 a second 1 MB
// held only some tens of milliseconds; a receiving thread held up longer than
// that on a busy machine lost the call's own datagrams with the junk. 4 MB
// holds four times as long (the kernel keeps it within its own limit).
constexpr int ReceiveBufferBytes = 4 << 20;

// A new socket, or null when the platform refuses one: dual-stack where the
// system has IPv6, else IPv4.
std::unique_ptr<UdpSocket> CreateUdpSocket();
// An IPv4 socket only, as older versions had.
std::unique_ptr<UdpSocket> CreateIPv4UdpSocket();

// Windows Sockets must be started (version 2.2) before the first socket and
// cleaned up after the last; elsewhere these do nothing.
bool StartSocketLibrary();
void StopSocketLibrary();

// This host's IPv6 address that the internet can reach: global unicast
// (2000::/3), not deprecated, a stable one before a temporary one. False
// when it has none.
bool GlobalIPv6Address(PeerAddress* out);
// The next hop of the default IPv6 route (the router, usually by its
// link-local address and zone); false when there is none.
bool DefaultIPv6Router(PeerAddress* out);

// Looks a host name up: its addresses of both families, in the resolver's
// order; none when it fails.
std::vector<PeerAddress> LookUpHost(const char* name);

}  // namespace kv
