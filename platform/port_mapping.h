// The port-mapping seam: the ways a home router can be asked to forward a UDP
// port of ours from its external address. One gateway object per protocol:
// UPnP IGD (a client of our own, miniupnpc's parsers) and NAT-PMP (libnatpmp,
// or on Windows a client of our own); the engine's PortMapper decides which
// one to use, when to renew and what to do when a port is taken. Each call
// blocks the calling thread (the mapper's own, never an engine or interface
// thread) for about the time given at most, UPnP's discover that plus its
// description's fetch (each HTTP exchange 2 s at most); one object is used by
// one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/peer_address.h"

namespace kv {

enum class GatewayReply {
    Done,      // the gateway forwards externalPort to us for leaseSeconds
    Taken,     // the external port asked for forwards to another host already
    Refused,   // the gateway answered with an error (code, text in why)
    NoAnswer,  // nothing came back in time
};

struct GatewayMapping {
    GatewayReply reply = GatewayReply::NoAnswer;
    uint16_t externalPort = 0;  // may differ from the one asked for (NAT-PMP picks another itself)
    uint32_t leaseSeconds = 0;  // granted; 0: until removed
    std::string why;            // for Refused and NoAnswer
};

class PortGateway {
public:
    virtual ~PortGateway() = default;
    // "upnp" or "natpmp".
    virtual const char* protocol() const = 0;
    // Looks for the gateway, waiting about timeoutMs at most; true when one
    // answered. *why says what went wrong otherwise.
    virtual bool discover(int timeoutMs, std::string* why) = 0;
    // The gateway's external IPv4 address, host order (1.2.3.4 is 0x01020304); 0 when unknown.
    virtual uint32_t externalAddress() = 0;
    // Asks for UDP externalPort to be forwarded to internalPort of this host.
    virtual GatewayMapping addMapping(uint16_t internalPort, uint16_t externalPort, uint32_t leaseSeconds) = 0;
    // Withdraws a mapping made before; false when the gateway did not confirm it.
    virtual bool removeMapping(uint16_t internalPort, uint16_t externalPort) = 0;
};

// The gateways this system has, in the order to try them: UPnP, then NAT-PMP
// (none where the libraries are missing).
std::vector<std::unique_ptr<PortGateway>> CreatePortGateways();

// IPv6 needs no port forwarded, but a home router's firewall usually drops
// what nobody inside asked for: a pinhole opens UDP `address.port()` of our
// own global IPv6 address to anyone. Blocks like PortGateway's calls.
struct GatewayPinhole {
    GatewayReply reply = GatewayReply::NoAnswer;
    uint32_t leaseSeconds = 0;  // granted
    std::string why;            // for Refused and NoAnswer
};

class PinholeGateway {
public:
    virtual ~PinholeGateway() = default;
    // "upnp" or "pcp".
    virtual const char* protocol() const = 0;
    // Opens the pinhole for leaseSeconds, or renews it when it is open.
    virtual GatewayPinhole open(const PeerAddress& address, uint32_t leaseSeconds) = 0;
    // Closes the pinhole opened before; false when the router did not confirm it.
    virtual bool close(const PeerAddress& address) = 0;
};

// The pinhole gateways, in the order to try them: UPnP IGD v2, then PCP.
std::vector<std::unique_ptr<PinholeGateway>> CreatePinholeGateways();

}  // namespace kv
