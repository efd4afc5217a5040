#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/portmap/pcp_messages.h"
#include "platform/portmap/pcp_pinhole.h"
#include "test_support.h"

using namespace kv;

namespace {

PeerAddress Loopback6(uint16_t port) {
    uint8_t b[16] = {};
    b[15] = 1;
    return MakeIPv6Address(b, port);
}

// A PCP server on ::1 that answers each MAP as `answer` says, and keeps the requests.
class FakeRouter {
public:
    using Answer = std::function<std::vector<uint8_t>(const std::vector<uint8_t>& request)>;
    explicit FakeRouter(Answer answer) : answer_(std::move(answer)) {
        socket_ = CreateUdpSocket();
        ok_ = socket_ && socket_->dualStack() && socket_->bind(0);
        if (ok_) thread_ = std::thread([this] { serve(); });
    }
    ~FakeRouter() {
        if (thread_.joinable()) {
            stop_ = true;
            socket_->interrupt();
            thread_.join();
        }
    }
    bool ok() const { return ok_; }
    uint16_t port() const { return socket_->localPort(); }
    std::vector<std::vector<uint8_t>> requests() {
        std::lock_guard<std::mutex> guard(lock_);
        return requests_;
    }

private:
    void serve() {
        uint8_t buffer[1500];
        while (!stop_ && socket_->waitReadable(100) != WaitStatus::Failed) {
            const ReceiveResult r = socket_->receive(buffer, sizeof buffer);
            if (r.status != ReceiveStatus::Datagram) continue;
            std::vector<uint8_t> request(buffer, buffer + r.length);
            {
                std::lock_guard<std::mutex> guard(lock_);
                requests_.push_back(request);
            }
            const std::vector<uint8_t> answer = answer_(request);
            if (!answer.empty()) socket_->sendTo(r.from, answer.data(), int(answer.size()));
        }
    }
    Answer answer_;
    std::unique_ptr<UdpSocket> socket_;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::vector<uint8_t>> requests_;
    std::thread thread_;
};

// The answer RFC 6887 gives: the request's MAP fields back, with a result and a lifetime.
std::vector<uint8_t> Answering(const std::vector<uint8_t>& request, uint8_t result, uint32_t lifetime) {
    std::vector<uint8_t> a(request);
    a[1] = 0x81;
    a[2] = 0;
    a[3] = result;
    natpmp::Put32(&a[4], lifetime);
    natpmp::Put32(&a[8], 77);  // epoch
    std::memset(&a[12], 0, 12);
    return a;
}

std::unique_ptr<PinholeGateway> Client(uint16_t serverPort, std::array<int, 3> waits = {{250, 500, 1000}}) {
    PcpPinholeEnvironment env;
    env.router = [](PeerAddress* out) {
        *out = Loopback6(0);
        return true;
    };
    env.serverPort = serverPort;
    env.waitsMs = waits;
    return CreatePcpPinhole(env);
}

}  // namespace

TEST(PcpPinhole, OpensRenewsWithTheSameNonceAndCloses) {
    FakeRouter router([](const std::vector<uint8_t>& q) { return Answering(q, pcp::Success, q[7] ? 120 : 0); });
    if (!router.ok()) GTEST_SKIP() << "this system has no IPv6";
    auto client = Client(router.port());
    const PeerAddress own = Loopback6(11676);
    GatewayPinhole p = client->open(own, 7200);
    ASSERT_EQ(p.reply, GatewayReply::Done) << p.why;
    EXPECT_EQ(p.leaseSeconds, 120u);
    ASSERT_EQ(client->open(own, 7200).reply, GatewayReply::Done);
    EXPECT_TRUE(client->close(own));
    EXPECT_FALSE(client->close(own));  // nothing open any more: nothing sent
    const auto requests = router.requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::vector<uint8_t>& first = requests[0];
    ASSERT_EQ(first.size(), pcp::MapRequestSize);
    EXPECT_EQ(std::memcmp(&first[8], own.bytes, 16), 0);       // client address: ours
    EXPECT_EQ(natpmp::Get16(&first[40]), 11676);                // internal port
    EXPECT_EQ(std::memcmp(&first[44], own.bytes, 16), 0);      // suggested external address: ours
    EXPECT_EQ(natpmp::Get32(&first[4]), 7200u);
    for (const auto& later : {requests[1], requests[2]})
        EXPECT_EQ(std::memcmp(&later[24], &first[24], 12), 0);  // one mapping, one nonce
    EXPECT_EQ(natpmp::Get32(&requests[2][4]), 0u);              // lifetime 0 closes
}

TEST(PcpPinhole, RefusalsStrangeAnswersAndSilence) {
    FakeRouter refusing([](const std::vector<uint8_t>& q) {
        std::vector<uint8_t> a = Answering(q, pcp::NotAuthorized, 0);
        a.resize(pcp::HeaderSize);  // an error may be the header alone
        return a;
    });
    if (!refusing.ok()) GTEST_SKIP() << "this system has no IPv6";
    GatewayPinhole p = Client(refusing.port())->open(Loopback6(11676), 3600);
    EXPECT_EQ(p.reply, GatewayReply::Refused);
    EXPECT_EQ(p.why, "PCP error 2 (not authorized)");

    // An answer with another nonce answers someone else's request: the client waits on, then gives up.
    FakeRouter confused([](const std::vector<uint8_t>& q) {
        std::vector<uint8_t> a = Answering(q, pcp::Success, 120);
        a[24] ^= 1;
        return a;
    });
    p = Client(confused.port(), {{30, 30, 30}})->open(Loopback6(11676), 3600);
    EXPECT_EQ(p.reply, GatewayReply::NoAnswer);
    EXPECT_EQ(confused.requests().size(), 3u);

    if (kvtest::RunningUnderWine()) return;  // Wine reports no port unreachable
    p = Client(kvtest::FreePort())->open(Loopback6(11676), 3600);
    EXPECT_EQ(p.reply, GatewayReply::NoAnswer);
    EXPECT_NE(p.why.find("port unreachable"), std::string::npos) << p.why;
}
