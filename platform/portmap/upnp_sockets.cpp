#include "platform/portmap/upnp_sockets.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#else
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>

#include "platform/socket_address.h"

namespace kv {
namespace upnp {
namespace {

// ---- what differs between Winsock and BSD sockets ----
#ifdef _WIN32
using Socket = SOCKET;
const Socket NoSocket = INVALID_SOCKET;
using AddressLength = int;
constexpr int SendFlags = 0;
void CloseSocket(Socket s) { closesocket(s); }
bool SetNonBlocking(Socket s) {
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
int LastError() { return WSAGetLastError(); }
bool InProgress(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }
bool WouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINTR; }
std::string ErrorText(int error) { return "Winsock error " + std::to_string(error); }
// A failed connect shows in the exception set, not the write set.
bool Wait(Socket s, bool write, int waitMs) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_SET(s, &ready);
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval wait{};
    wait.tv_sec = waitMs / 1000;
    wait.tv_usec = (waitMs % 1000) * 1000;
    return select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &wait) > 0;
}
#else
using Socket = int;
const Socket NoSocket = -1;
using AddressLength = socklen_t;
constexpr int SendFlags = MSG_NOSIGNAL;  // a gateway that closes early must not end the program by SIGPIPE
void CloseSocket(Socket s) { ::close(s); }
bool SetNonBlocking(Socket s) {
    const int flags = fcntl(s, F_GETFL);
    return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
int LastError() { return errno; }
bool InProgress(int error) { return error == EINPROGRESS; }
bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }
std::string ErrorText(int error) { return std::strerror(error); }
bool Wait(Socket s, bool write, int waitMs) {
    pollfd p{s, static_cast<short>(write ? POLLOUT : POLLIN), 0};
    return poll(&p, 1, waitMs) > 0;
}
#endif

class Closer {
public:
    explicit Closer(Socket s) : s_(s) {}
    ~Closer() {
        if (s_ != NoSocket) CloseSocket(s_);
    }
    Closer(const Closer&) = delete;
    Closer& operator=(const Closer&) = delete;

private:
    Socket s_;
};

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

// Waits until s is readable (or writable), or the deadline has passed: true for the first.
bool WaitUntil(Socket s, bool write, Clock::time_point deadline) {
    for (;;) {
        const int left = MsLeft(deadline);
        if (left == 0) return false;
        if (Wait(s, write, left)) return true;
    }
}

sockaddr_in Address(uint32_t host, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(host);
    a.sin_port = htons(port);
    return a;
}

std::string Where(const Url& url) { return Dotted(url.host) + ":" + std::to_string(url.port); }

}  // namespace

#ifdef _WIN32
SocketLibrary::SocketLibrary() {
    WSADATA data;
    ready_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
SocketLibrary::~SocketLibrary() {
    if (ready_) WSACleanup();
}

std::vector<Subnet> LocalSubnets() {
    std::vector<Subnet> subnets;
    ULONG size = 0;
    if (GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER || size == 0) return subnets;
    std::vector<unsigned char> buffer(size);
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    if (GetIpAddrTable(table, &size, FALSE) != NO_ERROR) return subnets;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = table->table[i];
        const uint32_t address = ntohl(row.dwAddr);
        if (address == 0 || address >> 24 == 127 || (row.wType & (MIB_IPADDR_DISCONNECTED | MIB_IPADDR_DELETED)))
            continue;
        subnets.push_back({address, ntohl(row.dwMask)});
    }
    return subnets;
}
#else
SocketLibrary::SocketLibrary() = default;
SocketLibrary::~SocketLibrary() = default;

std::vector<Subnet> LocalSubnets() {
    std::vector<Subnet> subnets;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return subnets;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || !a->ifa_netmask || a->ifa_addr->sa_family != AF_INET) continue;
        if (!(a->ifa_flags & IFF_UP) || (a->ifa_flags & IFF_LOOPBACK)) continue;
        subnets.push_back({ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr),
                           ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr)});
    }
    freeifaddrs(list);
    return subnets;
}
#endif

bool Search(const std::vector<std::string>& requests, Clock::time_point* deadline, const Answer& answer,
            std::string* why) {
    const Socket s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == NoSocket) {
        *why = "cannot open a socket for the UPnP search";
        return false;
    }
    Closer closer(s);
    const sockaddr_in local = Address(INADDR_ANY, 0);
    const int ttl = 2;  // as UPnP's device architecture asks
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || !SetNonBlocking(s)) {
        *why = "cannot open a socket for the UPnP search";
        return false;
    }
    setsockopt(s, IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&ttl), sizeof ttl);
    const sockaddr_in group = Address(SearchGroup, SearchPort);
    int sent = 0, error = 0;
    for (const std::string& request : requests) {
        if (sendto(s, request.data(), static_cast<int>(request.size()), 0, reinterpret_cast<const sockaddr*>(&group),
                   sizeof group) == static_cast<int>(request.size()))
            ++sent;
        else
            error = LastError();
    }
    if (sent == 0) {
        *why = "cannot send the UPnP search (" + ErrorText(error) + ")";
        return false;
    }
    char buffer[2048];
    while (WaitUntil(s, false, *deadline)) {
        sockaddr_in from{};
        AddressLength fromSize = sizeof from;
        const auto got = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got < 0 || from.sin_family != AF_INET) continue;  // an error, or a datagram too long to be an answer
        answer(ntohl(from.sin_addr.s_addr), buffer, static_cast<size_t>(got));
    }
    return true;
}

namespace {

// One HTTP exchange on s, a TCP socket not yet connected, to `to` (told as `where`).
bool ExchangeOn(Socket s, const sockaddr* to, AddressLength toSize, const std::string& where,
                const std::string& request, Clock::time_point deadline, ResponseReader* reader, uint32_t* local,
                std::string* why) {
    if (::connect(s, to, toSize) != 0 && !InProgress(LastError())) {
        *why = "cannot connect to " + where + " (" + ErrorText(LastError()) + ")";
        return false;
    }
    if (!WaitUntil(s, true, deadline)) {
        *why = "no connection to " + where + " in time";
        return false;
    }
    int error = 0;
    AddressLength size = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0) {
        *why = "cannot connect to " + where + " (" + ErrorText(error) + ")";
        return false;
    }
    if (local) {
        sockaddr_in mine{};
        AddressLength mineSize = sizeof mine;
        *local = getsockname(s, reinterpret_cast<sockaddr*>(&mine), &mineSize) == 0 ? ntohl(mine.sin_addr.s_addr) : 0;
    }
    for (size_t done = 0; done < request.size();) {
        if (!WaitUntil(s, true, deadline)) {
            *why = "cannot send to " + where + " in time";
            return false;
        }
        const auto n = send(s, request.data() + done, static_cast<int>(request.size() - done), SendFlags);
        if (n < 0 && !WouldBlock(LastError())) {
            *why = "cannot send to " + where + " (" + ErrorText(LastError()) + ")";
            return false;
        }
        if (n > 0) done += static_cast<size_t>(n);
    }
    char buffer[4096];
    while (reader->state() == ResponseReader::Reading) {
        if (!WaitUntil(s, false, deadline)) {
            *why = "no whole answer from " + where + " in time";
            return false;
        }
        const auto n = recv(s, buffer, sizeof buffer, 0);
        if (n < 0 && WouldBlock(LastError())) continue;
        if (n < 0) {
            *why = "the connection to " + where + " failed (" + ErrorText(LastError()) + ")";
            return false;
        }
        if (n == 0)
            reader->close();
        else
            reader->add(buffer, static_cast<size_t>(n));
    }
    if (reader->state() == ResponseReader::Failed) {
        *why = reader->why() + " (from " + where + ")";
        return false;
    }
    return true;
}

Socket OpenStream(int family) {
    const Socket s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (s != NoSocket && !SetNonBlocking(s)) {
        CloseSocket(s);
        return NoSocket;
    }
    return s;
}

}  // namespace

bool Exchange(const Url& url, const std::string& request, Clock::time_point deadline, ResponseReader* reader,
              uint32_t* local, std::string* why) {
    const Socket s = OpenStream(AF_INET);
    if (s == NoSocket) {
        *why = "cannot open a socket";
        return false;
    }
    Closer closer(s);
    const sockaddr_in to = Address(url.host, url.port);
    return ExchangeOn(s, reinterpret_cast<const sockaddr*>(&to), sizeof to, Where(url), request, deadline, reader,
                      local, why);
}

bool Exchange(const PeerAddress& from, const PeerAddress& to, const std::string& request,
              Clock::time_point deadline, ResponseReader* reader, std::string* why) {
    const Socket s = OpenStream(AF_INET6);
    if (s == NoSocket) {
        *why = "cannot open an IPv6 socket";
        return false;
    }
    Closer closer(s);
    PeerAddress source = from;
    source.setPort(0);
    sockaddr_storage mine{}, there{};
    AddressLength mineSize = 0, thereSize = 0;
    ToSockaddr(source, true, &mine, &mineSize);
    ToSockaddr(to, true, &there, &thereSize);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&mine), mineSize) != 0) {
        *why = "cannot send from " + HostText(from) + " (" + ErrorText(LastError()) + ")";
        return false;
    }
    return ExchangeOn(s, reinterpret_cast<const sockaddr*>(&there), thereSize, HostPortText(to), request, deadline,
                      reader, nullptr, why);
}

}  // namespace upnp
}  // namespace kv
