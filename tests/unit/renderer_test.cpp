// The renderer on a test device that plays only when told: the mix of the
// parties, one device for the whole call, and devices that fail or are slow.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "audio/renderer.h"
#include "platform/file/wav_file_devices.h"
#include "platform/manual_wave.h"
#include "test_support.h"

using namespace kv;

namespace {

bool Until(const std::function<bool()>& condition) {
    for (int i = 0; i < 20000; ++i) {
        if (condition()) return true;
        kvtest::SleepMs(1);
    }
    return condition();
}

void Put(Renderer::Party& p, int16_t value, int samples, int64_t now) {
    std::vector<int16_t> x(static_cast<size_t>(samples), value);
    std::lock_guard<std::mutex> guard(p.lock);
    p.jitter.put(x.data(), samples, now);
}

struct Rig {
    ManualWaveDevices devices;
    std::atomic<int64_t> clock{0};
    Renderer renderer{&devices, 8000, [this] { return clock.load(); }};
    // Plays one queued block and waits until the renderer has queued the next.
    bool play() {
        const int64_t before = renderer.blocksRendered();
        clock += 10;
        if (devices.markPlayed(1) != 1) return false;
        return Until([&] { return renderer.blocksRendered() > before && devices.output().queued == WaveOutput::DefaultBuffersAhead; });
    }
};

}  // namespace

TEST(Renderer, MixesEveryPartyOnOneDeviceThatStaysOpenThroughSilence) {
    Rig rig;
    auto a = rig.renderer.addParty(), b = rig.renderer.addParty();
    rig.renderer.start();
    ASSERT_TRUE(Until([&] { return rig.devices.output().queued == WaveOutput::DefaultBuffersAhead; }));
    for (int spurt = 0; spurt < 2; ++spurt) {
        // 40 ms of each party every 40 ms, for a second; then two seconds of nothing.
        for (int k = 0; k < 300; ++k) {
            if (k < 100 && k % 4 == 0) {
                Put(*a, 1000, 320, rig.clock);
                Put(*b, 2000, 320, rig.clock);
            }
            ASSERT_TRUE(rig.play()) << "block " << k;
        }
    }
    const std::vector<int16_t> played = rig.devices.playedSamples();
    int summed = 0, other = 0;
    for (int16_t s : played) {
        if (s == 3000) ++summed;
        else if (s != 0) ++other;
    }
    EXPECT_GT(summed, 2 * 60 * 80);  // most of both spurts
    EXPECT_LT(other, 2 * 100 * 8);   // the fades: in over 5 ms, out over the 80 ms of a repeat
    EXPECT_EQ(rig.devices.outputsOpened(), 1);
    EXPECT_EQ(rig.renderer.opens(), 1);
    EXPECT_TRUE(rig.devices.output().open);
    rig.renderer.stop();
    EXPECT_FALSE(rig.devices.output().open);
}

TEST(Renderer, ADeviceThatCannotOpenIsReportedRetriedAndMeanwhileThePartiesDrain) {
    Rig rig;
    std::mutex m;
    std::vector<bool> changes;
    rig.renderer.setDeviceChanged([&](bool open) {
        std::lock_guard<std::mutex> guard(m);
        changes.push_back(open);
    });
    auto changed = [&] {
        std::lock_guard<std::mutex> guard(m);
        return changes;
    };
    rig.devices.refuseOutput = true;
    auto a = rig.renderer.addParty();
    for (int k = 0; k < 25; ++k) Put(*a, 1000, 320, 0);  // a second
    rig.renderer.start();
    ASSERT_TRUE(Until([&] { return changed() == std::vector<bool>{false}; }));
    const int64_t before = rig.renderer.blocksRendered();
    ASSERT_TRUE(Until([&] { return rig.renderer.blocksRendered() > before + 20; }));
    {
        std::lock_guard<std::mutex> guard(a->lock);
        EXPECT_LT(a->jitter.queuedMs(), 1000);
    }
    EXPECT_EQ(rig.devices.outputAttempts, 1);  // not again before a second of its clock
    rig.devices.refuseOutput = false;
    rig.clock += Renderer::RetryMs;
    ASSERT_TRUE(Until([&] { return changed() == std::vector<bool>{false, true}; }));
    EXPECT_TRUE(rig.renderer.deviceOpen());
    EXPECT_EQ(rig.devices.outputAttempts, 2);
}

namespace {

// Output devices whose open waits until the test lets it go.
class HeldDevices final : public WaveDevices {
public:
    explicit HeldDevices(WaveDevices* real) : real_(real) {}
    std::unique_ptr<WaveOutput> openOutput(int rate) override {
        std::unique_lock<std::mutex> guard(m_);
        opening_ = true;
        cv_.notify_all();
        cv_.wait(guard, [&] { return released_; });
        return real_->openOutput(rate);
    }
    std::unique_ptr<WaveInput> openInput(int rate) override { return real_->openInput(rate); }
    bool waitOpening() {
        std::unique_lock<std::mutex> guard(m_);
        return cv_.wait_for(guard, std::chrono::seconds(20), [&] { return opening_; });
    }
    void release() {
        std::lock_guard<std::mutex> guard(m_);
        released_ = true;
        cv_.notify_all();
    }

private:
    WaveDevices* real_;
    std::mutex m_;
    std::condition_variable cv_;
    bool opening_ = false, released_ = false;
};

}  // namespace

TEST(Renderer, ASlowDeviceOpenHoldsNoPartyAndNoList) {
    ManualWaveDevices manual;
    HeldDevices held(&manual);
    Renderer renderer(&held, 8000);
    auto a = renderer.addParty();
    renderer.start();
    ASSERT_TRUE(held.waitOpening());
    {
        std::unique_lock<std::mutex> party(a->lock, std::try_to_lock);
        EXPECT_TRUE(party.owns_lock());
        if (party.owns_lock()) {
            const int16_t x[320] = {};
            EXPECT_TRUE(a->jitter.put(x, 320, 0));
        }
    }
    auto b = renderer.addParty();
    renderer.removeParty(a);
    EXPECT_EQ(renderer.parties(), 1);
    held.release();
    ASSERT_TRUE(Until([&] { return renderer.deviceOpen(); }));
}

TEST(Renderer, ADeviceThatRanDryKeepsOneBufferMoreQueued) {
    Rig rig;
    auto a = rig.renderer.addParty();
    rig.renderer.start();
    const int first = WaveOutput::DefaultBuffersAhead;
    ASSERT_TRUE(Until([&] { return rig.devices.output().queued == first; }));
    ASSERT_TRUE(rig.play());  // one back at a time: no change
    EXPECT_EQ(rig.renderer.depth(), first);
    rig.devices.markPlayed(first);  // all of them before the renderer looked
    ASSERT_TRUE(Until([&] { return rig.devices.output().queued == first + 1; }));
    EXPECT_EQ(rig.renderer.depth(), first + 1);
    EXPECT_EQ(rig.renderer.underruns(), 1);
    EXPECT_EQ(rig.devices.outputsOpened(), 1);
}

TEST(Renderer, APullingDeviceAsksForEveryBlockItselfAndTheReferenceLandsWhereEachPlays) {
    const std::string dir = kvtest::MakeTempDir("renderer-pull");
    const std::string path = dir + "/speaker.wav";
    ManualWaveClock clock;
    std::string error;
    auto devices = CreateWavFileDevices(nullptr, path.c_str(), &error, &clock, 0);
    ASSERT_TRUE(devices) << error;
    EchoReference reference;
    reference.captureOpened(8000);
    std::vector<int16_t> taken(320);
    reference.take(taken.data(), 320, 40000);  // position 0 is at time 0
    std::vector<std::vector<int16_t>> takes;
    {
        Renderer renderer(devices.get(), 8000, [&] { return clock.nowMicros() / 1000; });
        renderer.setEchoReference(&reference);
        auto a = renderer.addParty();
        std::vector<int16_t> speech(320);
        for (size_t i = 0; i < speech.size(); ++i) speech[i] = static_cast<int16_t>((i * 37) % 2000 - 1000);
        clock.advanceMs(40);
        renderer.start();
        ASSERT_TRUE(Until([&] { return renderer.deviceOpen(); }));
        const int64_t first = renderer.blocksRendered();
        EXPECT_EQ(first, 1);  // the block that plays first, asked for as the device opened
        // 1.2 s of the timeline, 10 ms at a time; the capture reads every 40 ms.
        for (int k = 1; k <= 120; ++k) {
            if (k % 4 == 1) {  // 40 ms of speech arrives every 40 ms
                std::lock_guard<std::mutex> guard(a->lock);
                a->jitter.put(speech.data(), 320, clock.nowMicros() / 1000);
            }
            clock.advanceMs(10);
            devices->pump();
            if (k % 4 == 0) {
                reference.take(taken.data(), 320, clock.nowMicros());
                takes.push_back(taken);
            }
        }
        EXPECT_EQ(renderer.blocksRendered(), first + 120);  // each block once, and none on the render thread
        renderer.stop();
        clock.advanceMs(100);
        devices->pump();
        EXPECT_EQ(renderer.blocksRendered(), first + 120);  // nothing asked for once stopped
    }
    devices.reset();
    std::vector<int16_t> played;
    ASSERT_TRUE(ReadPcm8kMonoWav(path.c_str(), &played, &error)) << error;
    // A take at time T hands out the positions LagMs before the 40 ms up to T;
    // each must be what the speaker played there. The device opened at 40 ms.
    const int lag = 8000 * EchoReference::LagMs / 1000;
    int speaking = 0;
    for (size_t k = 0; k < takes.size(); ++k) {
        const int64_t from = 320 * int64_t(k + 1) - lag;
        for (int i = 0; i < 320; ++i) {
            ASSERT_LT(size_t(from + i), played.size());
            ASSERT_EQ(takes[k][i], played[size_t(from + i)]) << "take " << k << " sample " << i;
            if (played[size_t(from + i)] != 0) ++speaking;
        }
    }
    EXPECT_GT(speaking, 6000);  // most of the second: the party's speech, not silence on both
}
