#include "audio/resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "speech_sample.h"

using namespace kv;

namespace {

// Runs x through r frame by frame, as a codec's edge does.
std::vector<int16_t> Through(Resampler& r, const std::vector<int16_t>& x, int frame, int ratioUp, int ratioDown) {
    std::vector<int16_t> out;
    std::vector<int16_t> buf(size_t(frame * ratioUp / ratioDown) + 8);
    for (size_t at = 0; at + size_t(frame) <= x.size(); at += size_t(frame)) {
        const int n = r.process(&x[at], frame, buf.data(), int(buf.size()));
        EXPECT_EQ(n, frame * ratioUp / ratioDown) << "a whole frame in, a whole frame out";
        out.insert(out.end(), buf.begin(), buf.begin() + n);
    }
    return out;
}

}  // namespace

TEST(Resampler, SpeechUpToWidebandAndBackFrameByFrameIsTheSameSpeechLaterByTheLatency) {
    const std::vector<int16_t> speech = SpeechSample();
    Resampler up, down;
    ASSERT_TRUE(up.open(8000, 16000));
    ASSERT_TRUE(down.open(16000, 8000));
    const std::vector<int16_t> wide = Through(up, speech, 320, 2, 1);
    const std::vector<int16_t> back = Through(down, wide, 640, 1, 2);
    const int lag = up.latency() / 2 + down.latency();
    double signal = 1e-9, noise = 1e-9;
    for (size_t i = 0; i + size_t(lag) < back.size(); ++i) {
        const double d = double(speech[i]) - back[i + size_t(lag)];
        signal += double(speech[i]) * speech[i];
        noise += d * d;
    }
    const double snr = 10 * std::log10(signal / noise);
    std::printf("8000 -> 16000 -> 8000 Hz: SNR %.1f dB at a lag of %d samples\n", snr, lag);
    EXPECT_GE(snr, 25.0);
}

TEST(Resampler, DownToNarrowbandLeavesNothingAbove4kHzToFoldBack) {
    // A 6 kHz tone at 16000 Hz would alias to 2 kHz at 8000 Hz.
    std::vector<int16_t> tone(16000);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = int16_t(10000 * std::sin(2 * std::acos(-1.0) * 6000 * i / 16000.0));
    Resampler down;
    ASSERT_TRUE(down.open(16000, 8000));
    const std::vector<int16_t> out = Through(down, tone, 640, 1, 2);
    double in = 0, left = 1e-9;
    for (size_t i = 0; i < tone.size(); ++i) in += double(tone[i]) * tone[i] / 2;
    for (size_t i = 800; i < out.size(); ++i) left += double(out[i]) * out[i];
    left *= double(out.size()) / double(out.size() - 800);
    EXPECT_GE(10 * std::log10(in / left), 40.0);
    EXPECT_FALSE(Resampler().open(0, 8000));
}
