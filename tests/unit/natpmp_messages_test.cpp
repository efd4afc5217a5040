#include <gtest/gtest.h>

#include <vector>

#include "platform/portmap/natpmp_messages.h"

using namespace kv;

namespace {

TEST(NatPmpMessages, RequestsAreBigEndian) {
    const auto address = natpmp::AddressRequest();
    EXPECT_EQ(std::vector<uint8_t>(address.begin(), address.end()), (std::vector<uint8_t>{0, 0}));
    const auto map = natpmp::MappingRequest(11676, 0x1234, 3600);
    EXPECT_EQ(std::vector<uint8_t>(map.begin(), map.end()),
              (std::vector<uint8_t>{0, 1, 0, 0, 0x2D, 0x9C, 0x12, 0x34, 0, 0, 0x0E, 0x10}));
}

TEST(NatPmpMessages, MappingReplyIsRead) {
    const uint8_t data[] = {0, 129, 0, 0, 0, 0, 1, 2, 0x2D, 0x9C, 0x2D, 0x9D, 0, 0, 0x0E, 0x10};
    natpmp::Reply reply;
    ASSERT_TRUE(natpmp::ParseReply(data, sizeof data, natpmp::OpMapUdp, &reply));
    EXPECT_EQ(reply.result, natpmp::Success);
    EXPECT_EQ(reply.epochSeconds, 0x102u);
    EXPECT_EQ(reply.internalPort, 11676);
    EXPECT_EQ(reply.externalPort, 11677);
    EXPECT_EQ(reply.lifetimeSeconds, 3600u);
}

TEST(NatPmpMessages, AddressReplyIsRead) {
    const uint8_t data[] = {0, 128, 0, 0, 0, 0, 0, 9, 198, 51, 100, 1};
    natpmp::Reply reply;
    ASSERT_TRUE(natpmp::ParseReply(data, sizeof data, natpmp::OpExternalAddress, &reply));
    EXPECT_EQ(reply.externalAddress, 0xC6336401u);
    // An error may come as the common 8 bytes only.
    EXPECT_FALSE(natpmp::ParseReply(data, 8, natpmp::OpMapUdp, &reply));  // answers another request
    const uint8_t refused[] = {0, 129, 0, 2, 0, 0, 0, 9};
    ASSERT_TRUE(natpmp::ParseReply(refused, sizeof refused, natpmp::OpMapUdp, &reply));
    EXPECT_EQ(reply.result, natpmp::NotAuthorized);
}

TEST(NatPmpMessages, MalformedRepliesAreRejected) {
    uint8_t good[17] = {0, 129, 0, 0, 0, 0, 1, 2, 0x2D, 0x9C, 0x2D, 0x9D, 0, 0, 0x0E, 0x10, 0};
    natpmp::Reply reply;
    reply.externalPort = 7;
    for (size_t size = 0; size < 16; ++size) EXPECT_FALSE(natpmp::ParseReply(good, size, natpmp::OpMapUdp, &reply));
    EXPECT_FALSE(natpmp::ParseReply(good, 17, natpmp::OpMapUdp, &reply));        // too long
    EXPECT_FALSE(natpmp::ParseReply(good, 16, natpmp::OpExternalAddress, &reply));  // answers another request
    EXPECT_FALSE(natpmp::ParseReply(nullptr, 16, natpmp::OpMapUdp, &reply));
    good[0] = 1;  // another version
    EXPECT_FALSE(natpmp::ParseReply(good, 16, natpmp::OpMapUdp, &reply));
    good[0] = 0;
    good[1] = 1;  // a request, not an answer
    EXPECT_FALSE(natpmp::ParseReply(good, 16, natpmp::OpMapUdp, &reply));
    EXPECT_EQ(reply.externalPort, 7);  // untouched
    good[1] = 129;
    EXPECT_TRUE(natpmp::ParseReply(good, 16, natpmp::OpMapUdp, &reply));
}

}  // namespace
