#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unordered_set>

#include "platform/peer_address.h"

using namespace kv;

namespace {

PeerAddress V6(const char* text, uint16_t port = 11676) {
    PeerAddress a;
    EXPECT_TRUE(ParseAddressLiteral(text, std::strlen(text), port, &a)) << text;
    return a;
}

}  // namespace

TEST(PeerAddress, IPv6IsWrittenTheShortestWay) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"2001:DB8:0:0:0:0:0:1", "2001:db8::1"},
        {"::", "::"},
        {"::1", "::1"},
        {"1::", "1::"},
        {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},        // the first of two equal runs
        {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},     // one zero group stays
        {"2001:0db8:0000:0000:0000:ff00:0042:8329", "2001:db8::ff00:42:8329"},
        {"0:0:1:0:0:0:0:0", "0:0:1::"},                        // the longer run
        {"::ffff:10.0.0.7", "10.0.0.7"},                       // mapped IPv4 is IPv4
        {"64:ff9b::10.0.0.7", "64:ff9b::a00:7"},
    };
    for (const auto& c : cases) {
        const PeerAddress a = V6(c.in);
        EXPECT_EQ(HostText(a), c.out) << c.in;
        PeerAddress again;
        ASSERT_TRUE(ParseAddressLiteral(HostText(a).c_str(), HostText(a).size(), 11676, &again)) << c.in;
        EXPECT_TRUE(SameAddress(a, again)) << c.in;
    }
    EXPECT_EQ(HostPortText(V6("2001:db8::1", 5000)), "[2001:db8::1]:5000");
    EXPECT_EQ(HostPortText(MakeAddress(0x0A000007, 5000)), "10.0.0.7:5000");
    EXPECT_EQ(HostPortText(V6("2001:db8::1"), 11676), "2001:db8::1");
    EXPECT_EQ(HostPortText(V6("[2001:db8::1]:5000"), 11676), "[2001:db8::1]:5000");
}

TEST(PeerAddress, MalformedIPv6TextsAreRefused) {
    uint8_t b[16];
    for (const char* bad : {"", ":", ":::", "1:::2", "1::2::3", ":1:2:3:4:5:6:7", "1:2:3:4:5:6:7:", "1:2:3:4:5:6:7",
                            "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7:8::", "::1:2:3:4:5:6:7:8", "12345::", "g::1",
                            "1.2.3.4", "::1.2.3", "::1.2.3.4:5", "1:2:3:4:5:6:7:1.2.3.4", "::256.0.0.1", " ::1"})
        EXPECT_FALSE(ParseIPv6(bad, std::strlen(bad), b)) << bad;
    ASSERT_TRUE(ParseIPv6("1:2:3:4:5:6:1.2.3.4", 19, b));
    EXPECT_EQ(b[12], 1);
    EXPECT_EQ(b[15], 4);
}

TEST(PeerAddress, ZonesAreKeptOnlyOnLinkLocalAddresses) {
    // Interface 1 is the loopback interface on Linux and Windows alike.
    const PeerAddress a = V6("fe80::1%1");
    EXPECT_EQ(a.scope, 1u);
    const std::string host = HostText(a);
    EXPECT_EQ(host.rfind("fe80::1%", 0), 0u) << host;
    PeerAddress again;
    ASSERT_TRUE(ParseAddressLiteral(host.c_str(), host.size(), 11676, &again)) << host;
    EXPECT_TRUE(SameAddress(a, again));
    EXPECT_FALSE(SameAddress(a, V6("fe80::1")));  // another link
    PeerAddress b;
    EXPECT_FALSE(ParseAddressLiteral("2001:db8::1%1", 13, 11676, &b));  // a global address has no zone
    EXPECT_FALSE(ParseAddressLiteral("fe80::1%no-such-if0", 19, 11676, &b));
    bool unknown = false;
    ASSERT_TRUE(ParseAddressLiteral("[fe80::1%no-such-if0]:5", 23, 0, &b, &unknown));
    EXPECT_TRUE(unknown);
    EXPECT_EQ(b.scope, 0u);
}

TEST(PeerAddress, IPv4IsOneAddressWhicheverWayItCame) {
    const PeerAddress v4 = MakeAddress(0x0A000007, 11676);
    const PeerAddress mapped = V6("::ffff:10.0.0.7");
    EXPECT_TRUE(mapped.isIPv4());
    EXPECT_EQ(mapped.family, AddressFamilyIPv4);
    EXPECT_TRUE(SameAddress(v4, mapped));
    EXPECT_EQ(AddressHash()(v4), AddressHash()(mapped));
    std::unordered_set<PeerAddress, AddressHash, AddressEqual> set{v4, mapped, V6("::a00:7"), V6("10.0.0.7:11677")};
    EXPECT_EQ(set.size(), 3u);  // ::10.0.0.7 (not mapped) and another port are other addresses
    EXPECT_TRUE(PeerAddress().isUnspecified());
    EXPECT_TRUE(SameAddress(PeerAddress(), MakeAddress(0, 0)));
    EXPECT_TRUE(V6("::").isUnspecified());
    EXPECT_FALSE(V6("::1").isUnspecified());
}

TEST(PeerAddress, LiteralsWithAndWithoutAPort) {
    PeerAddress a;
    EXPECT_FALSE(ParseAddressLiteral("[2001:db8::1]", 13, 0, &a));  // no port, and none by default
    ASSERT_TRUE(ParseAddressLiteral("[10.0.0.7]:9", 12, 0, &a));
    EXPECT_EQ(HostPortText(a), "10.0.0.7:9");
    for (const char* bad : {"[2001:db8::1]:", "[2001:db8::1]:0", "[2001:db8::1]:65536", "[2001:db8::1]x",
                            "[2001:db8::1", "2001:db8::1]:5", "[]:5", "10.0.0.7:", "10.0.0.7:123456",
                            "[2001:db8::1]:5 ", "host:5"})
        EXPECT_FALSE(ParseAddressLiteral(bad, std::strlen(bad), 11676, &a)) << bad;
}
