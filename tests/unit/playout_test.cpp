#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/playout.h"
#include "platform/manual_wave.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

namespace {

std::vector<uint8_t> Frame(int16_t value, int samples = 320) {
    std::vector<uint8_t> f(static_cast<size_t>(samples) * 2);
    for (int i = 0; i < samples; ++i) std::memcpy(&f[static_cast<size_t>(i) * 2], &value, 2);
    return f;
}

class Playout : public ::testing::Test {
protected:
    int write(const std::vector<uint8_t>& f, int rate = 8000) {
        return buffer.write(rate, f.data(), static_cast<int>(f.size()));
    }
    ManualWaveDevices devices;
    PlayoutBuffer buffer{&devices};
};

}  // namespace

TEST_F(Playout, WithNoMinimumDelayTheFirstFrameStartsPlayout) {
    buffer.setMinDelay(0);
    buffer.setMaxDelay(1000);
    EXPECT_EQ(write(Frame(100)), 0);
    EXPECT_TRUE(buffer.isPlaying());
    EXPECT_FALSE(devices.output().paused);
    EXPECT_EQ(devices.output().restarts, 1);
    EXPECT_EQ(devices.output().rate, 8000);
}

TEST_F(Playout, A200msDelayStartsOnTheFifthGsmFrame) {
    buffer.setMinDelay(200);
    buffer.setMaxDelay(1000);
    for (int i = 1; i <= 4; ++i) {
        ASSERT_EQ(write(Frame(100)), 0);
        EXPECT_FALSE(buffer.isPlaying()) << "frame " << i;
        EXPECT_TRUE(devices.output().paused);
    }
    EXPECT_EQ(devices.markPlayed(1), 0);  // a paused device plays nothing
    ASSERT_EQ(write(Frame(100)), 0);
    EXPECT_TRUE(buffer.isPlaying());
    EXPECT_FALSE(devices.output().paused);
    EXPECT_EQ(devices.output().queued, 5);
}

TEST_F(Playout, AFrameBeyondTheMaximumDelayIsDroppedWithResultZero) {
    buffer.setMinDelay(1000);
    buffer.setMaxDelay(300);  // 2400 samples
    for (int i = 1; i <= 7; ++i) ASSERT_EQ(write(Frame(1)), 0);
    EXPECT_EQ(buffer.queuedSlots(), 7);
    EXPECT_EQ(write(Frame(1)), 0);  // 2560 > 2400
    EXPECT_EQ(buffer.queuedSlots(), 7);
    EXPECT_EQ(devices.output().queued, 7);
}

TEST_F(Playout, TheMaximumDelayIsNeverBelow50ms) {
    buffer.setMaxDelay(20);
    EXPECT_EQ(buffer.maximumDelay, 50);
    buffer.setMaxDelay(700);
    EXPECT_EQ(buffer.maximumDelay, 700);
}

TEST_F(Playout, TheRingHoldsNinetyEightFrames) {
    buffer.setMinDelay(100000);
    buffer.setMaxDelay(100000);
    for (int i = 0; i < 98; ++i) ASSERT_EQ(write(Frame(1)), 0) << i;
    EXPECT_EQ(write(Frame(1)), -1);
    EXPECT_EQ(buffer.queuedSlots(), 98);
}

TEST_F(Playout, OutputLevels) {
    EXPECT_EQ(buffer.outputLevel(), -10000);  // closed
    buffer.setMinDelay(200);
    buffer.setMaxDelay(1000);
    write(Frame(0));
    EXPECT_EQ(buffer.outputLevel(), -10000);  // prebuffering

    // A full-scale square wave at the head of the queue gives 0.
    std::vector<uint8_t> square(640);
    for (int i = 0; i < 320; ++i) {
        int16_t s = (i / 8) % 2 ? -32768 : 32767;
        std::memcpy(&square[static_cast<size_t>(i) * 2], &s, 2);
    }
    PlayoutBuffer loud{&devices};
    loud.setMaxDelay(1000);
    loud.write(8000, square.data(), 640);
    ASSERT_TRUE(loud.isPlaying());
    EXPECT_TRUE(WaitFor([&] { return loud.outputLevel() == 0; }));

    PlayoutBuffer quiet{&devices};
    quiet.setMaxDelay(1000);
    quiet.write(8000, Frame(0).data(), 640);
    EXPECT_TRUE(WaitFor([&] { return quiet.outputLevel() == -9030; }));
}

TEST_F(Playout, LevelArithmetic) {
    EXPECT_EQ(LevelFromPeak(int64_t(1) << 30), 0);
    EXPECT_EQ(LevelFromPeak(1), -9030);
    EXPECT_EQ(LevelFromPeak(int64_t(16384) * 16384), -602);  // half scale: -6.02 dB
}

TEST_F(Playout, ADrainedQueueClosesTheDeviceAndTheNextFramePrebuffersAfresh) {
    buffer.setMinDelay(200);
    buffer.setMaxDelay(1000);
    for (int i = 0; i < 5; ++i) write(Frame(7));
    ASSERT_TRUE(buffer.isPlaying());
    EXPECT_EQ(devices.markPlayed(5), 5);
    ASSERT_TRUE(WaitFor([&] { return !buffer.isOpen(); }));
    EXPECT_FALSE(devices.output(0).open);
    EXPECT_FALSE(buffer.isPlaying());
    EXPECT_EQ(buffer.bufferedMs(), -1);

    // Reopened paused, and counting from zero again: four frames do not start it.
    for (int i = 0; i < 4; ++i) write(Frame(7));
    EXPECT_EQ(devices.outputsOpened(), 2);
    EXPECT_TRUE(devices.output().paused);
    EXPECT_FALSE(buffer.isPlaying());
    write(Frame(7));
    EXPECT_TRUE(buffer.isPlaying());
}

TEST_F(Playout, BufferedMillisecondsCountWhatIsNotYetPlayed) {
    buffer.setMinDelay(0);
    buffer.setMaxDelay(1000);
    for (int i = 0; i < 5; ++i) write(Frame(1));
    EXPECT_EQ(buffer.bufferedMs(), 200);
    devices.markPlayed(2);
    EXPECT_TRUE(WaitFor([&] { return buffer.bufferedMs() == 120; }));
    // The maximum delay counts unplayed audio: 1000 ms allows 22 more frames after 3.
    int queued = 0;
    for (int i = 0; i < 30; ++i) {
        write(Frame(1));
        queued = buffer.queuedSlots();
    }
    EXPECT_EQ(queued, 25);
}

TEST_F(Playout, VolumeIsScaledToBothChannelsAndKeptWhileClosed) {
    buffer.setVolume(500);
    buffer.setMinDelay(0);
    buffer.setMaxDelay(1000);
    write(Frame(1));
    EXPECT_EQ(devices.output().volume, 0x7FFF7FFFu);
    buffer.setVolume(1000);
    EXPECT_EQ(devices.output().volume, 0xFFFFFFFFu);
    buffer.setVolume(0);
    EXPECT_EQ(devices.output().volume, 0u);
}

TEST_F(Playout, OutGainTriplesAndClampsSamples) {
    buffer.outGain = 1;
    buffer.setMinDelay(0);
    buffer.setMaxDelay(1000);
    std::vector<uint8_t> f(6);
    const int16_t in[3] = {12000, -12000, 1000};
    std::memcpy(f.data(), in, 6);
    write(f);
    devices.markPlayed(1);
    EXPECT_EQ(devices.playedSamples(), (std::vector<int16_t>{32767, -32768, 3000}));
}

TEST_F(Playout, ForceStartStartsOnlyAPrebufferingDevice) {
    buffer.forceStart();  // closed: nothing happens
    EXPECT_EQ(devices.outputsOpened(), 0);
    buffer.setMinDelay(1000);
    buffer.setMaxDelay(2000);
    write(Frame(1));
    EXPECT_FALSE(buffer.isPlaying());
    buffer.forceStart();
    EXPECT_TRUE(buffer.isPlaying());
    EXPECT_EQ(devices.output().restarts, 1);
    buffer.forceStart();
    EXPECT_EQ(devices.output().restarts, 1);
}

TEST_F(Playout, ADeviceThatCannotOpenRefusesTheFrameAndIsTriedAgain) {
    devices.refuseOutput = true;
    EXPECT_EQ(write(Frame(1)), -1);
    EXPECT_EQ(write(Frame(1)), -1);
    EXPECT_EQ(devices.outputAttempts, 2);
    devices.refuseOutput = false;
    EXPECT_EQ(write(Frame(1)), 0);
    EXPECT_TRUE(buffer.isOpen());
}

TEST_F(Playout, AnotherRateReopensTheDevice) {
    buffer.setMinDelay(1000);
    buffer.setMaxDelay(2000);
    write(Frame(1));
    write(Frame(1), 16000);
    EXPECT_EQ(devices.outputsOpened(), 2);
    EXPECT_FALSE(devices.output(0).open);
    EXPECT_EQ(devices.output().rate, 16000);
    EXPECT_EQ(buffer.queuedSlots(), 1);
}

TEST_F(Playout, CloseReturnsEveryQueuedFrame) {
    buffer.setMinDelay(0);
    buffer.setMaxDelay(2000);
    for (int i = 0; i < 10; ++i) write(Frame(1));
    buffer.close(true);
    EXPECT_FALSE(devices.output().open);
    EXPECT_EQ(buffer.queuedSlots(), 0);
    EXPECT_EQ(buffer.outputLevel(), -10000);
    // Writing and playing from other threads while it closes leaves nothing behind.
    for (int i = 0; i < 10; ++i) write(Frame(1));
    std::thread player([&] {
        for (int i = 0; i < 50; ++i) {
            devices.markPlayed(1);
            SleepMs(1);
        }
    });
    SleepMs(20);
    buffer.close(true);
    player.join();
}

// ---- concealment (the tests above build bare buffers: concealment off) ----

namespace {

int Peak(const std::vector<int16_t>& s, size_t from, size_t count) {
    int peak = 0;
    for (size_t i = from; i < from + count && i < s.size(); ++i) peak = std::max(peak, std::abs(int(s[i])));
    return peak;
}

}  // namespace

TEST_F(Playout, ConcealmentBridgesADryQueueAndALateFramePlaysOnTheSameDevice) {
    buffer.setConceal(1);
    buffer.setMinDelay(200);
    buffer.setMaxDelay(1000);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(write(Frame(7)), 0);
    ASSERT_EQ(devices.markPlayed(4), 4);  // the fifth, the last queued, is playing
    ASSERT_TRUE(WaitFor([&] { return buffer.concealedFrames() == 1; }));  // a 10 ms piece near its end
    EXPECT_TRUE(buffer.isOpen());
    EXPECT_EQ(devices.output().queued, 2);
    EXPECT_TRUE(WaitFor([&] { return buffer.bufferedMs() == 50; }));  // the concealment counts as queued

    // A late frame goes behind it: same device, still playing, nothing prebuffered again.
    ASSERT_EQ(write(Frame(7)), 0);
    EXPECT_EQ(devices.outputsOpened(), 1);
    EXPECT_EQ(buffer.opens(), 1);
    EXPECT_FALSE(devices.output().paused);
    EXPECT_EQ(devices.output().restarts, 1);
    EXPECT_EQ(devices.output().queued, 3);
    EXPECT_EQ(buffer.bufferedMs(), 90);
    EXPECT_EQ(devices.markPlayed(2), 2);  // the concealment, then the late frame is playing
    ASSERT_TRUE(WaitFor([&] { return buffer.concealedFrames() == 2; }));  // a new run from the late frame
    const std::vector<int16_t> played = devices.playedSamples();
    ASSERT_EQ(played.size(), 5u * 320 + 80);  // the late frame waited behind one piece only
    EXPECT_GT(Peak(played, 5 * 320, 80), 0);  // the concealment: the last frame's level, fading
    EXPECT_LE(Peak(played, 5 * 320, 80), 7);
}

TEST_F(Playout, AfterTwoConcealmentFramesWithNothingArrivingTheDeviceCloses) {
    buffer.setConceal(1);
    buffer.setMinDelay(80);
    buffer.setMaxDelay(1000);
    write(Frame(7));
    write(Frame(7));
    ASSERT_TRUE(buffer.isPlaying());
    ASSERT_EQ(devices.markPlayed(1), 1);
    // Two frames' length in 10 ms pieces, each queued as the one before it plays.
    for (int piece = 1; piece <= 8; ++piece) {
        ASSERT_TRUE(WaitFor([&] { return buffer.concealedFrames() == piece; })) << piece;
        ASSERT_EQ(devices.markPlayed(1), 1);
    }
    EXPECT_EQ(devices.markPlayed(1), 1);  // the last piece played alone: the run is over
    ASSERT_TRUE(WaitFor([&] { return !buffer.isOpen(); }));
    EXPECT_EQ(buffer.concealedFrames(), 8);
    EXPECT_EQ(buffer.opens(), 1);
    EXPECT_EQ(devices.playedSamples(0).size(), 4u * 320);

    // Then as without concealment: reopened paused, prebuffering from zero.
    write(Frame(7));
    EXPECT_EQ(buffer.opens(), 2);
    EXPECT_TRUE(devices.output().paused);
    EXPECT_FALSE(buffer.isPlaying());
}

TEST_F(Playout, AQueueThatRanDryBeforeTheMonitorLookedIsStillBridged) {
    buffer.setConceal(1);
    buffer.setMinDelay(80);
    buffer.setMaxDelay(1000);
    write(Frame(7));
    write(Frame(7));
    ASSERT_EQ(devices.markPlayed(2), 2);  // both at once: the monitor never sees the last one playing alone
    // The first piece plays at once, so the second follows it straight away.
    ASSERT_TRUE(WaitFor([&] { return buffer.concealedFrames() == 2; }));
    EXPECT_TRUE(buffer.isOpen());
    EXPECT_EQ(devices.output().queued, 2);
    EXPECT_EQ(buffer.opens(), 1);
}

TEST_F(Playout, ConcealmentRepeatsTheLastPitchPeriodAndFadesOut) {
    buffer.setConceal(1);
    buffer.setMinDelay(0);
    buffer.setMaxDelay(1000);
    // 200 Hz: a period of 40 samples.
    std::vector<uint8_t> voiced(640);
    for (int i = 0; i < 320; ++i) {
        const int16_t s = static_cast<int16_t>(std::lround(8000 * std::sin(2 * 3.14159265358979 * i / 40)));
        std::memcpy(&voiced[static_cast<size_t>(i) * 2], &s, 2);
    }
    write(voiced);
    for (int piece = 1; piece <= 8; ++piece) {
        ASSERT_TRUE(WaitFor([&] { return buffer.concealedFrames() == piece; })) << piece;
        ASSERT_EQ(devices.markPlayed(1), 1);
    }
    ASSERT_EQ(devices.markPlayed(1), 1);
    ASSERT_TRUE(WaitFor([&] { return !buffer.isOpen(); }));
    const std::vector<int16_t> out = devices.playedSamples(0);
    ASSERT_EQ(out.size(), 960u);

    // The waveform goes on in phase, scaled from full to half over the first frame.
    for (int i = 0; i < 320; ++i) {
        int16_t real;
        std::memcpy(&real, &voiced[static_cast<size_t>(280 + i % 40) * 2], 2);
        EXPECT_NEAR(out[320 + static_cast<size_t>(i)], real * (640.0 - i - 1) / 640, 1.0) << i;
    }
    EXPECT_LE(Peak(out, 320, 640), 8000);
    EXPECT_GT(Peak(out, 320, 40), 7500);
    EXPECT_NEAR(Peak(out, 600, 40), 4000, 600);  // about half at its end
    EXPECT_LT(Peak(out, 920, 40), 500);  // the second ends near silence
    EXPECT_EQ(out[959], 0);
}

// ---- the monitor sleeps on the device ----

TEST_F(Playout, AnIdleOpenBufferSleepsOnItsDeviceWithoutATimeOut) {
    buffer.setMinDelay(1000);  // prebuffering: nothing plays
    buffer.setMaxDelay(1000);
    ASSERT_EQ(write(Frame(100)), 0);
    ASSERT_TRUE(WaitFor([&] { return devices.output().waiting; }));
    EXPECT_LT(devices.output().waitLimitMs, 0);

    // Started, a played frame wakes it: the frame is reclaimed, and it sleeps again.
    buffer.forceStart();
    ASSERT_EQ(write(Frame(100)), 0);
    ASSERT_EQ(devices.markPlayed(1), 1);
    ASSERT_TRUE(WaitFor([&] { return buffer.framesPlayed() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return devices.output().waiting; }));
    EXPECT_LT(devices.output().waitLimitMs, 0) << "concealment is off: no decision is ever due";
    EXPECT_EQ(buffer.queuedSlots(), 1);
}

TEST_F(Playout, AFrameSeenPlayingAloneIsConcealedOnlyAfterItStaysAlone) {
    buffer.setConceal(1);
    buffer.setMinDelay(0);
    buffer.setMaxDelay(1000);
    ASSERT_EQ(write(Frame(7)), 0);
    // The monitor looks again a little later instead of sleeping for good.
    ASSERT_TRUE(WaitFor([&] { return buffer.concealedFrames() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return devices.output().waiting; }));
    // Two frames queued now, the first playing: nothing is due until it has played.
    EXPECT_LT(devices.output().waitLimitMs, 0);
    EXPECT_EQ(devices.output().queued, 2);
}

TEST_F(Playout, AFrameFollowedByTheNextBeforeItEndsIsNeverConcealed) {
    buffer.setConceal(1);
    buffer.setMinDelay(0);
    buffer.setMaxDelay(20000);
    ASSERT_EQ(write(Frame(7, 40000)), 0);  // 5 s
    // Playing alone, it is looked at again only near its end, not after a few milliseconds.
    ASSERT_TRUE(WaitFor([&] { return devices.output().waiting && devices.output().waitLimitMs >= 0; }));
    EXPECT_GT(devices.output().waitLimitMs, 2000);
    ASSERT_EQ(write(Frame(7, 40000)), 0);
    ASSERT_EQ(devices.markPlayed(1), 1);
    ASSERT_TRUE(WaitFor([&] { return buffer.framesPlayed() == 1; }));
    EXPECT_EQ(buffer.concealedFrames(), 0);
    EXPECT_EQ(devices.output().queued, 1);
}
