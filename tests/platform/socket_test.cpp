#include <gtest/gtest.h>

#ifdef __linux__
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstring>
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

TEST(UdpSocket, OneSocketIsReachedOverIPv6AndIPv4) {
    auto b = Bound();
    if (!b->dualStack()) GTEST_SKIP() << "this system has no IPv6";
    uint8_t loopback6[16] = {};
    loopback6[15] = 1;
    const uint8_t hello[] = {1, 2, 3};
    auto a6 = Bound();
    auto a4 = CreateIPv4UdpSocket();
    ASSERT_TRUE(a4 && a4->bind(0));
    EXPECT_FALSE(a4->dualStack());
    EXPECT_EQ(a4->sendTo(MakeIPv6Address(loopback6, b->localPort()), hello, 3), -1);  // no IPv6 on it
    ASSERT_EQ(a6->sendTo(MakeIPv6Address(loopback6, b->localPort()), hello, 3), 3);
    ASSERT_EQ(a4->sendTo(MakeAddress(Loopback, b->localPort()), hello, 3), 3);
    uint8_t buffer[1500];
    ReceiveResult first = ReceiveWithin(*b, buffer, sizeof buffer);
    ReceiveResult second = ReceiveWithin(*b, buffer, sizeof buffer);
    ASSERT_EQ(first.status, ReceiveStatus::Datagram);
    ASSERT_EQ(second.status, ReceiveStatus::Datagram);
    EXPECT_EQ(HostPortText(first.from), "[::1]:" + std::to_string(a6->localPort()));
    EXPECT_EQ(second.from.family, AddressFamilyIPv4);  // mapped, and shown as IPv4
    EXPECT_EQ(HostPortText(second.from), "127.0.0.1:" + std::to_string(a4->localPort()));
    // An answer to the IPv4 sender goes back over IPv4.
    ASSERT_EQ(b->sendTo(second.from, hello, 3), 3);
    EXPECT_EQ(ReceiveWithin(*a4, buffer, sizeof buffer).status, ReceiveStatus::Datagram);
}

TEST(UdpSocket, APortUnreachableOverIPv6IsReportedWithTheAddress) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine does not report port unreachable on UDP sockets";
    auto a = Bound();
    if (!a->dualStack()) GTEST_SKIP() << "this system has no IPv6";
    uint8_t loopback6[16] = {};
    loopback6[15] = 1;
    const PeerAddress closed = MakeIPv6Address(loopback6, FreePort());
    const uint8_t ping[] = {0x42};
    ASSERT_EQ(a->sendTo(closed, ping, 1), 1);
    uint8_t buffer[1500];
    const ReceiveResult r = ReceiveWithin(*a, buffer, sizeof buffer);
    EXPECT_EQ(r.status, ReceiveStatus::Refused);
    EXPECT_TRUE(SameAddress(r.from, closed)) << HostPortText(r.from);
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

#ifdef __linux__
namespace {

// Hands this host's stack an ICMP error of the type and code about a datagram
// sent from 127.0.0.1:fromPort to `to`, as a router on the way would return
// it. False when a raw socket is refused (it needs CAP_NET_RAW).
bool DeliverIcmpError(uint8_t type, uint8_t code, uint16_t fromPort, const PeerAddress& to) {
    int fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (fd < 0) return false;
    uint8_t packet[8 + 20 + 8 + 1] = {};
    packet[0] = type;
    packet[1] = code;
    uint8_t* ip = packet + 8;  // the header of the datagram it is about, and its first bytes
    ip[0] = 0x45;
    ip[3] = 20 + 8 + 1;
    ip[8] = 1;
    ip[9] = IPPROTO_UDP;
    const uint8_t self[4] = {127, 0, 0, 1};
    std::memcpy(ip + 12, self, 4);
    std::memcpy(ip + 16, to.bytes + 12, 4);
    uint8_t* udp = ip + 20;
    udp[0] = uint8_t(fromPort >> 8);
    udp[1] = uint8_t(fromPort);
    std::memcpy(udp + 2, to.portBytes, 2);
    udp[5] = 8 + 1;
    uint32_t sum = 0;
    for (size_t i = 0; i < sizeof packet; i += 2)
        sum += uint32_t(packet[i] << 8 | (i + 1 < sizeof packet ? packet[i + 1] : 0));
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    packet[2] = uint8_t(~sum >> 8);
    packet[3] = uint8_t(~sum);
    sockaddr_in dest{};
    dest.sin_family = AF_INET;
    dest.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool sent = sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&dest), sizeof dest) ==
                      ssize_t(sizeof packet);
    close(fd);
    return sent;
}

}  // namespace

TEST(UdpSocket, ASendRightAfterAnyOtherIcmpErrorStillGoesOut) {
    const struct {
        uint8_t type, code;
        const char* what;
    } errors[] = {{3, 1, "host unreachable"}, {3, 0, "network unreachable"}, {11, 0, "time to live exceeded"}};
    for (const auto& e : errors) {
        SCOPED_TRACE(e.what);
        auto a = Bound();
        auto b = Bound();
        if (!DeliverIcmpError(e.type, e.code, a->localPort(), MakeAddress(0x0A636363, 11676)))
            GTEST_SKIP() << "a raw socket needs CAP_NET_RAW: no ICMP error can be made";
        // The error is pending on a once a is readable.
        ASSERT_EQ(a->waitReadable(5000), WaitStatus::Readable);
        const uint8_t ping[] = {0x42};
        EXPECT_EQ(a->sendTo(MakeAddress(Loopback, b->localPort()), ping, 1), 1);
        uint8_t buffer[1500];
        EXPECT_EQ(ReceiveWithin(*b, buffer, sizeof buffer).status, ReceiveStatus::Datagram);
        // Its report is taken off without being read as a refusal.
        EXPECT_EQ(a->receive(buffer, sizeof buffer).status, ReceiveStatus::Nothing);
        EXPECT_NE(a->waitReadable(100), WaitStatus::Readable);
    }
}
#endif

TEST(UdpSocket, ADatagramThatArrivedBeforeARefusalIsTakenFirst) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine does not report port unreachable on UDP sockets";
    auto a = Bound();
    auto b = Bound();
    const uint8_t bye[] = {0x82};
    b->sendTo(MakeAddress(Loopback, a->localPort()), bye, 1);
    ASSERT_EQ(a->waitReadable(2000), WaitStatus::Readable);
    const uint16_t closedPort = FreePort();
    a->sendTo(MakeAddress(Loopback, closedPort), bye, 1);  // refused while the datagram waits
    uint8_t buffer[1500];
    ReceiveResult first = ReceiveWithin(*a, buffer, sizeof buffer);
    EXPECT_EQ(first.status, ReceiveStatus::Datagram);
    EXPECT_EQ(first.from.port(), b->localPort());
    ReceiveResult second = ReceiveWithin(*a, buffer, sizeof buffer);
    EXPECT_EQ(second.status, ReceiveStatus::Refused);
    EXPECT_EQ(second.from.port(), closedPort);
}

TEST(UdpSocket, ASecondBindToATakenPortFails) {
    auto a = Bound();
    auto b = CreateUdpSocket();
    ASSERT_TRUE(b);
    EXPECT_FALSE(b->bind(a->localPort()));
}
