#include "platform/portmap/pcp_pinhole.h"

#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "platform/portmap/pcp_messages.h"

namespace kv {
namespace {

std::string ResultText(uint8_t result) {
    static const char* const names[] = {
        "success", "unsupported version", "not authorized", "malformed request", "unsupported opcode",
        "unsupported option", "malformed option", "network failure", "no resources", "unsupported protocol",
        "user exceeded quota", "cannot provide external", "address mismatch", "excessive remote peers",
    };
    return "PCP error " + std::to_string(result) +
           (result < sizeof names / sizeof names[0] ? std::string(" (") + names[result] + ")" : std::string());
}

class PcpPinhole final : public PinholeGateway {
public:
    explicit PcpPinhole(PcpPinholeEnvironment environment) : env_(std::move(environment)) {}

    const char* protocol() const override { return "pcp"; }

    GatewayPinhole open(const PeerAddress& address, uint32_t leaseSeconds) override {
        return exchange(address, leaseSeconds, env_.waitsMs.size());
    }

    bool close(const PeerAddress& address) override {
        const bool open = nonces_.count(AddressKey(address)) != 0;
        const bool closed = open && exchange(address, 0, 1).reply == GatewayReply::Done;
        nonces_.erase(AddressKey(address));
        return closed;
    }

private:
    static std::string AddressKey(const PeerAddress& a) { return HostPortText(a); }

    // One MAP, sent up to `sends` times until its answer comes.
    GatewayPinhole exchange(const PeerAddress& address, uint32_t leaseSeconds, size_t sends) {
        GatewayPinhole result;
        PeerAddress router;
        if (!env_.router(&router)) {
            result.why = "no IPv6 default route";
            return result;
        }
        router.setPort(env_.serverPort);
        std::unique_ptr<UdpSocket> socket = env_.createSocket();
        PeerAddress from = address;
        from.setPort(0);
        if (!socket || !socket->bindAddress(from)) {
            result.reply = GatewayReply::Refused;
            result.why = "cannot send from " + HostText(address);
            return result;
        }
        pcp::MapRequest request;
        std::memcpy(request.client, address.bytes, 16);
        std::memcpy(request.nonce, nonce(address).data(), 12);
        request.internalPort = address.port();
        request.externalPort = address.port();
        std::memcpy(request.externalAddress, address.bytes, 16);
        request.lifetimeSeconds = leaseSeconds;
        const auto message = pcp::BuildMap(request);
        uint8_t buffer[pcp::MaxMessageSize + 1];
        for (size_t send = 0; send < sends && send < env_.waitsMs.size(); ++send) {
            if (socket->sendTo(router, message.data(), int(message.size())) < 0) {
                result.why = "cannot send to " + HostText(router);
                return result;
            }
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(env_.waitsMs[send]);
            for (;;) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
                if (left.count() <= 0 || socket->waitReadable(int(left.count())) != WaitStatus::Readable) break;
                const ReceiveResult r = socket->receive(buffer, sizeof buffer);
                if (r.status == ReceiveStatus::Refused && SameAddress(r.from, router)) {
                    result.why = "the router does not answer PCP (port unreachable)";
                    return result;
                }
                pcp::MapResponse answer;
                if (r.status != ReceiveStatus::Datagram || !SameAddress(r.from, router) ||
                    !pcp::ParseMap(buffer, size_t(r.length), &answer))
                    continue;
                // An answer to another request (an old nonce, another port) is not ours.
                if (r.length >= int(pcp::MapRequestSize) &&
                    (std::memcmp(answer.nonce, request.nonce, 12) != 0 || answer.internalPort != address.port()))
                    continue;
                if (answer.result != pcp::Success) {
                    result.reply = GatewayReply::Refused;
                    result.why = ResultText(answer.result);
                    return result;
                }
                result.reply = GatewayReply::Done;
                result.leaseSeconds = answer.lifetimeSeconds;
                return result;
            }
        }
        result.why = "no PCP answer from " + HostText(router);
        return result;
    }

    // The nonce of the mapping of this address: the same in every renewal.
    const std::array<uint8_t, 12>& nonce(const PeerAddress& address) {
        auto it = nonces_.find(AddressKey(address));
        if (it != nonces_.end()) return it->second;
        std::random_device random;
        std::array<uint8_t, 12> n;
        for (uint8_t& b : n) b = static_cast<uint8_t>(random());
        return nonces_[AddressKey(address)] = n;
    }

    PcpPinholeEnvironment env_;
    std::map<std::string, std::array<uint8_t, 12>> nonces_;
};

}  // namespace

std::unique_ptr<PinholeGateway> CreatePcpPinhole(PcpPinholeEnvironment environment) {
    return std::make_unique<PcpPinhole>(std::move(environment));
}

}  // namespace kv
