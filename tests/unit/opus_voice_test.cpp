#include "audio/opus_voice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

using namespace kv;

namespace {

// tests/data/speech16k.wav: 16-bit mono PCM at 16000 Hz behind a 44-byte header.
std::vector<int16_t> Speech16k() {
    std::ifstream f(KV_TEST_DATA_DIR "/speech16k.wav", std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_GT(b.size(), 44u);
    EXPECT_TRUE(b.size() > 44 && b[24] == 0x80 && b[25] == 0x3E && b[34] == 16) << "16000 Hz, 16 bits";
    std::vector<int16_t> s;
    for (size_t i = 44; i + 1 < b.size(); i += 2) s.push_back(static_cast<int16_t>(b[i] | (b[i + 1] << 8)));
    return s;
}

constexpr int Frame = OpusVoiceEncoder::FrameSamples;

std::vector<std::vector<uint8_t>> Encode(const std::vector<int16_t>& pcm, int lossPercent) {
    OpusVoiceEncoder enc;
    EXPECT_TRUE(enc.open());
    enc.setExpectedLoss(lossPercent);
    std::vector<std::vector<uint8_t>> packets;
    uint8_t out[OpusVoiceEncoder::MaxPacketBytes];
    for (size_t at = 0; at + Frame <= pcm.size(); at += Frame) {
        const int n = enc.encode(&pcm[at], out, sizeof out);
        EXPECT_GT(n, 0);
        packets.emplace_back(out, out + (n > 0 ? n : 0));
    }
    return packets;
}

// Energy of a - b over [from, from + n), b lagging a by lag samples.
double ErrorEnergy(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t from, size_t n, int lag) {
    double e = 0;
    for (size_t i = from; i < from + n && i + lag < b.size() && i < a.size(); ++i) {
        const double d = double(a[i]) - b[i + lag];
        e += d * d;
    }
    return e;
}

double Energy(const std::vector<int16_t>& a, size_t from, size_t n) {
    double e = 1e-3;
    for (size_t i = from; i < from + n && i < a.size(); ++i) e += double(a[i]) * a[i];
    return e;
}

}  // namespace

TEST(OpusVoice, WidebandSpeechComesBackAtAboutTheBitrateAsked) {
    const std::vector<int16_t> speech = Speech16k();
    const auto packets = Encode(speech, 0);
    OpusVoiceDecoder dec;
    ASSERT_TRUE(dec.open());
    std::vector<int16_t> heard;
    size_t bytes = 0;
    int16_t out[Frame];
    for (const auto& p : packets) {
        ASSERT_EQ(dec.decode(p.data(), int(p.size()), out, Frame), Frame);
        heard.insert(heard.end(), out, out + Frame);
        bytes += p.size();
    }
    OpusVoiceEncoder enc;
    ASSERT_TRUE(enc.open());
    const int lag = enc.lookahead();
    const size_t n = heard.size() - size_t(lag);
    const double snr = 10 * std::log10(Energy(speech, 0, n) / ErrorEnergy(speech, heard, 0, n, lag));
    const double kbps = bytes * 8.0 / (packets.size() * 0.02) / 1000;
    std::printf("Opus at 24 kbit/s: %.1f kbit/s on the wire, SNR %.1f dB at a lag of %d samples\n", kbps, snr, lag);
    EXPECT_GE(snr, 6.0);
    EXPECT_GT(kbps, 12.0);
    EXPECT_LT(kbps, 30.0);
}

TEST(OpusVoice, ALostPacketComesBackFromTheNextOnesFecBetterThanConcealment) {
    const std::vector<int16_t> speech = Speech16k();
    const auto packets = Encode(speech, 20);
    // With that much loss expected the speech stays wideband (the TOC byte's
    // configurations 8-11), FEC and all: the encoder must not fall back to 12 kHz.
    size_t narrower = 0;
    for (const auto& p : packets) narrower += (p[0] >> 3) < 8 ? 1 : 0;
    EXPECT_LE(narrower, packets.size() / 50) << "of " << packets.size() << " packets below wideband";
    OpusVoiceEncoder enc;
    ASSERT_TRUE(enc.open());
    const int lag = enc.lookahead();
    double fecError = 0, plcError = 0, said = 0;
    int16_t out[Frame];
    // Every 25th packet lost, each time on a decoder that had all before it.
    for (size_t lost = 20; lost + 1 < packets.size(); lost += 25) {
        const size_t from = lost * Frame;
        if (Energy(speech, from, Frame) < 1e6 * Frame) continue;  // a pause: both are near silence
        OpusVoiceDecoder fec, plc;
        ASSERT_TRUE(fec.open());
        ASSERT_TRUE(plc.open());
        std::vector<int16_t> a, b;
        for (size_t k = 0; k < lost; ++k) {
            ASSERT_EQ(fec.decode(packets[k].data(), int(packets[k].size()), out, Frame), Frame);
            a.insert(a.end(), out, out + Frame);
            ASSERT_EQ(plc.decode(packets[k].data(), int(packets[k].size()), out, Frame), Frame);
            b.insert(b.end(), out, out + Frame);
        }
        const auto& next = packets[lost + 1];
        ASSERT_EQ(fec.recover(next.data(), int(next.size()), out, Frame), Frame);
        a.insert(a.end(), out, out + Frame);
        ASSERT_EQ(plc.conceal(out, Frame), Frame);
        b.insert(b.end(), out, out + Frame);
        // Against what was said in the lost frame (the decoder's output lags by `lag`).
        const size_t at = from - size_t(lag);
        fecError += ErrorEnergy(speech, a, at, Frame, lag);
        plcError += ErrorEnergy(speech, b, at, Frame, lag);
        said += Energy(speech, at, Frame);
    }
    ASSERT_GT(said, 1.0);
    const double fecDb = 10 * std::log10(said / fecError), plcDb = 10 * std::log10(said / plcError);
    std::printf("lost frames of speech: %.1f dB from the next packet's FEC, %.1f dB concealed\n", fecDb, plcDb);
    EXPECT_GT(fecDb, plcDb + 2.0);
}

TEST(OpusVoice, AMalformedOrOversizedPacketIsRefusedAndNothingWrittenBeyondTheBuffer) {
    OpusVoiceDecoder dec;
    ASSERT_TRUE(dec.open());
    constexpr int16_t Canary = 0x5A5A;
    std::vector<int16_t> buf(Frame + 64, Canary);
    auto untouchedAfter = [&](int n) {
        for (size_t i = size_t(n); i < buf.size(); ++i)
            if (buf[i] != Canary) return false;
        return true;
    };
    const uint8_t empty[1] = {0};
    EXPECT_EQ(dec.decode(empty, 0, buf.data(), Frame), -1);
    // Code 3 (arbitrary frame count) with no count byte, with count 0, and 6 frames of 20 ms (120 ms) into 20 ms.
    const uint8_t noCount[] = {0x0B};
    const uint8_t zeroFrames[] = {0x0B, 0x00};
    const uint8_t sixFrames[] = {0x0B, 0x06, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(dec.decode(noCount, sizeof noCount, buf.data(), Frame), -1);
    EXPECT_EQ(dec.decode(zeroFrames, sizeof zeroFrames, buf.data(), Frame), -1);
    EXPECT_EQ(OpusVoiceDecoder::samplesIn(sixFrames, sizeof sixFrames), 6 * Frame);
    EXPECT_EQ(dec.decode(sixFrames, sizeof sixFrames, buf.data(), Frame), -1);
    EXPECT_TRUE(untouchedAfter(0));
    // Code 2 (two frames of different sizes) whose first size runs past the end.
    const uint8_t pastEnd[] = {0x0A, 200, 1, 2};
    EXPECT_EQ(dec.decode(pastEnd, sizeof pastEnd, buf.data(), Frame), -1);
    EXPECT_TRUE(untouchedAfter(0));
    // Random bytes: refused, or at most one frame written.
    std::mt19937 rng(7);
    int decoded = 0;
    for (int k = 0; k < 3000; ++k) {
        std::vector<uint8_t> p(1 + rng() % 200);
        for (uint8_t& v : p) v = uint8_t(rng());
        std::fill(buf.begin(), buf.end(), Canary);
        const int n = dec.decode(p.data(), int(p.size()), buf.data(), Frame);
        ASSERT_TRUE(n == -1 || (n > 0 && n <= Frame)) << n;
        ASSERT_TRUE(untouchedAfter(n < 0 ? Frame : n));
        if (n > 0) ++decoded;
    }
    EXPECT_GT(decoded, 0) << "some random packets are valid Opus";
    // Concealment and recovery take only whole 2.5 ms steps up to 120 ms.
    EXPECT_EQ(dec.conceal(buf.data(), 7), -1);
    EXPECT_EQ(dec.recover(nullptr, 0, buf.data(), Frame), Frame);  // nothing after it: concealed
}
