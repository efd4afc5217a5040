#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "engine/phone.h"
#include "engine/port_mapping.h"
#include "platform/notification_queue.h"

using namespace kv;

namespace {

constexpr uint16_t Port = 11676;
constexpr uint32_t RouterAddress = 0xC6336407;  // 198.51.100.7

// A router's protocol, scripted by the test; discovery costs a second of the test's clock.
class FakeGateway final : public PortGateway {
public:
    FakeGateway(const char* name, int64_t* clock) : name_(name), clock_(clock) {}
    const char* protocol() const override { return name_; }
    bool discover(int, std::string* why) override {
        ++discoveries;
        *clock_ += 1000;
        if (!answers) *why = "silent";
        return answers;
    }
    uint32_t externalAddress() override { return answers ? RouterAddress : 0; }
    GatewayMapping addMapping(uint16_t internalPort, uint16_t externalPort, uint32_t leaseSeconds) override {
        ++adds;
        GatewayMapping m;
        if (!answers) return m;
        if (taken.count(externalPort)) {
            if (!picksOtherPort) {
                m.reply = GatewayReply::Taken;
                return m;
            }
            externalPort = 40000;
        }
        EXPECT_EQ(internalPort, Port);
        m.reply = GatewayReply::Done;
        m.externalPort = externalPort;
        m.leaseSeconds = grantedLease ? grantedLease : leaseSeconds;
        return m;
    }
    bool removeMapping(uint16_t internalPort, uint16_t externalPort) override {
        removed.push_back({internalPort, externalPort});
        return true;
    }

    bool answers = true;
    bool picksOtherPort = false;  // as NAT-PMP does, instead of refusing
    uint32_t grantedLease = 0;    // 0: what was asked for
    std::set<uint16_t> taken;
    int discoveries = 0, adds = 0;
    std::vector<std::pair<uint16_t, uint16_t>> removed;

private:
    const char* name_;
    int64_t* clock_;
};

class Mapping : public ::testing::Test {
protected:
    void SetUp() override {
        auto a = std::make_unique<FakeGateway>("upnp", &now);
        auto b = std::make_unique<FakeGateway>("natpmp", &now);
        upnp = a.get();
        natpmp = b.get();
        gateways.push_back(std::move(a));
        gateways.push_back(std::move(b));
    }
    PortMapper& mapper() {
        if (!mapper_)
            mapper_ = std::make_unique<PortMapper>(std::move(gateways), Port, [this] { return now; },
                                                   [this](int event) { events.push_back(event); });
        return *mapper_;
    }

    int64_t now = 5000;
    std::vector<std::unique_ptr<PortGateway>> gateways;
    FakeGateway* upnp = nullptr;
    FakeGateway* natpmp = nullptr;
    std::vector<int> events;
    std::unique_ptr<PortMapper> mapper_;
};

}  // namespace

TEST_F(Mapping, UpnpMapsTheBoundPortAndRenewsAtHalfTheLease) {
    const int64_t due = mapper().run();
    EXPECT_EQ(events, std::vector<int>{MappingMade});
    PortMappingState s = mapper().state();
    EXPECT_EQ(s.status, MappingActive);
    EXPECT_EQ(s.via, "upnp");
    EXPECT_EQ(s.externalIp, RouterAddress);
    EXPECT_EQ(s.externalPort, Port);
    EXPECT_EQ(s.portTaken, 0);
    EXPECT_TRUE(s.privateRouterAddress);  // a documentation range: another NAT may sit beyond
    EXPECT_EQ(s.tookMs, 1000);
    EXPECT_EQ(natpmp->discoveries, 0);
    EXPECT_EQ(due, now + PortMapper::LeaseSeconds * 1000 / 2);

    now = due - 1;
    EXPECT_EQ(mapper().run(), due);  // not yet
    EXPECT_EQ(upnp->adds, 1);
    now = due;
    mapper().run();
    EXPECT_EQ(upnp->adds, 2);
    EXPECT_EQ(upnp->discoveries, 1);  // a renewal asks the gateway it knows
    EXPECT_EQ(events, (std::vector<int>{MappingMade, MappingRenewed}));
}

TEST_F(Mapping, FallsBackToNatPmpWhoseShortLeaseIsRenewedSooner) {
    upnp->answers = false;
    natpmp->grantedLease = 60;
    natpmp->picksOtherPort = true;
    natpmp->taken = {Port};
    const int64_t due = mapper().run();
    PortMappingState s = mapper().state();
    EXPECT_EQ(s.via, "natpmp");
    EXPECT_EQ(s.externalPort, 40000);
    EXPECT_EQ(s.portTaken, Port);  // says which port it got instead
    EXPECT_EQ(s.tookMs, 2000);     // both discoveries
    EXPECT_EQ(due, now + 30000);
}

TEST_F(Mapping, TakesTheNextExternalPortWhileAnotherHostHoldsIt) {
    upnp->taken = {Port, Port + 1};
    mapper().run();
    PortMappingState s = mapper().state();
    EXPECT_EQ(s.status, MappingActive);
    EXPECT_EQ(s.externalPort, Port + 2);
    EXPECT_EQ(s.portTaken, Port);
    EXPECT_EQ(upnp->adds, 3);
}

TEST_F(Mapping, ALostMappingIsReportedOnceAndMadeAgainWhenTheRouterIsBack) {
    int64_t due = mapper().run();
    upnp->answers = natpmp->answers = false;
    now = due;
    due = mapper().run();
    EXPECT_EQ(events, (std::vector<int>{MappingMade, MappingLost}));
    PortMappingState s = mapper().state();
    EXPECT_EQ(s.status, MappingNone);
    EXPECT_EQ(s.externalPort, 0);
    EXPECT_NE(s.reason.find("silent"), std::string::npos);
    EXPECT_EQ(due, now + PortMapper::FirstRetryMs);

    now = due;
    const int64_t next = mapper().run();
    EXPECT_EQ(next, now + 2 * PortMapper::FirstRetryMs);  // looks again less and less often
    EXPECT_EQ(events.size(), 2u);                         // and says nothing new
    upnp->answers = true;
    now = next;
    mapper().run();
    EXPECT_EQ(events.back(), MappingMade);
    EXPECT_EQ(mapper().state().status, MappingActive);
}

TEST_F(Mapping, NoRouterIsReportedOnceAndRemoveWithdrawsAMapping) {
    upnp->answers = natpmp->answers = false;
    mapper().run();
    EXPECT_EQ(events, std::vector<int>{MappingFailed});
    upnp->answers = true;
    now += PortMapper::FirstRetryMs;
    mapper().run();
    mapper().remove();
    EXPECT_EQ(upnp->removed, (std::vector<std::pair<uint16_t, uint16_t>>{{Port, Port}}));
    EXPECT_EQ(mapper().state().status, MappingOff);
}

namespace {

// A router's pinhole protocol, scripted by the test.
class FakePinhole final : public PinholeGateway {
public:
    explicit FakePinhole(const char* name) : name_(name) {}
    const char* protocol() const override { return name_; }
    GatewayPinhole open(const PeerAddress& address, uint32_t) override {
        opened.push_back(HostPortText(address));
        GatewayPinhole p;
        if (answers) {
            p.reply = GatewayReply::Done;
            p.leaseSeconds = 120;
        } else {
            p.reply = GatewayReply::Refused;
            p.why = "not here";
        }
        return p;
    }
    bool close(const PeerAddress& address) override {
        closed.push_back(HostPortText(address));
        return true;
    }
    bool answers = true;
    std::vector<std::string> opened, closed;

private:
    const char* name_;
};

}  // namespace

TEST(Pinhole, OpensOnTheFirstRouterThatWillFollowsTheAddressAndTellsOnlyWhatMatters) {
    int64_t now = 0;
    std::vector<int> told;
    std::string own;  // the host's global IPv6 address; none while empty
    auto upnp = std::make_unique<FakePinhole>("upnp");
    auto pcp = std::make_unique<FakePinhole>("pcp");
    FakePinhole* first = upnp.get();
    FakePinhole* second = pcp.get();
    first->answers = false;
    std::vector<std::unique_ptr<PinholeGateway>> gateways;
    gateways.push_back(std::move(upnp));
    gateways.push_back(std::move(pcp));
    PinholeKeeper keeper(
        std::move(gateways), Port,
        [&](PeerAddress* out) { return !own.empty() && ParseAddressLiteral(own.data(), own.size(), 1, out); },
        [&] { return now; }, [&](int event) { told.push_back(event); });

    // No global IPv6 address: nothing to open, nothing to tell; looked at again later.
    EXPECT_EQ(keeper.run(), PortMapper::FirstRetryMs);
    EXPECT_EQ(keeper.state().status, MappingNone);
    EXPECT_TRUE(told.empty());
    EXPECT_TRUE(first->opened.empty());

    own = "2001:db8::7";
    now = PortMapper::FirstRetryMs;
    const int64_t renewal = keeper.run();
    EXPECT_EQ(renewal, now + 60000);  // half of the 120 s granted
    EXPECT_EQ(told, std::vector<int>{PinholeOpened});
    EXPECT_EQ(keeper.state().via, "pcp");
    EXPECT_EQ(HostPortText(keeper.state().address), "[2001:db8::7]:11676");
    EXPECT_EQ(first->opened, std::vector<std::string>{"[2001:db8::7]:11676"});  // asked first, refused

    now = renewal;
    keeper.run();
    EXPECT_EQ(told, (std::vector<int>{PinholeOpened, PinholeRenewed}));
    EXPECT_EQ(second->opened.size(), 2u);

    // A new address (the provider gave another prefix): the old pinhole closes, one opens for the new.
    own = "2001:db8:1::7";
    now += 60000;
    keeper.run();
    EXPECT_EQ(second->closed, std::vector<std::string>{"[2001:db8::7]:11676"});
    EXPECT_EQ(HostPortText(keeper.state().address), "[2001:db8:1::7]:11676");
    EXPECT_EQ(told.back(), PinholeOpened);

    // The router stops: lost, told once; then tried again quietly.
    second->answers = false;
    now += 60000;
    keeper.run();
    now += PortMapper::LongestRetryMs;
    keeper.run();
    EXPECT_EQ(told, (std::vector<int>{PinholeOpened, PinholeRenewed, PinholeOpened, PinholeLost}));
    EXPECT_EQ(keeper.state().status, MappingNone);
    EXPECT_NE(keeper.state().reason.find("pcp: not here"), std::string::npos) << keeper.state().reason;

    second->answers = true;
    now += PortMapper::LongestRetryMs;
    keeper.run();
    keeper.remove();
    EXPECT_EQ(second->closed.back(), "[2001:db8:1::7]:11676");
    EXPECT_EQ(keeper.state().status, MappingOff);
}

TEST(PrivateAddresses, RangesAndTheirEdges) {
    EXPECT_TRUE(IsPrivateOrReservedAddress(0x0A000001));   // 10.0.0.1
    EXPECT_TRUE(IsPrivateOrReservedAddress(0xAC1FFFFF));   // 172.31.255.255
    EXPECT_FALSE(IsPrivateOrReservedAddress(0xAC200000));  // 172.32.0.0
    EXPECT_TRUE(IsPrivateOrReservedAddress(0x64400000));   // 100.64.0.0
    EXPECT_FALSE(IsPrivateOrReservedAddress(0x64800000));  // 100.128.0.0
    EXPECT_TRUE(IsPrivateOrReservedAddress(0xCB0071FF));   // 203.0.113.255
    EXPECT_TRUE(IsPrivateOrReservedAddress(0xFFFFFFFF));
}

namespace {

// A gateway whose discovery hangs until the test lets it go.
struct Hang {
    std::mutex lock;
    std::condition_variable changed;
    bool inside = false, released = false, destroyed = false;
};

class HangingGateway final : public PortGateway {
public:
    explicit HangingGateway(std::shared_ptr<Hang> hang) : hang_(std::move(hang)) {}
    ~HangingGateway() override {
        std::lock_guard<std::mutex> guard(hang_->lock);
        hang_->destroyed = true;
        hang_->changed.notify_all();
    }
    const char* protocol() const override { return "upnp"; }
    bool discover(int, std::string*) override {
        std::unique_lock<std::mutex> guard(hang_->lock);
        hang_->inside = true;
        hang_->changed.notify_all();
        hang_->changed.wait(guard, [this] { return hang_->released; });
        return false;
    }
    uint32_t externalAddress() override { return 0; }
    GatewayMapping addMapping(uint16_t, uint16_t, uint32_t) override { return {}; }
    bool removeMapping(uint16_t, uint16_t) override { return false; }

private:
    std::shared_ptr<Hang> hang_;
};

}  // namespace

TEST(MappingService, StopLeavesAHangingGatewayBehindAndCallsNoListenerAfterwards) {
    auto hang = std::make_shared<Hang>();
    std::vector<std::unique_ptr<PortGateway>> gateways;
    gateways.push_back(std::make_unique<HangingGateway>(hang));
    auto told = std::make_shared<std::atomic<int>>(0);
    {
        PortMappingService service(std::move(gateways), {}, nullptr, Port, [told](int) { ++*told; });
        {
            std::unique_lock<std::mutex> guard(hang->lock);
            hang->changed.wait(guard, [&] { return hang->inside; });
        }
        service.stop(50);  // returns although the gateway still hangs
        EXPECT_EQ(service.state().status, MappingSearching);
    }
    std::unique_lock<std::mutex> guard(hang->lock);
    EXPECT_FALSE(hang->destroyed);
    hang->released = true;
    hang->changed.notify_all();
    // The thread ends on its own and takes the gateway with it, telling nobody.
    hang->changed.wait(guard, [&] { return hang->destroyed; });
    EXPECT_EQ(told->load(), 0);
}

namespace {

// What the gateway of the Phone test saw; CreateGateways takes no state of its own.
struct PhoneRouter {
    std::mutex lock;
    std::vector<std::pair<uint16_t, uint16_t>> added, removed;
};
PhoneRouter* gPhoneRouter = nullptr;

class RecordingGateway final : public PortGateway {
public:
    const char* protocol() const override { return "upnp"; }
    bool discover(int, std::string*) override { return true; }
    uint32_t externalAddress() override { return RouterAddress; }
    GatewayMapping addMapping(uint16_t internalPort, uint16_t externalPort, uint32_t leaseSeconds) override {
        std::lock_guard<std::mutex> guard(gPhoneRouter->lock);
        gPhoneRouter->added.push_back({internalPort, externalPort});
        GatewayMapping m;
        m.reply = GatewayReply::Done;
        m.externalPort = externalPort;
        m.leaseSeconds = leaseSeconds;
        return m;
    }
    bool removeMapping(uint16_t internalPort, uint16_t externalPort) override {
        std::lock_guard<std::mutex> guard(gPhoneRouter->lock);
        gPhoneRouter->removed.push_back({internalPort, externalPort});
        return true;
    }
};

std::vector<std::unique_ptr<PortGateway>> RecordingGateways() {
    std::vector<std::unique_ptr<PortGateway>> gateways;
    gateways.push_back(std::make_unique<RecordingGateway>());
    return gateways;
}

}  // namespace

TEST(PhonePortMapping, MapsTheBoundPortTellsTheInterfaceAndRemovesItOnShutdown) {
    PhoneRouter router;
    gPhoneRouter = &router;
    NotificationQueue queue;
    uint16_t port = 0;
    {
        Phone phone(0);
        phone.CreateGateways = RecordingGateways;
        phone.OwnIPv6Address = [](PeerAddress*) { return false; };  // no pinhole asked of the real router
        phone.NotifyWindow = &queue;
        ASSERT_EQ(phone.Start(), 1);
        phone.StartPortMapping();  // PortMapping 0: nothing
        EXPECT_EQ(phone.MappingState().status, MappingOff);
        phone.PortMapping = 1;
        phone.StartPortMapping();
        Notification n;
        ASSERT_TRUE(queue.next(&n, 20000));
        EXPECT_EQ(n.code, PortMappingChanged);
        EXPECT_EQ(n.value, MappingMade);
        const PortMappingState s = phone.MappingState();
        EXPECT_EQ(s.status, MappingActive);
        port = phone.Port();
        EXPECT_EQ(s.externalPort, port);
        phone.Shutdown();
        EXPECT_EQ(phone.MappingState().status, MappingOff);
    }
    const std::vector<std::pair<uint16_t, uint16_t>> once{{port, port}};
    EXPECT_EQ(router.added, once);
    EXPECT_EQ(router.removed, once);
    gPhoneRouter = nullptr;
}
