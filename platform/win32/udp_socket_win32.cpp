// Windows UDP socket over Winsock 2: one dual-stack socket ([::] with
// IPV6_V6ONLY off, IPv4 peers seen as mapped addresses), or IPv4 where the
// system has no IPv6. A datagram refused by the peer's host (ICMP or ICMPv6
// port unreachable) makes a later recvfrom fail with WSAECONNRESET (10054)
// and fill in the address that was refused; a datagram longer than the
// buffer fails with WSAEMSGSIZE and is gone.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "platform/socket_address.h"
#include "platform/udp_socket.h"

namespace kv {
namespace {

class WinsockUdpSocket final : public UdpSocket {
public:
    WinsockUdpSocket(SOCKET s, bool dualStack) : s_(s), dualStack_(dualStack) {}
    ~WinsockUdpSocket() override {
        if (s_ != INVALID_SOCKET) closesocket(s_);
    }

    bool bind(uint16_t port) override {
        static const uint8_t any[16] = {};
        sockaddr_storage ss;
        int length = 0;
        ToSockaddr(dualStack_ ? MakeIPv6Address(any, port) : MakeAddress(INADDR_ANY, port), dualStack_, &ss,
                   &length);
        return ::bind(s_, reinterpret_cast<sockaddr*>(&ss), length) == 0;
    }

    uint16_t localPort() const override {
        sockaddr_storage ss{};
        int length = sizeof ss;
        PeerAddress a;
        if (getsockname(s_, reinterpret_cast<sockaddr*>(&ss), &length) != 0 || !FromSockaddr(ss, length, &a))
            return 0;
        return a.port();
    }

    bool bindAddress(const PeerAddress& local) override {
        sockaddr_storage ss;
        int length = 0;
        if (!ToSockaddr(local, dualStack_, &ss, &length)) return false;
        return ::bind(s_, reinterpret_cast<sockaddr*>(&ss), length) == 0;
    }

    bool dualStack() const override { return dualStack_; }

    WaitStatus waitReadable(int timeoutMs) override {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s_, &set);
        timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        int n = select(0, &set, nullptr, nullptr, &tv);
        if (n > 0) return WaitStatus::Readable;
        return n == 0 ? WaitStatus::TimedOut : WaitStatus::Failed;
    }

    ReceiveResult receive(uint8_t* buffer, int capacity) override {
        ReceiveResult r;
        // Never blocks: the receive loop takes what waits until nothing is left.
        if (waitReadable(0) != WaitStatus::Readable) return r;
        sockaddr_storage from{};
        int fromLength = sizeof from;
        int n = recvfrom(s_, reinterpret_cast<char*>(buffer), capacity, 0, reinterpret_cast<sockaddr*>(&from),
                         &fromLength);
        const bool known = FromSockaddr(from, fromLength, &r.from);
        if (n != SOCKET_ERROR) {
            if (!known) return r;  // Nothing: a sender of no family we speak
            r.status = ReceiveStatus::Datagram;
            r.length = n;
            return r;
        }
        switch (WSAGetLastError()) {
            case WSAECONNRESET: r.status = known ? ReceiveStatus::Refused : ReceiveStatus::Nothing; break;
            case WSAEMSGSIZE: r.status = ReceiveStatus::TooLarge; break;
            case WSAEWOULDBLOCK: r.status = ReceiveStatus::Nothing; break;
            default: r.status = ReceiveStatus::Failed; break;
        }
        return r;
    }

    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        sockaddr_storage sa;
        int saLength;
        if (!ToSockaddr(to, dualStack_, &sa, &saLength)) return -1;
        int n = sendto(s_, reinterpret_cast<const char*>(data), length, 0, reinterpret_cast<sockaddr*>(&sa),
                       saLength);
        return n == SOCKET_ERROR ? -1 : n;
    }

    // Closing the socket ends a select that waits on it at once.
    void interrupt() override {
        SOCKET s = s_.exchange(INVALID_SOCKET);
        if (s != INVALID_SOCKET) closesocket(s);
    }

private:
    std::atomic<SOCKET> s_;
    bool dualStack_;
};

std::unique_ptr<UdpSocket> Create(bool dualStack) {
    SOCKET s = socket(dualStack ? AF_INET6 : AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) return nullptr;
    DWORD off = 0;
    if (dualStack &&
        setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&off), sizeof off) != 0) {
        closesocket(s);
        return nullptr;
    }
    // Room for bursts while the receiving thread is not running.
    int room = ReceiveBufferBytes;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&room), sizeof room);
    return std::make_unique<WinsockUdpSocket>(s, dualStack);
}

}  // namespace

std::unique_ptr<UdpSocket> CreateUdpSocket() {
    if (auto s = Create(true)) return s;
    return Create(false);  // no IPv6 here
}

std::unique_ptr<UdpSocket> CreateIPv4UdpSocket() { return Create(false); }

bool StartSocketLibrary() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void StopSocketLibrary() { WSACleanup(); }

std::vector<PeerAddress> LookUpHost(const char* name) { return LookUpAddresses(name); }

uint32_t InterfaceIndex(const char* name) { return if_nametoindex(name); }

namespace {

// Every adapter's addresses and gateways, or an empty list.
std::vector<unsigned char> Adapters() {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    for (int attempt = 0; attempt < 3; ++attempt) {
        buffer.resize(size);
        const ULONG result = GetAdaptersAddresses(AF_INET6, GAA_FLAG_INCLUDE_GATEWAYS | GAA_FLAG_SKIP_DNS_SERVER, nullptr,
                                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
        if (result == NO_ERROR) return buffer;
        if (result != ERROR_BUFFER_OVERFLOW) break;
    }
    return {};
}

}  // namespace

bool GlobalIPv6Address(PeerAddress* out) {
    std::vector<unsigned char> buffer = Adapters();
    if (buffer.empty()) return false;
    bool found = false, foundStable = false;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp) continue;
        for (IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u; u = u->Next) {
            if (!u->Address.lpSockaddr || u->Address.lpSockaddr->sa_family != AF_INET6) continue;
            const auto* sa = reinterpret_cast<const sockaddr_in6*>(u->Address.lpSockaddr);
            const uint8_t* b = sa->sin6_addr.s6_addr;
            if ((b[0] & 0xE0) != 0x20 || u->DadState != IpDadStatePreferred) continue;
            const bool stable = u->SuffixOrigin != IpSuffixOriginRandom;
            if (found && (foundStable || !stable)) continue;
            *out = MakeIPv6Address(b, 0);
            found = true;
            foundStable = stable;
        }
    }
    return found;
}

bool DefaultIPv6Router(PeerAddress* out) {
    std::vector<unsigned char> buffer = Adapters();
    for (auto* a = buffer.empty() ? nullptr : reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a;
         a = a->Next) {
        if (a->OperStatus != IfOperStatusUp) continue;
        for (IP_ADAPTER_GATEWAY_ADDRESS_LH* g = a->FirstGatewayAddress; g; g = g->Next) {
            if (!g->Address.lpSockaddr || g->Address.lpSockaddr->sa_family != AF_INET6) continue;
            const auto* sa = reinterpret_cast<const sockaddr_in6*>(g->Address.lpSockaddr);
            *out = MakeIPv6Address(sa->sin6_addr.s6_addr, 0, a->Ipv6IfIndex);
            return true;
        }
    }
    return false;
}

// Windows writes zones as numbers ("fe80::1%12").
std::string ZoneName(uint32_t index) { return std::to_string(index); }

}  // namespace kv
