#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/protocol.h"

using namespace kv;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Of(const Datagram& d) { return Bytes(d.bytes, d.bytes + d.length); }
std::string Str(WireText t) { return std::string(t.chars, static_cast<size_t>(t.length)); }

}  // namespace

TEST(Protocol, ByteExamples) {
    EXPECT_EQ(Of(BuildCallRequest(1, "Ann")), (Bytes{0x80, 0x01, 0x41, 0x6E, 0x6E, 0x00}));
    EXPECT_EQ(Of(BuildAlerting(1, true, "Bob")), (Bytes{0x81, 0x01, 0x81, 0x42, 0x6F, 0x62, 0x00}));
    EXPECT_EQ(Of(BuildAlerting(1, false, "Bob")), (Bytes{0x81, 0x01, 0x01, 0x42, 0x6F, 0x62, 0x00}));
    EXPECT_EQ(Of(BuildAcceptConfirmed(1)), (Bytes{0x81, 0x06, 0x01}));
    EXPECT_EQ(Of(BuildLeave(1)), (Bytes{0x82, 0x01}));
    EXPECT_EQ(Of(BuildShortLeave()), (Bytes{0x82}));
    EXPECT_EQ(Of(BuildShortMessageReply(2)), (Bytes{0x85, 0x02}));

    Datagram line = BuildChatMessage(0, "hi");
    EXPECT_EQ(Of(line), (Bytes{0x83, 0x00, 'h', 'i', 0x00}));
    EXPECT_EQ(Of(BuildChatEcho(line.bytes, line.length)), (Bytes{0x83, 0x01, 'h', 'i', 0x00}));
}

TEST(Protocol, LengthsFollowTheTexts) {
    EXPECT_EQ(BuildCallRequest(0, "Ann").length, 3 + 3);
    EXPECT_EQ(BuildAccepted(0, false, "Bob").length, 3 + 4);
    EXPECT_EQ(BuildRefused("Bob", nullptr).length, 3 + 3);
    EXPECT_EQ(BuildRefused("Bob", "busy now").length, 3 + 8 + 4);
    EXPECT_EQ(BuildCodecUnsupported("Bob").length, 3 + 3);
    EXPECT_EQ(BuildBusy("Bob").length, 3 + 3);
    EXPECT_EQ(BuildChatMessage(0, "hello").length, 5 + 3);
    EXPECT_EQ(Of(BuildShortMessage("Ann", "hi")), (Bytes{0x84, 'A', 'n', 'n', 0, 'h', 'i', 0}));
    // The codec byte of a request never has its top bit set.
    EXPECT_EQ(BuildCallRequest(0x81, "Ann").bytes[1], 0x01);
}

TEST(Protocol, BuildersCutTextsToTheirFields) {
    std::string longText(500, 'x');
    EXPECT_EQ(BuildCallRequest(0, longText.c_str()).length, 99 + 3);
    EXPECT_EQ(BuildRefused("B", longText.c_str()).length, 1 + 299 + 4);
    EXPECT_EQ(BuildShortMessage(longText.c_str(), longText.c_str()).length, 99 + 299 + 3);
    EXPECT_EQ(BuildChatMessage(0, longText.c_str()).length, 99 + 3);
}

TEST(Protocol, RoundTripsEveryKind) {
    CallRequestFields req;
    Datagram d = BuildCallRequest(1, "Ann");
    ASSERT_TRUE(ParseCallRequest(d.bytes, d.length, &req));
    EXPECT_EQ(req.codec, 1);
    EXPECT_EQ(Str(req.identity), "Ann");

    CallReplyFields rep;
    d = BuildAlerting(1, true, "Bob");
    ASSERT_TRUE(ParseCallReply(d.bytes, d.length, &rep));
    EXPECT_EQ(rep.subCode, protocol::Alerting);
    EXPECT_EQ(rep.codec, 1);
    EXPECT_TRUE(rep.noParties);
    EXPECT_EQ(Str(rep.identity), "Bob");

    d = BuildAccepted(0, false, "Bob");
    ASSERT_TRUE(ParseCallReply(d.bytes, d.length, &rep));
    EXPECT_EQ(rep.subCode, protocol::Accepted);
    EXPECT_FALSE(rep.noParties);

    d = BuildBusy("Cy");
    ASSERT_TRUE(ParseCallReply(d.bytes, d.length, &rep));
    EXPECT_EQ(rep.subCode, protocol::Busy);
    EXPECT_EQ(Str(rep.identity), "Cy");

    d = BuildAcceptConfirmed(1);
    ASSERT_TRUE(ParseCallReply(d.bytes, d.length, &rep));
    EXPECT_EQ(rep.subCode, protocol::AcceptConfirmed);
    EXPECT_EQ(rep.fallback, 1);

    ChatFields chat;
    d = BuildChatMessage(1, "line");
    ASSERT_TRUE(ParseChatMessage(d.bytes, d.length, &chat));
    EXPECT_EQ(chat.echo, 1);
    EXPECT_EQ(Str(chat.line), "line");

    ShortMessageFields msg;
    d = BuildShortMessage("Ann", "see you");
    ASSERT_TRUE(ParseShortMessage(d.bytes, d.length, &msg));
    EXPECT_EQ(Str(msg.identity), "Ann");
    EXPECT_EQ(Str(msg.text), "see you");

    int result = 0;
    d = BuildShortMessageReply(3);
    ASSERT_TRUE(ParseShortMessageReply(d.bytes, d.length, &result));
    EXPECT_EQ(result, 3);
}

TEST(Protocol, RefusedCarriesItsTextOnlyWhenLonger) {
    CallReplyFields rep;
    Datagram bare = BuildRefused("Bob", nullptr);
    ASSERT_TRUE(ParseCallReply(bare.bytes, bare.length, &rep));
    EXPECT_FALSE(rep.hasRefusalText);
    EXPECT_EQ(rep.refusalText.length, 0);

    Datagram withText = BuildRefused("Bob", "in a meeting");
    ASSERT_TRUE(ParseCallReply(withText.bytes, withText.length, &rep));
    EXPECT_TRUE(rep.hasRefusalText);
    EXPECT_EQ(Str(rep.refusalText), "in a meeting");

    // A refusal text without its NUL ends at the datagram's end.
    ASSERT_TRUE(ParseCallReply(withText.bytes, withText.length - 1, &rep));
    EXPECT_EQ(Str(rep.refusalText), "in a meeting");
    // An identity without its NUL leaves no room for a text.
    ASSERT_TRUE(ParseCallReply(bare.bytes, bare.length - 1, &rep));
    EXPECT_EQ(Str(rep.identity), "Bob");
    EXPECT_FALSE(rep.hasRefusalText);
}

TEST(Protocol, LeaveReason) {
    const uint8_t one[] = {0x82};
    const uint8_t two[] = {0x82, 0x01};
    const uint8_t three[] = {0x82, 0x01, 0x07};
    EXPECT_EQ(ParseLeaveReason(one, 1), 0);
    EXPECT_EQ(ParseLeaveReason(two, 2), 1);
    EXPECT_EQ(ParseLeaveReason(three, 3), 1);
}

TEST(Protocol, TextsWithoutNulEndAtTheDatagramsEnd) {
    const uint8_t request[] = {0x80, 0x00, 'A', 'n', 'n'};
    CallRequestFields req;
    ASSERT_TRUE(ParseCallRequest(request, sizeof request, &req));
    EXPECT_EQ(Str(req.identity), "Ann");

    const uint8_t message[] = {0x84, 'A', 'n', 'n'};
    ShortMessageFields msg;
    ASSERT_TRUE(ParseShortMessage(message, sizeof message, &msg));
    EXPECT_EQ(Str(msg.identity), "Ann");
    EXPECT_EQ(msg.text.length, 0);

    const uint8_t chat[] = {0x83, 0x00, 'h', 'e', 'y'};
    ChatFields line;
    ASSERT_TRUE(ParseChatMessage(chat, sizeof chat, &line));
    EXPECT_EQ(Str(line.line), "hey");
}

TEST(Protocol, DatagramsTooShortForTheirFixedBytesAreRejected) {
    const uint8_t requestOnly[] = {0x80};
    const uint8_t alerting[] = {0x81, 0x01};
    const uint8_t confirm[] = {0x81, 0x06};
    const uint8_t replyOnly[] = {0x81};
    const uint8_t chatOnly[] = {0x83};
    const uint8_t smrOnly[] = {0x85};
    CallRequestFields req;
    CallReplyFields rep;
    ChatFields chat;
    int result;
    EXPECT_FALSE(ParseCallRequest(requestOnly, 1, &req));
    EXPECT_FALSE(ParseCallReply(alerting, 2, &rep));
    EXPECT_FALSE(ParseCallReply(confirm, 2, &rep));
    EXPECT_FALSE(ParseCallReply(replyOnly, 1, &rep));
    EXPECT_FALSE(ParseChatMessage(chatOnly, 1, &chat));
    EXPECT_FALSE(ParseShortMessageReply(smrOnly, 1, &result));
    // A request with a codec byte and nothing more has an empty identity.
    const uint8_t bare[] = {0x80, 0x01};
    ASSERT_TRUE(ParseCallRequest(bare, 2, &req));
    EXPECT_EQ(req.identity.length, 0);
}

// Every prefix of every datagram kind, in a heap block of exactly that size,
// parses without reading past it (the address sanitizer build catches any
// read beyond the end).
TEST(Protocol, NoParserReadsPastTheLength) {
    std::string id(99, 'i');
    std::string text(299, 't');
    const Datagram all[] = {BuildCallRequest(1, id.c_str()),     BuildAlerting(0, true, id.c_str()),
                            BuildAccepted(1, false, id.c_str()),  BuildRefused(id.c_str(), text.c_str()),
                            BuildCodecUnsupported(id.c_str()),    BuildBusy(id.c_str()),
                            BuildAcceptConfirmed(1),              BuildLeave(1),
                            BuildChatMessage(0, id.c_str()),      BuildShortMessage(id.c_str(), text.c_str()),
                            BuildShortMessageReply(2)};
    for (const Datagram& d : all) {
        for (int n = 1; n <= d.length; ++n) {
            std::unique_ptr<uint8_t[]> exact(new uint8_t[n]);
            std::memcpy(exact.get(), d.bytes, static_cast<size_t>(n));
            CallRequestFields req;
            CallReplyFields rep;
            ChatFields chat;
            ShortMessageFields msg;
            int result;
            if (ParseCallRequest(exact.get(), n, &req)) {
                EXPECT_LE(req.identity.length, n - 2);
            }
            if (ParseCallReply(exact.get(), n, &rep)) {
                EXPECT_LE(rep.identity.length, n - 2);
                EXPECT_LE(rep.refusalText.length, n - 2);
            }
            if (ParseChatMessage(exact.get(), n, &chat)) {
                EXPECT_LE(chat.line.length, n - 2);
            }
            if (ParseShortMessage(exact.get(), n, &msg)) {
                EXPECT_LE(msg.identity.length + msg.text.length, n - 1);
            }
            ParseShortMessageReply(exact.get(), n, &result);
            ParseLeaveReason(exact.get(), n);
        }
    }
}

TEST(Protocol, CopiesIntoFieldsAreCut) {
    std::string longId(400, 'n');
    Bytes request = {0x80, 0x00};
    request.insert(request.end(), longId.begin(), longId.end());  // no NUL at all
    CallRequestFields req;
    ASSERT_TRUE(ParseCallRequest(request.data(), static_cast<int>(request.size()), &req));
    EXPECT_EQ(req.identity.length, 400);

    struct {
        char field[100];
        char guard[8];
    } target;
    std::memset(&target, 0x55, sizeof target);
    CopyWireText(target.field, sizeof target.field, req.identity);
    EXPECT_EQ(std::strlen(target.field), 99u);
    for (char c : target.guard) EXPECT_EQ(c, 0x55);

    EXPECT_TRUE(WireTextEquals(req.identity, longId.c_str()));
    EXPECT_FALSE(WireTextEquals(req.identity, longId.substr(0, 99).c_str()));
}

TEST(Protocol, EchoKeepsTheLengthOfWhatCame) {
    // A received line may carry bytes behind its NUL; the echo is the same datagram.
    const uint8_t odd[] = {0x83, 0x00, 'a', 0x00, 'z', 'z'};
    Datagram echo = BuildChatEcho(odd, sizeof odd);
    EXPECT_EQ(Of(echo), (Bytes{0x83, 0x01, 'a', 0x00, 'z', 'z'}));
}
