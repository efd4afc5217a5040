#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/codec.h"
#include "engine/phone.h"
#include "platform/manual_wave.h"
#include "call_harness.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;
using Bytes = std::vector<uint8_t>;

namespace {

class Loops : public ::testing::Test {
protected:
    void SetUp() override {
        phone.SetAudioDevices(&devices);
        phone.NotifyWindow = &queue;
        // Prebuffer long and keep up to five seconds, so what arrives stays queued.
        phone.Delay = 4000;
        phone.MaxDelay = 5000;
        phone.Capture.inputThreshold = CaptureDevice::ThresholdOff;
        ASSERT_EQ(phone.Start(), 1);
    }
    void TearDown() override {
        queue.close();
        phone.Shutdown();
    }
    // The test's peer as party 0, active.
    void AddPeerAsParty(const char* name = "Bob") {
        ASSERT_EQ(phone.AddParty(peer.address(), name), 1);
        phone.ActivateParty(peer.address());
    }
    MediaChannel& channel(int i) { return *phone.PartyChannel[i]; }
    int queued(int i = 0) { return channel(i).framesReceived(); }

    ManualWaveDevices devices;
    NotificationQueue queue;
    Phone phone{0};  // a port of the system's choice
    Peer peer;
};

// An audio datagram: the codec byte and `frames` GSM 6.10 frames (their bits need not make sense).
Bytes Audio(int frames, int extraBytes = 0) {
    Bytes d(static_cast<size_t>(1 + frames * 65 + extraBytes), 0x5A);
    d[0] = 0;
    return d;
}

}  // namespace

TEST_F(Loops, AudioFromAStrangerDrawsAOneByteLeaveAndIsNotPlayed) {
    peer.sendTo(phone.Port(), Audio(1));
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes, Bytes{0x82});
    EXPECT_EQ(r.from.port(), phone.Port());
    EXPECT_EQ(phone.PartyCount, 0);
    EXPECT_EQ(devices.outputAttempts, 0);
}

TEST_F(Loops, AudioFromAPartyIsDecodedIntoItsPlayout) {
    AddPeerAsParty();
    peer.sendTo(phone.Port(), Audio(3));
    ASSERT_TRUE(WaitFor([&] { return queued() == 3; }));
    EXPECT_EQ(channel(0).decoderCodec, 0);
    EXPECT_TRUE(peer.drain(100).empty());  // a party gets no Leave
}

TEST_F(Loops, ACodecByteAloneIsHandedOnWithNoPayload) {
    AddPeerAsParty();
    ASSERT_EQ(channel(0).decoderCodec, -1);
    peer.sendTo(phone.Port(), Bytes{0x00});
    // The channel opened its decoder for the codec and had nothing to play.
    ASSERT_TRUE(WaitFor([&] { return channel(0).decoderCodec == 0; }));
    EXPECT_EQ(queued(), 0);
    EXPECT_TRUE(peer.drain(100).empty());
}

TEST_F(Loops, A1500ByteDatagramIsReceivedWholeAnd1501IsDropped) {
    AddPeerAsParty();
    peer.sendTo(phone.Port(), Audio(23, 4));  // 1500 bytes: 23 whole frames and 4 spare bytes
    ASSERT_TRUE(WaitFor([&] { return queued() == 23; }));

    peer.sendTo(phone.Port(), Audio(23, 5));  // 1501 bytes
    peer.sendTo(phone.Port(), Audio(1));      // marks the end of the test
    ASSERT_TRUE(WaitFor([&] { return queued() >= 24; }));
    SleepMs(50);
    EXPECT_EQ(queued(), 24);

    // From a stranger: 1500 bytes draw a Leave, 1501 bytes nothing at all.
    Peer stranger;
    stranger.sendTo(phone.Port(), Audio(23, 5));
    EXPECT_TRUE(stranger.drain(300).empty());
    stranger.sendTo(phone.Port(), Audio(23, 4));
    Received leave;
    EXPECT_TRUE(stranger.receive(&leave));
}

TEST_F(Loops, CallsAndMessagesWaitUntilTheSettingsAreLoaded) {
    phone.Autoanswer = AnswerAccept;
    phone.SettingsLoaded = 0;
    const Datagram request = BuildCallRequest(0, "Early"), message = BuildShortMessage("Early", "hi");
    peer.sendTo(phone.Port(), request.bytes, request.length);
    peer.sendTo(phone.Port(), message.bytes, message.length);
    peer.sendTo(phone.Port(), Audio(1));  // a stranger's audio is still answered: the loop ran past both
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes, Bytes{0x82});
    EXPECT_EQ(phone.CallState, StateIdle);
    // The caller's next attempt is answered.
    phone.SettingsLoaded = 1;
    peer.sendTo(phone.Port(), request.bytes, request.length);
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes[0], 0x81);
}

TEST_F(Loops, UnknownOpcodesChangeNothingAndDrawNoReply) {
    AddPeerAsParty();
    for (int op = 0x86; op <= 0xFF; ++op) peer.sendTo(phone.Port(), Bytes{uint8_t(op), 0x01, 'x', 0x00});
    peer.sendTo(phone.Port(), Audio(1));  // audio afterwards is still handled
    ASSERT_TRUE(WaitFor([&] { return queued() == 1; }));
    EXPECT_TRUE(peer.drain(200).empty());
    EXPECT_EQ(phone.PartyCount, 1);
    EXPECT_EQ(phone.CallState, StateIdle);
    EXPECT_EQ(phone.MessageState, MsgIdle);
    EXPECT_EQ(phone.PartyActive[0], 1);
}

TEST_F(Loops, ALeaveRemovesThePartyWithItsReason) {
    AddPeerAsParty("Bob");
    peer.sendTo(phone.Port(), Bytes{0x82, 0x01});
    Notification n;
    ASSERT_TRUE(NextNotification(queue, PartyHungUp, &n));
    EXPECT_EQ(n.value, 1);
    EXPECT_STREQ(phone.LeftPartyName, "Bob");
    EXPECT_TRUE(SameAddress(phone.LeftPartyAddress, peer.address()));
    EXPECT_TRUE(WaitFor([&] { return phone.PartyCount == 0; }));

    AddPeerAsParty("Bob");
    peer.sendTo(phone.Port(), Bytes{0x82});  // one byte: reason 0
    ASSERT_TRUE(NextNotification(queue, PartyHungUp, &n));
    EXPECT_EQ(n.value, 0);
}

TEST_F(Loops, WhileTheSpeakerIsMutedAudioIsDropped) {
    AddPeerAsParty();
    phone.SpeakerMuted = 1;
    peer.sendTo(phone.Port(), Audio(2));
    EXPECT_TRUE(peer.drain(300).empty());
    EXPECT_EQ(queued(), 0);
    phone.SpeakerMuted = 0;
    peer.sendTo(phone.Port(), Audio(2));
    EXPECT_TRUE(WaitFor([&] { return queued() == 2; }));
}

TEST_F(Loops, ASecondWithoutTrafficStartsAPrebufferingFixedPlayout) {
    phone.AdaptivePlayout = 0;
    AddPeerAsParty();
    peer.sendTo(phone.Port(), Audio(1));  // 40 ms: far below the 4 s prebuffer
    ASSERT_TRUE(WaitFor([&] { return queued() == 1; }));
    EXPECT_FALSE(channel(0).playout.isPlaying());
    EXPECT_TRUE(WaitFor([&] { return channel(0).playout.isPlaying(); }, 4000));
    EXPECT_FALSE(devices.output().paused);
}

TEST_F(Loops, PortUnreachableDropsThePartyAndEndsTheWaits) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine does not report port unreachable on UDP sockets";
    PeerAddress nobody = MakeAddress(Loopback, FreePort());
    ASSERT_EQ(phone.AddParty(nobody, "Gone"), 1);
    phone.WriteAddress(phone.RemoteAddress, nobody);
    phone.CallState = StateWaitingForRemote;
    phone.WriteAddress(phone.MessageAddress, nobody);
    phone.MessageState = MsgSending;
    phone.SendDatagram(&nobody, BuildChatMessage(0, "anyone?"));
    ASSERT_TRUE(NextNotification(queue, PartyDropped));
    // The party is told about first and removed right after.
    EXPECT_STREQ(phone.LeftPartyName, "Gone");
    EXPECT_TRUE(WaitFor([&] { return phone.PartyCount == 0; }));
    EXPECT_EQ(phone.CallState, StateUnreachable);
    EXPECT_EQ(phone.MessageState, MsgUnreachable);
}

// ---- the same reactions through the socket seam, as Winsock reports them ----

namespace {

std::mutex gInjectLock;
std::vector<PeerAddress> gRefusals;

class RefusingSocket final : public UdpSocket {
public:
    RefusingSocket() : real_(CreateUdpSocket()) {}
    bool bind(uint16_t port) override { return real_->bind(port); }
    uint16_t localPort() const override { return real_->localPort(); }
    WaitStatus waitReadable(int timeoutMs) override {
        for (int waited = 0; waited < timeoutMs; waited += 10) {
            if (pending()) return WaitStatus::Readable;
            WaitStatus w = real_->waitReadable(10);
            if (w != WaitStatus::TimedOut) return w;
        }
        return WaitStatus::TimedOut;
    }
    ReceiveResult receive(uint8_t* buffer, int capacity) override {
        std::lock_guard<std::mutex> guard(gInjectLock);
        if (gRefusals.empty()) return real_->receive(buffer, capacity);
        ReceiveResult r;
        r.status = ReceiveStatus::Refused;
        r.from = gRefusals.front();
        gRefusals.erase(gRefusals.begin());
        return r;
    }
    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        return real_->sendTo(to, data, length);
    }
    void interrupt() override { real_->interrupt(); }

private:
    static bool pending() {
        std::lock_guard<std::mutex> guard(gInjectLock);
        return !gRefusals.empty();
    }
    std::unique_ptr<UdpSocket> real_;
};

std::unique_ptr<UdpSocket> MakeRefusingSocket() { return std::make_unique<RefusingSocket>(); }

}  // namespace

TEST(LoopsSeam, ARefusalFromTheSocketSeamDropsOnlyThatParty) {
    NotificationQueue queue;
    Phone phone(0);
    phone.CreateSocket = MakeRefusingSocket;
    phone.NotifyWindow = &queue;
    ASSERT_EQ(phone.Start(), 1);
    PeerAddress gone = MakeAddress(0x0A000002, 11676), stays = MakeAddress(0x0A000003, 11676);
    phone.AddParty(gone, "Gone");
    phone.AddParty(stays, "Stays");
    phone.AddParty(gone, "Gone again");  // a duplicate entry goes too
    {
        std::lock_guard<std::mutex> guard(gInjectLock);
        gRefusals.push_back(gone);
    }
    ASSERT_TRUE(NextNotification(queue, PartyDropped));
    ASSERT_TRUE(WaitFor([&] { return phone.PartyCount == 1; }));
    EXPECT_STREQ(phone.PartyName[0], "Stays");
    queue.close();
    phone.Shutdown();
}

namespace {

// Datagrams that ForgingSocket hands on as if they came from the address given.
std::vector<std::pair<PeerAddress, Bytes>> gForged;

Bytes Of(const Datagram& d) { return Bytes(d.bytes, d.bytes + d.length); }

class ForgingSocket final : public UdpSocket {
public:
    ForgingSocket() : real_(CreateUdpSocket()) {}
    bool bind(uint16_t port) override { return real_->bind(port); }
    uint16_t localPort() const override { return real_->localPort(); }
    WaitStatus waitReadable(int timeoutMs) override {
        for (int waited = 0; waited < timeoutMs; waited += 10) {
            if (forgedCount() > 0) return WaitStatus::Readable;
            WaitStatus w = real_->waitReadable(10);
            if (w != WaitStatus::TimedOut) return w;
        }
        return WaitStatus::TimedOut;
    }
    ReceiveResult receive(uint8_t* buffer, int capacity) override {
        std::lock_guard<std::mutex> guard(gInjectLock);
        if (gForged.empty()) return real_->receive(buffer, capacity);
        ReceiveResult r;
        r.status = ReceiveStatus::Datagram;
        r.from = gForged.front().first;
        r.length = static_cast<int>(gForged.front().second.size());
        std::copy(gForged.front().second.begin(), gForged.front().second.end(), buffer);
        gForged.erase(gForged.begin());
        return r;
    }
    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        return real_->sendTo(to, data, length);
    }
    void interrupt() override { real_->interrupt(); }
    static size_t forgedCount() {
        std::lock_guard<std::mutex> guard(gInjectLock);
        return gForged.size();
    }

private:
    std::unique_ptr<UdpSocket> real_;
};

std::unique_ptr<UdpSocket> MakeForgingSocket() { return std::make_unique<ForgingSocket>(); }

}  // namespace

TEST(LoopsSeam, DatagramsFromPortZeroOrAddressZeroDrawNoReplyAtAll) {
    ManualWaveDevices devices;
    NotificationQueue queue;
    Phone phone(0);
    phone.CreateSocket = MakeForgingSocket;
    phone.SetAudioDevices(&devices);
    phone.NotifyWindow = &queue;
    phone.MicMuted = 1;
    ASSERT_EQ(phone.Start(), 1);
    Peer first, second;
    for (Peer* p : {&first, &second}) {
        ASSERT_EQ(phone.AddParty(p->address(), "Party"), 1);
        phone.ActivateParty(p->address());
    }
    {
        std::lock_guard<std::mutex> guard(gInjectLock);
        // Port 0 would mean "every active party" to the sender; 0.0.0.0 is this host.
        gForged.push_back({MakeAddress(Loopback, 0), Audio(1)});
        gForged.push_back({MakeAddress(Loopback, 0), Of(BuildCallRequest(0, "Mallory"))});
        gForged.push_back({MakeAddress(0x0A000009, 0), Of(BuildChatMessage(protocol::ChatNewLine, "hi"))});
        gForged.push_back({MakeAddress(0, first.port()), Audio(1)});
        gForged.push_back({MakeAddress(0, second.port()), Of(BuildCallRequest(0, "Mallory"))});
    }
    // A stranger's audio behind them draws its Leave once they were all handled.
    ASSERT_TRUE(WaitFor([] { return ForgingSocket::forgedCount() == 0; }));
    Peer stranger;
    stranger.sendTo(phone.Port(), Audio(1));
    Received r;
    ASSERT_TRUE(stranger.receive(&r));
    EXPECT_EQ(r.bytes, Bytes{0x82});
    EXPECT_TRUE(first.drain(200).empty());
    EXPECT_TRUE(second.drain(200).empty());
    EXPECT_EQ(phone.CallState, StateIdle);
    EXPECT_EQ(phone.PartyCount, 2);
    queue.close();
    phone.Shutdown();
}

// ---- the transmit loop, with the manual microphone ----

namespace {

// 320 samples of a tone, different for each frame number.
std::vector<int16_t> ToneFrame(int n) {
    std::vector<int16_t> f(320);
    for (int i = 0; i < 320; ++i) f[i] = static_cast<int16_t>(8000 * std::sin((n * 320 + i) * 0.05 * (1 + n % 3)));
    return f;
}

// What a fresh GSM 6.10 encoder makes of tone frames first..first+count-1.
Bytes Encoded(int first, int count) {
    StreamHeader h;
    CodecStream s = openEncoder(0, &h);
    Bytes out;
    for (int n = first; n < first + count; ++n) {
        uint8_t block[65];
        encodeFrame(s, &h, reinterpret_cast<const uint8_t*>(ToneFrame(n).data()), block, 0);
        out.insert(out.end(), block, block + 65);
    }
    closeStream(s, &h);
    return out;
}

class Transmit : public Loops {
protected:
    void TearDown() override {
        stopTalking();
        Loops::TearDown();
    }
    bool inputOpen() { return devices.inputsOpened() > 0 && devices.input().open; }
    // Fills one frame into the microphone once the capture has a buffer waiting.
    void say(const std::vector<int16_t>& frame) {
        ASSERT_TRUE(WaitFor([&] { return devices.fillInput(frame); }));
    }
    // A microphone that keeps talking in the background.
    void talk() {
        talking = true;
        talker = std::thread([this] {
            int n = 0;
            while (talking) {
                if (devices.fillInput(ToneFrame(n))) ++n;
                SleepMs(2);
            }
        });
    }
    void stopTalking() {
        talking = false;
        if (talker.joinable()) talker.join();
    }
    std::atomic<bool> talking{false};
    std::thread talker;
};

}  // namespace

TEST_F(Transmit, PacksFramesPerPacketEncodedFramesBehindTheCodecByte) {
    phone.FramesPerPacket = 4;
    phone.Capture.coreRate = CodecRate;  // the encoder's frames exactly as said
    AddPeerAsParty();
    // The capture hands the device its twelve buffers right after opening it.
    ASSERT_TRUE(WaitFor([&] { return inputOpen() && devices.input().buffers == 12; }));
    EXPECT_EQ(devices.input().bufferBytes, 640);
    for (int n = 0; n < 4; ++n) say(ToneFrame(n));
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    ASSERT_EQ(r.bytes.size(), 1u + 4 * 65);
    EXPECT_EQ(r.bytes[0], 0);
    EXPECT_EQ(Bytes(r.bytes.begin() + 1, r.bytes.end()), Encoded(0, 4));
    EXPECT_EQ(phone.Transmitting, 1);
}

TEST_F(Transmit, SilenceBelowTheThresholdShortensThePacketAndThenSendsNothing) {
    phone.FramesPerPacket = 4;
    phone.Capture.inputThreshold = -30;
    AddPeerAsParty();
    ASSERT_TRUE(WaitFor([&] { return inputOpen(); }));
    for (int n = 0; n < 14; ++n) say({0});
    // Ten frames of hangover go out (4 + 4 + 2), the rest is held back.
    Received got[3];
    for (Received& r : got) ASSERT_TRUE(peer.receive(&r, 5000));
    EXPECT_EQ(got[0].bytes.size(), 1u + 4 * 65);
    EXPECT_EQ(got[1].bytes.size(), 1u + 4 * 65);
    EXPECT_EQ(got[2].bytes.size(), 1u + 2 * 65);
    EXPECT_TRUE(WaitFor([&] { return phone.Transmitting == 0; }));
    EXPECT_TRUE(peer.drain(300).empty());
    // Speech again goes out at once.
    for (int n = 0; n < 4; ++n) say(ToneFrame(n));
    Received r;
    EXPECT_TRUE(peer.receive(&r));
}

TEST_F(Transmit, NothingIsCapturedWithoutAnActiveParty) {
    ASSERT_EQ(phone.AddParty(peer.address(), "Bob"), 1);  // not yet active
    SleepMs(200);
    EXPECT_EQ(devices.inputAttempts, 0);
    phone.ActivateParty(peer.address());
    ASSERT_TRUE(WaitFor([&] { return inputOpen(); }));
    phone.RemoveParty(nullptr);
    EXPECT_TRUE(WaitFor([&] { return !devices.input().open; }));
    EXPECT_TRUE(peer.drain(200).empty());
}

TEST_F(Transmit, MutingTheMicrophoneClosesTheCapture) {
    AddPeerAsParty();
    ASSERT_TRUE(WaitFor([&] { return inputOpen(); }));
    phone.MicMuted = 1;
    EXPECT_TRUE(WaitFor([&] { return !devices.input().open; }));
    phone.MicMuted = 0;
    EXPECT_TRUE(WaitFor([&] { return devices.inputsOpened() == 2 && devices.input().open; }));
}

TEST_F(Transmit, FallbackSendsCodecZeroForOneCaptureRun) {
    // On a system without Truespeech.
    SetConversionOpener(kvtest::WithoutTrueSpeech);
    ResetCodecAvailability();
    struct Restore {
        ~Restore() {
            SetConversionOpener(nullptr);
            ResetCodecAvailability();
        }
    } restore;
    phone.Codec = 1;
    phone.TransmitFallback = 1;
    phone.FramesPerPacket = 1;
    AddPeerAsParty();
    talk();
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes[0], 0);
    EXPECT_EQ(r.bytes.size(), 1u + 65);
    EXPECT_EQ(phone.TransmitCodec, 0);
    phone.MicMuted = 1;  // stops the capture, which ends the fallback
    ASSERT_TRUE(WaitFor([&] { return phone.TransmitFallback == 0 && !devices.input().open; }));
    peer.drain(100);
    phone.MicMuted = 0;
    // Codec 1 cannot be encoded here: nothing is captured or sent.
    ASSERT_TRUE(WaitFor([&] { return phone.TransmitCodec == 1; }));
    EXPECT_TRUE(peer.drain(600).empty());
    EXPECT_FALSE(devices.input().open);
}

TEST_F(Transmit, FramesPerPacketIsKeptWithinThePacket) {
    phone.FramesPerPacket = 1000;
    AddPeerAsParty();
    talk();
    Received r;
    ASSERT_TRUE(peer.receive(&r, 5000));
    EXPECT_EQ(r.bytes.size(), 1u + 22 * 65);  // the most GSM 6.10 frames that fit in 1475 bytes (sealable)
    phone.FramesPerPacket = 0;
    // The packet being filled when the setting changed may still come whole.
    EXPECT_TRUE(WaitFor([&] { return peer.receive(&r, 1000) && r.bytes.size() == 1u + 65; }, 15000));
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes.size(), 1u + 65);
}

TEST_F(Transmit, WithoutACaptureDeviceTheLoopWaitsBetweenAttempts) {
    devices.refuseInput = true;
    const auto start = std::chrono::steady_clock::now();
    AddPeerAsParty();
    ASSERT_TRUE(WaitFor([&] { return devices.inputAttempts >= 2; }, 10000));
    SleepMs(1000);
    // A retry every half second, not a spin: a few attempts for the time that passed.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LE(devices.inputAttempts, 3 + ms.count() / 250);
    EXPECT_TRUE(peer.drain(100).empty());
    devices.refuseInput = false;  // a microphone plugged in is found
    EXPECT_TRUE(WaitFor([&] { return inputOpen(); }));
}

TEST_F(Transmit, TheFallbackOutlivesACaptureRetryAndEndsWithTheCall) {
    phone.Codec = 1;
    phone.TransmitFallback = 1;
    phone.FramesPerPacket = 1;
    devices.refuseInput = true;
    AddPeerAsParty();
    // The second attempt comes after a wait for the microphone; it still asks for codec 0.
    ASSERT_TRUE(WaitFor([&] { return devices.inputAttempts >= 2; }, 10000));
    EXPECT_EQ(phone.TransmitFallback, 1);
    devices.refuseInput = false;
    talk();
    Received r;
    ASSERT_TRUE(peer.receive(&r, 5000));
    EXPECT_EQ(r.bytes[0], 0);
    EXPECT_EQ(r.bytes.size(), 1u + 65);
    EXPECT_EQ(phone.TransmitCodec, 0);
    phone.RemoveParty(nullptr);  // the call ends, and the fallback with it
    EXPECT_TRUE(WaitFor([&] { return phone.TransmitFallback == 0 && !devices.input().open; }));
}
