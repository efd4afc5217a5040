#include "engine/port_mapping.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

namespace kv {

bool IsPrivateOrReservedAddress(uint32_t ip) {
    struct Range {
        uint32_t base;
        int bits;
    };
    static const Range ranges[] = {
        {0x00000000, 8},   // "this" network
        {0x0A000000, 8},   // private
        {0x64400000, 10},  // shared address space (carrier-grade NAT)
        {0x7F000000, 8},   // loopback
        {0xA9FE0000, 16},  // link-local
        {0xAC100000, 12},  // private
        {0xC0000000, 24},  // protocol assignments
        {0xC0000200, 24},  // documentation (TEST-NET-1)
        {0xC0A80000, 16},  // private
        {0xC6120000, 15},  // benchmarking
        {0xC6336400, 24},  // documentation (TEST-NET-2)
        {0xCB007100, 24},  // documentation (TEST-NET-3)
        {0xE0000000, 3},   // multicast and reserved, up to the broadcast address
    };
    for (const Range& r : ranges) {
        const uint32_t mask = ~uint32_t(0) << (32 - r.bits);
        if ((ip & mask) == r.base) return true;
    }
    return false;
}

PortMapper::PortMapper(std::vector<std::unique_ptr<PortGateway>> gateways, uint16_t localPort, Clock clock,
                       Listener listener)
    : gateways_(std::move(gateways)), localPort_(localPort), clock_(std::move(clock)), listener_(std::move(listener)) {
    state_.status = MappingSearching;
    state_.localPort = localPort;
}

PortMappingState PortMapper::state() const {
    std::lock_guard<std::mutex> guard(stateLock_);
    return state_;
}

void PortMapper::notify(int event) {
    if (listener_) listener_(event);
}

int64_t RenewalDelayMs(uint32_t leaseSeconds) {
    if (leaseSeconds == 0) return PortMapper::PermanentCheckMs;
    return std::max<int64_t>(PortMapper::ShortestRenewalMs, int64_t(leaseSeconds) * 1000 / 2);
}

int64_t PortMapper::renewalDelayMs(uint32_t leaseSeconds) const { return RenewalDelayMs(leaseSeconds); }

bool PortMapper::mapOn(PortGateway& gateway, uint16_t firstPort, std::string* why) {
    uint16_t port = firstPort;
    for (int attempt = 0; attempt < PortsTried; ++attempt) {
        const GatewayMapping m = gateway.addMapping(localPort_, port, LeaseSeconds);
        if (m.reply == GatewayReply::Done) {
            const uint16_t external = m.externalPort != 0 ? m.externalPort : port;
            const uint32_t ip = gateway.externalAddress();
            {
                std::lock_guard<std::mutex> guard(stateLock_);
                state_.status = MappingActive;
                state_.via = gateway.protocol();
                state_.externalIp = ip;
                state_.externalPort = external;
                state_.portTaken = external != localPort_ ? localPort_ : 0;
                state_.privateRouterAddress = ip != 0 && IsPrivateOrReservedAddress(ip);
                state_.reason.clear();
            }
            active_ = &gateway;
            due_ = clock_() + renewalDelayMs(m.leaseSeconds);
            return true;
        }
        if (m.reply != GatewayReply::Taken) {
            *why += std::string(why->empty() ? "" : "; ") + gateway.protocol() + ": " +
                    (m.why.empty() ? "the router refused the mapping" : m.why);
            return false;
        }
        // Another host holds it: the next port, staying out of the well-known ones.
        port = port >= 65535 ? 1024 : static_cast<uint16_t>(port + 1);
    }
    *why += std::string(why->empty() ? "" : "; ") + gateway.protocol() + ": " + std::to_string(PortsTried) +
            " external ports from " + std::to_string(firstPort) + " are taken";
    return false;
}

bool PortMapper::establish(std::string* why) {
    for (auto& gateway : gateways_) {
        std::string failure;
        if (!gateway->discover(DiscoveryTimeoutMs, &failure)) {
            *why += std::string(why->empty() ? "" : "; ") + gateway->protocol() + ": " +
                    (failure.empty() ? "no router answered" : failure);
            continue;
        }
        if (mapOn(*gateway, localPort_, why)) return true;
    }
    if (gateways_.empty()) *why = "this build has no port-mapping protocols";
    return false;
}

int64_t PortMapper::run() {
    const int64_t start = clock_();
    if (start < due_) return due_;
    if (active_) {
        PortMappingState before = state();
        const GatewayMapping m = active_->addMapping(localPort_, before.externalPort, LeaseSeconds);
        if (m.reply == GatewayReply::Done && (m.externalPort == 0 || m.externalPort == before.externalPort)) {
            due_ = clock_() + renewalDelayMs(m.leaseSeconds);
            const uint32_t ip = active_->externalAddress();
            {
                std::lock_guard<std::mutex> guard(stateLock_);
                if (ip != 0) {
                    state_.externalIp = ip;
                    state_.privateRouterAddress = IsPrivateOrReservedAddress(ip);
                }
            }
            notify(MappingRenewed);
            return due_;
        }
        // Gone at this gateway (or moved to another port): map anew, on any gateway.
        active_ = nullptr;
    }
    std::string why;
    const bool hadMapping = state().status == MappingActive;
    if (establish(&why)) {
        {
            std::lock_guard<std::mutex> guard(stateLock_);
            state_.tookMs = clock_() - start;
        }
        retryMs_ = FirstRetryMs;
        failureReported_ = false;
        notify(MappingMade);
        return due_;
    }
    {
        std::lock_guard<std::mutex> guard(stateLock_);
        state_.status = MappingNone;
        state_.via.clear();
        state_.externalPort = 0;
        state_.portTaken = 0;
        state_.reason = why;
    }
    due_ = clock_() + retryMs_;
    retryMs_ = std::min(retryMs_ * 2, LongestRetryMs);
    if (hadMapping) {
        failureReported_ = true;
        notify(MappingLost);
    } else if (!failureReported_) {
        failureReported_ = true;
        notify(MappingFailed);
    }
    return due_;
}

void PortMapper::remove() {
    if (active_) {
        const PortMappingState now = state();
        active_->removeMapping(localPort_, now.externalPort);
        active_ = nullptr;
    }
    std::lock_guard<std::mutex> guard(stateLock_);
    state_.status = MappingOff;
    state_.via.clear();
    state_.externalPort = 0;
    state_.portTaken = 0;
}

// ---- the IPv6 pinhole ----

PinholeKeeper::PinholeKeeper(std::vector<std::unique_ptr<PinholeGateway>> gateways, uint16_t localPort,
                             AddressFinder ownAddress, PortMapper::Clock clock, PortMapper::Listener listener)
    : gateways_(std::move(gateways)),
      localPort_(localPort),
      ownAddress_(std::move(ownAddress)),
      clock_(std::move(clock)),
      listener_(std::move(listener)) {
    state_.status = MappingSearching;
}

PinholeState PinholeKeeper::state() const {
    std::lock_guard<std::mutex> guard(stateLock_);
    return state_;
}

void PinholeKeeper::setState(const PinholeState& s) {
    std::lock_guard<std::mutex> guard(stateLock_);
    state_ = s;
}

int64_t PinholeKeeper::run() {
    if (clock_() < due_) return due_;
    PeerAddress own;
    const bool haveAddress = ownAddress_ && ownAddress_(&own);
    own.setPort(localPort_);
    const bool hadPinhole = active_ != nullptr;
    if (active_ && !(haveAddress && SameAddress(own, opened_))) {
        active_->close(opened_);  // the address went or changed: its pinhole is of no use
        active_ = nullptr;
    }
    if (active_) {
        const GatewayPinhole p = active_->open(own, LeaseSeconds);
        if (p.reply == GatewayReply::Done) {
            due_ = clock_() + RenewalDelayMs(p.leaseSeconds);
            if (listener_) listener_(PinholeRenewed);
            return due_;
        }
        active_ = nullptr;  // gone at this gateway: open anew, on any
    }
    PinholeState s;
    if (!haveAddress) {
        s.status = MappingNone;
        s.reason = "no global IPv6 address";
    } else {
        for (const auto& gateway : gateways_) {
            const GatewayPinhole p = gateway->open(own, LeaseSeconds);
            if (p.reply == GatewayReply::Done) {
                active_ = gateway.get();
                opened_ = own;
                s.status = MappingActive;
                s.via = gateway->protocol();
                s.address = own;
                setState(s);
                due_ = clock_() + RenewalDelayMs(p.leaseSeconds);
                retryMs_ = PortMapper::FirstRetryMs;
                failureReported_ = false;
                if (listener_) listener_(PinholeOpened);
                return due_;
            }
            s.reason += std::string(s.reason.empty() ? "" : "; ") + gateway->protocol() + ": " +
                        (p.why.empty() ? "the router refused the pinhole" : p.why);
        }
        if (gateways_.empty()) s.reason = "this build has no pinhole protocols";
        s.status = MappingNone;
    }
    setState(s);
    due_ = clock_() + retryMs_;
    retryMs_ = std::min(retryMs_ * 2, PortMapper::LongestRetryMs);
    // Without a global IPv6 address there is nothing to tell: IPv4 alone is usual.
    if (hadPinhole) {
        failureReported_ = true;
        if (listener_) listener_(PinholeLost);
    } else if (haveAddress && !failureReported_) {
        failureReported_ = true;
        if (listener_) listener_(PinholeFailed);
    }
    return due_;
}

void PinholeKeeper::remove() {
    if (active_) active_->close(opened_);
    active_ = nullptr;
    setState(PinholeState{});
}

// ---- the service's thread ----

struct PortMappingService::Shared {
    Shared(std::vector<std::unique_ptr<PortGateway>> gateways, std::vector<std::unique_ptr<PinholeGateway>> pinholes,
           PinholeKeeper::AddressFinder ownAddress, uint16_t localPort, std::function<void(int)> listener)
        : listener(std::move(listener)),
          mapper(std::move(gateways), localPort, &SteadyMs, [this](int event) { tell(event); }),
          keeper(std::move(pinholes), localPort, std::move(ownAddress), &SteadyMs, [this](int event) { tell(event); }) {}

    static int64_t SteadyMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void tell(int event) {
        std::lock_guard<std::mutex> guard(listenerLock);
        if (listener) listener(event);
    }
    void body() {
        std::unique_lock<std::mutex> guard(lock);
        while (!stopping) {
            guard.unlock();
            const int64_t due = std::min(mapper.run(), keeper.run());
            guard.lock();
            const auto wake = std::chrono::steady_clock::time_point(std::chrono::milliseconds(due));
            changed.wait_until(guard, wake, [this] { return stopping; });
        }
        guard.unlock();
        mapper.remove();
        keeper.remove();
        guard.lock();
        finished = true;
        changed.notify_all();
    }

    std::mutex lock;
    std::condition_variable changed;
    bool stopping = false;
    bool finished = false;
    std::mutex listenerLock;
    std::function<void(int)> listener;
    PortMapper mapper;
    PinholeKeeper keeper;
};

PortMappingService::PortMappingService(std::vector<std::unique_ptr<PortGateway>> gateways,
                                       std::vector<std::unique_ptr<PinholeGateway>> pinholes,
                                       PinholeKeeper::AddressFinder ownAddress, uint16_t localPort,
                                       std::function<void(int event)> listener)
    : shared_(std::make_shared<Shared>(std::move(gateways), std::move(pinholes), std::move(ownAddress), localPort,
                                       std::move(listener))) {
    std::shared_ptr<Shared> shared = shared_;
    thread_ = std::thread([shared] { shared->body(); });
}

PortMappingService::~PortMappingService() { stop(); }

void PortMappingService::stop(int waitMs) {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(shared_->listenerLock);
        shared_->listener = nullptr;
    }
    bool finished;
    {
        std::unique_lock<std::mutex> guard(shared_->lock);
        shared_->stopping = true;
        shared_->changed.notify_all();
        finished = shared_->changed.wait_for(guard, std::chrono::milliseconds(waitMs),
                                             [this] { return shared_->finished; });
    }
    if (finished)
        thread_.join();
    else
        thread_.detach();  // still in a gateway call: it ends on its own, holding its own share of the state
}

PortMappingState PortMappingService::state() const { return shared_->mapper.state(); }

PinholeState PortMappingService::pinhole() const { return shared_->keeper.state(); }

}  // namespace kv
