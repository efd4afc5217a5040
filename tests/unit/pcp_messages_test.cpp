#include <gtest/gtest.h>

#include <vector>

#include "platform/portmap/pcp_messages.h"

using namespace kv;

namespace {

// 2001:db8::7, as the LAN phone's own address.
const uint8_t Own[16] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7};
const uint8_t Nonce[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

std::vector<uint8_t> Response(uint8_t result, size_t size = pcp::MapRequestSize) {
    std::vector<uint8_t> r(size, 0);
    r[0] = 2;
    r[1] = 0x81;
    r[3] = result;
    r[7] = 0x78;  // 120 s
    r[11] = 9;    // epoch
    if (size >= pcp::MapRequestSize) {
        for (int i = 0; i < 12; ++i) r[24 + i] = Nonce[i];
        r[36] = 17;
        r[40] = 0x2D, r[41] = 0x9C;  // 11676
        r[42] = 0x2D, r[43] = 0x9C;
        for (int i = 0; i < 16; ++i) r[44 + i] = Own[i];
    }
    return r;
}

TEST(PcpMessages, AMapRequestIsLaidOutAsTheRfcSays) {
    pcp::MapRequest r;
    std::memcpy(r.client, Own, 16);
    std::memcpy(r.nonce, Nonce, 12);
    r.internalPort = 11676;
    r.externalPort = 11676;
    std::memcpy(r.externalAddress, Own, 16);
    r.lifetimeSeconds = 7200;
    const auto m = pcp::BuildMap(r);
    std::vector<uint8_t> expected = {2, 1, 0, 0, 0, 0, 0x1C, 0x20};  // version, MAP, reserved, lifetime
    expected.insert(expected.end(), Own, Own + 16);                  // client address
    expected.insert(expected.end(), Nonce, Nonce + 12);
    expected.insert(expected.end(), {17, 0, 0, 0, 0x2D, 0x9C, 0x2D, 0x9C});  // UDP, reserved, ports
    expected.insert(expected.end(), Own, Own + 16);                          // suggested external address
    EXPECT_EQ(std::vector<uint8_t>(m.begin(), m.end()), expected);
}

TEST(PcpMessages, AnswersAreReadAndAnythingElseIsNot) {
    pcp::MapResponse r;
    auto ok = Response(pcp::Success);
    ASSERT_TRUE(pcp::ParseMap(ok.data(), ok.size(), &r));
    EXPECT_EQ(r.lifetimeSeconds, 120u);
    EXPECT_EQ(r.epochSeconds, 9u);
    EXPECT_EQ(r.internalPort, 11676);
    EXPECT_EQ(r.externalPort, 11676);
    EXPECT_EQ(std::memcmp(r.nonce, Nonce, 12), 0);
    EXPECT_EQ(std::memcmp(r.externalAddress, Own, 16), 0);
    ok.resize(ok.size() + 8);  // an option after the MAP fields
    EXPECT_TRUE(pcp::ParseMap(ok.data(), ok.size(), &r));

    const auto refused = Response(pcp::NotAuthorized, pcp::HeaderSize);  // an error may be the header alone
    ASSERT_TRUE(pcp::ParseMap(refused.data(), refused.size(), &r));
    EXPECT_EQ(r.result, pcp::NotAuthorized);

    r.externalPort = 7;
    const auto bare = Response(pcp::Success, pcp::HeaderSize);  // a success without its MAP fields
    EXPECT_FALSE(pcp::ParseMap(bare.data(), bare.size(), &r));
    auto bad = Response(pcp::Success);
    for (size_t size : {size_t(0), size_t(23), size_t(59), size_t(62), size_t(1104)}) {
        std::vector<uint8_t> cut = bad;
        cut.resize(size);
        EXPECT_FALSE(pcp::ParseMap(cut.data(), cut.size(), &r)) << size;
    }
    const struct {
        size_t at;
        uint8_t value;
    } changes[] = {{0, 0}, {0, 1}, {1, 0x01}, {1, 0x82}, {36, 6}};  // NAT-PMP, a request, another opcode, TCP
    for (const auto& c : changes) {
        auto changed = bad;
        changed[c.at] = c.value;
        EXPECT_FALSE(pcp::ParseMap(changed.data(), changed.size(), &r)) << c.at << "=" << int(c.value);
    }
    EXPECT_FALSE(pcp::ParseMap(nullptr, 60, &r));
    EXPECT_EQ(r.externalPort, 7);  // untouched
}

}  // namespace
