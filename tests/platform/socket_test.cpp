#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/udp_socket.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

namespace {

std::unique_ptr<UdpSocket> Bound() {
    auto s = CreateUdpSocket();
    EXPECT_TRUE(s && s->bind(0));
    return s;
}

ReceiveResult ReceiveWithin(UdpSocket& s, uint8_t* buffer, int capacity, int timeoutMs = 2000) {
    ReceiveResult r;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (s.waitReadable(100) != WaitStatus::Readable) continue;
        r = s.receive(buffer, capacity);
        if (r.status != ReceiveStatus::Nothing) return r;
    }
    return r;
}

}  // namespace

TEST(UdpSocket, CarriesADatagramWithItsSender) {
    auto a = Bound();
    auto b = Bound();
    const uint8_t hello[] = {1, 2, 3};
    ASSERT_EQ(a->sendTo(MakeAddress(Loopback, b->localPort()), hello, 3), 3);
    uint8_t buffer[1500];
    ReceiveResult r = ReceiveWithin(*b, buffer, sizeof buffer);
    ASSERT_EQ(r.status, ReceiveStatus::Datagram);
    EXPECT_EQ(r.length, 3);
    EXPECT_EQ(r.from.ip(), Loopback);
    EXPECT_EQ(r.from.port(), a->localPort());
    EXPECT_EQ(r.from.family, AddressFamilyIPv4);
}

TEST(UdpSocket, ADatagramLongerThanTheBufferIsNeverHandedOnInPart) {
    auto a = Bound();
    auto b = Bound();
    std::vector<uint8_t> big(1501, 0x11), fits(1500, 0x22);
    PeerAddress to = MakeAddress(Loopback, b->localPort());
    a->sendTo(to, big.data(), 1501);
    a->sendTo(to, fits.data(), 1500);
    uint8_t buffer[1500];
    ReceiveResult r = ReceiveWithin(*b, buffer, sizeof buffer);
    EXPECT_EQ(r.status, ReceiveStatus::TooLarge);
    r = ReceiveWithin(*b, buffer, sizeof buffer);
    ASSERT_EQ(r.status, ReceiveStatus::Datagram);
    EXPECT_EQ(r.length, 1500);
    EXPECT_EQ(buffer[1499], 0x22);
}

TEST(UdpSocket, WaitTimesOutAndInterruptEndsAWait) {
    auto a = Bound();
    EXPECT_EQ(a->waitReadable(30), WaitStatus::TimedOut);
    auto start = std::chrono::steady_clock::now();
    std::thread waiter([&] { a->waitReadable(20000); });
    SleepMs(50);
    a->interrupt();
    waiter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(UdpSocket, ReportsTheAddressThatRefusedADatagram) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine does not report port unreachable on UDP sockets";
    auto a = Bound();
    auto b = Bound();
    uint16_t closedPort = FreePort();
    const uint8_t ping[] = {0x42};
    a->sendTo(MakeAddress(Loopback, closedPort), ping, 1);
    uint8_t buffer[1500];
    ReceiveResult r = ReceiveWithin(*a, buffer, sizeof buffer);
    ASSERT_EQ(r.status, ReceiveStatus::Refused);
    EXPECT_EQ(r.from.port(), closedPort);
    EXPECT_EQ(r.from.ip(), Loopback);
    // The report is consumed: the socket does not stay readable.
    EXPECT_NE(a->waitReadable(100), WaitStatus::Readable);
}

TEST(UdpSocket, ASendRightAfterARefusalStillGoesOut) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine does not report port unreachable on UDP sockets";
    auto a = Bound();
    auto b = Bound();
    const uint8_t ping[] = {0x42};
    a->sendTo(MakeAddress(Loopback, FreePort()), ping, 1);
    SleepMs(50);  // the refusal is pending on a now
    EXPECT_EQ(a->sendTo(MakeAddress(Loopback, b->localPort()), ping, 1), 1);
    uint8_t buffer[1500];
    EXPECT_EQ(ReceiveWithin(*b, buffer, sizeof buffer).status, ReceiveStatus::Datagram);
    // And the receiver of a still learns of the refusal.
    EXPECT_EQ(ReceiveWithin(*a, buffer, sizeof buffer).status, ReceiveStatus::Refused);
}

TEST(UdpSocket, ASecondBindToATakenPortFails) {
    auto a = Bound();
    auto b = CreateUdpSocket();
    ASSERT_TRUE(b);
    EXPECT_FALSE(b->bind(a->localPort()));
}
