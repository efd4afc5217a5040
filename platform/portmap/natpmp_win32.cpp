// NAT-PMP on Windows, our own client (RFC 6886): a UDP socket connected to
// port 5351 of the default gateway (from iphlpapi's routing table), each
// request resent after 250 ms, then 500, 1000 ... until our deadline. Same
// timeouts and texts as the libnatpmp gateway of the other builds.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/portmap/gateways.h"
#include "platform/portmap/natpmp_messages.h"

namespace kv {
namespace {

constexpr int RequestTimeoutMs = 1000;
constexpr int RemoveTimeoutMs = 500;
constexpr int FirstResendMs = 250;
constexpr int ErrorCheckMs = 50;  // how often a wait looks for an ICMP error select does not show
constexpr int MostDrained = 16;   // datagrams left from earlier requests, read before a new one

// What a request came to, besides a reply with result code 0.
enum Failure {
    NoAnswer = -1,    // nothing valid came back in time
    NoGateway = -2,   // no default route
    NoSupport = -3,   // the gateway's port 5351 is closed
    SocketError = -4,
};

std::string ErrorText(int code) {
    switch (code) {
        case NoAnswer: return "no NAT-PMP answer from the gateway";
        case NoGateway: return "no default gateway";
        case NoSupport: return "the gateway does not speak NAT-PMP";
        case SocketError: return "cannot open a socket for NAT-PMP";
        case natpmp::NotAuthorized: return "the gateway does not allow mappings (NAT-PMP: not authorized)";
        case natpmp::NetworkFailure: return "the gateway has no external address (NAT-PMP: network failure)";
        case natpmp::OutOfResources: return "the gateway is out of mappings (NAT-PMP: out of resources)";
        case natpmp::UnsupportedVersion: return "the gateway speaks another NAT-PMP version";
        case natpmp::UnsupportedOpcode: return "the gateway does not support the request (NAT-PMP)";
        default: return "NAT-PMP error " + std::to_string(code);
    }
}

// The IPv4 default gateway, network order; 0 when there is none. The best
// route to 0.0.0.0 first, else the default route with the lowest metric.
uint32_t DefaultGateway() {
    MIB_IPFORWARDROW best{};
    if (GetBestRoute(0, 0, &best) == NO_ERROR && best.dwForwardDest == 0 && best.dwForwardMask == 0 &&
        best.dwForwardNextHop != 0)
        return best.dwForwardNextHop;
    ULONG size = 0;
    if (GetIpForwardTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER || size == 0) return 0;
    std::vector<unsigned char> buffer(size);
    auto* table = reinterpret_cast<MIB_IPFORWARDTABLE*>(buffer.data());
    if (GetIpForwardTable(table, &size, FALSE) != NO_ERROR) return 0;
    uint32_t gateway = 0;
    DWORD metric = 0;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPFORWARDROW& row = table->table[i];
        if (row.dwForwardDest != 0 || row.dwForwardMask != 0 || row.dwForwardNextHop == 0) continue;
        if (gateway == 0 || row.dwForwardMetric1 < metric) {
            gateway = row.dwForwardNextHop;
            metric = row.dwForwardMetric1;
        }
    }
    return gateway;
}

class NatPmpGateway final : public PortGateway {
public:
    NatPmpGateway() {
        WSADATA data;
        winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~NatPmpGateway() override {
        close();
        if (winsockReady_) WSACleanup();
    }

    const char* protocol() const override { return "natpmp"; }

    bool discover(int timeoutMs, std::string* why) override {
        close();
        external_ = 0;
        const int opened = open();
        if (opened != 0) {
            *why = ErrorText(opened);
            return false;
        }
        natpmp::Reply reply;
        const auto request = natpmp::AddressRequest();
        const int code = exchange(request.data(), request.size(), natpmp::OpExternalAddress, timeoutMs, &reply);
        if (code != 0) {
            *why = ErrorText(code);
            return false;
        }
        external_ = reply.externalAddress;
        return true;
    }

    uint32_t externalAddress() override { return external_; }

    GatewayMapping addMapping(uint16_t internalPort, uint16_t externalPort, uint32_t leaseSeconds) override {
        GatewayMapping result;
        if (socket_ == INVALID_SOCKET) {
            result.why = "no NAT-PMP gateway";
            return result;
        }
        natpmp::Reply reply;
        const auto request = natpmp::MappingRequest(internalPort, externalPort, leaseSeconds);
        const int code = exchange(request.data(), request.size(), natpmp::OpMapUdp, RequestTimeoutMs, &reply);
        if (code == 0 && (reply.internalPort != internalPort || reply.externalPort == 0)) {
            result.reply = GatewayReply::Refused;
            result.why = "the NAT-PMP answer names another port";
        } else if (code == 0) {
            // A port taken by another host is no error here: the gateway maps another one itself.
            result.reply = GatewayReply::Done;
            result.externalPort = reply.externalPort;
            result.leaseSeconds = reply.lifetimeSeconds;
        } else {
            result.reply = code == NoAnswer ? GatewayReply::NoAnswer : GatewayReply::Refused;
            result.why = ErrorText(code);
        }
        return result;
    }

    bool removeMapping(uint16_t internalPort, uint16_t externalPort) override {
        if (socket_ == INVALID_SOCKET) return false;
        natpmp::Reply reply;
        const auto request = natpmp::MappingRequest(internalPort, externalPort, 0);
        return exchange(request.data(), request.size(), natpmp::OpMapUdp, RemoveTimeoutMs, &reply) == 0;
    }

private:
    // A socket on any local port, connected to the gateway's NAT-PMP port:
    // 0, or what went wrong.
    int open() {
        if (!winsockReady_) return SocketError;
        gateway_ = DefaultGateway();
        if (gateway_ == 0) return NoGateway;
        socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (socket_ == INVALID_SOCKET) return SocketError;
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_addr.s_addr = gateway_;
        remote.sin_port = htons(natpmp::ServerPort);
        if (::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
            ::connect(socket_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
            close();
            return SocketError;
        }
        return 0;
    }

    void close() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }

    // The gateway's "port unreachable" to an earlier send comes as the error
    // of a later recv on Windows; Wine leaves it in SO_ERROR, without waking select.
    static bool Unreachable(int error) { return error == WSAECONNRESET || error == WSAECONNREFUSED; }
    bool portUnreachable() {
        int error = 0;
        int size = sizeof error;
        return getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
               Unreachable(error);
    }

    // Waits for the socket to become readable, at most waitMs: true when it did.
    bool readable(long long waitMs) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket_, &set);
        timeval wait{};
        wait.tv_sec = static_cast<long>(waitMs / 1000);
        wait.tv_usec = static_cast<long>((waitMs % 1000) * 1000);
        return select(0, &set, nullptr, nullptr, &wait) > 0;
    }

    // Sends the request, resending it as RFC 6886 says, until a valid answer
    // of its kind comes or timeoutMs has passed: the answer's result code (0
    // with *reply filled), or one of the failures above. Anything that is not
    // such an answer from the gateway's port 5351 is dropped.
    int exchange(const uint8_t* request, size_t size, uint8_t op, int timeoutMs, natpmp::Reply* reply) {
        using Clock = std::chrono::steady_clock;
        // Late answers and errors from earlier requests are of no use now:
        // a few at most (one per resend), so that many are read. A sender
        // posing as the gateway may send them as fast as it likes: what is
        // left is dropped by the loop below, which ends at the deadline.
        uint8_t buffer[64];
        for (int drained = 0; drained < MostDrained && readable(0); ++drained) {
            if (recv(socket_, reinterpret_cast<char*>(buffer), sizeof buffer, 0) == SOCKET_ERROR &&
                WSAGetLastError() != WSAEMSGSIZE)
                break;
        }
        portUnreachable();  // reading it clears an error left from before
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        Clock::time_point resend = Clock::now();
        int interval = FirstResendMs;
        for (;;) {
            const Clock::time_point now = Clock::now();
            if (now >= deadline) return NoAnswer;
            if (now >= resend) {
                send(socket_, reinterpret_cast<const char*>(request), static_cast<int>(size), 0);
                resend = now + std::chrono::milliseconds(interval);
                interval *= 2;
            }
            const Clock::time_point until = resend < deadline ? resend : deadline;
            const long long waitMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count() + 1;
            if (!readable(waitMs < ErrorCheckMs ? (waitMs > 0 ? waitMs : 0) : ErrorCheckMs)) {
                if (portUnreachable()) return NoSupport;
                continue;
            }
            sockaddr_in from{};
            int fromSize = sizeof from;
            const int got = recvfrom(socket_, reinterpret_cast<char*>(buffer), sizeof buffer, 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (got == SOCKET_ERROR) {
                if (Unreachable(WSAGetLastError())) return NoSupport;
                continue;  // too long (WSAEMSGSIZE) or a passing error: not an answer
            }
            if (fromSize < static_cast<int>(sizeof from) || from.sin_family != AF_INET ||
                from.sin_addr.s_addr != gateway_ || from.sin_port != htons(natpmp::ServerPort))
                continue;
            natpmp::Reply answer;
            if (!natpmp::ParseReply(buffer, static_cast<size_t>(got), op, &answer)) continue;
            if (answer.result == natpmp::Success) *reply = answer;
            return answer.result;
        }
    }

    bool winsockReady_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    uint32_t gateway_ = 0;  // network order
    uint32_t external_ = 0;
};

}  // namespace

std::unique_ptr<PortGateway> CreateNatPmpGateway() { return std::make_unique<NatPmpGateway>(); }

}  // namespace kv
