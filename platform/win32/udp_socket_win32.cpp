// Windows UDP socket over Winsock 1.1. A datagram refused by the peer's host
// (ICMP port unreachable) makes a later recvfrom fail with WSAECONNRESET
// (10054) and fill in the address that was refused; a datagram longer than the
// buffer fails with WSAEMSGSIZE and is gone.
#include <winsock2.h>

#include <atomic>
#include <cstring>

#include "platform/udp_socket.h"

namespace kv {
namespace {

PeerAddress FromSockaddr(const sockaddr_in& sa) {
    PeerAddress a;
    std::memcpy(static_cast<void*>(&a), &sa, sizeof a);
    a.family = AddressFamilyIPv4;
    std::memset(a.zero, 0, sizeof a.zero);
    return a;
}

class WinsockUdpSocket final : public UdpSocket {
public:
    explicit WinsockUdpSocket(SOCKET s) : s_(s) {}
    ~WinsockUdpSocket() override {
        if (s_ != INVALID_SOCKET) closesocket(s_);
    }

    bool bind(uint16_t port) override {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_ANY);
        sa.sin_port = htons(port);
        return ::bind(s_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    }

    uint16_t localPort() const override {
        sockaddr_in sa{};
        int len = sizeof sa;
        if (getsockname(s_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
        return ntohs(sa.sin_port);
    }

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
        sockaddr_in from{};
        int fromLength = sizeof from;
        int n = recvfrom(s_, reinterpret_cast<char*>(buffer), capacity, 0, reinterpret_cast<sockaddr*>(&from),
                         &fromLength);
        r.from = FromSockaddr(from);
        if (n != SOCKET_ERROR) {
            r.status = ReceiveStatus::Datagram;
            r.length = n;
            return r;
        }
        switch (WSAGetLastError()) {
            case WSAECONNRESET: r.status = ReceiveStatus::Refused; break;
            case WSAEMSGSIZE: r.status = ReceiveStatus::TooLarge; break;
            case WSAEWOULDBLOCK: r.status = ReceiveStatus::Nothing; break;
            default: r.status = ReceiveStatus::Failed; break;
        }
        return r;
    }

    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        sockaddr_in sa;
        std::memcpy(&sa, &to, sizeof sa);
        sa.sin_family = AF_INET;
        int n = sendto(s_, reinterpret_cast<const char*>(data), length, 0, reinterpret_cast<sockaddr*>(&sa),
                       sizeof sa);
        return n == SOCKET_ERROR ? -1 : n;
    }

    // Closing the socket ends a select that waits on it at once.
    void interrupt() override {
        SOCKET s = s_.exchange(INVALID_SOCKET);
        if (s != INVALID_SOCKET) closesocket(s);
    }

private:
    std::atomic<SOCKET> s_;
};

}  // namespace

std::unique_ptr<UdpSocket> CreateUdpSocket() {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) return nullptr;
    // Room for bursts while the receiving thread is not running.
    int room = ReceiveBufferBytes;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&room), sizeof room);
    return std::make_unique<WinsockUdpSocket>(s);
}

bool StartSocketLibrary() {
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void StopSocketLibrary() { WSACleanup(); }

bool LookUpHost(const char* name, uint8_t ipBytes[4]) {
    hostent* h = gethostbyname(name);
    if (!h || h->h_addrtype != AF_INET || !h->h_addr_list || !h->h_addr_list[0]) return false;
    std::memcpy(ipBytes, h->h_addr_list[0], 4);
    return true;
}

}  // namespace kv
