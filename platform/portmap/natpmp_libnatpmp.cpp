// NAT-PMP through libnatpmp: requests to port 5351 of the default gateway,
// which the library resends with growing intervals; we wait for the answer
// on its socket until our own deadline.
#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <sys/select.h>
#endif
#include <natpmp.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/portmap/gateways.h"

namespace kv {
namespace {

constexpr int RequestTimeoutMs = 1000;
constexpr int RemoveTimeoutMs = 500;

std::string ErrorText(int code) {
    switch (code) {
        case NATPMP_TRYAGAIN: return "no NAT-PMP answer from the gateway";
        case NATPMP_ERR_CANNOTGETGATEWAY: return "no default gateway";
        case NATPMP_ERR_NOGATEWAYSUPPORT: return "the gateway does not speak NAT-PMP";
        case NATPMP_ERR_NOTAUTHORIZED: return "the gateway does not allow mappings (NAT-PMP: not authorized)";
        case NATPMP_ERR_NETWORKFAILURE: return "the gateway has no external address (NAT-PMP: network failure)";
        case NATPMP_ERR_OUTOFRESOURCES: return "the gateway is out of mappings (NAT-PMP: out of resources)";
        case NATPMP_ERR_UNSUPPORTEDVERSION: return "the gateway speaks another NAT-PMP version";
        case NATPMP_ERR_UNSUPPORTEDOPCODE: return "the gateway does not support the request (NAT-PMP)";
        default: return "NAT-PMP error " + std::to_string(code);
    }
}

class NatPmpGateway final : public PortGateway {
public:
    ~NatPmpGateway() override { close(); }

    const char* protocol() const override { return "natpmp"; }

    bool discover(int timeoutMs, std::string* why) override {
        close();
        external_ = 0;
        const int opened = initnatpmp(&natpmp_, 0, 0);
        if (opened < 0) {
            *why = ErrorText(opened);
            return false;
        }
        open_ = true;
        natpmpresp_t response{};
        int code = sendpublicaddressrequest(&natpmp_);
        if (code >= 0) code = await(timeoutMs, NATPMP_RESPTYPE_PUBLICADDRESS, &response);
        if (code != 0) {
            *why = ErrorText(code);
            return false;
        }
        external_ = ntohl(response.pnu.publicaddress.addr.s_addr);
        return true;
    }

    uint32_t externalAddress() override { return external_; }

    GatewayMapping addMapping(uint16_t internalPort, uint16_t externalPort, uint32_t leaseSeconds) override {
        GatewayMapping result;
        if (!open_) {
            result.why = "no NAT-PMP gateway";
            return result;
        }
        natpmpresp_t response{};
        int code = sendnewportmappingrequest(&natpmp_, NATPMP_PROTOCOL_UDP, internalPort, externalPort, leaseSeconds);
        if (code >= 0) code = await(RequestTimeoutMs, NATPMP_RESPTYPE_UDPPORTMAPPING, &response);
        if (code == 0 && (response.pnu.newportmapping.privateport != internalPort ||
                          response.pnu.newportmapping.mappedpublicport == 0)) {
            result.reply = GatewayReply::Refused;
            result.why = "the NAT-PMP answer names another port";
        } else if (code == 0) {
            // A port taken by another host is no error here: the gateway maps another one itself.
            result.reply = GatewayReply::Done;
            result.externalPort = response.pnu.newportmapping.mappedpublicport;
            result.leaseSeconds = response.pnu.newportmapping.lifetime;
        } else {
            result.reply = code == NATPMP_TRYAGAIN ? GatewayReply::NoAnswer : GatewayReply::Refused;
            result.why = ErrorText(code);
        }
        return result;
    }

    bool removeMapping(uint16_t internalPort, uint16_t externalPort) override {
        if (!open_) return false;
        natpmpresp_t response{};
        int code = sendnewportmappingrequest(&natpmp_, NATPMP_PROTOCOL_UDP, internalPort, externalPort, 0);
        if (code >= 0) code = await(RemoveTimeoutMs, NATPMP_RESPTYPE_UDPPORTMAPPING, &response);
        return code == 0;
    }

private:
    void close() {
        if (open_) closenatpmp(&natpmp_);
        open_ = false;
    }

    // Waits for the answer of the pending request, at most timeoutMs: 0 with
    // *response filled, NATPMP_TRYAGAIN when none came, or the library's error.
    // One datagram is read per turn and every turn checks the deadline, so
    // however many come (from the gateway: the socket is connected to it),
    // the wait ends on time.
    int await(int timeoutMs, int type, natpmpresp_t* response) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
            if (left <= 0) return NATPMP_TRYAGAIN;
            timeval wait{};
            long long waitUs = left;
            if (getnatpmprequesttimeout(&natpmp_, &wait) == 0)
                waitUs = std::min<long long>(waitUs, std::max<long long>(0, wait.tv_sec * 1000000LL + wait.tv_usec));
            wait.tv_sec = static_cast<long>(waitUs / 1000000);
            wait.tv_usec = static_cast<long>(waitUs % 1000000);
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(natpmp_.s, &readable);
            select(natpmp_.s + 1, &readable, nullptr, nullptr, &wait);
            const int code = readnatpmpresponseorretry(&natpmp_, response);
            if (code == NATPMP_TRYAGAIN || code == NATPMP_ERR_WRONGPACKETSOURCE) continue;
            // An answer of another kind (a late one to an earlier request) ends the wait all the same.
            if (code == 0 && response->type != type) return NATPMP_ERR_UNSUPPORTEDOPCODE;
            return code;
        }
    }

    natpmp_t natpmp_{};
    bool open_ = false;
    uint32_t external_ = 0;
};

}  // namespace

std::unique_ptr<PortGateway> CreateNatPmpGateway() { return std::make_unique<NatPmpGateway>(); }

}  // namespace kv
