// PeerAddress to and from the sockets' address records, and the addresses of
// a name lookup: the same for BSD sockets and Winsock 2. Included by the
// socket code of platform/ only.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstring>
#include <vector>

#include "platform/peer_address.h"

namespace kv {

// False for a record of no family we speak (the address is left unfilled).
template <typename Length>
bool FromSockaddr(const sockaddr_storage& ss, Length length, PeerAddress* out) {
    PeerAddress a;
    if (ss.ss_family == AF_INET && size_t(length) >= sizeof(sockaddr_in)) {
        const auto& sa = reinterpret_cast<const sockaddr_in&>(ss);
        a.setIp(ntohl(sa.sin_addr.s_addr));
        a.setPort(ntohs(sa.sin_port));
    } else if (ss.ss_family == AF_INET6 && size_t(length) >= sizeof(sockaddr_in6)) {
        const auto& sa = reinterpret_cast<const sockaddr_in6&>(ss);
        a.setIPv6(sa.sin6_addr.s6_addr, sa.sin6_scope_id);
        a.setPort(ntohs(sa.sin6_port));
    } else {
        return false;
    }
    *out = a;
    return true;
}

// The record to send to: IPv6 (IPv4 mapped) on a dual-stack socket, IPv4 on
// an IPv4 one; false when an IPv4 socket is asked for an IPv6 address.
template <typename Length>
bool ToSockaddr(const PeerAddress& a, bool dualStack, sockaddr_storage* ss, Length* length) {
    std::memset(ss, 0, sizeof *ss);
    if (dualStack) {
        auto* sa = reinterpret_cast<sockaddr_in6*>(ss);
        sa->sin6_family = AF_INET6;
        sa->sin6_port = htons(a.port());
        std::memcpy(sa->sin6_addr.s6_addr, a.bytes, 16);
        sa->sin6_scope_id = a.scope;
        *length = sizeof *sa;
        return true;
    }
    if (!a.isIPv4()) return false;
    auto* sa = reinterpret_cast<sockaddr_in*>(ss);
    sa->sin_family = AF_INET;
    sa->sin_port = htons(a.port());
    sa->sin_addr.s_addr = htonl(a.ip());
    *length = sizeof *sa;
    return true;
}

// Every address getaddrinfo found for name, of either family, in its order.
inline std::vector<PeerAddress> LookUpAddresses(const char* name) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    std::vector<PeerAddress> found;
    if (getaddrinfo(name, nullptr, &hints, &list) != 0) return found;
    for (const addrinfo* i = list; i; i = i->ai_next) {
        sockaddr_storage ss{};
        if (size_t(i->ai_addrlen) > sizeof ss) continue;
        std::memcpy(&ss, i->ai_addr, i->ai_addrlen);
        PeerAddress a;
        if (FromSockaddr(ss, i->ai_addrlen, &a)) found.push_back(a);
    }
    freeaddrinfo(list);
    return found;
}

}  // namespace kv
