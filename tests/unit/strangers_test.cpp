// Datagrams from addresses that have no part in a call: they draw their own
// reply at most, paid for by what they sent, and never move a call setup on.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "call_harness.h"
#include "engine/event_log.h"
#include "engine/strangers.h"

using namespace kv;
using namespace kvtest;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Of(const Datagram& d) { return Bytes(d.bytes, d.bytes + d.length); }
const Bytes UnknownCodec = {0x80, 0x7F, 0x00};  // a call request no phone can decode

class Strangers : public ::testing::Test {
protected:
    void SetUp() override {
        SetConversionOpener(WithoutTrueSpeech);
        ResetCodecAvailability();
    }
    void TearDown() override {
        a.reset();
        b.reset();
        SetConversionOpener(nullptr);
        ResetCodecAvailability();
    }
    std::unique_ptr<Side> a = std::make_unique<Side>("Ann");
    std::unique_ptr<Side> b = std::make_unique<Side>("Bob");
    Peer stranger;
};

std::atomic<int64_t> gNow{0};

// Every peer of these tests shares 127.0.0.1: a flood's worth of replies to one host.
void AllowManyReplies(Phone& phone) {
    StrangerLimits limits = phone.Limits;
    limits.repliesPerSourcePerSecond = 1000;
    limits.replyBurstTotal = 1000;
    phone.SetLimits(limits);
}
int64_t TestClock() { return gNow.load(); }

}  // namespace

TEST_F(Strangers, AnUndecodableRequestLeavesEverySetupAlone) {
    // Ann's outgoing setup, while Bob rings.
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(b->next(IncomingCall));
    stranger.sendTo(a->phone.Port(), UnknownCodec);
    stranger.sendTo(b->phone.Port(), UnknownCodec);
    Received r;
    ASSERT_TRUE(stranger.receive(&r));
    EXPECT_EQ(r.bytes[1], protocol::CodecUnsupported);  // its own reply, nothing more
    ASSERT_TRUE(a->next(PartyAlerted));
    EXPECT_EQ(a->phone.CallState, StatePartyAlerted);
    EXPECT_EQ(b->phone.CallState, StateIncoming);
    EXPECT_STREQ(b->phone.RemoteName, "Ann");
    EXPECT_TRUE(SameAddress(b->phone.ReadAddress(b->phone.RemoteAddress), a->peer()));

    // Right after Bob's accept.
    ASSERT_EQ(b->phone.AnswerCall(1), AnswerGiven);
    stranger.sendTo(b->phone.Port(), UnknownCodec);
    ASSERT_TRUE(a->next(CallConnected));
    ASSERT_TRUE(b->next(IncomingConnected));
    ASSERT_EQ(b->phone.PartyCount, 1);
    EXPECT_EQ(b->phone.PartyActive[0], 1);

    // A phone that ignores calls gives nothing away.
    stranger.drain(100);
    b->phone.Autoanswer = AnswerIgnore;
    stranger.sendTo(b->phone.Port(), UnknownCodec);
    stranger.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "Eve")));
    EXPECT_TRUE(stranger.drain(200).empty());
}

TEST_F(Strangers, ARefusingPhoneRefusesTheStrangerAndKeepsItsOwnCallGoing) {
    for (int refusal = 0; refusal < 2; ++refusal) {
        if (refusal) {
            a->phone.Autoanswer = AnswerAsk;
            a->phone.WriteText(a->phone.RefusalMessage, sizeof a->phone.RefusalMessage, "Out");
        } else {
            a->phone.Autoanswer = AnswerRefuse;
        }
        ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
        ASSERT_TRUE(a->next(PartyAlerted));
        stranger.sendTo(a->phone.Port(), Of(BuildCallRequest(0, "Eve")));
        Received r;
        ASSERT_TRUE(stranger.receive(&r));
        EXPECT_EQ(r.bytes[1], protocol::Refused);
        EXPECT_EQ(a->phone.CallState, StatePartyAlerted);
        // (The alert may have been a late one of the call before: Bob rings once this call has reached him.)
        ASSERT_TRUE(WaitFor([&] { return b->phone.CallState == StateIncoming; }));
        ASSERT_EQ(b->phone.AnswerCall(0), AnswerGiven);
        ASSERT_TRUE(a->next(CallRefused));
        ASSERT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle; }));
        stranger.drain(100);
    }
}

TEST_F(Strangers, AFailedConfirmationRemovesTheNewEntryNotTheEstablishedParty) {
    b->phone.Autoanswer = AnswerAccept;
    b->phone.Timings.acceptIntervalMs = 20;
    Peer party;  // in the call already, and calling again (it restarted, say)
    b->phone.AddParty(party.address(), "Pat");
    b->phone.ActivateParty(party.address());
    party.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "Pat")));
    ASSERT_TRUE(b->next(CallSetupFailed));
    ASSERT_EQ(b->phone.PartyCount, 1);
    EXPECT_EQ(b->phone.PartyActive[0], 1);
}

TEST_F(Strangers, RequestAndResetPairsLeaveNoStuckPartyAndTheNextCallTransmits) {
    AllowManyReplies(b->phone);
    b->phone.Autoanswer = AnswerAccept;
    b->phone.Timings.acceptIntervalMs = 5;
    for (int i = 0; i < 20; ++i) {
        Peer caller;
        caller.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "Eve")));
        stranger.sendTo(b->phone.Port(), UnknownCodec);
        ASSERT_TRUE(b->next(CallSetupFailed));
    }
    ASSERT_TRUE(WaitFor([&] { return b->phone.PartyCount == 0 && b->phone.CallState == StateIdle; }));
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    // A generous limit: under Wine on a busy machine the whole call takes seconds.
    ASSERT_TRUE(b->next(IncomingConnected, nullptr, 15000));
    ASSERT_EQ(b->phone.PartyCount, 1);
    EXPECT_EQ(b->phone.PartyActive[0], 1);  // party 0 active: Bob's microphone goes out
}

TEST_F(Strangers, NobodyIsBusyWhileTheUserReadsAboutAFailedSetup) {
    b->phone.Autoanswer = AnswerAccept;
    b->phone.Timings.acceptIntervalMs = 20;
    stranger.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "Eve")));
    // CallSetupFailed waits in the queue, as a message box would wait for its click.
    auto reported = [&] {
        char name[100];
        b->phone.ReadText(b->phone.ReportName, name, sizeof name);
        return std::string(name) == "Eve";  // what the message is about
    };
    ASSERT_TRUE(WaitFor([&] { return reported() && b->phone.PartyCount == 0 && b->phone.CallState == StateIdle; }));
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(CallConnected));
}

TEST_F(Strangers, AStaleAnswerNeverTakesAnotherCall) {
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(b->next(IncomingCall));
    EXPECT_EQ(b->phone.AnswerCall(1, stranger.address()), AnswerNothingRings);
    EXPECT_EQ(b->phone.CallState, StateIncoming);
    EXPECT_EQ(b->phone.AnswerCall(1, a->peer()), AnswerGiven);
    ASSERT_TRUE(b->next(IncomingConnected));
}

TEST_F(Strangers, ASourceThatRingsOverAndOverRingsQuietlyAndAGenuineCallbackStillRings) {
    auto ring = [&](Peer& from, const char* name) {
        Notification n;
        from.sendTo(b->phone.Port(), Of(BuildCallRequest(0, name)));
        EXPECT_TRUE(b->next(IncomingCall, &n));
        from.sendTo(b->phone.Port(), Of(BuildShortLeave()));
        EXPECT_TRUE(b->next(CallerCancelled));
        return n.value;
    };
    for (int i = 0; i < b->phone.Limits.ringsAloudPerSource; ++i) EXPECT_EQ(ring(stranger, "Eve"), RingAloud);
    EXPECT_EQ(ring(stranger, "Eve"), RingQuiet);
    Peer genuine;
    EXPECT_EQ(ring(genuine, "Gus"), RingAloud);
    EXPECT_EQ(ring(genuine, "Gus"), RingAloud);  // called again after giving up
}

TEST_F(Strangers, OnlyTheAddresseeEchoesAChatLine) {
    a->phone.Timings.chatIntervalMs = 100;
    Peer pat, quin;
    for (Peer* p : {&pat, &quin}) {
        a->phone.AddParty(p->address(), "party");
        a->phone.ActivateParty(p->address());
    }
    const PeerAddress to = pat.address();
    ASSERT_EQ(a->phone.QueueChatLine(&to, "hi"), 0);
    Received r;
    ASSERT_TRUE(pat.receive(&r));
    const Datagram echo = BuildChatEcho(r.bytes.data(), static_cast<int>(r.bytes.size()));
    // Neither a stranger nor a party the line did not go to takes it off the queue.
    stranger.sendTo(a->phone.Port(), echo.bytes, echo.length);
    quin.sendTo(a->phone.Port(), echo.bytes, echo.length);
    ASSERT_TRUE(pat.receive(&r));  // so it goes out again
    EXPECT_EQ(a->phone.ChatQueueCount, 1);
    pat.sendTo(a->phone.Port(), echo.bytes, echo.length);
    EXPECT_TRUE(WaitFor([&] { return a->phone.ChatQueueCount == 0; }));
}

TEST_F(Strangers, APeersRetriedRefusalsAllPass) {
    b->phone.LimitClock = TestClock;  // frozen: no allowance comes back during the test
    b->phone.Autoanswer = AnswerRefuse;
    b->phone.WriteText(b->phone.RefusalMessage, sizeof b->phone.RefusalMessage, std::string(299, 'r').c_str());
    Peer caller;  // the longest refusal, five times, as a caller whose replies are lost asks
    for (int i = 0; i < 5; ++i) caller.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "C")));
    EXPECT_EQ(caller.drain(300).size(), 10u);
}

TEST_F(Strangers, AFloodGetsBackLessThanItSent) {
    b->phone.LimitClock = TestClock;
    Peer first;
    first.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "First")));
    ASSERT_TRUE(b->next(IncomingCall));
    const Bytes request = {0x80, 0x00};  // codec 0 and not even an identity: Busy for each
    const int count = 3000;
    for (int i = 0; i < count; ++i) stranger.sendTo(b->phone.Port(), request);
    size_t back = 0, replies = 0;
    for (const Received& r : stranger.drain(500)) {
        back += r.bytes.size();
        ++replies;
    }
    const size_t sent = request.size() * count;
    EXPECT_GT(replies, 0u);
    EXPECT_LE(back, sent / 2 + static_cast<size_t>(b->phone.Limits.replyAllowanceBytes));
}

TEST(StrangerGuard, BudgetsRingsAndLogLines) {
    StrangerLimits limits;
    StrangerGuard guard(limits);
    const PeerAddress one = MakeAddress(0x0A000001, 11676), two = MakeAddress(0x0A000002, 11676);
    // The allowance: spent, then refilled with time; what a source sends earns half.
    EXPECT_TRUE(guard.mayReply(one, limits.replyAllowanceBytes, 0));
    EXPECT_FALSE(guard.mayReply(one, 10, 0));
    guard.received(one, 20, 0);
    EXPECT_TRUE(guard.mayReply(one, 10, 0));
    EXPECT_FALSE(guard.mayReply(one, 1, 0));
    EXPECT_TRUE(guard.mayReply(one, limits.replyAllowanceRefillBytesPerSecond, 1000));
    // The pool: sources together get no more than it holds.
    StrangerGuard shared(limits);
    int passed = 0;
    for (uint32_t ip = 1; ip <= 100; ++ip) passed += shared.mayReply(MakeAddress(0x0B000000 + ip, 1), 500, 0);
    EXPECT_EQ(passed, limits.replyPoolBytes / 500);

    // And replies are counted, per source and in all.
    StrangerGuard counted(limits);
    int replies = 0;
    for (int i = 0; i < 20; ++i) replies += counted.mayReply(one, 1, 0);
    EXPECT_EQ(replies, limits.repliesPerSourcePerSecond);
    for (uint32_t ip = 1; ip <= 200; ++ip) replies += counted.mayReply(MakeAddress(0x0E000000 + ip, 1), 1, 0);
    EXPECT_EQ(replies, limits.replyBurstTotal);
    EXPECT_TRUE(counted.mayReply(two, 1, 1000));

    // Rings aloud: per source and in all, within the window.
    for (int i = 0; i < limits.ringsAloudPerSource; ++i) EXPECT_TRUE(guard.ringAloud(one, 0));
    EXPECT_FALSE(guard.ringAloud(one, 0));
    EXPECT_TRUE(guard.ringAloud(two, 0));
    int aloud = 0;
    for (uint32_t ip = 1; ip <= 50; ++ip) aloud += guard.ringAloud(MakeAddress(0x0C000000 + ip, 1), 0);
    EXPECT_EQ(aloud, limits.ringsAloudTotal - limits.ringsAloudPerSource - 1);
    EXPECT_TRUE(guard.ringAloud(one, limits.ringWindowMs));

    // Log lines: a repeat is recognised, a source and everyone are bounded a minute.
    StrangerGuard logs(limits);
    EXPECT_EQ(logs.mayLog(one, 7, 0), StrangerGuard::LogWrite);
    EXPECT_EQ(logs.mayLog(one, 7, 10), StrangerGuard::LogRepeat);
    for (int i = 1; i < limits.logLinesPerSource; ++i) EXPECT_EQ(logs.mayLog(one, 100 + i, 20), StrangerGuard::LogWrite);
    EXPECT_EQ(logs.mayLog(one, 99, 30), StrangerGuard::LogOverLimit);
    EXPECT_EQ(logs.mayLog(one, 99, 60000), StrangerGuard::LogWrite);
    int lines = 0;
    for (uint32_t ip = 1; ip <= 200; ++ip)
        lines += logs.mayLog(MakeAddress(0x0D000000 + ip, 1), ip, 60010) == StrangerGuard::LogWrite;
    EXPECT_EQ(lines, limits.logLinesTotal - 1);
}

TEST(EventLogFile, ALineThatWouldPassTheLimitMovesTheFileAside) {
    const std::string dir = MakeTempDir("kvlog");
    SetEventLogDirectory(dir);
    const std::string old(static_cast<size_t>(LogFileLimit - 10), 'x');
    ASSERT_TRUE(AppendToSharedFile(EventLogPath().c_str(), old.data(), static_cast<int>(old.size())));
    ASSERT_TRUE(AppendLogLine("Message from %s", "Ann"));
    EXPECT_EQ(ReadWholeFile(OldEventLogPath()), old);
    const std::string now = ReadWholeFile(EventLogPath());
    EXPECT_NE(now.find("Message from Ann\r\n"), std::string::npos);
    EXPECT_LT(now.size(), 100u);
    SetEventLogDirectory("");
    RemoveTree(dir);
}

TEST_F(Strangers, ASourcesShortMessagesBeyondItsLinesAreNotStoredAndSaySo) {
    AllowManyReplies(b->phone);
    const std::string dir = MakeTempDir("kvlimit");
    SetEventLogDirectory(dir);
    b->phone.GenerateLog = 1;
    b->phone.LimitClock = TestClock;
    const int allowed = b->phone.Limits.logLinesPerSource;
    for (int i = 0; i < allowed + 5; ++i)
        stranger.sendTo(b->phone.Port(), Of(BuildShortMessage("Eve", ("spam " + std::to_string(i)).c_str())));
    int stored = 0, refused = 0;
    for (const Received& r : stranger.drain(500)) (r.bytes == Bytes{0x85, 0x02} ? stored : refused)++;
    EXPECT_EQ(stored, allowed);
    EXPECT_EQ(refused, 5);
    const std::string log = ReadWholeFile(EventLogPath());
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), allowed);
    SetEventLogDirectory("");
    RemoveTree(dir);
}

TEST_F(Strangers, ACancelledSetupsThreadLeavesTheNextCallersSetupAlone) {
    AllowManyReplies(b->phone);
    b->phone.Autoanswer = AnswerAccept;
    for (int trial = 0; trial < 10; ++trial) {
        Peer x, y;
        Received r;
        x.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "X")));
        ASSERT_TRUE(x.receive(&r));
        // X gives up, and at once Y calls: X's setup thread must not take Y's for its own.
        x.sendTo(b->phone.Port(), Of(BuildShortLeave()));
        y.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "Y")));
        ASSERT_TRUE(y.receive(&r));
        ASSERT_EQ(r.bytes[1], protocol::Accepted);
        y.sendTo(b->phone.Port(), Of(BuildAcceptConfirmed(0)));
        ASSERT_TRUE(WaitFor([&] {
            std::lock_guard<std::recursive_mutex> guard(b->phone.PartyLock);
            return b->phone.CallState == StateIdle && b->phone.PartyCount == 1 && b->phone.PartyActive[0];
        })) << "trial " << trial;
        EXPECT_TRUE(SameAddress(b->phone.PartyAddress[0], y.address()));
        y.sendTo(b->phone.Port(), Of(BuildLeave(0)));
        ASSERT_TRUE(WaitFor([&] { return b->phone.PartyCount == 0; }));
    }
}
