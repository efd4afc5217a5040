#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "call_harness.h"

using namespace kv;
using namespace kvtest;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

class Calls : public ::testing::Test {
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
    // Ann calls Bob and both see the call connected.
    void Connect() {
        ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
        ASSERT_TRUE(b->next(IncomingConnected));
        ASSERT_TRUE(a->next(CallConnected));
        // The setup threads go back to idle once the notification was taken.
        ASSERT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle && b->phone.CallState == StateIdle; }));
    }
    std::unique_ptr<Side> a = std::make_unique<Side>("Ann");
    std::unique_ptr<Side> b = std::make_unique<Side>("Bob");
};

Bytes Of(const Datagram& d) { return Bytes(d.bytes, d.bytes + d.length); }

bool Has(const std::vector<int>& codes, int code) { return std::find(codes.begin(), codes.end(), code) != codes.end(); }

// While the gate is shut, the phones whose sockets come from GatedSocket take
// nothing from the wire: what arrives waits in the socket until it opens.
std::mutex gGateLock;
std::condition_variable gGateChanged;
bool gGateOpen = true;

void SetGate(bool open) {
    {
        std::lock_guard<std::mutex> guard(gGateLock);
        gGateOpen = open;
    }
    gGateChanged.notify_all();
}

class GatedSocket final : public UdpSocket {
public:
    static std::unique_ptr<UdpSocket> Create() { return std::make_unique<GatedSocket>(); }
    bool bind(uint16_t port) override { return real_->bind(port); }
    uint16_t localPort() const override { return real_->localPort(); }
    WaitStatus waitReadable(int timeoutMs) override {
        {
            std::unique_lock<std::mutex> guard(gGateLock);
            if (!gGateChanged.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                       [&] { return gGateOpen || interrupted_; }))
                return WaitStatus::TimedOut;
        }
        return real_->waitReadable(timeoutMs);
    }
    ReceiveResult receive(uint8_t* buffer, int capacity) override {
        // A wait that began while the gate was open may end after it shut.
        std::unique_lock<std::mutex> guard(gGateLock);
        gGateChanged.wait(guard, [&] { return gGateOpen || interrupted_; });
        guard.unlock();
        return real_->receive(buffer, capacity);
    }
    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        return real_->sendTo(to, data, length);
    }
    void interrupt() override {
        {
            std::lock_guard<std::mutex> guard(gGateLock);
            interrupted_ = true;
        }
        gGateChanged.notify_all();
        real_->interrupt();
    }

private:
    std::unique_ptr<UdpSocket> real_ = CreateUdpSocket();
    bool interrupted_ = false;  // under gGateLock
};

}  // namespace

TEST_F(Calls, AlertedThenAccepted) {
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    EXPECT_EQ(a->phone.PlaceCall(b->address().c_str()), -2);  // one setup at a time
    ASSERT_TRUE(b->next(IncomingCall));
    EXPECT_EQ(b->phone.CallState, StateIncoming);
    EXPECT_STREQ(b->phone.RemoteName, "Ann");
    EXPECT_TRUE(SameAddress(b->phone.RemoteAddress, a->peer()));
    EXPECT_EQ(b->status(), "Incoming call");
    ASSERT_TRUE(a->next(PartyAlerted));
    EXPECT_EQ(a->status(), "Party Bob alerted");

    EXPECT_EQ(b->phone.AnswerCall(1), 1);
    ASSERT_TRUE(a->next(CallConnected));
    ASSERT_TRUE(b->next(IncomingConnected));
    EXPECT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle && b->phone.CallState == StateIdle; }));
    ASSERT_EQ(a->phone.PartyCount, 1);
    ASSERT_EQ(b->phone.PartyCount, 1);
    EXPECT_EQ(a->phone.PartyActive[0], 1);
    EXPECT_EQ(b->phone.PartyActive[0], 1);
    EXPECT_STREQ(a->phone.PartyName[0], "Bob");
    EXPECT_STREQ(b->phone.PartyName[0], "Ann");
    EXPECT_EQ(a->status(), "Connected to Bob (127.0.0.1)");
    EXPECT_EQ(b->phone.AnswerCall(1), 0);  // nothing rings any more
}

TEST_F(Calls, AConnectedCallCarriesVoiceBothWays) {
    b->phone.Autoanswer = AnswerAccept;
    Connect();
    // Each side's microphone hears a tone; each side's speaker gets the other's frames.
    std::vector<int16_t> tone(320);
    for (int i = 0; i < 320; ++i) tone[i] = static_cast<int16_t>(9000 * std::sin(i * 0.2));
    for (int n = 0; n < 8; ++n) {
        ASSERT_TRUE(WaitFor([&] { return a->devices.fillInput(tone); }));
        ASSERT_TRUE(WaitFor([&] { return b->devices.fillInput(tone); }));
    }
    EXPECT_TRUE(b->hears());
    EXPECT_TRUE(a->hears());
    EXPECT_EQ(a->phone.PartyChannel[0]->decoderCodec, 0);
}

TEST_F(Calls, AcceptedAtOnce) {
    b->phone.Autoanswer = AnswerAccept;
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(CallConnected));
    ASSERT_TRUE(b->next(IncomingConnected));
    EXPECT_FALSE(Has(a->drain(200), PartyAlerted));
    EXPECT_EQ(a->phone.PartyCount, 1);
    EXPECT_EQ(b->phone.PartyCount, 1);
}

TEST_F(Calls, RefusedWithoutAndWithAText) {
    b->phone.Autoanswer = AnswerRefuse;
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(CallRefused));
    EXPECT_STREQ(a->phone.RemoteName, "Bob");
    EXPECT_STREQ(a->phone.RemoteRefusalText, "");
    EXPECT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle; }));

    b->phone.Autoanswer = AnswerAsk;  // a refusal text refuses whatever the answering mode
    b->phone.WriteText(b->phone.RefusalMessage, sizeof b->phone.RefusalMessage, "Back at five");
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(CallRefused));
    EXPECT_STREQ(a->phone.RemoteRefusalText, "Back at five");
    EXPECT_EQ(a->phone.PartyCount, 0);
    EXPECT_EQ(b->phone.PartyCount, 0);

    // On the wire: the refusal with the text first, then the bare one.
    Peer caller;
    caller.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "Xena")));
    Received got[2];
    for (Received& reply : got) ASSERT_TRUE(caller.receive(&reply));
    EXPECT_TRUE(caller.drain(100).empty());
    EXPECT_EQ(got[0].bytes, Of(BuildRefused("Bob", "Back at five")));
    EXPECT_EQ(got[1].bytes, Of(BuildRefused("Bob", nullptr)));
}

TEST_F(Calls, BusyWhileAnotherCallRings) {
    Peer first;
    first.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "First")));
    ASSERT_TRUE(b->next(IncomingCall));
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(RemoteBusy));
    EXPECT_STREQ(a->phone.RemoteName, "Bob");
    EXPECT_EQ(b->phone.CallState, StateIncoming);  // the ringing call goes on
    EXPECT_STREQ(b->phone.RemoteName, "First");
    // The first caller repeating its request is answered again, not refused.
    first.drain(100);
    first.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "First")));
    Received r;
    ASSERT_TRUE(first.receive(&r));
    EXPECT_EQ(r.bytes, Of(BuildAlerting(0, true, "Bob")));
}

TEST_F(Calls, ASecondCallerWhileRingingIsRefusedWithARefusingModeAndTheRingGoesOn) {
    Peer first;
    first.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "First")));
    ASSERT_TRUE(b->next(IncomingCall));
    b->phone.Autoanswer = AnswerRefuse;
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(CallRefused));
    // The second caller's request changes nothing of the call that rings.
    EXPECT_EQ(b->phone.CallState, StateIncoming);
    EXPECT_TRUE(SameAddress(b->phone.ReadAddress(b->phone.RemoteAddress), first.address()));
    EXPECT_STREQ(b->phone.RemoteName, "First");
}

TEST_F(Calls, TheCalleeCannotDecodeTheCallersCodec) {
    a->phone.Codec = 1;
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(RemoteCannotDecode));
    EXPECT_STREQ(a->phone.RemoteName, "Bob");
    EXPECT_EQ(b->phone.CallState, StateIdle);
    EXPECT_EQ(b->phone.PartyCount, 0);
}

TEST_F(Calls, TheCallerCannotDecodeTheCalleesCodecAndTheCalleeFallsBack) {
    b->phone.Codec = 1;
    b->phone.Autoanswer = AnswerAccept;
    Connect();
    EXPECT_EQ(a->phone.DecodeFallback, 1);
    // The callee's next capture sends GSM 6.10, which the caller plays.
    EXPECT_TRUE(WaitFor([&] { return b->devices.inputsOpened() > 0 && b->devices.input().open; }));
    EXPECT_EQ(b->phone.TransmitCodec, 0);
    for (int n = 0; n < 4; ++n) ASSERT_TRUE(WaitFor([&] { return b->devices.fillInput(3000); }));
    EXPECT_TRUE(WaitFor([&] { return a->phone.PartyChannel[0]->decoderCodec == 0; }));
}

TEST_F(Calls, TheCallerCannotDecodeACalleeThatHasPartiesAlready) {
    b->phone.Codec = 1;
    b->phone.Autoanswer = AnswerAccept;
    PeerAddress other = MakeAddress(0x0A000009, 11676);
    b->phone.AddParty(other, "Other");
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(UnsupportedCodec));
    EXPECT_EQ(a->phone.PartyCount, 0);
    Notification n;
    ASSERT_TRUE(b->next(PartyHungUp, &n));  // the caller's Leave with reason 1
    EXPECT_EQ(n.value, 1);
    EXPECT_TRUE(WaitFor([&] { return b->phone.PartyCount == 1 && b->phone.CallState == StateIdle; }));
}

TEST_F(Calls, NoAnswerAfterFiveRequestsAnIntervalApart) {
    a->phone.Timings.callIntervalMs = 200;
    Peer silent;
    ASSERT_EQ(a->phone.PlaceCall(("127.0.0.1:" + std::to_string(silent.port())).c_str()), 0);
    std::vector<Clock::time_point> times;
    auto end = Clock::now() + std::chrono::seconds(7);
    Received r;
    while (Clock::now() < end && times.size() < 6)
        if (silent.receive(&r, 500)) {
            EXPECT_EQ(r.bytes, Of(BuildCallRequest(0, "Ann")));
            times.push_back(Clock::now());
        }
    ASSERT_TRUE(a->next(NoAnswer, nullptr, 3000));
    EXPECT_EQ(times.size(), 5u);
    for (size_t i = 1; i < times.size(); ++i) {
        auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(times[i] - times[i - 1]).count();
        // An interval apart; wide bounds, as a busy machine delays both ends.
        EXPECT_GT(gap, 100);
        EXPECT_LT(gap, 3000);
    }
    EXPECT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle; }));
}

TEST_F(Calls, NotActiveWhenNothingListens) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine does not report port unreachable on UDP sockets";
    auto start = Clock::now();
    ASSERT_EQ(a->phone.PlaceCall(("127.0.0.1:" + std::to_string(FreePort())).c_str()), 0);
    ASSERT_TRUE(a->next(NotActive));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));  // long before five unanswered requests
    EXPECT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle; }));
}

TEST_F(Calls, AbortWhileAlertedAndTheCallerGivingUpWhileRinging) {
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(b->next(IncomingCall));
    ASSERT_TRUE(a->next(PartyAlerted));
    EXPECT_EQ(a->phone.HangUp(nullptr, 0), 0);  // Hangup while setting up cancels the setup
    Notification n;
    ASSERT_TRUE(b->next(CallerCancelled, &n));
    EXPECT_EQ(n.value, 0);
    EXPECT_STREQ(b->phone.LeftPartyName, "Ann");
    EXPECT_TRUE(SameAddress(b->phone.LeftPartyAddress, a->peer()));
    EXPECT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle && b->phone.CallState == StateIdle; }));
    std::vector<int> seen = a->drain(300);
    EXPECT_FALSE(Has(seen, CallRefused));
    EXPECT_FALSE(Has(seen, CallConnected));
    EXPECT_EQ(a->phone.AbortCall(), -3);
}

TEST_F(Calls, TheCancelOnTheWireIsALeaveAndAOneByteLeave) {
    Peer callee;
    ASSERT_EQ(a->phone.PlaceCall(("127.0.0.1:" + std::to_string(callee.port())).c_str()), 0);
    Received r;
    ASSERT_TRUE(callee.receive(&r));
    callee.sendTo(a->phone.Port(), Of(BuildAlerting(0, true, "Cal")));
    ASSERT_TRUE(a->next(PartyAlerted));
    EXPECT_EQ(a->phone.AbortCall(), 0);
    // One from the cancelling thread, one from the call's own thread: either may go first.
    std::vector<Bytes> got(2);
    for (Bytes& leave : got) {
        ASSERT_TRUE(callee.receive(&r));
        leave = r.bytes;
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<Bytes>{{0x82}, {0x82, 0x00}}));
    EXPECT_TRUE(callee.drain(200).empty());
}

TEST_F(Calls, TwoCopiesCallingEachOtherAtOnceBothRing) {
    // Both requests are on the wire before either copy reads one.
    a = std::make_unique<Side>("Ann", AnswerAsk, GatedSocket::Create);
    b = std::make_unique<Side>("Bob", AnswerAsk, GatedSocket::Create);
    SetGate(false);
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_EQ(b->phone.PlaceCall(a->address().c_str()), 0);
    SetGate(true);
    ASSERT_TRUE(a->next(PartyAlerted));
    ASSERT_TRUE(b->next(PartyAlerted));
    // Both go on ringing through the repeated requests.
    SleepMs(1500);
    EXPECT_EQ(a->phone.CallState, StatePartyAlerted);
    EXPECT_EQ(b->phone.CallState, StatePartyAlerted);
    a->phone.HangUp(nullptr, 0);
    EXPECT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle && b->phone.CallState == StateIdle; }));
}

TEST_F(Calls, HangupWhileAnIncomingCallRingsChangesNothing) {
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(b->next(IncomingCall));
    EXPECT_EQ(b->phone.HangUp(nullptr, 0), -3);
    EXPECT_EQ(b->phone.CallState, StateIncoming);
    EXPECT_FALSE(Has(a->drain(300), CallRefused));
    EXPECT_EQ(b->phone.AnswerCall(1), 1);
    EXPECT_TRUE(a->next(CallConnected));
}

TEST_F(Calls, ACallerThatNeverConfirmsGetsSixAcceptsAndTheSetupFails) {
    b->phone.Autoanswer = AnswerAccept;
    b->phone.Timings.acceptIntervalMs = 100;
    Peer caller;
    caller.sendTo(b->phone.Port(), Of(BuildCallRequest(0, "Mute")));
    ASSERT_TRUE(b->next(CallSetupFailed, nullptr, 10000));
    std::vector<Received> got = caller.drain(300);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0].bytes, Of(BuildAccepted(0, true, "Bob")));  // no party yet
    for (size_t i = 1; i < got.size(); ++i) EXPECT_EQ(got[i].bytes, Of(BuildAccepted(0, false, "Bob")));
    EXPECT_EQ(b->phone.PartyCount, 0);
    EXPECT_TRUE(WaitFor([&] { return b->phone.CallState == StateIdle; }));
}

TEST_F(Calls, ALateAcceptIsConfirmedAfterTheSetupEnded) {
    b->phone.Autoanswer = AnswerAccept;
    Connect();
    // The callee's remaining repeats are each answered with a confirmation.
    Peer spoof;
    spoof.sendTo(a->phone.Port(), Of(BuildAccepted(0, false, "Bob")));  // from a stranger: ignored
    EXPECT_TRUE(spoof.drain(200).empty());
}

TEST_F(Calls, HangingUpEndsTheCallOnBothSides) {
    b->phone.Autoanswer = AnswerAccept;
    Connect();
    EXPECT_EQ(a->phone.HangUp(nullptr, 0), 0);
    EXPECT_EQ(a->phone.PartyCount, 0);
    Notification n;
    ASSERT_TRUE(b->next(PartyHungUp, &n));
    EXPECT_EQ(n.value, 0);
    EXPECT_STREQ(b->phone.LeftPartyName, "Ann");
    EXPECT_TRUE(WaitFor([&] { return b->phone.PartyCount == 0; }));
    EXPECT_EQ(b->status(), "Idle");
}

TEST_F(Calls, AHundredAndFirstCallerHearsBusyInsteadOfAConnectionWithNoParty) {
    b->phone.Autoanswer = AnswerAccept;
    for (int i = 0; i < MaxParties; ++i) b->phone.AddParty(MakeAddress(0x0A000000 + i, 11676), "x");
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(RemoteBusy));
    EXPECT_EQ(a->phone.PartyCount, 0);
    EXPECT_FALSE(b->next(IncomingConnected, nullptr, 300));
    EXPECT_EQ(b->phone.PartyCount, MaxParties);
    EXPECT_EQ(b->phone.FindParty(a->peer()), -1);
}

TEST_F(Calls, AConferenceOfThreeAroundAHub) {
    Side c("Cy", AnswerAccept);
    b->phone.Autoanswer = AnswerAccept;
    Connect();
    ASSERT_EQ(a->phone.PlaceCall(c.address().c_str()), 0);
    ASSERT_TRUE(a->next(CallConnected));
    ASSERT_TRUE(c.next(IncomingConnected));
    ASSERT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle && c.phone.CallState == StateIdle; }));
    ASSERT_EQ(a->phone.PartyCount, 2);
    EXPECT_STREQ(a->phone.PartyName[0], "Bob");
    EXPECT_STREQ(a->phone.PartyName[1], "Cy");
    // Each peer knows only the hub.
    ASSERT_EQ(b->phone.PartyCount, 1);
    ASSERT_EQ(c.phone.PartyCount, 1);
    EXPECT_TRUE(SameAddress(b->phone.PartyAddress[0], a->peer()));
    EXPECT_TRUE(SameAddress(c.phone.PartyAddress[0], a->peer()));
    // Bob talks: the hub hears him, Cy does not (nothing is forwarded).
    for (int n = 0; n < 4; ++n) ASSERT_TRUE(WaitFor([&] { return b->devices.fillInput(4000); }));
    EXPECT_TRUE(a->hears());
    EXPECT_FALSE(c.hears(1000, 300));
    // The hub talks: both hear it.
    for (int n = 0; n < 4; ++n) ASSERT_TRUE(WaitFor([&] { return a->devices.fillInput(4000); }));
    EXPECT_TRUE(b->hears());
    EXPECT_TRUE(c.hears());
    // The status line names party 0 only.
    EXPECT_EQ(a->status().rfind("Connected to Bob (127.0.0.1)", 0), 0u);
}

// ---- the status line and address texts ----

TEST(StatusText, EveryState) {
    Phone p;
    char text[200];
    p.StatusText(text, sizeof text);
    EXPECT_STREQ(text, "Idle");
    const char* expected[] = {nullptr,
                              "Incoming call",
                              "Incoming call accepted",
                              "Incoming call processing done",
                              "Waiting for remote KestroVox",
                              nullptr,
                              "Call accepted",
                              "Call aborted",
                              "Call refused",
                              "No codec available locally",
                              "No codec available on remote side",
                              "Other party setting up another call",
                              "Unable to accept connection"};
    for (int s = 1; s <= 12; ++s) {
        if (!expected[s]) continue;
        p.CallState = s;
        p.StatusText(text, sizeof text);
        EXPECT_STREQ(text, expected[s]) << s;
    }
    p.WriteText(p.RemoteName, sizeof p.RemoteName, "Bob");
    p.CallState = StatePartyAlerted;
    p.StatusText(text, sizeof text);
    EXPECT_STREQ(text, "Party Bob alerted");
    p.CallState = 13;
    p.StatusText(text, sizeof text);
    EXPECT_STREQ(text, "Invalid state");
}

TEST(StatusText, ConnectedNamesPartyZeroWithItsQueuedDelay) {
    ManualWaveDevices devices;
    Phone p;
    p.SetAudioDevices(&devices);
    p.Delay = 0;
    p.MaxDelay = 1000;
    p.SetConceal(0);  // nothing but the three frames queued
    p.AddParty(MakeAddress(0x0A000001, 11676), "Bob");
    p.AddParty(MakeAddress(0x0A000002, 11676), "Cy");
    char text[200];
    p.StatusText(text, sizeof text);
    EXPECT_STREQ(text, "Connected to Bob (10.0.0.1)");
    std::vector<uint8_t> frames(65 * 3, 0x11);
    p.PartyChannel[0]->feedPayload(0, frames.data(), 65 * 3);  // 120 ms queued and playing
    p.StatusText(text, sizeof text);
    EXPECT_STREQ(text, "Connected to Bob (10.0.0.1), 120 ms");
}

TEST(ResolveAddress, Forms) {
    PeerAddress a;
    ASSERT_EQ(ResolveAddress("10.1.2.3:5000", &a), 1);
    EXPECT_EQ(a.ip(), 0x0A010203u);
    EXPECT_EQ(a.port(), 5000);
    EXPECT_EQ(a.family, AddressFamilyIPv4);
    ASSERT_EQ(ResolveAddress("Ann Smith <10.0.0.7>", &a), 1);
    EXPECT_EQ(a.ip(), 0x0A000007u);
    EXPECT_EQ(a.port(), 11676);
    ASSERT_EQ(ResolveAddress("Ann <10.0.0.7:4000> trailing", &a), 1);
    EXPECT_EQ(a.port(), 4000);
    ASSERT_EQ(ResolveAddress("  192.168.0.9  ", &a), 1);
    EXPECT_EQ(a.ip(), 0xC0A80009u);
    ASSERT_EQ(ResolveAddress("localhost", &a), 1);
    EXPECT_EQ(a.ip(), 0x7F000001u);
    ASSERT_EQ(ResolveAddress("127.1", &a), 1);  // the classic short forms
    EXPECT_EQ(a.ip(), 0x7F000001u);
}

TEST(ResolveAddress, Failures) {
    PeerAddress a = MakeAddress(0x01020304, 99);
    EXPECT_EQ(ResolveAddress("0.0.0.0", &a), 0);
    EXPECT_EQ(ResolveAddress("1.2.3.x", &a), 0);
    EXPECT_EQ(ResolveAddress("1.2.3.256", &a), 0);
    EXPECT_EQ(ResolveAddress("1.2.3.4.5", &a), 0);
    EXPECT_EQ(ResolveAddress("", &a), 0);
    EXPECT_EQ(ResolveAddress("<>", &a), 0);
    EXPECT_EQ(ResolveAddress("no-such-host.invalid", &a), 0);
    // A port that names no port would mean "every party" to the sender.
    EXPECT_EQ(ResolveAddress("10.0.0.1:0", &a), 0);
    EXPECT_EQ(ResolveAddress("10.0.0.1:abc", &a), 0);
    EXPECT_EQ(ResolveAddress("10.0.0.1:70000", &a), 0);
    std::string longText(2000, '9');
    EXPECT_EQ(ResolveAddress(longText.c_str(), &a), 0);
    EXPECT_EQ(a.ip(), 0x01020304u);  // untouched on failure
    EXPECT_EQ(a.port(), 99);
    EXPECT_EQ(Phone().PlaceCall("1.2.3.x"), -1);
}

namespace {

// "both" has the IPv6 and the IPv4 loopback address, as a name with an AAAA
// and an A record.
std::vector<PeerAddress> BothFamilies(const char* name) {
    if (std::strcmp(name, "both") != 0) return {};
    uint8_t loopback6[16] = {};
    loopback6[15] = 1;
    return {MakeIPv6Address(loopback6, 0), MakeAddress(Loopback, 0)};
}

// A socket whose IPv6 datagrams vanish on the way.
class NoIPv6PathSocket final : public UdpSocket {
public:
    static std::unique_ptr<UdpSocket> Create() { return std::make_unique<NoIPv6PathSocket>(); }
    bool bind(uint16_t port) override { return real_->bind(port); }
    uint16_t localPort() const override { return real_->localPort(); }
    bool dualStack() const override { return real_->dualStack(); }
    WaitStatus waitReadable(int timeoutMs) override { return real_->waitReadable(timeoutMs); }
    ReceiveResult receive(uint8_t* buffer, int capacity) override { return real_->receive(buffer, capacity); }
    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        return to.isIPv4() ? real_->sendTo(to, data, length) : length;
    }
    void interrupt() override { real_->interrupt(); }

private:
    std::unique_ptr<UdpSocket> real_ = CreateUdpSocket();
};

}  // namespace

// A name with both families is called over IPv6 first; IPv4 takes over when
// IPv6 is refused (port unreachable) or gets nowhere, and a callee that
// answers both only ever has the one call.
TEST(DualStackCalls, ANameWithBothFamiliesRacesThem) {
    SetConversionOpener(WithoutTrueSpeech);
    if (!CreateUdpSocket()->dualStack()) GTEST_SKIP() << "this system has no IPv6";
    const struct {
        const char* what;
        std::unique_ptr<UdpSocket> (*caller)();
        std::unique_ptr<UdpSocket> (*callee)();
        const char* connected;
    } cases[] = {
        {"both answer", CreateUdpSocket, CreateUdpSocket, "[::1]:"},
        {"IPv6 refused", CreateUdpSocket, CreateIPv4UdpSocket, "127.0.0.1:"},
        {"IPv6 lost", NoIPv6PathSocket::Create, CreateUdpSocket, "127.0.0.1:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Side ann("Ann", AnswerAsk, c.caller);
        Side bob("Bob", AnswerAccept, c.callee);
        ann.phone.LookUp = BothFamilies;
        ASSERT_EQ(ann.phone.PlaceCall(("both:" + std::to_string(bob.phone.Port())).c_str()), 0);
        ASSERT_TRUE(ann.next(CallConnected));
        ASSERT_TRUE(bob.next(IncomingConnected));
        ASSERT_EQ(ann.phone.PartyCount, 1);
        EXPECT_EQ(HostPortText(ann.phone.PartyAddress[0]), c.connected + std::to_string(bob.phone.Port()));
        // Whatever reached the other address is told that the caller went.
        EXPECT_TRUE(WaitFor([&] { return bob.phone.CallState == StateIdle && bob.phone.PartyCount == 1; }, 8000));
    }
    SetConversionOpener(nullptr);
}

TEST(ResolveAddress, IPv6Forms) {
    const struct {
        const char* text;
        const char* address;
    } good[] = {
        {"2001:db8::1", "[2001:db8::1]:11676"},
        {"[2001:db8::1]:5000", "[2001:db8::1]:5000"},
        {"[2001:DB8::1]", "[2001:db8::1]:11676"},
        {"Ann <[2001:db8::1]:4000>", "[2001:db8::1]:4000"},
        {"  ::1 ", "[::1]:11676"},
        {"::ffff:10.0.0.7", "10.0.0.7:11676"},
        {"fe80::1%1", "[fe80::1%"},
    };
    for (const auto& g : good) {
        ResolvedAddress r;
        std::string error;
        ASSERT_TRUE(ResolveAddressText(g.text, &r, &error)) << g.text << ": " << error;
        EXPECT_EQ(HostPortText(r.first).rfind(g.address, 0), 0u) << g.text << " gave " << HostPortText(r.first);
        EXPECT_FALSE(r.hasSecond);
    }
    const struct {
        const char* text;
        const char* says;
    } bad[] = {
        {"[2001:db8::1", "lacks its ']'"},
        {"[2001:db8::1]5000", "takes a port as [2001:db8::1]:11676"},
        {"[2001:db8::1]:0", "from 1 to 65535"},
        {"2001:db8:::1", "'2001:db8:::1' is not an IPv6 address"},
        {"[1.2.3]:5", "'1.2.3' is not an IPv6 address"},
        {"::", "names no computer"},
        {"::ffff:255.255.255.255", "names no computer"},
        {"fe80::1%no-such-if0", "no network interface 'no-such-if0'"},
        {"2001:db8::1%1", "only a link-local address"},
        {"1.2.3.x", "'1.2.3.x' is not a dotted address"},
        {"host%eth0", "only an IPv6 address takes a zone"},
        {"no-such-host.invalid", "no address is known for 'no-such-host.invalid'"},
        {"   ", "the address is empty"},
    };
    for (const auto& b : bad) {
        ResolvedAddress r;
        std::string error;
        EXPECT_FALSE(ResolveAddressText(b.text, &r, &error)) << b.text;
        EXPECT_NE(error.find(b.says), std::string::npos) << b.text << " said: " << error;
    }
}

namespace {

// Places a call from inside the engine's receive thread as the phone sends
// its first Alerting: between its look at CallState and its taking of the
// incoming call.
std::atomic<Phone*> gCallOnAlerting{nullptr};
std::string gCallOnAlertingTo;
std::atomic<int> gCallOnAlertingResult{1};

class AlertingSocket final : public UdpSocket {
public:
    static std::unique_ptr<UdpSocket> Create() { return std::make_unique<AlertingSocket>(); }
    bool bind(uint16_t port) override { return real_->bind(port); }
    uint16_t localPort() const override { return real_->localPort(); }
    WaitStatus waitReadable(int timeoutMs) override { return real_->waitReadable(timeoutMs); }
    ReceiveResult receive(uint8_t* buffer, int capacity) override { return real_->receive(buffer, capacity); }
    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        if (length >= 2 && data[0] == protocol::CallReply && data[1] == protocol::Alerting)
            if (Phone* phone = gCallOnAlerting.exchange(nullptr))
                gCallOnAlertingResult = phone->PlaceCall(gCallOnAlertingTo.c_str());
        return real_->sendTo(to, data, length);
    }
    void interrupt() override { real_->interrupt(); }

private:
    std::unique_ptr<UdpSocket> real_ = CreateUdpSocket();
};

}  // namespace

TEST(CallRequestRace, ACallPlacedWhileARequestIsTakenGoesOnAndTheCallerHearsBusy) {
    ManualWaveDevices devices;
    NotificationQueue queue;
    Phone phone(0);
    phone.CreateSocket = AlertingSocket::Create;
    phone.SetAudioDevices(&devices);
    phone.NotifyWindow = &queue;
    phone.WriteText(phone.Identity, sizeof phone.Identity, "Bob");
    ASSERT_EQ(phone.Start(), 1);
    Peer caller, callee;
    gCallOnAlertingTo = "127.0.0.1:" + std::to_string(callee.port());
    gCallOnAlerting = &phone;
    caller.sendTo(phone.Port(), Of(BuildCallRequest(0, "Xena")));
    Received r;
    ASSERT_TRUE(caller.receive(&r));
    EXPECT_EQ(r.bytes, Of(BuildAlerting(0, true, "Bob")));
    EXPECT_EQ(gCallOnAlertingResult, 0);
    // The request lost the race: its caller is told the line is busy, and nothing rings.
    ASSERT_TRUE(caller.receive(&r));
    EXPECT_EQ(r.bytes, Of(BuildBusy("Bob")));
    EXPECT_FALSE(NextNotification(queue, IncomingCall, nullptr, 200));
    // The call placed goes on.
    ASSERT_TRUE(callee.receive(&r));
    EXPECT_EQ(r.bytes[0], protocol::CallRequest);
    EXPECT_EQ(phone.CallState, StateWaitingForRemote);
    EXPECT_TRUE(SameAddress(phone.ReadAddress(phone.RemoteAddress), callee.address()));
    queue.close();
    phone.Shutdown();
}

// ---- the adaptive playout ----

TEST_F(Calls, ASlowSpeakerHoldsUpNoDatagramAndAJoiningPartyStopsNoOtherVoice) {
    Side c("Cy", AnswerAccept);
    for (Side* s : {a.get(), b.get(), &c}) s->phone.AdaptivePlayout = 1;
    a->phone.FramesPerPacket = 1;
    b->phone.Autoanswer = AnswerAccept;
    a->devices.holdOutputOpens();  // Ann's speaker does not open until let go
    Connect();
    ASSERT_TRUE(WaitFor([&] { return a->devices.outputOpening(); }));
    // Meanwhile Ann's voice reaches Bob's speaker, and Bob's reaches Ann's jitter buffer.
    for (int n = 0; n < 8; ++n) {
        ASSERT_TRUE(WaitFor([&] { return a->devices.fillInput(4000); }));
        ASSERT_TRUE(WaitFor([&] { return b->devices.fillInput(3000); }));
    }
    auto heard = [](Side& s) {
        std::lock_guard<std::recursive_mutex> guard(s.phone.PartyLock);
        const auto& party = s.phone.PartyChannel[0]->party;
        std::lock_guard<std::mutex> p(party->lock);
        return party->jitter.queuedMs() > 0 || party->jitter.counters().played > 0;
    };
    EXPECT_TRUE(WaitFor([&] { return heard(*b); }));
    EXPECT_TRUE(WaitFor([&] { return heard(*a); }));
    EXPECT_TRUE(a->devices.outputOpening());
    a->devices.releaseOutputOpens();
    ASSERT_TRUE(WaitFor([&] { return a->devices.outputsOpened() == 1 && a->devices.output().queued == WaveOutput::DefaultBuffersAhead; }));

    // Cy joins while Bob talks: Ann's speaker plays Bob on, and opens no other device.
    a->devices.holdOutputOpens();
    ASSERT_EQ(a->phone.PlaceCall(c.address().c_str()), 0);
    int64_t loud = 0;
    for (int n = 0; n < 2000 && (a->phone.PartyCount < 2 || loud < 800); ++n) {
        b->devices.fillInput(3000);
        const size_t before = a->devices.playedSamples().size();
        a->devices.markPlayed(1);
        const std::vector<int16_t> played = a->devices.playedSamples();
        for (size_t i = before; i < played.size(); ++i) loud += played[i] != 0;
        SleepMs(5);
    }
    EXPECT_EQ(a->phone.PartyCount, 2);
    EXPECT_GE(loud, 800);  // 100 ms of Bob at least
    EXPECT_EQ(a->devices.outputsOpened(), 1);
    EXPECT_FALSE(a->devices.outputOpening());
    a->devices.releaseOutputOpens();
}

TEST_F(Calls, ASoundDeviceThatCannotOpenOrStopsIsSaidAndTriedAgain) {
    b->phone.Autoanswer = AnswerAccept;
    a->devices.refuseOutput = true;
    b->devices.refuseInput = true;
    Connect();
    // (Bob's speaker, which nothing plays here, may be reported as stopped too.)
    auto event = [](Side& s, int value) {
        Notification n;
        while (s.next(AudioDeviceChanged, &n, 5000))
            if (n.value == value) return true;
        return false;
    };
    // (The events may have come while Connect waited for its own.)
    ASSERT_TRUE(WaitFor([&] { return a->phone.SpeakerFailing == 1 && b->phone.MicrophoneFailing == 1; }));
    EXPECT_EQ(a->status().find("Connected to Bob (127.0.0.1)"), 0u);
    EXPECT_NE(a->status().find(" - no speaker"), std::string::npos) << a->status();
    EXPECT_NE(b->status().find("no microphone"), std::string::npos) << b->status();
    // Both come back by themselves once the devices work.
    a->devices.refuseOutput = false;
    b->devices.refuseInput = false;
    ASSERT_TRUE(event(*a, DeviceSpeakerWorks));
    ASSERT_TRUE(WaitFor([&] { return b->devices.fillInput(4000); }, 5000));
    ASSERT_TRUE(event(*b, DeviceMicrophoneWorks));
    for (int n = 0; n < 8; ++n) ASSERT_TRUE(WaitFor([&] { return b->devices.fillInput(4000); }));
    EXPECT_EQ(b->status().find("no microphone"), std::string::npos) << b->status();
    EXPECT_TRUE(a->hears());
    // (Ann's microphone, which nothing fills here, may be said to have stopped.)
    EXPECT_EQ(a->status().find(" - no speaker"), std::string::npos) << a->status();
    // A microphone that stops giving frames in the call is said and opened again.
    const int opened = b->devices.inputsOpened();
    ASSERT_TRUE(event(*b, DeviceMicrophoneFailed));
    EXPECT_NE(b->status().find("no microphone"), std::string::npos) << b->status();
    ASSERT_TRUE(WaitFor([&] { return b->devices.inputsOpened() > opened; }));
    ASSERT_TRUE(WaitFor([&] { return b->devices.fillInput(4000); }, 5000));
    ASSERT_TRUE(event(*b, DeviceMicrophoneWorks));
}
