// The sockets of our UPnP client (BSD sockets, or Winsock 2 on Windows):
// this host's IPv4 networks, the SSDP search, and one HTTP exchange (over
// IPv4, or over IPv6 for the pinhole). Each exchange ends by its deadline,
// however the other side paces its bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/peer_address.h"
#include "platform/portmap/upnp_wire.h"

namespace kv {
namespace upnp {

using Clock = std::chrono::steady_clock;

// Winsock's start and cleanup on Windows; nothing elsewhere.
class SocketLibrary {
public:
    SocketLibrary();
    ~SocketLibrary();
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;
    bool ready() const { return ready_; }

private:
    bool ready_ = true;
};

// The IPv4 address and netmask of every interface that is up, loopback excepted.
std::vector<Subnet> LocalSubnets();

// Called with each datagram that comes back: the sender (host order) and
// its bytes. It may bring *deadline forward.
using Answer = std::function<void(uint32_t from, const char* data, size_t size)>;

// Sends each request to the SSDP group from one socket, then hands every
// datagram that arrives to answer() until *deadline. False (and *why) when
// no request could be sent.
bool Search(const std::vector<std::string>& requests, Clock::time_point* deadline, const Answer& answer,
            std::string* why);

// Connects to url's host and port, sends request, and reads the response
// into *reader until it is whole or has failed, the connection ends, or the
// deadline passes. True when the reader is Done. *local (if given): our
// address on the connection, host order.
bool Exchange(const Url& url, const std::string& request, Clock::time_point deadline, ResponseReader* reader,
              uint32_t* local, std::string* why);

// The same over IPv6, to `to` from our own address `from` (its port is not
// used): a router opens a pinhole only for the address that asks for it.
bool Exchange(const PeerAddress& from, const PeerAddress& to, const std::string& request,
              Clock::time_point deadline, ResponseReader* reader, std::string* why);

}  // namespace upnp
}  // namespace kv
