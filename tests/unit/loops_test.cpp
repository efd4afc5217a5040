#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "engine/phone.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;
using Bytes = std::vector<uint8_t>;

namespace {

class Loops : public ::testing::Test {
protected:
    void SetUp() override {
        phone.NotifyWindow = &queue;
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

    NotificationQueue queue;
    Phone phone{FreePort()};
    Peer peer;
};

Bytes Audio(int codec, int payloadBytes) {
    Bytes d(static_cast<size_t>(1 + payloadBytes), 0x33);
    d[0] = static_cast<uint8_t>(codec);
    return d;
}

}  // namespace

TEST_F(Loops, AudioFromAStrangerDrawsAOneByteLeaveAndIsNotPlayed) {
    peer.sendTo(phone.Port(), Audio(0, 65));
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes, Bytes{0x82});
    EXPECT_EQ(r.from.port(), phone.Port());
    EXPECT_EQ(phone.PartyCount, 0);
}

TEST_F(Loops, AudioFromAPartyIsHandedToItsChannel) {
    AddPeerAsParty();
    peer.sendTo(phone.Port(), Audio(1, 64));
    ASSERT_TRUE(WaitFor([&] { return channel(0).payloadsFed == 1; }));
    EXPECT_EQ(channel(0).lastPayloadCodec, 1);
    EXPECT_EQ(channel(0).lastPayloadLength, 64);

    // The codec byte alone is handed on with no payload.
    peer.sendTo(phone.Port(), Bytes{0x00});
    ASSERT_TRUE(WaitFor([&] { return channel(0).payloadsFed == 2; }));
    EXPECT_EQ(channel(0).lastPayloadCodec, 0);
    EXPECT_EQ(channel(0).lastPayloadLength, 0);
    EXPECT_TRUE(peer.drain(100).empty());  // a party gets no Leave
}

TEST_F(Loops, A1500ByteDatagramIsReceivedWholeAnd1501IsDropped) {
    AddPeerAsParty();
    peer.sendTo(phone.Port(), Audio(0, 1499));
    ASSERT_TRUE(WaitFor([&] { return channel(0).payloadsFed == 1; }));
    EXPECT_EQ(channel(0).lastPayloadLength, 1499);

    peer.sendTo(phone.Port(), Audio(0, 1500));
    peer.sendTo(phone.Port(), Audio(0, 7));  // marks the end of the test
    ASSERT_TRUE(WaitFor([&] { return channel(0).payloadsFed >= 2; }));
    EXPECT_EQ(channel(0).payloadsFed, 2);
    EXPECT_EQ(channel(0).lastPayloadLength, 7);

    // From a stranger: 1500 bytes draw a Leave, 1501 bytes nothing at all.
    Peer stranger;
    stranger.sendTo(phone.Port(), Audio(0, 1500));
    EXPECT_TRUE(stranger.drain(300).empty());
    stranger.sendTo(phone.Port(), Audio(0, 1499));
    EXPECT_EQ(stranger.drain(300).size(), 1u);
}

TEST_F(Loops, UnknownOpcodesChangeNothingAndDrawNoReply) {
    AddPeerAsParty();
    for (int op = 0x86; op <= 0xFF; ++op) peer.sendTo(phone.Port(), Bytes{uint8_t(op), 0x01, 'x', 0x00});
    peer.sendTo(phone.Port(), Bytes{0x00, 0x01});  // audio afterwards is still handled
    ASSERT_TRUE(WaitFor([&] { return channel(0).payloadsFed == 1; }));
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
    peer.sendTo(phone.Port(), Audio(0, 65));
    EXPECT_TRUE(peer.drain(300).empty());
    EXPECT_EQ(channel(0).payloadsFed, 0);
    phone.SpeakerMuted = 0;
    peer.sendTo(phone.Port(), Audio(0, 65));
    EXPECT_TRUE(WaitFor([&] { return channel(0).payloadsFed == 1; }));
}

TEST_F(Loops, ASecondWithoutTrafficRestartsEveryPartysPlayout) {
    AddPeerAsParty();
    ASSERT_EQ(phone.AddParty(MakeAddress(Loopback, 9), "Cy"), 1);
    EXPECT_TRUE(WaitFor([&] { return channel(0).playout.forcedStarts > 0 && channel(1).playout.forcedStarts > 0; },
                        4000));
}

TEST_F(Loops, PortUnreachableDropsThePartyAndEndsTheWaits) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine does not report port unreachable on UDP sockets";
    PeerAddress nobody = MakeAddress(Loopback, FreePort());
    ASSERT_EQ(phone.AddParty(nobody, "Gone"), 1);
    phone.ActivateParty(nobody);
    phone.WriteAddress(phone.RemoteAddress, nobody);
    phone.CallState = StateWaitingForRemote;
    phone.WriteAddress(phone.MessageAddress, nobody);
    phone.MessageState = MsgSending;
    phone.SendDatagram(nullptr, BuildChatMessage(0, "anyone?"));
    ASSERT_TRUE(NextNotification(queue, PartyDropped));
    EXPECT_EQ(phone.PartyCount, 0);
    EXPECT_STREQ(phone.LeftPartyName, "Gone");
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
    Phone phone(FreePort());
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

// ---- the transmit loop, with a frame source standing in for the microphone ----

namespace {

class Transmit : public Loops {
protected:
    // Every read gives a frame of `size` bytes numbered in its first byte; from
    // read number silentFrom on (if not 0) frames are withheld as silence.
    void Frames(int size, int silentFrom = 0) {
        phone.Capture.source = [this, size, silentFrom](uint8_t* out) {
            int n = ++reads;
            if (silentFrom && n >= silentFrom) return -2;
            std::fill(out, out + size, static_cast<uint8_t>(n));
            return size;
        };
    }
    std::atomic<int> reads{0};
};

}  // namespace

TEST_F(Transmit, PacksFramesPerPacketFramesBehindTheCodecByte) {
    phone.FramesPerPacket = 4;
    Frames(65);
    AddPeerAsParty();
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes.size(), 1u + 4 * 65);
    EXPECT_EQ(r.bytes[0], 0);
    EXPECT_EQ(r.bytes[1 + 65], r.bytes[1] + 1);  // consecutive frames, in order
    EXPECT_EQ(phone.Transmitting, 1);
}

TEST_F(Transmit, SilenceShortensThePacketAndThenSendsNothing) {
    phone.FramesPerPacket = 4;
    Frames(65, 3);  // two frames, then silence
    AddPeerAsParty();
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes.size(), 1u + 2 * 65);
    EXPECT_TRUE(peer.drain(300).empty());
    EXPECT_EQ(phone.Transmitting, 0);
}

TEST_F(Transmit, NothingIsCapturedWithoutAnActiveParty) {
    Frames(65);
    ASSERT_EQ(phone.AddParty(peer.address(), "Bob"), 1);  // not yet active
    EXPECT_TRUE(peer.drain(200).empty());
    EXPECT_EQ(phone.Capture.starts, 0);
    phone.ActivateParty(peer.address());
    Received r;
    EXPECT_TRUE(peer.receive(&r));
    phone.RemoveParty(nullptr);
    EXPECT_TRUE(WaitFor([&] { return !phone.Capture.sending; }));
}

TEST_F(Transmit, FallbackSendsCodecZeroForOneCaptureRun) {
    phone.Codec = 1;
    phone.TransmitFallback = 1;
    phone.FramesPerPacket = 1;
    Frames(65);
    AddPeerAsParty();
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes[0], 0);
    EXPECT_EQ(phone.TransmitCodec, 0);
    phone.MicMuted = 1;  // stops the capture, which ends the fallback
    ASSERT_TRUE(WaitFor([&] { return phone.TransmitFallback == 0 && !phone.Capture.sending; }));
    peer.drain(100);
    Frames(32);
    phone.MicMuted = 0;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes[0], 1);
    EXPECT_EQ(r.bytes.size(), 1u + 32);
}

TEST_F(Transmit, FramesPerPacketIsKeptWithinThePacket) {
    phone.FramesPerPacket = 1000;
    Frames(65);
    AddPeerAsParty();
    Received r;
    ASSERT_TRUE(peer.receive(&r, 5000));
    EXPECT_EQ(r.bytes.size(), 1u + 23 * 65);  // the most GSM 6.10 frames that fit in 1500 bytes
    phone.FramesPerPacket = 0;
    peer.drain(500);
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes.size(), 1u + 65);
}

TEST_F(Transmit, WithoutACaptureDeviceTheLoopWaitsBetweenAttempts) {
    AddPeerAsParty();  // no frame source: the capture cannot be opened
    SleepMs(1200);
    EXPECT_GE(phone.Capture.starts, 1);
    EXPECT_LE(phone.Capture.starts, 10);  // a retry every half second, not a spin
    EXPECT_TRUE(peer.drain(100).empty());
}
