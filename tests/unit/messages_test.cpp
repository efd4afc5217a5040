#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "call_harness.h"
#include "engine/event_log.h"

using namespace kv;
using namespace kvtest;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Of(const Datagram& d) { return Bytes(d.bytes, d.bytes + d.length); }

class Messages : public ::testing::Test {
protected:
    void SetUp() override {
        logDir = MakeTempDir("log");
        SetEventLogDirectory(logDir);
    }
    void TearDown() override {
        a.reset();
        b.reset();
        SetEventLogDirectory("");
        RemoveTree(logDir);
    }
    void Connect(Side& from, Side& to) {
        to.phone.Autoanswer = AnswerAccept;
        ASSERT_EQ(from.phone.PlaceCall(to.address().c_str()), 0);
        ASSERT_TRUE(to.next(IncomingConnected));
        ASSERT_TRUE(from.next(CallConnected));
        ASSERT_TRUE(
            WaitFor([&] { return from.phone.CallState == StateIdle && to.phone.CallState == StateIdle; }));
    }
    std::string chatLine(Side& s) {
        char line[200] = "";
        EXPECT_TRUE(s.next(ChatLine));
        EXPECT_TRUE(s.phone.NextChatLine(line, sizeof line));
        return line;
    }
    std::string log() { return ReadWholeFile(logDir + "/KestroVox.log"); }
    int logLines() {
        std::string all = log();
        return static_cast<int>(std::count(all.begin(), all.end(), '\n'));
    }

    std::string logDir;
    std::unique_ptr<Side> a = std::make_unique<Side>("Ann");
    std::unique_ptr<Side> b = std::make_unique<Side>("Bob");
};

}  // namespace

TEST_F(Messages, AChatLineWithOnePartyShowsBareOnceEchoed) {
    Connect(*a, *b);
    ASSERT_EQ(a->phone.QueueChatLine(nullptr, "hello there"), 0);
    EXPECT_EQ(chatLine(*b), "Ann> hello there");
    EXPECT_EQ(chatLine(*a), "hello there");
    EXPECT_STREQ(a->phone.LastChatLine, "hello there");
    EXPECT_TRUE(WaitFor([&] { return a->phone.ChatQueueCount == 0; }));
    // Lines from the other side come with its name, and to one chosen party too.
    PeerAddress ann = a->peer();
    ASSERT_EQ(b->phone.QueueChatLine(&ann, "hi Ann"), 0);
    EXPECT_EQ(chatLine(*a), "Bob> hi Ann");
}

TEST_F(Messages, WithTwoPartiesOurLineShowsOncePerEchoWithTheName) {
    Side c("Cy");
    Connect(*a, *b);
    Connect(*a, c);
    ASSERT_EQ(a->phone.QueueChatLine(nullptr, "all here?"), 0);
    std::vector<std::string> shown = {chatLine(*a), chatLine(*a)};
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"(Bob) all here?", "(Cy) all here?"}));
    EXPECT_EQ(chatLine(*b), "Ann> all here?");
    EXPECT_EQ(chatLine(c), "Ann> all here?");
}

TEST_F(Messages, ALineWhoseEchoIsLostGoesOutAgainAndShowsAgain) {
    Peer party;
    a->phone.AddParty(party.address(), "Pat");
    a->phone.ActivateParty(party.address());
    ASSERT_EQ(a->phone.QueueChatLine(nullptr, "anyone"), 0);
    Received first, second;
    ASSERT_TRUE(party.receive(&first));
    ASSERT_TRUE(party.receive(&second, 3000));  // no echo: sent again half a second later
    EXPECT_EQ(first.bytes, Of(BuildChatMessage(0, "anyone")));
    EXPECT_EQ(second.bytes, first.bytes);
    party.sendTo(a->phone.Port(), Of(BuildChatEcho(second.bytes.data(), int(second.bytes.size()))));
    EXPECT_EQ(chatLine(*a), "anyone");
    EXPECT_TRUE(WaitFor([&] { return a->phone.ChatQueueCount == 0; }));
    EXPECT_TRUE(party.drain(700).empty());

    // The receiving side shows a repeated line each time it comes.
    party.sendTo(a->phone.Port(), Of(BuildChatMessage(0, "twice")));
    party.sendTo(a->phone.Port(), Of(BuildChatMessage(0, "twice")));
    EXPECT_EQ(chatLine(*a), "Pat> twice");
    EXPECT_EQ(chatLine(*a), "Pat> twice");
    Received echoes[2];  // both echoed
    for (Received& echo : echoes) EXPECT_TRUE(party.receive(&echo));
}

TEST_F(Messages, ALineThatIsNeverEchoedGoesOutFiveTimes) {
    a->phone.Timings.chatIntervalMs = 100;
    Peer party;
    a->phone.AddParty(party.address(), "Pat");
    a->phone.ActivateParty(party.address());
    ASSERT_EQ(a->phone.QueueChatLine(nullptr, "lost"), 0);
    Received r;
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(party.receive(&r, 3000)) << i;
    EXPECT_TRUE(WaitFor([&] { return a->phone.ChatQueueCount == 0; }, 5000));
    EXPECT_TRUE(party.drain(700).empty());
    EXPECT_FALSE(a->phone.NextChatLine(nullptr, 0));
}

TEST_F(Messages, ALineFromAStrangerIsEchoedButNotShown) {
    Peer stranger;
    stranger.sendTo(a->phone.Port(), Of(BuildChatMessage(0, "psst")));
    Received r;
    ASSERT_TRUE(stranger.receive(&r));
    EXPECT_EQ(r.bytes, Of(BuildChatMessage(1, "psst")));
    char line[200];
    EXPECT_FALSE(a->phone.NextChatLine(line, sizeof line));
}

TEST_F(Messages, ASixthLineWhileFiveWaitIsRefused) {
    Peer party;  // never echoes
    a->phone.AddParty(party.address(), "Pat");
    a->phone.ActivateParty(party.address());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a->phone.QueueChatLine(nullptr, ("line " + std::to_string(i)).c_str()), 0);
    EXPECT_EQ(a->phone.QueueChatLine(nullptr, "one too many"), -1);
    EXPECT_EQ(a->phone.ChatQueueCount, 5);
}

TEST_F(Messages, ChatTextsAreCutToTheirFields) {
    Peer party;
    a->phone.AddParty(party.address(), std::string(99, 'N').c_str());
    a->phone.ActivateParty(party.address());
    std::string longLine(300, 'w');
    ASSERT_EQ(a->phone.QueueChatLine(nullptr, longLine.c_str()), 0);
    Received r;
    ASSERT_TRUE(party.receive(&r));
    EXPECT_EQ(r.bytes.size(), 99u + 3);
    // A received line of any length is shown cut, behind the whole name.
    Bytes big = {0x83, 0x00};
    big.insert(big.end(), 1400, 'z');
    party.sendTo(a->phone.Port(), big);
    std::string shown = chatLine(*a);
    EXPECT_EQ(shown.size(), 104u);
    EXPECT_EQ(shown.substr(0, 101), std::string(99, 'N') + "> ");
}

TEST_F(Messages, AShortMessageIsDeliveredAndLoggedWithLoggingOn) {
    b->phone.GenerateLog = 1;
    ASSERT_EQ(a->phone.SendShortMessage(b->address().c_str(), "see you at 8"), 0);
    EXPECT_EQ(a->phone.SendShortMessage(b->address().c_str(), "again"), -4);
    ASSERT_TRUE(a->next(MessageDelivered));
    ASSERT_TRUE(b->next(LogWritten));
    EXPECT_EQ(logLines(), 1);
    const std::string tail = "   Message from Ann (127.0.0.1): see you at 8\r\n";
    ASSERT_GE(log().size(), tail.size());
    EXPECT_EQ(log().substr(log().size() - tail.size()), tail);
    EXPECT_TRUE(WaitFor([&] { return a->phone.MessageState == MsgIdle; }));

    // A copy sent again (its reply was lost) is answered as stored, and logged once.
    Peer sender;
    sender.sendTo(b->phone.Port(), Of(BuildShortMessage("Pat", "one")));
    sender.sendTo(b->phone.Port(), Of(BuildShortMessage("Pat", "one")));
    Received replies[2];
    for (Received& reply : replies) ASSERT_TRUE(sender.receive(&reply));
    EXPECT_TRUE(sender.drain(100).empty());
    EXPECT_EQ(replies[0].bytes, (Bytes{0x85, 0x02}));
    EXPECT_EQ(replies[1].bytes, (Bytes{0x85, 0x02}));
    EXPECT_EQ(logLines(), 2);
}

TEST_F(Messages, AShortMessageIsRefusedWithLoggingOff) {
    ASSERT_EQ(a->phone.SendShortMessage(b->address().c_str(), "hello"), 0);
    ASSERT_TRUE(a->next(MessageRefused));
    EXPECT_FALSE(FileExists(logDir + "/KestroVox.log"));
    ASSERT_TRUE(WaitFor([&] { return a->phone.MessageState == MsgIdle; }));
    EXPECT_EQ(a->phone.SendShortMessage("1.2.3.x", "hello"), -1);
}

TEST_F(Messages, AShortMessageWithoutReplyEndsInNoAnswer) {
    a->phone.Timings.messageIntervalMs = 200;
    Peer silent;
    ASSERT_EQ(a->phone.SendShortMessage(("127.0.0.1:" + std::to_string(silent.port())).c_str(), "hi"), 0);
    ASSERT_TRUE(a->next(NoAnswer, nullptr, 7000));
    EXPECT_EQ(silent.drain(100).size(), 5u);
    EXPECT_TRUE(WaitFor([&] { return a->phone.MessageState == MsgIdle; }));
}

TEST_F(Messages, AnIncomingCallIsLoggedOnceHoweverOftenItsRequestComes) {
    b->phone.GenerateLog = 1;
    b->phone.Autoanswer = AnswerIgnore;
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(b->next(LogWritten));
    EXPECT_FALSE(b->next(LogWritten, nullptr, 1500));  // the repeated request is not
    const std::string expected = "   Incoming call from Ann (127.0.0.1:" + std::to_string(a->phone.Port()) + ")\r\n";
    EXPECT_NE(log().find(expected), std::string::npos);
    EXPECT_EQ(logLines(), 1);
    a->phone.AbortCall();
}

TEST_F(Messages, NetworkTextsCannotForgeLogLines) {
    b->phone.GenerateLog = 1;
    Peer sender;
    sender.sendTo(b->phone.Port(), Of(BuildShortMessage("Eve\r\n1/1/2000 0:00:00   Message from Boss", "pay\nnow")));
    ASSERT_TRUE(b->next(LogWritten));
    EXPECT_EQ(logLines(), 1);
    EXPECT_NE(log().find("Eve??1/1/2000"), std::string::npos);
    EXPECT_NE(log().find("pay?now\r\n"), std::string::npos);
}
