#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/echo.h"
#include "platform/file/wav_room.h"
#include "speech_sample.h"

using namespace kv;

namespace {

std::vector<int16_t> Voice2() {
    std::vector<int16_t> samples;
    std::string error;
    EXPECT_TRUE(ReadPcm8kMonoWav(KV_TEST_DATA_DIR "/speech8k_voice2.wav", &samples, &error)) << error;
    return samples;
}

// The recording repeated to fill `length` samples.
std::vector<int16_t> Looped(const std::vector<int16_t>& s, size_t length) {
    std::vector<int16_t> out(length);
    for (size_t i = 0; i < length; ++i) out[i] = s[i % s.size()];
    return out;
}

double Energy(const std::vector<int16_t>& s, size_t from, size_t to) {
    double e = 1e-3;
    for (size_t i = from; i < to && i < s.size(); ++i) e += double(s[i]) * s[i];
    return e;
}

// The far end through a room: `delay` samples later (12 ms unless told;
// negative: heard before the reference has it), a short decaying tail, at about -6 dB.
std::vector<int16_t> Echo(const std::vector<int16_t>& far, long delay = 96) {
    const double taps[] = {0.5, 0.25, -0.12, 0.06, 0.03};
    std::vector<int16_t> out(far.size());
    for (long i = 0; i < long(far.size()); ++i) {
        double v = 0;
        for (long k = 0; k < 5; ++k) {
            const long at = i - delay - 7 * k;
            if (at >= 0 && at < long(far.size())) v += taps[k] * far[size_t(at)];
        }
        out[size_t(i)] = static_cast<int16_t>(v);
    }
    return out;
}

// Runs the canceller over whole frames; returns its output.
std::vector<int16_t> Cancel(EchoCanceller& echo, int frame, const std::vector<int16_t>& mic,
                         const std::vector<int16_t>& reference, bool cancel, bool suppress) {
    std::vector<int16_t> out(mic.size());
    std::vector<int16_t> m(frame), r(frame);
    for (size_t at = 0; at + frame <= mic.size(); at += frame) {
        std::memcpy(m.data(), &mic[at], size_t(frame) * 2);
        std::memcpy(r.data(), &reference[at], size_t(frame) * 2);
        echo.process(m.data(), r.data(), cancel, suppress);
        std::memcpy(&out[at], m.data(), size_t(frame) * 2);
    }
    return out;
}

class EchoFrames : public ::testing::TestWithParam<int> {};

TEST_P(EchoFrames, RemovesTheEchoOfTheFarEndOnceConverged) {
    const int frame = GetParam();
    const size_t length = 8000 * 12;
    const std::vector<int16_t> far = Looped(SpeechSample(), length);
    const std::vector<int16_t> mic = Echo(far);
    EchoCanceller echo;
    ASSERT_TRUE(echo.start(8000, frame));
    const std::vector<int16_t> out = Cancel(echo, frame, mic, far, true, true);
    // After 4 s to converge, over the last 8 s.
    const double before = Energy(mic, 8000 * 4, length);
    const double after = Energy(out, 8000 * 4, length);
    const double removedDb = 10 * std::log10(before / after);
    std::printf("frames of %d: echo %.1f dB down after 4 s\n", frame, removedDb);
    EXPECT_GE(removedDb, 20.0) << "frames of " << frame;
    EXPECT_EQ(echo.micShift() + echo.referenceShift(), 0) << "an echo within reach stays where it is";
    // Without the canceller the same echo goes through.
    EchoCanceller off;
    ASSERT_TRUE(off.start(8000, frame));
    const std::vector<int16_t> through = Cancel(off, frame, mic, far, false, false);
    EXPECT_EQ(through, mic);
}

INSTANTIATE_TEST_SUITE_P(GsmAndCodec1, EchoFrames, ::testing::Values(320, 240));

// Devices whose latency the program cannot see put the echo before the
// reference (5 ms) or beyond the filter (350 ms): it is found and lined up.
TEST(Echo, AnEchoOutOfTheFiltersReachIsFoundAndLinedUp) {
    const size_t length = 8000 * 16;
    const std::vector<int16_t> far = Looped(SpeechSample(), length);
    for (long delay : {-40L, 2800L}) {
        const std::vector<int16_t> mic = Echo(far, delay);
        EchoCanceller echo;
        ASSERT_TRUE(echo.start(8000, 320));
        const std::vector<int16_t> out = Cancel(echo, 320, mic, far, true, false);
        const double removedDb = 10 * std::log10(Energy(mic, 8000 * 10, length) / Energy(out, 8000 * 10, length));
        std::printf("echo %ld samples behind: reference held %d, microphone held %d, echo %.1f dB down\n", delay,
                    echo.referenceShift(), echo.micShift(), removedDb);
        EXPECT_GE(removedDb, 20.0) << delay;
        if (delay < 0) {
            EXPECT_GT(echo.micShift(), -delay);
        } else {
            EXPECT_GT(echo.referenceShift(), delay - EchoCanceller::FilterTaps(8000));
        }
    }
}

// How alike the near speech and the canceller's output are: their waveform
// correlation at the best shift (the preprocessor holds one block back), and
// the level change in dB.
struct Likeness {
    double likeness = -1;
    int shift = 0;
    double changeDb = 0;
};

// Over the near samples [from, to); from the second second to the end unless told.
Likeness Compare(const std::vector<int16_t>& near, const std::vector<int16_t>& out, size_t from = 8000,
                 size_t to = SIZE_MAX) {
    Likeness best;
    const size_t length = std::min(to, near.size());
    for (int shift = 0; shift <= 640; ++shift) {
        double cross = 1e-3, a = 1e-3, b = 1e-3;
        for (size_t i = from; i < length && i + shift < out.size(); ++i) {
            cross += double(near[i]) * out[i + shift];
            a += double(near[i]) * near[i];
            b += double(out[i + shift]) * out[i + shift];
        }
        const double likeness = cross / std::sqrt(a * b);
        if (likeness > best.likeness) {
            best.likeness = likeness;
            best.shift = shift;
            best.changeDb = 10 * std::log10(b / a);
        }
    }
    return best;
}

TEST(Echo, NearSpeechWithASilentReferenceGoesThroughIntact) {
    const size_t length = 8000 * 6;
    const std::vector<int16_t> near = Looped(Voice2(), length);
    const std::vector<int16_t> silence(length, 0);
    for (int frame : {320, 240})
        for (bool suppress : {false, true}) {
            EchoCanceller echo;
            ASSERT_TRUE(echo.start(8000, frame));
            const Likeness l = Compare(near, Cancel(echo, frame, near, silence, true, suppress));
            std::printf("near speech, frames of %d, silent reference, suppression %d: likeness %.3f at %d samples,"
                        " %+.2f dB\n", frame, suppress, l.likeness, l.shift, l.changeDb);
            EXPECT_GE(l.likeness, 0.98);
            EXPECT_GT(l.changeDb, -1.0);
            EXPECT_LT(l.changeDb, 1.0);
            // Held back by the preprocessor's block alone, which is one frame for both codecs.
            EXPECT_LE(l.shift, frame);
        }
}

// What is left of the near speech once the best gain is applied: 1 - likeness^2 of its energy.
double NearSnrDb(const std::vector<int16_t>& near, const std::vector<int16_t>& out, size_t from, size_t to) {
    const double likeness = Compare(near, out, from, to).likeness;
    return -10 * std::log10(std::max(1e-9, 1 - likeness * likeness));
}

// The near talker during double talk, at the output of the whole processing
// (canceller, residual echo suppression, denoise): the far end talks all
// along and its echo comes back through a room at its own level (a 120 ms
// tail, 20 ms late, a little noise); the near end joins after 4 s. The SNR
// is against the near speech, at the best shift and gain, over the double
// talk and over the same speech without a far end.
TEST(Echo, TheNearTalkerComesThroughDoubleTalk) {
    const size_t length = 8000 * 14, nearFrom = 8000 * 4;
    const std::vector<int16_t> far = Looped(SpeechSample(), length);
    std::vector<int16_t> near(length, 0);
    const std::vector<int16_t> voice = Looped(Voice2(), length - nearFrom);
    std::copy(voice.begin(), voice.end(), near.begin() + long(nearFrom));
    double level[2] = {};
    for (bool farTalks : {true, false}) {
        auto room = WavRoom::Generated(120, 5, 1.0);
        std::vector<int16_t> mic(length);
        std::vector<int32_t> played(320);
        for (size_t at = 0; at < length; at += 320) {
            for (size_t i = 0; i < 320; ++i) played[i] = farTalks ? far[at + i] : 0;
            room->played(int64_t(at), played.data(), 320);
            for (size_t i = at; i < at + 320; ++i) mic[i] = room->heard(int64_t(i), near[i]);
        }
        EchoCanceller echo;
        ASSERT_TRUE(echo.start(8000, 320));
        const std::vector<int16_t> silence(length, 0);
        const std::vector<int16_t> out = Cancel(echo, 320, mic, farTalks ? far : silence, true, true);
        const double snr = NearSnrDb(near, out, nearFrom, length - 640);
        const double unprocessed = NearSnrDb(near, mic, nearFrom, length - 640);
        std::printf("near talker %s: SNR %.1f dB after processing, %.1f dB in the microphone\n",
                    farTalks ? "in double talk" : "alone", snr, unprocessed);
        EXPECT_GE(snr, 12.0) << (farTalks ? "double talk" : "alone");
        level[farTalks] = Energy(out, nearFrom, length);
    }
    const double turnedDb = 10 * std::log10(level[1] / level[0]);
    std::printf("near talker in double talk against alone: %+.1f dB\n", turnedDb);
    EXPECT_GE(turnedDb, -3.0);
}

TEST(EchoReference, FramesLandWhereTheCaptureHearsThemAndFollowOneAnotherWithoutJumps) {
    EchoReference ring;
    EchoReference::Source source;
    std::vector<int16_t> frame(320), out(320);
    ring.captureOpened(8000);
    // Before the capture has read anything, positions have no time yet.
    for (int i = 0; i < 320; ++i) frame[i] = static_cast<int16_t>(1000 + i);
    ring.played(source, reinterpret_cast<uint8_t*>(frame.data()), 320, 8000, 0, true);
    EXPECT_FALSE(ring.anchored());
    ring.take(out.data(), 320, 40000);  // 320 samples read at 40 ms: position 0 is at time 0
    EXPECT_EQ(out, std::vector<int16_t>(320, 0));
    ASSERT_TRUE(ring.anchored());

    // Begins at 40 ms (position 320): the next take hands out LagMs behind the frame.
    ring.played(source, reinterpret_cast<uint8_t*>(frame.data()), 320, 8000, 40000, true);
    // The following frame, seen 5 ms late, follows directly; a later read does not move positions back.
    std::vector<int16_t> second(320, 7);
    ring.played(source, reinterpret_cast<uint8_t*>(second.data()), 320, 8000, 85000, false);
    const int lag = 8000 * EchoReference::LagMs / 1000;
    ring.take(out.data(), 320, 81000);
    for (int i = 0; i < lag; ++i) ASSERT_EQ(out[i], 0) << i;
    for (int i = lag; i < 320; ++i) ASSERT_EQ(out[i], frame[i - lag]) << i;
    ring.take(out.data(), 320, 120000);
    for (int i = 0; i < lag; ++i) ASSERT_EQ(out[i], frame[320 - lag + i]) << i;
    for (int i = lag; i < 320; ++i) ASSERT_EQ(out[i], 7) << i;

    // Two playouts add up; a frame seen far later than the chain says starts anew where it was seen.
    EchoReference::Source other;
    std::vector<int16_t> fives(320, 5);
    ring.played(other, reinterpret_cast<uint8_t*>(fives.data()), 320, 8000, 120000, true);
    ring.played(source, reinterpret_cast<uint8_t*>(fives.data()), 320, 8000, 120000 + 1000 * (EchoReference::RestartMs + 40),
                false);
    ring.take(out.data(), 320, 160000);
    for (int i = 0; i < lag; ++i) ASSERT_EQ(out[i], 7) << i;  // the rest of the second frame
    for (int i = lag; i < 320; ++i) ASSERT_EQ(out[i], 5) << i;
    EXPECT_EQ(ring.taken(), 4 * 320);

    // A frame queued behind the last one goes in at once where that one ends,
    // as far ahead as the ring holds; one with no chain to follow waits.
    std::vector<int16_t> nines(320, 9);
    EXPECT_TRUE(ring.follows(source, reinterpret_cast<uint8_t*>(nines.data()), 320, 8000));
    const int ahead = EchoReference::RingSamples / 320;
    int added = 1;
    while (added < 2 * ahead && ring.follows(source, reinterpret_cast<uint8_t*>(fives.data()), 320, 8000)) ++added;
    EXPECT_LT(added, ahead);
    EchoReference::Source none;
    EXPECT_FALSE(ring.follows(none, reinterpret_cast<uint8_t*>(nines.data()), 320, 8000));
    ring.take(out.data(), 320, 200000);
    ring.take(out.data(), 320, 240000);
    ring.take(out.data(), 320, 280000);  // the restarted frame's last part, then the one that followed it
    for (int i = 0; i < 320; ++i) ASSERT_EQ(out[i], i < 320 - lag ? 5 : 9) << i;

    // A capture closed and opened again forgets the chains and the times.
    ring.captureClosed();
    ring.captureOpened(8000);
    EXPECT_FALSE(ring.anchored());
    ring.played(source, reinterpret_cast<uint8_t*>(fives.data()), 320, 8000, -1, false);
    ring.take(out.data(), 320, 400000);
    ring.take(out.data(), 320, 440000);
    EXPECT_EQ(out, std::vector<int16_t>(320, 0));
}

TEST(EchoReference, AFrameQueuedAfterTheOneBeforeShouldHaveEndedBeginsWhenQueued) {
    EchoReference ring;
    EchoReference::Source source;
    std::vector<int16_t> ones(320, 1), nines(320, 9), fives(320, 5), out(320);
    ring.captureOpened(8000);
    ring.take(out.data(), 320, 40000);  // position 0 is at time 0
    ring.played(source, reinterpret_cast<uint8_t*>(ones.data()), 320, 8000, 40000, true);  // 320 to 640
    // Queued while the one before plays: it follows. Queued when the chain
    // ended 80 ms ago (the device ran dry): it begins then, at 1600.
    ASSERT_TRUE(ring.follows(source, reinterpret_cast<uint8_t*>(nines.data()), 320, 8000, 60000));
    ASSERT_TRUE(ring.follows(source, reinterpret_cast<uint8_t*>(fives.data()), 320, 8000, 200000));
    const int lag = 8000 * EchoReference::LagMs / 1000;
    for (int k = 2; k <= 4; ++k) ring.take(out.data(), 320, 40000 * k);
    for (int i = 0; i < 320; ++i) ASSERT_EQ(out[i], i < lag ? 9 : 0) << i;  // 880 to 1200
    ring.take(out.data(), 320, 200000);
    ring.take(out.data(), 320, 240000);
    for (int i = 0; i < 320; ++i) ASSERT_EQ(out[i], i < lag ? 0 : 5) << i;  // 1520 to 1840
}

}  // namespace
