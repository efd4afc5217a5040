// Port mapping at the home router: so that a user behind a router can be
// called, a background thread asks the router to forward an external UDP
// port (the bound one when it is free) to our port, through UPnP IGD, else
// NAT-PMP (the gateways of platform/port_mapping.h). It learns the external
// address, renews the mapping at half its lease, tries the next external
// ports when the one asked for forwards to another host, looks for a gateway
// again now and then when there is none, and removes the mapping on shutdown.
// Nothing here delays the start or a call: the service's thread does all the
// waiting, and stopping it waits only briefly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/peer_address.h"
#include "platform/port_mapping.h"

namespace kv {

enum MappingStatus {
    MappingOff = 0,        // not asked for (setting PortMapping 0), or removed on shutdown
    MappingSearching = 1,  // looking for the gateway, the first time
    MappingActive = 2,     // the router forwards externalPort to us
    MappingNone = 3,       // no gateway would map; retried later
};

// What the listener is told (the value of the PortMappingChanged notification).
enum MappingEvent {
    MappingMade = 1,     // a mapping now exists (first one, or another port or gateway than before)
    MappingRenewed = 2,  // the same mapping was renewed before its lease ended
    MappingLost = 3,     // a mapping held before could not be renewed nor made again
    MappingFailed = 4,   // no mapping could be made (reported once, until one is made)
    // The IPv6 pinhole (PinholeKeeper), told the same way.
    PinholeOpened = 5,   // a pinhole is open now (first one, or for another address or gateway)
    PinholeRenewed = 6,
    PinholeLost = 7,     // a pinhole open before could not be renewed nor opened again
    PinholeFailed = 8,   // this host has a global IPv6 address, but no router would open a pinhole
};

struct PinholeState {
    int status = MappingOff;  // MappingStatus: Searching, Active, None (also: no global IPv6 address)
    std::string via;          // "upnp" or "pcp" while active
    PeerAddress address;      // our global IPv6 address and port, while active
    std::string reason;       // why the last attempt failed
};

struct PortMappingState {
    int status = MappingOff;
    std::string via;             // "upnp" or "natpmp" while active
    uint32_t externalIp = 0;     // host order; 0 while unknown
    uint16_t externalPort = 0;   // while active
    uint16_t localPort = 0;      // the port forwarded to
    uint16_t portTaken = 0;      // the external port first asked for, when another host holds it; else 0
    bool privateRouterAddress = false;  // the router's external address is private or reserved
    std::string reason;          // why the last attempt failed or the mapping was lost
    int64_t tookMs = -1;         // from the start of the search to the mapping made
};

// True for addresses that are not reachable from the internet at large:
// private, shared (carrier-grade NAT), loopback, link-local, documentation,
// benchmarking, multicast and reserved ranges.
bool IsPrivateOrReservedAddress(uint32_t ip);

// The mapping logic, driven by run() with an injected clock (milliseconds,
// any epoch). Not thread-safe except state(), which any thread may call.
class PortMapper {
public:
    static constexpr uint32_t LeaseSeconds = 3600;    // asked for; renewed at half the lease granted
    static constexpr int64_t ShortestRenewalMs = 10000;  // however short the lease granted
    static constexpr int64_t PermanentCheckMs = 1200000;  // a lease "until removed" is asked for again this often
    static constexpr int DiscoveryTimeoutMs = 1000;    // per protocol: the longest a search waits for answers
    static constexpr int PortsTried = 10;              // the port asked for and the ones after it
    static constexpr int64_t FirstRetryMs = 60000;     // no gateway: look again after a minute,
    static constexpr int64_t LongestRetryMs = 1800000; // doubling up to half an hour

    using Clock = std::function<int64_t()>;
    using Listener = std::function<void(int event)>;

    PortMapper(std::vector<std::unique_ptr<PortGateway>> gateways, uint16_t localPort, Clock clock,
               Listener listener);

    // Does what is due now (the search, a renewal, a retry) and returns the
    // clock's time at which it wants to run again.
    int64_t run();
    // Withdraws the mapping at the router, if there is one; the state becomes Off.
    void remove();
    PortMappingState state() const;

private:
    // Asks each gateway in turn; true once one maps. *why collects the failures.
    bool establish(std::string* why);
    // Asks one gateway for firstPort, then the ports after it while they are taken.
    bool mapOn(PortGateway& gateway, uint16_t firstPort, std::string* why);
    int64_t renewalDelayMs(uint32_t leaseSeconds) const;
    void notify(int event);

    std::vector<std::unique_ptr<PortGateway>> gateways_;
    const uint16_t localPort_;
    Clock clock_;
    Listener listener_;
    PortGateway* active_ = nullptr;  // whose mapping we hold
    int64_t due_ = 0;
    int64_t retryMs_ = FirstRetryMs;
    bool failureReported_ = false;
    mutable std::mutex stateLock_;
    PortMappingState state_;
};

// The IPv6 pinhole, driven by run() like PortMapper: when this host has a
// global IPv6 address, asks each pinhole gateway in turn to open our port on
// it, renews at half the lease, opens anew when the address changes, looks
// again now and then when no gateway would, and closes it on remove().
class PinholeKeeper {
public:
    static constexpr uint32_t LeaseSeconds = PortMapper::LeaseSeconds;
    using AddressFinder = std::function<bool(PeerAddress*)>;

    PinholeKeeper(std::vector<std::unique_ptr<PinholeGateway>> gateways, uint16_t localPort, AddressFinder ownAddress,
                  PortMapper::Clock clock, PortMapper::Listener listener);
    int64_t run();
    void remove();
    PinholeState state() const;

private:
    void setState(const PinholeState& s);
    std::vector<std::unique_ptr<PinholeGateway>> gateways_;
    const uint16_t localPort_;
    AddressFinder ownAddress_;
    PortMapper::Clock clock_;
    PortMapper::Listener listener_;
    PinholeGateway* active_ = nullptr;
    PeerAddress opened_;  // the address of the pinhole active_ holds
    int64_t due_ = 0;
    int64_t retryMs_ = PortMapper::FirstRetryMs;
    bool failureReported_ = false;
    mutable std::mutex stateLock_;
    PinholeState state_;
};

// When a lease of leaseSeconds (0: until removed) is renewed.
int64_t RenewalDelayMs(uint32_t leaseSeconds);

// A PortMapper and a PinholeKeeper on a thread of their own, on the steady clock.
class PortMappingService {
public:
    static constexpr int StopWaitMs = 1000;  // how long stop() waits for the mapping's removal

    PortMappingService(std::vector<std::unique_ptr<PortGateway>> gateways,
                       std::vector<std::unique_ptr<PinholeGateway>> pinholes, PinholeKeeper::AddressFinder ownAddress,
                       uint16_t localPort, std::function<void(int event)> listener);
    ~PortMappingService();
    PortMappingService(const PortMappingService&) = delete;
    PortMappingService& operator=(const PortMappingService&) = delete;

    // Ends the thread, which removes the mapping on its way out. The listener
    // is never called again once this begins. Waits at most waitMs; a thread
    // still inside a gateway call then is left to end on its own.
    void stop(int waitMs = StopWaitMs);
    PortMappingState state() const;
    PinholeState pinhole() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace kv
