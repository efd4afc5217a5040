// The console session against real Phones on loopback in this process: what a
// typed command does, and which line each engine event prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "console/commands.h"
#include "console/events.h"
#include "console/output.h"
#include "engine/phone.h"
#include "platform/manual_wave.h"
#include "test_support.h"
#include "engine/event_log.h"

using namespace kv;
using namespace kv::console;

namespace {

struct ConsolePeer {
    ConsolePeer(const char* name, int answer, int privacy, uint16_t port) : phone(port) {
        phone.Privacy = privacy;
        phone.SetAudioDevices(&devices);
        phone.NotifyWindow = &events;
        phone.WriteText(phone.Identity, sizeof phone.Identity, name);
        phone.Autoanswer = answer;
        phone.SetMaxDelay(1000);
        phone.Capture.inputThreshold = CaptureDevice::ThresholdOff;
        if (!phone.Start()) std::abort();
        phone.FramesPerPacket = 4;
    }
    ~ConsolePeer() {
        events.close();
        phone.Shutdown();
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(phone.Port()); }
    bool saw(const std::string& line) const { return std::find(out.begin(), out.end(), line) != out.end(); }
    bool sawPrefix(const std::string& prefix) const { return !find(prefix).empty(); }
    // The last line that begins with the prefix, or "".
    std::string find(const std::string& prefix) const {
        for (auto l = out.rbegin(); l != out.rend(); ++l)
            if (l->compare(0, prefix.size(), prefix) == 0) return *l;
        return "";
    }
    bool run(const std::string& line) { return session.RunLine(line); }
    void handleWaiting() {
        EngineEvent e;
        while (events.next(&e, 0)) session.HandleEvent(e, now);
    }

    ManualWaveDevices devices;
    Phone phone;
    EventSink events{phone};
    std::vector<std::string> out, err;
    Session session{phone, [this](const std::string& l) { out.push_back(l); },
                    [this](const std::string& l) { err.push_back(l); }};
    int64_t now = 0;
};

class ConsoleSession : public ::testing::Test {
protected:
    ConsolePeer& add(const char* name, int answer = AnswerAsk, int privacy = PrivacyPlain, uint16_t port = 0) {
        peers_.push_back(std::make_unique<ConsolePeer>(name, answer, privacy, port));
        return *peers_.back();
    }
    // The peer at that place gone, and another in its place on the same port.
    ConsolePeer& replace(ConsolePeer& old, const char* name, int answer, int privacy) {
        for (auto& p : peers_)
            if (p.get() == &old) {
                const uint16_t port = old.phone.Port();
                p.reset();
                p = std::make_unique<ConsolePeer>(name, answer, privacy, port);
                return *p;
            }
        std::abort();
    }
    // Handles every peer's events (as each console's main loop does) until
    // the condition holds; generous time-out for slow machines.
    bool until(const std::function<bool()>& cond, int timeoutMs = 8000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (auto& p : peers_) p->handleWaiting();
            if (cond()) return true;
            if (std::chrono::steady_clock::now() > end) return false;
            kvtest::SleepMs(5);
        }
    }
    bool sees(ConsolePeer& p, const std::string& line, int timeoutMs = 8000) {
        bool ok = until([&] { return p.saw(line); }, timeoutMs);
        if (!ok) ADD_FAILURE() << "never printed: " << line << "\nlast lines: " << Tail(p);
        return ok;
    }
    static std::string Tail(const ConsolePeer& p) {
        std::string s;
        for (const std::string& l : p.out) s += "\n  " + l;
        return s;
    }

    std::vector<std::unique_ptr<ConsolePeer>> peers_;
};

}  // namespace

TEST_F(ConsoleSession, AskAcceptChatBothWaysAndHangUp) {
    ConsolePeer& ann = add("Ann");
    ConsolePeer& bob = add("Bob");
    ASSERT_TRUE(ann.run("call " + bob.address()));
    EXPECT_EQ(ann.out.at(0), "calling address=" + bob.address());
    ASSERT_TRUE(sees(bob, "incoming-call name=\"Ann\" address=" + ann.address() + " ring=aloud"));
    ASSERT_TRUE(sees(ann, "alerted name=\"Bob\" address=" + bob.address()));

    ASSERT_TRUE(bob.run("accept"));
    ASSERT_TRUE(sees(ann, "connected name=\"Bob\" address=" + bob.address() + " direction=outgoing private=0"));
    ASSERT_TRUE(sees(bob, "connected name=\"Ann\" address=" + ann.address() + " direction=incoming private=0"));
    EXPECT_TRUE(ann.saw("parties-changed count=1"));

    ASSERT_TRUE(ann.run("chat hello from Ann"));
    EXPECT_TRUE(sees(bob, "chat line=\"Ann> hello from Ann\""));
    EXPECT_TRUE(sees(ann, "chat line=\"hello from Ann\""));  // our line, echoed by the one party
    ASSERT_TRUE(bob.run("chat " + ann.address() + " \"quoted\" back"));
    EXPECT_TRUE(sees(ann, "chat line=\"Bob> \\\"quoted\\\" back\""));

    // The setup thread goes back to idle once "connected" was handled.
    ASSERT_TRUE(until([&] { return ann.phone.CallState == StateIdle; }));
    // The speaker opens once for the call, before any audio.
    ASSERT_TRUE(until([&] { return ann.phone.PartyChannel[0]->opens() == 1; }));
    ann.out.clear();
    ASSERT_TRUE(ann.run("parties"));
    EXPECT_EQ(ann.out, (std::vector<std::string>{"parties count=1", "party index=0 name=\"Bob\" address=" +
                                                                          bob.address() + " active=1 opens=1 concealed=0 codec=none played=0 private=0"}));
    ASSERT_TRUE(ann.run("status"));
    ASSERT_EQ(ann.out.size(), 3u);
    EXPECT_EQ(ann.out[2].rfind("status text=\"Connected to Bob (127.0.0.1)", 0), 0u) << ann.out[2];
    EXPECT_NE(ann.out[2].find(" call-state=0 parties=1 "), std::string::npos);
    EXPECT_NE(ann.out[2].find(" name=\"Ann\" port=" + std::to_string(ann.phone.Port()) + " answer=ask"),
              std::string::npos);
    // No audio was sent: nothing played.
    const std::string last = " playout-opens=0 concealed=0 echo-cancel=0 noise-suppress=0 external=none privacy=0 key=" +
                             ann.phone.OwnFingerprint();
    EXPECT_EQ(ann.out[2].substr(ann.out[2].size() - std::min(ann.out[2].size(), last.size())), last);

    ASSERT_TRUE(ann.run("hangup"));
    EXPECT_TRUE(sees(bob, "party-left name=\"Ann\" address=" + ann.address() + " reason=hung-up"));
    EXPECT_TRUE(sees(ann, "parties-changed count=0"));
    EXPECT_TRUE(ann.err.empty());
    EXPECT_TRUE(bob.err.empty());
    EXPECT_FALSE(ann.session.QuitRequested());
}

TEST_F(ConsoleSession, UnansweredCallIsRefusedAfterOneMinute) {
    ConsolePeer& ann = add("Ann");
    ConsolePeer& bob = add("Bob");
    bob.now = 1000;
    ASSERT_TRUE(ann.run("call " + bob.address()));
    ASSERT_TRUE(sees(bob, "incoming-call name=\"Ann\" address=" + ann.address() + " ring=aloud"));
    ASSERT_TRUE(sees(ann, "alerted name=\"Bob\" address=" + bob.address()));

    // The main loop sleeps until the minute is up.
    EXPECT_EQ(bob.session.NextDeadline(), std::optional<int64_t>(1000 + bob.phone.Timings.ringTimeoutMs));
    bob.session.Tick(1000 + bob.phone.Timings.ringTimeoutMs - 1);
    EXPECT_EQ(bob.phone.CallState, StateIncoming);
    bob.session.Tick(1000 + bob.phone.Timings.ringTimeoutMs);
    EXPECT_TRUE(bob.saw("incoming-timeout name=\"Ann\" address=" + ann.address()));
    EXPECT_TRUE(sees(ann, "call-refused name=\"Bob\" address=" + bob.address() + " text=\"\""));
    EXPECT_FALSE(bob.run("accept"));
    EXPECT_EQ(bob.err.back(), "no incoming call is waiting");
}

TEST_F(ConsoleSession, CallerWhoGivesUpEndsTheWait) {
    ConsolePeer& ann = add("Ann");
    ConsolePeer& bob = add("Bob");
    ASSERT_TRUE(ann.run("call " + bob.address()));
    ASSERT_TRUE(sees(ann, "alerted name=\"Bob\" address=" + bob.address()));
    ASSERT_TRUE(sees(bob, "incoming-call name=\"Ann\" address=" + ann.address() + " ring=aloud"));
    EXPECT_FALSE(bob.run("hangup"));  // ringing here: answer it instead
    EXPECT_NE(bob.err.back().find("accept or refuse"), std::string::npos);
    ASSERT_TRUE(ann.run("hangup"));  // cancels the setup
    EXPECT_TRUE(sees(bob, "call-cancelled name=\"Ann\" address=" + ann.address() + " reason=hung-up"));
    EXPECT_FALSE(bob.session.NextDeadline());
    bob.session.Tick(bob.phone.Timings.ringTimeoutMs * 2);
    EXPECT_FALSE(bob.sawPrefix("incoming-timeout"));
}

TEST_F(ConsoleSession, RefusalWithTextAndAutomaticAnswers) {
    ConsolePeer& ann = add("Ann");
    ConsolePeer& bob = add("Bob", AnswerAccept);
    ConsolePeer& cid = add("Cid", AnswerRefuse);
    bob.phone.WriteText(bob.phone.RefusalMessage, sizeof bob.phone.RefusalMessage, "Back at 3\nline two");
    ASSERT_TRUE(ann.run("call " + bob.address()));
    EXPECT_TRUE(sees(ann, "call-refused name=\"Bob\" address=" + bob.address() + " text=\"Back at 3\\nline two\""));
    EXPECT_FALSE(bob.sawPrefix("incoming-call"));

    ASSERT_TRUE(until([&] { return ann.phone.CallState == StateIdle; }));
    ASSERT_TRUE(ann.run("call " + cid.address()));
    EXPECT_TRUE(sees(ann, "call-refused name=\"Cid\" address=" + cid.address() + " text=\"\""));
}

TEST_F(ConsoleSession, HangupAfterEndsTheSessionOnTime) {
    ConsolePeer& ann = add("Ann");
    ConsolePeer& bob = add("Bob", AnswerAccept);
    ann.now = 5000;
    ann.session.SetHangupAfter(1500);
    ann.session.Tick(100000);  // nothing connected yet: no deadline
    EXPECT_FALSE(ann.session.QuitRequested());
    EXPECT_FALSE(ann.session.NextDeadline());
    ASSERT_TRUE(ann.run("call " + bob.address()));
    ASSERT_TRUE(sees(ann, "connected name=\"Bob\" address=" + bob.address() + " direction=outgoing private=0"));
    ASSERT_TRUE(sees(bob, "connected name=\"Ann\" address=" + ann.address() + " direction=incoming private=0"));
    ASSERT_TRUE(until([&] { return ann.phone.CallState == StateIdle; }));
    EXPECT_EQ(ann.session.NextDeadline(), std::optional<int64_t>(6500));
    ann.session.Tick(6499);
    EXPECT_FALSE(ann.session.QuitRequested());
    ann.session.Tick(6500);
    EXPECT_TRUE(ann.session.QuitRequested());
    EXPECT_EQ(ann.session.ExitCode(), 0);
    EXPECT_EQ(ann.phone.PartyCount, 0);
    EXPECT_TRUE(sees(bob, "party-left name=\"Ann\" address=" + ann.address() + " reason=hung-up"));
}

TEST_F(ConsoleSession, ShortMessagesDeliveredOrRefused) {
    const std::string dir = kvtest::MakeTempDir("console-log");
    SetEventLogDirectory(dir);
    ConsolePeer& ann = add("Ann");
    ConsolePeer& logger = add("Log");
    ConsolePeer& plain = add("Plain");
    logger.phone.GenerateLog = 1;

    ann.session.SetMessageMode();
    ASSERT_TRUE(ann.run("msg " + logger.address() + " Ring me"));
    EXPECT_EQ(ann.out.back(), "message-sending address=" + logger.address());
    EXPECT_TRUE(sees(ann, "message-delivered address=" + logger.address()));
    EXPECT_TRUE(ann.session.QuitRequested());
    EXPECT_EQ(ann.session.ExitCode(), 0);
    EXPECT_TRUE(sees(logger, "log-written file=" + Quote(EventLogPath())));
    EXPECT_NE(kvtest::ReadWholeFile(EventLogPath()).find("Message from Ann (127.0.0.1): Ring me"), std::string::npos);

    ConsolePeer& bea = add("Bea");
    bea.session.SetMessageMode();
    ASSERT_TRUE(bea.session.StartMessage(plain.address(), "hello"));
    EXPECT_TRUE(sees(bea, "message-refused address=" + plain.address()));
    EXPECT_TRUE(bea.session.QuitRequested());
    EXPECT_EQ(bea.session.ExitCode(), 1);
    EXPECT_FALSE(plain.sawPrefix("log-written"));

    SetEventLogDirectory("");
    kvtest::RemoveTree(dir);
}

TEST_F(ConsoleSession, NobodyListeningIsReportedForCallsAndMessages) {
    if (kvtest::RunningUnderWine()) GTEST_SKIP() << "Wine does not report port unreachable";
    ConsolePeer& ann = add("Ann");
    const std::string dead = "127.0.0.1:" + std::to_string(kvtest::FreePort());
    ASSERT_TRUE(ann.run("call " + dead));
    EXPECT_TRUE(sees(ann, "call-failed reason=not-active name=\"\" address=" + dead));
    ann.session.SetMessageMode();
    ASSERT_TRUE(ann.run("msg " + dead + " anyone?"));
    EXPECT_TRUE(sees(ann, "message-failed reason=not-active address=" + dead));
    EXPECT_EQ(ann.session.ExitCode(), 1);
}

TEST_F(ConsoleSession, FailedCommandsExplainAndLeaveTheSessionRunning) {
    ConsolePeer& ann = add("Ann");
    const std::pair<const char*, const char*> cases[] = {
        {"accept", "no incoming call is waiting"},
        {"refuse", "no incoming call is waiting"},
        {"hangup", "no call to hang up"},
        {"hangup 10.9.9.9", "no party at 10.9.9.9:11676"},
        {"hangup 0.0.0.0", "unable to resolve address '0.0.0.0': '0.0.0.0' names no computer"},
        {"chat hello", "not in a call"},
        {"chat 10.9.9.9:5 hello", "no party at 10.9.9.9:5"},
        {"call 0.0.0.0", "unable to resolve address '0.0.0.0': '0.0.0.0' names no computer"},
        {"call 1.2.3.x", "unable to resolve address '1.2.3.x': '1.2.3.x' is not a dotted address"},
        {"call [2001:db8::1", "unable to resolve address '[2001:db8::1': an address in brackets lacks its ']'"},
        {"call 2001:db8::1::2", "unable to resolve address '2001:db8::1::2': '2001:db8::1::2' is not an IPv6 address"},
        {"msg 0.0.0.0 hi", "unable to resolve address '0.0.0.0': '0.0.0.0' names no computer"},
        {"hangup [2001:db8::9]:5", "no party at [2001:db8::9]:5"},
        {"trust 10.9.9.9", "no new key is known for 10.9.9.9:11676"},
        {"trust 0.0.0.0", "unable to resolve address '0.0.0.0': '0.0.0.0' names no computer"},
        {"verify 10.9.9.9:5", "no party at 10.9.9.9:5"},
        {"verify 0.0.0.0", "unable to resolve address '0.0.0.0': '0.0.0.0' names no computer"},
        {"verify", "verify: the address is missing"},
        {"frobnicate", "unknown command 'frobnicate' (type help for the list)"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ann.run(c.first)) << c.first;
        ASSERT_FALSE(ann.err.empty());
        EXPECT_EQ(ann.err.back(), c.second);
    }
    EXPECT_TRUE(ann.out.empty());
    EXPECT_FALSE(ann.session.QuitRequested());
    EXPECT_EQ(ann.phone.CallState, StateIdle);

    // A second call while the first is being set up.
    const std::string silent = "127.0.0.1:" + std::to_string(kvtest::FreePort());
    kvtest::Peer quiet;  // a socket that never answers
    const std::string quietAddress = "127.0.0.1:" + std::to_string(quiet.port());
    ASSERT_TRUE(ann.run("call " + quietAddress));
    EXPECT_FALSE(ann.run("call " + silent));
    EXPECT_EQ(ann.err.back(), "a call setup is already in progress");
    ASSERT_TRUE(ann.run("hangup"));  // cancels it
    EXPECT_TRUE(until([&] { return ann.phone.CallState == StateIdle; }));
}

TEST_F(ConsoleSession, MuteQuitAndHelp) {
    ConsolePeer& ann = add("Ann");
    ASSERT_TRUE(ann.run("mute mic"));
    EXPECT_EQ(ann.phone.MicMuted, 1);
    EXPECT_EQ(ann.phone.SpeakerMuted, 0);
    ASSERT_TRUE(ann.run("mute speaker"));
    EXPECT_EQ(ann.phone.SpeakerMuted, 1);
    ASSERT_TRUE(ann.run("status"));
    EXPECT_NE(ann.out.back().find(" mic=off speaker=off "), std::string::npos);
    ASSERT_TRUE(ann.run("unmute mic"));
    EXPECT_EQ(ann.phone.MicMuted, 0);
    EXPECT_EQ(ann.phone.SpeakerMuted, 1);
    ASSERT_TRUE(ann.run("help"));
    EXPECT_GE(ann.err.size(), 5u);  // the command list goes to the user, not to the event lines
    EXPECT_FALSE(ann.session.QuitRequested());
    ASSERT_TRUE(ann.run("quit"));
    EXPECT_TRUE(ann.session.QuitRequested());
    EXPECT_EQ(ann.session.ExitCode(), 0);
}

// ---- private calls ----

TEST_F(ConsoleSession, PrivateCallShowsTheSameDigitsOnBothSidesAndVerifyMarksTheParty) {
    ConsolePeer& ann = add("Ann", AnswerAsk, PrivacyWherePossible);
    ConsolePeer& bob = add("Bob", AnswerAccept, PrivacyWherePossible);
    ASSERT_TRUE(ann.run("call " + bob.address()));
    const std::string annSees = "connected name=\"Bob\" address=" + bob.address() + " direction=outgoing private=1 sas=";
    const std::string bobSees = "connected name=\"Ann\" address=" + ann.address() + " direction=incoming private=1 sas=";
    ASSERT_TRUE(until([&] { return ann.sawPrefix(annSees) && bob.sawPrefix(bobSees); })) << Tail(ann) << Tail(bob);
    const std::string sas = ann.find(annSees).substr(annSees.size(), 6);
    EXPECT_EQ(sas.find_first_not_of("0123456789"), std::string::npos) << sas;
    EXPECT_EQ(ann.find(annSees), annSees + sas + " key=" + bob.phone.OwnFingerprint());
    EXPECT_EQ(bob.find(bobSees), bobSees + sas + " key=" + ann.phone.OwnFingerprint());
    EXPECT_EQ(ann.phone.OwnFingerprint().size(), 24u);

    const std::string party = "party index=0 name=\"Bob\" address=" + bob.address() + " active=1 ";
    ASSERT_TRUE(ann.run("parties"));
    ASSERT_EQ(ann.find("party ").rfind(party, 0), 0u) << ann.find("party ");
    EXPECT_EQ(ann.find("party ").substr(ann.find("party ").find(" private=")), " private=1 sas=" + sas + " verified=0");
    ASSERT_TRUE(ann.run("verify " + bob.address()));
    ASSERT_TRUE(ann.run("parties"));
    EXPECT_EQ(ann.find("party ").substr(ann.find("party ").find(" private=")), " private=1 sas=" + sas + " verified=1");
    EXPECT_TRUE(ann.err.empty()) << ann.err.back();

    ASSERT_TRUE(ann.run("status"));
    const std::string own = " privacy=1 key=" + ann.phone.OwnFingerprint();
    const std::string status = ann.find("status ");
    ASSERT_GE(status.size(), own.size());
    EXPECT_EQ(status.substr(status.size() - own.size()), own);
}

TEST_F(ConsoleSession, APlainPartyIsShownAsSuchAndCannotBeVerified) {
    ConsolePeer& ann = add("Ann", AnswerAsk, PrivacyWherePossible);
    ConsolePeer& bob = add("Bob", AnswerAccept, PrivacyPlain);
    ASSERT_TRUE(ann.run("call " + bob.address()));
    ASSERT_TRUE(sees(ann, "connected name=\"Bob\" address=" + bob.address() + " direction=outgoing private=0"));
    ASSERT_TRUE(ann.run("parties"));
    const std::string line = ann.find("party ");
    EXPECT_EQ(line.substr(line.size() - std::min<size_t>(line.size(), 10)), " private=0") << line;
    EXPECT_FALSE(ann.run("verify " + bob.address()));
    EXPECT_EQ(ann.err.back(), "the party at " + bob.address() + " is not private");
    EXPECT_FALSE(ann.run("trust " + bob.address()));
    EXPECT_EQ(ann.err.back(), "no new key is known for " + bob.address());
}

TEST_F(ConsoleSession, AChangedKeyFailsCallsAndMessagesUntilTrusted) {
    ConsolePeer& ann = add("Ann", AnswerAsk, PrivacyWherePossible);
    ConsolePeer* bob = &add("Bob", AnswerAccept, PrivacyWherePossible);
    ASSERT_TRUE(ann.run("call " + bob->address()));
    const std::string first = "connected name=\"Bob\" address=" + bob->address() + " direction=outgoing private=1 sas=";
    ASSERT_TRUE(until([&] { return ann.sawPrefix(first); })) << Tail(ann);
    const std::string oldKey = bob->phone.OwnFingerprint();
    ASSERT_TRUE(ann.run("hangup"));
    ASSERT_TRUE(sees(*bob, "party-left name=\"Ann\" address=" + ann.address() + " reason=hung-up"));
    ASSERT_TRUE(until([&] { return ann.phone.CallState == StateIdle && ann.phone.PartyCount == 0; }));

    // Bob comes back on his port with another key.
    bob = &replace(*bob, "Bob", AnswerAccept, PrivacyWherePossible);
    const std::string newKey = bob->phone.OwnFingerprint();
    ASSERT_NE(newKey, oldKey);
    ann.out.clear();
    ASSERT_TRUE(ann.run("call " + bob->address()));
    ASSERT_TRUE(sees(ann, "call-failed reason=key-changed name=\"Bob\" address=" + bob->address() + " key=" + newKey));
    ASSERT_TRUE(until([&] { return ann.phone.CallState == StateIdle; }));
    EXPECT_FALSE(ann.sawPrefix("connected "));
    EXPECT_EQ(bob->phone.PartyCount, 0);

    // A short message fails the same way, and ends a --message run with 1.
    ann.session.SetMessageMode();
    ASSERT_TRUE(ann.run("msg " + bob->address() + " hello"));
    ASSERT_TRUE(sees(ann, "message-failed reason=key-changed address=" + bob->address() + " key=" + newKey));
    EXPECT_TRUE(ann.session.QuitRequested());
    EXPECT_EQ(ann.session.ExitCode(), 1);
    ASSERT_TRUE(until([&] { return ann.phone.MessageState == MsgIdle; }));

    // Bob calls: the ring warns of the key.
    bob->phone.Autoanswer = AnswerAsk;
    ASSERT_TRUE(bob->run("call " + ann.address()));
    ASSERT_TRUE(sees(ann, "incoming-call name=\"Bob\" address=" + bob->address() + " ring=aloud warning=key-changed"));
    ASSERT_TRUE(ann.run("refuse"));
    ASSERT_TRUE(sees(*bob, "call-refused name=\"Ann\" address=" + ann.address() + " text=\"\""));
    ASSERT_TRUE(until([&] { return bob->phone.CallState == StateIdle && ann.phone.CallState == StateIdle; }));

    // Once trusted, the next call connects with the new key.
    bob->phone.Autoanswer = AnswerAccept;
    ASSERT_TRUE(ann.run("trust " + bob->address()));
    ASSERT_TRUE(ann.run("call " + bob->address()));
    const std::string connected = "connected name=\"Bob\" address=" + bob->address() + " direction=outgoing private=1 sas=";
    ASSERT_TRUE(until([&] { return ann.sawPrefix(connected); })) << Tail(ann);
    const std::string line = ann.find(connected);
    EXPECT_EQ(line.substr(line.size() - newKey.size() - 5), " key=" + newKey);
    EXPECT_TRUE(ann.err.empty()) << ann.err.back();
}

// ---- the event sink on its own ----

TEST(ConsoleEventSink, FieldsAreTakenWhenTheEngineNotifies) {
    Phone phone;
    EventSink sink(phone);
    phone.WriteText(phone.LeftPartyName, sizeof phone.LeftPartyName, "Ann");
    phone.WriteAddress(phone.LeftPartyAddress, MakeAddress(0x0A000002, 11676));
    sink.post(PartyHungUp, 1);
    phone.WriteText(phone.LeftPartyName, sizeof phone.LeftPartyName, "Bob");
    phone.WriteAddress(phone.LeftPartyAddress, MakeAddress(0x0A000003, 5000));
    sink.post(PartyDropped, 0);
    // An ended setup is reported from the report fields; a new call may ring meanwhile.
    phone.WriteText(phone.ReportName, sizeof phone.ReportName, "Cid");
    phone.WriteText(phone.ReportRefusalText, sizeof phone.ReportRefusalText, "Not now");
    phone.WriteAddress(phone.ReportAddress, MakeAddress(0x0A000004, 11676));
    phone.WriteText(phone.RemoteName, sizeof phone.RemoteName, "Mallory");
    sink.post(CallRefused, 0);
    phone.WriteText(phone.ReportName, sizeof phone.ReportName, "changed");

    EngineEvent e;
    ASSERT_TRUE(sink.next(&e, 1000));
    EXPECT_EQ(FormatEvent(e), "party-left name=\"Ann\" address=10.0.0.2:11676 reason=no-codec");
    ASSERT_TRUE(sink.next(&e, 1000));
    EXPECT_EQ(FormatEvent(e), "party-left name=\"Bob\" address=10.0.0.3:5000 reason=dropped");
    ASSERT_TRUE(sink.next(&e, 1000));
    EXPECT_EQ(FormatEvent(e), "call-refused name=\"Cid\" address=10.0.0.4:11676 text=\"Not now\"");
    EXPECT_FALSE(sink.next(&e, 0));
}

TEST(ConsoleEventSink, NoAnswerAndNotActiveNameTheOperationByTheirValue) {
    Phone phone;
    EventSink sink(phone);
    phone.WriteAddress(phone.ReportAddress, MakeAddress(0x0A000002, 11676));
    phone.WriteAddress(phone.MessageAddress, MakeAddress(0x0A000003, 11676));
    EngineEvent e;
    sink.post(NoAnswer, SubjectCall);
    ASSERT_TRUE(sink.next(&e, 1000));
    EXPECT_EQ(e.subject, Subject::Call);
    EXPECT_EQ(FormatAddress(e.address), "10.0.0.2:11676");
    sink.post(NotActive, SubjectMessage);
    ASSERT_TRUE(sink.next(&e, 1000));
    EXPECT_EQ(e.subject, Subject::Message);
    EXPECT_EQ(FormatAddress(e.address), "10.0.0.3:11676");
}

TEST_F(ConsoleSession, AcceptAnswersOnlyTheCallItShowed) {
    ConsolePeer& ann = add("Ann");
    ConsolePeer& bob = add("Bob");
    ASSERT_TRUE(ann.run("call " + bob.address()));
    ASSERT_TRUE(sees(bob, "incoming-call name=\"Ann\" address=" + ann.address() + " ring=aloud"));
    // Ann gives up and a stranger rings before Bob's console has printed either.
    ASSERT_TRUE(ann.run("hangup"));
    ASSERT_TRUE(kvtest::WaitFor([&] { return bob.phone.CallState == StateIdle; }));
    kvtest::Peer mallory;
    const Datagram request = BuildCallRequest(0, "Mallory");
    mallory.sendTo(bob.phone.Port(), request.bytes, request.length);
    ASSERT_TRUE(kvtest::WaitFor([&] { return bob.phone.CallState == StateIncoming; }));
    EXPECT_FALSE(bob.run("accept"));
    EXPECT_EQ(bob.err.back(), "no incoming call is waiting");
    EXPECT_EQ(bob.phone.CallState, StateIncoming);  // Mallory's call still rings, unanswered
    EXPECT_EQ(bob.phone.PartyCount, 0);
    // Once shown, it is Mallory's call that accept answers.
    ASSERT_TRUE(sees(bob, "incoming-call name=\"Mallory\" address=127.0.0.1:" + std::to_string(mallory.port()) +
                              " ring=aloud"));
    EXPECT_TRUE(bob.run("refuse"));
}

TEST(ConsoleEventSink, SentEventsHoldTheSenderUntilTakenAndCloseLetsGo) {
    Phone phone;
    EventSink sink(phone);
    std::atomic<int> returned{0};
    std::thread first([&] {
        sink.send(CallConnected, 0);
        ++returned;
    });
    EngineEvent e;
    ASSERT_TRUE(sink.next(&e, 3000));
    EXPECT_EQ(e.code, CallConnected);
    first.join();
    EXPECT_EQ(returned, 1);

    std::thread second([&] {
        sink.send(NoAnswer, 0);
        ++returned;
    });
    kvtest::SleepMs(50);
    EXPECT_EQ(returned, 1);
    sink.close();
    second.join();
    EXPECT_EQ(returned, 2);
    sink.post(ChatLine, 0);
    EXPECT_FALSE(sink.next(&e, 0));
}
