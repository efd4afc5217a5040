#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/capture.h"
#include "audio/media_channel.h"
#include "audio/opus_voice.h"
#include "platform/manual_wave.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

namespace {

// A Truespeech codec for tests: a frame decodes to 240 samples of its first
// byte, 240 samples encode to 32 bytes of the first sample's low byte.
class FakeTrueSpeech final : public ConversionStream {
public:
    explicit FakeTrueSpeech(bool encoder) : encoder_(encoder) {}
    int prepare(StreamHeader&) override { return 0; }
    int unprepare(StreamHeader&) override { return 0; }
    int convert(StreamHeader& h, bool end) override {
        if (end) return 0;
        if (encoder_) {
            std::memset(h.destination, h.source[0], 32);
        } else {
            for (int i = 0; i < 240; ++i) {
                int16_t s = h.source[0];
                std::memcpy(h.destination + 2 * i, &s, 2);
            }
        }
        return 0;
    }

private:
    bool encoder_;
};

std::unique_ptr<ConversionStream> WithFakeTrueSpeech(const WaveFormatRecord& from, const WaveFormatRecord& to) {
    if (from.formatTag == FormatTagTrueSpeech) return std::make_unique<FakeTrueSpeech>(false);
    if (to.formatTag == FormatTagTrueSpeech) return std::make_unique<FakeTrueSpeech>(true);
    return OpenConversionStream(from, to);
}

std::unique_ptr<ConversionStream> WithoutCodecs(const WaveFormatRecord&, const WaveFormatRecord&) { return nullptr; }

class Channel : public ::testing::Test {
protected:
    void SetUp() override {
        channel.playout.setMinDelay(10000);  // keep everything queued
        channel.playout.setMaxDelay(10000);
    }
    void TearDown() override { SetConversionOpener(nullptr); }
    int feed(int codec, const std::vector<uint8_t>& frames) {
        return channel.feedPayload(codec, frames.data(), static_cast<int>(frames.size()));
    }
    ManualWaveDevices devices;
    MediaChannel channel{&devices};
};

}  // namespace

TEST_F(Channel, EveryWholeFrameOfAPayloadIsQueued) {
    EXPECT_EQ(feed(0, std::vector<uint8_t>(195, 0x11)), 0);
    EXPECT_EQ(channel.playout.queuedSlots(), 3);
    EXPECT_EQ(channel.decoderCodec, 0);
    // 70 bytes: one frame, the trailing 5 bytes are discarded.
    EXPECT_EQ(feed(0, std::vector<uint8_t>(70, 0x11)), 0);
    EXPECT_EQ(channel.playout.queuedSlots(), 4);
    EXPECT_EQ(feed(0, {}), 0);
    EXPECT_EQ(channel.playout.queuedSlots(), 4);
}

TEST_F(Channel, TheDecoderFollowsTheSendersCodec) {
    SetConversionOpener(WithFakeTrueSpeech);
    channel.playoutRate = CodecRate;  // the decoder's samples as they are
    feed(0, std::vector<uint8_t>(65, 0x11));
    CodecStream gsm = channel.decoder;
    ASSERT_NE(gsm, nullptr);
    feed(1, std::vector<uint8_t>(64, 7));  // two Truespeech frames
    EXPECT_EQ(channel.decoderCodec, 1);
    EXPECT_EQ(channel.playout.queuedSlots(), 3);
    channel.playout.forceStart();
    devices.markPlayed(3);
    std::vector<int16_t> played = devices.playedSamples();
    ASSERT_EQ(played.size(), 320u + 2 * 240);
    EXPECT_EQ(played[320], 7);
    EXPECT_EQ(played.back(), 7);
}

TEST_F(Channel, APayloadOfAnUnknownCodecIsDiscarded) {
    feed(0, std::vector<uint8_t>(65, 0x11));
    EXPECT_EQ(feed(3, std::vector<uint8_t>(65, 0x11)), 0);
    EXPECT_EQ(channel.decoderCodec, -1);
    EXPECT_EQ(channel.decoder, nullptr);
    EXPECT_EQ(channel.playout.queuedSlots(), 1);
    // The next payload of a known codec opens a decoder again.
    feed(0, std::vector<uint8_t>(65, 0x11));
    EXPECT_EQ(channel.decoderCodec, 0);
    EXPECT_EQ(channel.playout.queuedSlots(), 2);
}

TEST_F(Channel, APayloadWhoseCodecIsMissingHereIsTriedAgainEachTime) {
    SetConversionOpener(WithoutCodecs);
    EXPECT_EQ(feed(0, std::vector<uint8_t>(65, 0x11)), 0);
    EXPECT_EQ(channel.decoderCodec, -1);
    SetConversionOpener(nullptr);
    feed(0, std::vector<uint8_t>(65, 0x11));
    EXPECT_EQ(channel.decoderCodec, 0);
    EXPECT_EQ(channel.playout.queuedSlots(), 1);
}

TEST_F(Channel, APlayoutRefusalDropsTheRestOfThePayload) {
    std::vector<uint8_t> many(65 * 23, 0x11);
    for (int i = 0; i < 4; ++i) feed(0, many);  // 92 frames
    EXPECT_EQ(channel.playout.queuedSlots(), 92);
    EXPECT_EQ(feed(0, many), -1);  // the ring holds 98
    EXPECT_EQ(channel.playout.queuedSlots(), 98);
}

TEST_F(Channel, SendingSideEncodesCapturedFrames) {
    CaptureDevice capture;
    capture.devices = &devices;
    capture.inputThreshold = CaptureDevice::ThresholdOff;
    uint8_t out[65];
    EXPECT_EQ(capture.readEncodedFrame(out), -3);
    EXPECT_EQ(capture.startSending(2, 500), -1);
    ASSERT_EQ(capture.startSending(0, 500), 0);
    EXPECT_EQ(capture.encoderCodec(), 0);
    EXPECT_EQ(devices.input().bufferBytes, 1280);  // 40 ms at the core's rate
    EXPECT_EQ(capture.readEncodedFrame(out), -1);  // the first 40 ms are not yet recorded
    devices.fillInput(500);
    EXPECT_EQ(capture.readEncodedFrame(out), 65);
    EXPECT_EQ(capture.stopSending(), 0);
    EXPECT_FALSE(devices.input().open);
    EXPECT_EQ(capture.readEncodedFrame(out), -3);

    SetConversionOpener(WithFakeTrueSpeech);
    capture.coreRate = CodecRate;  // the encoder's samples as captured
    ASSERT_EQ(capture.startSending(1, 500), 0);
    EXPECT_EQ(devices.input().bufferBytes, 480);
    EXPECT_EQ(capture.bufferCount(), 16);
    devices.fillInput(9);
    EXPECT_EQ(capture.readEncodedFrame(out), 32);
    EXPECT_EQ(out[0], 9);
    capture.stopSending();
}

TEST_F(Channel, SendingCannotStartWithoutEncoderOrMicrophone) {
    CaptureDevice capture;
    capture.devices = &devices;
    SetConversionOpener(WithoutCodecs);
    EXPECT_EQ(capture.startSending(0, 500), -1);
    EXPECT_EQ(devices.inputAttempts, 0);  // no encoder: the microphone is not opened
    SetConversionOpener(nullptr);
    devices.refuseInput = true;
    EXPECT_EQ(capture.startSending(0, 500), -1);  // the encoder is closed again (leak check)
    uint8_t out[65];
    EXPECT_EQ(capture.readEncodedFrame(out), -3);
}

// At the core's rate both edges of a GSM 6.10 call resample: a 440 Hz tone
// captured at 16000 Hz is heard at 16000 Hz as the same tone.
TEST_F(Channel, AToneCapturedAtTheCoresRateIsHeardAtItThroughTheCodecsRate) {
    CaptureDevice capture;
    capture.devices = &devices;
    capture.inputThreshold = CaptureDevice::ThresholdOff;
    ASSERT_EQ(capture.startSending(0, 500), 0);
    const int frame = FrameSamplesAt(0, CoreRate), frames = 12;
    auto tone = [&](int i) { return 8000 * std::sin(2 * 3.14159265358979 * 440 * i / CoreRate); };
    for (int f = 0; f < frames; ++f) {
        std::vector<int16_t> said(static_cast<size_t>(frame));
        for (int i = 0; i < frame; ++i) said[static_cast<size_t>(i)] = static_cast<int16_t>(tone(f * frame + i));
        ASSERT_TRUE(devices.fillInput(said));
        uint8_t coded[65];
        ASSERT_EQ(capture.readEncodedFrame(coded), 65);
        ASSERT_EQ(channel.feedPayload(0, coded, 65), 0);
    }
    capture.stopSending();
    channel.playout.forceStart();
    devices.markPlayed(frames);
    const std::vector<int16_t> heard = devices.playedSamples();
    ASSERT_EQ(heard.size(), static_cast<size_t>(frames * frame));
    // The best lag within 40 ms, past the first two frames (the codec's start).
    double best = -100;
    for (int lag = 0; lag < CoreRate / 25; ++lag) {
        double signal = 0, noise = 0;
        for (int i = 2 * frame; i + lag < frames * frame; ++i) {
            const double want = tone(i), got = heard[static_cast<size_t>(i + lag)];
            signal += want * want;
            noise += (want - got) * (want - got);
        }
        best = std::max(best, 10 * std::log10(signal / std::max(noise, 1.0)));
    }
    EXPECT_GT(best, 6.0);
}

// Opus datagrams by their counters: one that overtook another waits for it
// (both play in order); a gap nothing fills is made up for, when a later one
// comes or the wait is over; a late one is dropped; another sealed datagram
// in between is no loss.
TEST_F(Channel, OpusDatagramsPlayInTheirCountersOrderAndWhatIsLostIsMadeUp) {
    OpusVoiceEncoder encoder;
    ASSERT_TRUE(encoder.open());
    encoder.setExpectedLoss(10);
    std::vector<std::vector<uint8_t>> packets;  // packets[k]: counter 10 + k
    for (int f = 0; f < 12; ++f) {
        int16_t pcm[OpusVoiceEncoder::FrameSamples];
        for (int i = 0; i < OpusVoiceEncoder::FrameSamples; ++i)
            pcm[i] = static_cast<int16_t>(6000 * std::sin(2 * 3.14159265358979 * 300 * (f * 320 + i) / 16000.0));
        uint8_t out[OpusVoiceEncoder::MaxPacketBytes];
        const int n = encoder.encode(pcm, out, sizeof out);
        ASSERT_GT(n, 0);
        packets.emplace_back(out, out + n);
    }
    auto feed = [&](int64_t sequence, int64_t nowMs = 0) {
        const auto& p = packets[static_cast<size_t>(sequence - 10)];
        return channel.feedPayload(CodecOpus, p.data(), static_cast<int>(p.size()), nowMs, sequence);
    };
    EXPECT_EQ(feed(10), 0);
    EXPECT_EQ(channel.decoderCodec, CodecOpus);
    feed(11);
    feed(13);  // before 12: waits
    EXPECT_EQ(channel.framesReceived(), 2);
    feed(12);  // both play
    EXPECT_EQ(channel.framesReceived(), 4);
    channel.noteOther();  // a chat line at 14
    feed(15);
    EXPECT_EQ(channel.framesReceived(), 5);
    feed(17);  // 16 lost: waits
    feed(18);  // 16 made up, then 17 and 18
    EXPECT_EQ(channel.recovered(), 1);
    EXPECT_EQ(channel.framesReceived(), 7);
    feed(16);  // too late
    EXPECT_EQ(channel.framesReceived(), 7);
    feed(20, 1000);  // 19 lost: waits, until HoldMs are over
    EXPECT_TRUE(channel.releaseHeld(1000 + MediaChannel::HoldMs / 2));
    EXPECT_FALSE(channel.releaseHeld(1000 + MediaChannel::HoldMs + 1));
    EXPECT_EQ(channel.recovered(), 2);
    EXPECT_EQ(channel.framesReceived(), 8);
    channel.playout.forceStart();
    devices.markPlayed(20);
    EXPECT_EQ(devices.playedSamples().size(), size_t(10 * OpusVoiceEncoder::FrameSamples));
}
