// Linux UDP socket: one dual-stack socket ([::] with IPV6_V6ONLY off, IPv4
// peers seen as mapped addresses), or an IPv4 socket where the system has no
// IPv6 or one was asked for. With IP_RECVERR and IPV6_RECVERR an ICMP (or
// ICMPv6) port unreachable leaves an entry on the socket's error queue that
// names the original destination; select then reports the socket readable,
// so the queue is looked at before every receive and one entry is taken each
// time (the loop never spins on it).
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/errqueue.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/socket_address.h"
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
        case EACCES:
            return true;
        default:
            return false;
    }
}

class PosixUdpSocket final : public UdpSocket {
public:
    PosixUdpSocket(int fd, bool dualStack) : fd_(fd), dualStack_(dualStack) {}
    ~PosixUdpSocket() override { ::close(fd_); }

    bool bind(uint16_t port) override {
        sockaddr_storage ss;
        socklen_t length = 0;
        ToSockaddr(dualStack_ ? MakeIPv6Address(in6addr_any.s6_addr, port) : MakeAddress(INADDR_ANY, port),
                   dualStack_, &ss, &length);
        return ::bind(fd_, reinterpret_cast<sockaddr*>(&ss), length) == 0;
    }

    uint16_t localPort() const override {
        sockaddr_storage ss{};
        socklen_t length = sizeof ss;
        PeerAddress a;
        if (getsockname(fd_, reinterpret_cast<sockaddr*>(&ss), &length) != 0 || !FromSockaddr(ss, length, &a))
            return 0;
        return a.port();
    }

    bool bindAddress(const PeerAddress& local) override {
        sockaddr_storage ss;
        socklen_t length = 0;
        if (!ToSockaddr(local, dualStack_, &ss, &length)) return false;
        return ::bind(fd_, reinterpret_cast<sockaddr*>(&ss), length) == 0;
    }

    bool dualStack() const override { return dualStack_; }

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
            sockaddr_storage from{};
            iovec iov{buffer, static_cast<size_t>(capacity)};
            msghdr msg{};
            msg.msg_name = &from;
            msg.msg_namelen = sizeof from;
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            ssize_t n = recvmsg(fd_, &msg, MSG_DONTWAIT);
            if (n >= 0) {
                if (!FromSockaddr(from, msg.msg_namelen, &r.from)) {
                    r.status = ReceiveStatus::Nothing;
                    return r;
                }
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
        sockaddr_storage sa;
        socklen_t saLength;
        if (!ToSockaddr(to, dualStack_, &sa, &saLength)) return -1;
        // Never waits for room in the send buffer: datagrams to an address on
        // our link that nobody answers for are held there while the kernel
        // resolves it (3 s), and a stream of replies to forged neighbours once
        // held the receive thread in sendto, and our voice with it, for
        // seconds. A datagram that finds no room is dropped, as the network
        // may drop any.
        ssize_t n = sendto(fd_, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(&sa), saLength);
        // A pending ICMP report (port unreachable, or any other) makes the
        // next send fail without sending; that send consumed the report (the
        // error queue keeps the entry for the receiver), so the second try
        // goes out. A send that fails for its own reason fails again.
        if (n < 0 && PendingIcmpError(errno))
            n = sendto(fd_, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT,
                       reinterpret_cast<sockaddr*>(&sa), saLength);
        return n < 0 ? -1 : static_cast<int>(n);
    }

    void interrupt() override { ::shutdown(fd_, SHUT_RD); }

private:
    // Takes one entry from the error queue. True when it was a port
    // unreachable (r filled with Refused and the destination); an entry of
    // another kind is consumed and reported as Nothing.
    bool takeError(ReceiveResult& r) {
        sockaddr_storage dest{};
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
            // A dual-stack socket reports an IPv4 destination's ICMP at the
            // IPv6 level too, with the destination mapped.
            const bool v4 = c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR;
            const bool v6 = c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_RECVERR;
            if (!v4 && !v6) continue;
            sock_extended_err ee;
            std::memcpy(&ee, CMSG_DATA(c), sizeof ee);
            const bool refused = ee.ee_errno == ECONNREFUSED &&
                                 (ee.ee_origin == SO_EE_ORIGIN_ICMP || ee.ee_origin == SO_EE_ORIGIN_ICMP6);
            if (refused && FromSockaddr(dest, msg.msg_namelen, &r.from)) r.status = ReceiveStatus::Refused;
        }
        return true;
    }

    int fd_;
    bool dualStack_;
};

std::unique_ptr<UdpSocket> Create(bool dualStack) {
    int fd = socket(dualStack ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    int on = 1, off = 0;
    if (dualStack && (setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) != 0 ||
                      setsockopt(fd, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on) != 0)) {
        ::close(fd);
        return nullptr;
    }
    setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    // Room for bursts while the receiving thread is not running (the kernel
    // keeps the request within its own limit).
    int room = ReceiveBufferBytes;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    return std::make_unique<PosixUdpSocket>(fd, dualStack);
}

}  // namespace

std::unique_ptr<UdpSocket> CreateUdpSocket() {
    if (auto s = Create(true)) return s;
    return Create(false);  // no IPv6 here
}

std::unique_ptr<UdpSocket> CreateIPv4UdpSocket() { return Create(false); }

bool StartSocketLibrary() { return true; }
void StopSocketLibrary() {}

std::vector<PeerAddress> LookUpHost(const char* name) { return LookUpAddresses(name); }

uint32_t InterfaceIndex(const char* name) { return if_nametoindex(name); }

namespace {

// The flags of the address (IFA_F_...) from /proc/net/if_inet6, or -1.
int AddressFlags(const uint8_t address[16]) {
    std::ifstream in("/proc/net/if_inet6");
    std::string hex, index, prefix, scope, flags, name;
    char wanted[33];
    for (int i = 0; i < 16; ++i) std::snprintf(wanted + 2 * i, 3, "%02x", address[i]);
    while (in >> hex >> index >> prefix >> scope >> flags >> name)
        if (hex == wanted) return static_cast<int>(std::strtol(flags.c_str(), nullptr, 16));
    return -1;
}

bool FromHex(const std::string& hex, uint8_t out[16]) {
    if (hex.size() != 32) return false;
    for (int i = 0; i < 16; ++i) {
        char* end = nullptr;
        const std::string pair = hex.substr(2 * size_t(i), 2);
        out[i] = static_cast<uint8_t>(std::strtoul(pair.c_str(), &end, 16));
        if (*end) return false;
    }
    return true;
}

}  // namespace

bool GlobalIPv6Address(PeerAddress* out) {
    constexpr int Temporary = 0x01, Deprecated = 0x20, Tentative = 0x40, DadFailed = 0x08;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool found = false, foundStable = false;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET6 || !(i->ifa_flags & IFF_UP) ||
            (i->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* sa = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr);
        const uint8_t* b = sa->sin6_addr.s6_addr;
        if ((b[0] & 0xE0) != 0x20) continue;  // global unicast only
        const int flags = AddressFlags(b);
        if (flags >= 0 && (flags & (Deprecated | Tentative | DadFailed))) continue;
        const bool stable = flags < 0 || !(flags & Temporary);
        if (found && (foundStable || !stable)) continue;
        *out = MakeIPv6Address(b, 0);
        found = true;
        foundStable = stable;
    }
    freeifaddrs(list);
    return found;
}

bool DefaultIPv6Router(PeerAddress* out) {
    std::ifstream in("/proc/net/ipv6_route");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string destination, length, source, sourceLength, hop, metric, references, use, flags, name;
        if (!(fields >> destination >> length >> source >> sourceLength >> hop >> metric >> references >> use >>
              flags >> name))
            continue;
        constexpr unsigned long Up = 0x1, Gateway = 0x2;
        const unsigned long f = std::strtoul(flags.c_str(), nullptr, 16);
        uint8_t next[16];
        if (length != "00" || destination != std::string(32, '0') || (f & (Up | Gateway)) != (Up | Gateway) ||
            !FromHex(hop, next))
            continue;
        *out = MakeIPv6Address(next, 0, if_nametoindex(name.c_str()));
        return true;
    }
    return false;
}

std::string ZoneName(uint32_t index) {
    char name[IF_NAMESIZE];
    if (if_indextoname(index, name)) return name;
    return std::to_string(index);
}

}  // namespace kv
