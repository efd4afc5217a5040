// The pinhole by PCP (RFC 6887): a UDP MAP for our own IPv6 address and
// port, sent to the default IPv6 router's PCP port from that very address
// (the router checks that the request's client address is its source).
// Portable: it uses the socket seam and the seam's view of the routes.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "platform/port_mapping.h"
#include "platform/udp_socket.h"

namespace kv {

struct PcpPinholeEnvironment {
    std::function<std::unique_ptr<UdpSocket>()> createSocket = CreateUdpSocket;
    std::function<bool(PeerAddress*)> router = DefaultIPv6Router;  // port ignored: the PCP port is used
    uint16_t serverPort = 5351;
    std::array<int, 3> waitsMs = {{250, 500, 1000}};  // after each send: RFC 6887's doubling, cut short
};

std::unique_ptr<PinholeGateway> CreatePcpPinhole(PcpPinholeEnvironment environment = {});

}  // namespace kv
