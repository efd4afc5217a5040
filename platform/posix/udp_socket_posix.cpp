// Linux UDP socket. With IP_RECVERR an ICMP port unreachable leaves an entry
// on the socket's error queue that names the original destination; select
// then reports the socket readable, so the queue is looked at before every
// receive and one entry is taken each time (the loop never spins on it).
#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/udp_socket.h"

namespace kv {
namespace {

// The errors an ICMP report leaves pending on the socket (port, host,
// network or protocol unreachable, time exceeded, parameter problem ...):
// the next send takes the report instead of sending.
bool PendingIcmpError(int e) {
    switch (e) {
        case ECONNREFUSED:
        case EHOSTUNREACH:
        case ENETUNREACH:
        case EHOSTDOWN:
        case ENONET:
        case ENOPROTOOPT:
        case EPROTO:
        case EOPNOTSUPP:
        case EMSGSIZE:
            return true;
        default:
            return false;
    }
}

PeerAddress FromSockaddr(const sockaddr_in& sa) {
    PeerAddress a;
    std::memcpy(static_cast<void*>(&a), &sa, sizeof a);
    a.family = AddressFamilyIPv4;
    std::memset(a.zero, 0, sizeof a.zero);
    return a;
}

sockaddr_in ToSockaddr(const PeerAddress& a) {
    sockaddr_in sa;
    std::memcpy(&sa, &a, sizeof sa);
    sa.sin_family = AF_INET;
    return sa;
}

class PosixUdpSocket final : public UdpSocket {
public:
    explicit PosixUdpSocket(int fd) : fd_(fd) {}
    ~PosixUdpSocket() override { ::close(fd_); }

    bool bind(uint16_t port) override {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_ANY);
        sa.sin_port = htons(port);
        return ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    }

    uint16_t localPort() const override {
        sockaddr_in sa{};
        socklen_t len = sizeof sa;
        if (getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
        return ntohs(sa.sin_port);
    }

    WaitStatus waitReadable(int timeoutMs) override {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd_, &set);
        timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        int n = select(fd_ + 1, &set, nullptr, nullptr, &tv);
        if (n > 0) return WaitStatus::Readable;
        if (n == 0 || errno == EINTR) return WaitStatus::TimedOut;
        return WaitStatus::Failed;
    }

    ReceiveResult receive(uint8_t* buffer, int capacity) override {
        ReceiveResult r;
        // Datagrams first, in arrival order; the error queue once none waits.
        // A report behind a waiting datagram answers a send made after that
        // datagram arrived: a peer that said goodbye and went is heard saying
        // goodbye before its port is found closed. A pending report shows first
        // as an error of the receive (which clears it); its queue entry stays.
        for (int pass = 0; pass < 2; ++pass) {
            sockaddr_in from{};
            iovec iov{buffer, static_cast<size_t>(capacity)};
            msghdr msg{};
            msg.msg_name = &from;
            msg.msg_namelen = sizeof from;
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            ssize_t n = recvmsg(fd_, &msg, MSG_DONTWAIT);
            if (n >= 0) {
                r.from = FromSockaddr(from);
                if (msg.msg_flags & MSG_TRUNC) {
                    r.status = ReceiveStatus::TooLarge;
                } else {
                    r.status = ReceiveStatus::Datagram;
                    r.length = static_cast<int>(n);
                }
                return r;
            }
            if (PendingIcmpError(errno)) continue;  // a datagram may still wait behind it
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                r.status = ReceiveStatus::Failed;
                return r;
            }
            break;
        }
        if (!takeError(r)) r.status = ReceiveStatus::Nothing;
        return r;
    }

    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        sockaddr_in sa = ToSockaddr(to);
        // Never waits for room in the send buffer: datagrams to an address on
        // our link that nobody answers for are held there while the kernel
        // resolves it (3 s), and a stream of replies to forged neighbours once
        // held the receive thread in sendto, and our voice with it, for
        // seconds. A datagram that finds no room is dropped, as the network
        // may drop any.
        ssize_t n = sendto(fd_, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        // A pending ICMP report (port unreachable, or any other) makes the
        // next send fail without sending; that send consumed the report (the
        // error queue keeps the entry for the receiver), so the second try
        // goes out. A send that fails for its own reason fails again.
        if (n < 0 && PendingIcmpError(errno))
            n = sendto(fd_, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT,
                       reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        return n < 0 ? -1 : static_cast<int>(n);
    }

    void interrupt() override { ::shutdown(fd_, SHUT_RD); }

private:
    // Takes one entry from the error queue. True when it was a port
    // unreachable (r filled with Refused and the destination); an entry of
    // another kind is consumed and reported as Nothing.
    bool takeError(ReceiveResult& r) {
        sockaddr_in dest{};
        alignas(cmsghdr) char control[512];
        uint8_t scratch[64];
        iovec iov{scratch, sizeof scratch};
        msghdr msg{};
        msg.msg_name = &dest;
        msg.msg_namelen = sizeof dest;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        if (recvmsg(fd_, &msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) return false;
        r.status = ReceiveStatus::Nothing;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR) continue;
            sock_extended_err ee;
            std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
            if (ee.ee_origin == SO_EE_ORIGIN_ICMP && ee.ee_errno == ECONNREFUSED &&
                msg.msg_namelen >= sizeof(sockaddr_in)) {
                r.status = ReceiveStatus::Refused;
                r.from = FromSockaddr(dest);
            }
        }
        return true;
    }

    int fd_;
};

}  // namespace

std::unique_ptr<UdpSocket> CreateUdpSocket() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    int on = 1;
    setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    // Room for bursts while the receiving thread is not running (the kernel
    // keeps the request within its own limit).
    int room = ReceiveBufferBytes;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    return std::make_unique<PosixUdpSocket>(fd);
}

bool StartSocketLibrary() { return true; }
void StopSocketLibrary() {}

bool LookUpHost(const char* name, uint8_t ipBytes[4]) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &list) != 0 || !list) return false;
    const auto* sa = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    std::memcpy(ipBytes, &sa->sin_addr, 4);
    freeaddrinfo(list);
    return true;
}

}  // namespace kv
