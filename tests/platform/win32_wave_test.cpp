// The Windows wave devices (waveOut / waveIn on the wave mapper). A machine
// without a sound device cannot open them: those tests then skip; whenever a
// device opens, its behaviour is checked for real.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/wave.h"
#include "test_support.h"

using namespace kv;
using kvtest::SleepMs;
using kvtest::SleepUntilDone;
using kvtest::WaitFor;

namespace {

constexpr int Rate = 8000;
constexpr int Generous = 20000;  // ms for a device to get through a few buffers

// Caller-owned buffers as the playout and capture code hold them.
struct Buffers {
    std::vector<std::vector<uint8_t>> data;
    std::vector<WaveBuffer> wave;

    Buffers(int count, int bytes, uint8_t fill) : data(count, std::vector<uint8_t>(bytes, fill)), wave(count) {
        for (int i = 0; i < count; ++i) {
            wave[i].data = data[i].data();
            wave[i].length = bytes;
        }
    }
    int size() const { return static_cast<int>(wave.size()); }
};

template <class Device>
int CountDone(Device& d, const Buffers& b) {
    int n = 0;
    for (const WaveBuffer& w : b.wave) n += d.done(w) ? 1 : 0;
    return n;
}

// Waits until every buffer is done, checking on every look that the device
// completes them in order (no buffer done while an earlier one is not).
template <class Device>
::testing::AssertionResult AllDoneInOrder(Device& d, const Buffers& b, int timeoutMs) {
    bool inOrder = true;
    int firstGap = -1;
    bool all = WaitFor(
        [&] {
            bool seenPending = false;
            for (int i = 0; i < b.size(); ++i) {
                bool done = d.done(b.wave[i]);
                if (done && seenPending && inOrder) {
                    inOrder = false;
                    firstGap = i;
                }
                seenPending = seenPending || !done;
            }
            return !seenPending;
        },
        timeoutMs);
    if (!inOrder) return ::testing::AssertionFailure() << "buffer " << firstGap << " done before an earlier one";
    if (!all) return ::testing::AssertionFailure() << CountDone(d, b) << " of " << b.size() << " buffers done";
    return ::testing::AssertionSuccess();
}

void FillTone(Buffers& b) {
    int n = 0;
    for (auto& d : b.data)
        for (size_t i = 0; i + 1 < d.size(); i += 2, ++n) {
            auto s = static_cast<int16_t>(6000 * std::sin(2 * 3.14159265358979 * 440 * n / Rate));
            std::memcpy(&d[i], &s, 2);
        }
}

std::unique_ptr<WaveOutput> OpenOutput() { return CreateSystemWaveDevices()->openOutput(Rate); }
std::unique_ptr<WaveInput> OpenInput() { return CreateSystemWaveDevices()->openInput(Rate); }

#define SKIP_WITHOUT(device, what)                                                                  \
    if (!(device))                                                                                  \
    GTEST_SKIP() << "no wave " what " device opens at 8000 Hz mono 16-bit on this machine"        \
                 << (kvtest::RunningUnderWine() ? " (Wine: no audio driver or no sound card)" : "")

}  // namespace

TEST(Win32Wave, NonsenseRatesOpenNothing) {
    auto devices = CreateSystemWaveDevices();
    ASSERT_TRUE(devices);
    EXPECT_FALSE(devices->openOutput(0));
    EXPECT_FALSE(devices->openOutput(-8000));
    EXPECT_FALSE(devices->openInput(0));
    EXPECT_FALSE(devices->openInput(-1));
}

TEST(Win32Wave, DeviceNamesAreIgnoredInFavourOfTheWaveMapper) {
    bool outputByDefault = OpenOutput() != nullptr;
    bool inputByDefault = OpenInput() != nullptr;
    auto named = CreateSystemWaveDevices("no such input", "no such output");
    EXPECT_EQ(named->openOutput(Rate) != nullptr, outputByDefault);
    EXPECT_EQ(named->openInput(Rate) != nullptr, inputByDefault);
}

TEST(Win32Wave, OutputPlaysWrittenBuffersInOrder) {
    auto out = OpenOutput();
    SKIP_WITHOUT(out, "output");
    out->setVolume(0x80008000u);
    Buffers b(5, 1600, 0);  // 100 ms each
    FillTone(b);
    for (WaveBuffer& w : b.wave) {
        out->prepare(w);
        ASSERT_NE(w.device, nullptr);
        EXPECT_FALSE(out->done(w)) << "a prepared buffer that was never written is not done";
    }
    for (WaveBuffer& w : b.wave) out->write(w);
    EXPECT_TRUE(AllDoneInOrder(*out, b, Generous));

    // Written again, a played buffer is pending again until played once more.
    out->pause();
    out->write(b.wave[0]);
    SleepMs(300);
    EXPECT_FALSE(out->done(b.wave[0])) << "the done state is cleared by write and the device is paused";
    out->restart();
    EXPECT_TRUE(WaitFor([&] { return out->done(b.wave[0]); }, Generous));

    for (WaveBuffer& w : b.wave) {
        out->unprepare(w);
        EXPECT_EQ(w.device, nullptr);
    }
}

TEST(Win32Wave, PausedOutputHoldsItsBuffersUntilRestarted) {
    auto out = OpenOutput();
    SKIP_WITHOUT(out, "output");
    out->pause();  // the playout buffer opens paused and prebuffers
    Buffers b(3, 1600, 0);
    FillTone(b);
    for (WaveBuffer& w : b.wave) {
        out->prepare(w);
        out->write(w);
    }
    SleepMs(500);
    EXPECT_EQ(CountDone(*out, b), 0) << "a paused device played";
    out->restart();
    EXPECT_TRUE(AllDoneInOrder(*out, b, Generous));
    for (WaveBuffer& w : b.wave) out->unprepare(w);
}

TEST(Win32Wave, ResetReturnsEveryQueuedOutputBufferAsDone) {
    auto out = OpenOutput();
    SKIP_WITHOUT(out, "output");
    out->pause();
    Buffers b(4, 16000, 0);  // 1 s each: none of them can have played before the reset
    for (WaveBuffer& w : b.wave) {
        out->prepare(w);
        out->write(w);
    }
    SleepMs(100);
    ASSERT_EQ(CountDone(*out, b), 0);
    out->reset();
    EXPECT_TRUE(WaitFor([&] { return CountDone(*out, b) == b.size(); }, Generous));
    for (WaveBuffer& w : b.wave) {
        out->unprepare(w);
        EXPECT_EQ(w.device, nullptr);
    }
    // The device is usable after a reset.
    Buffers more(1, 1600, 0);
    out->prepare(more.wave[0]);
    out->restart();
    out->write(more.wave[0]);
    EXPECT_TRUE(WaitFor([&] { return out->done(more.wave[0]); }, Generous));
    out->unprepare(more.wave[0]);
}

TEST(Win32Wave, InputFillsAddedBuffersInOrderOnceStarted) {
    auto in = OpenInput();
    SKIP_WITHOUT(in, "input");
    EXPECT_NE(in->nativeHandle(), nullptr);
    const uint8_t mark = 0x5A;
    Buffers b(6, 640, mark);  // one GSM frame each
    for (WaveBuffer& w : b.wave) {
        in->prepare(w);
        EXPECT_FALSE(in->done(w));
        in->add(w);
    }
    SleepMs(300);
    EXPECT_EQ(CountDone(*in, b), 0) << "buffers filled before start";
    in->start();
    ASSERT_TRUE(AllDoneInOrder(*in, b, Generous));
    // The device wrote samples: no filled buffer still holds only the marker.
    for (int i = 0; i < b.size(); ++i) {
        bool untouched = true;
        for (uint8_t v : b.data[i]) untouched = untouched && v == mark;
        EXPECT_FALSE(untouched) << "buffer " << i << " reported done but was not written";
    }

    // Handed back, buffers are filled again, still in order.
    for (WaveBuffer& w : b.wave) in->add(w);
    EXPECT_TRUE(AllDoneInOrder(*in, b, Generous));

    in->reset();
    for (WaveBuffer& w : b.wave) {
        in->unprepare(w);
        EXPECT_EQ(w.device, nullptr);
    }
}

TEST(Win32Wave, AWaiterSleepsOnTheDeviceUntilItsBufferIsDone) {
    auto out = OpenOutput();
    SKIP_WITHOUT(out, "output");
    Buffers played(2, 1600, 0);  // 100 ms each
    FillTone(played);
    for (WaveBuffer& w : played.wave) out->prepare(w);
    for (WaveBuffer& w : played.wave) out->write(w);
    for (WaveBuffer& w : played.wave) EXPECT_TRUE(SleepUntilDone(*out, w, Generous));
    // wake() is kept for the next waitEvent().
    out->wake();
    EXPECT_TRUE(SleepUntilDone(*out, played.wave[0], Generous));
    for (WaveBuffer& w : played.wave) out->unprepare(w);

    auto in = OpenInput();
    SKIP_WITHOUT(in, "input");
    Buffers heard(2, 640, 0);
    for (WaveBuffer& w : heard.wave) {
        in->prepare(w);
        in->add(w);
    }
    in->start();
    for (WaveBuffer& w : heard.wave) EXPECT_TRUE(SleepUntilDone(*in, w, Generous));
    in->reset();
    for (WaveBuffer& w : heard.wave) in->unprepare(w);
}

TEST(Win32Wave, ResetReturnsEveryAddedInputBufferAsDone) {
    auto in = OpenInput();
    SKIP_WITHOUT(in, "input");
    Buffers b(3, 160000, 0);  // 10 s each: they cannot all fill before the reset
    for (WaveBuffer& w : b.wave) {
        in->prepare(w);
        in->add(w);
    }
    in->start();
    SleepMs(100);
    EXPECT_LT(CountDone(*in, b), b.size());
    in->reset();
    EXPECT_TRUE(WaitFor([&] { return CountDone(*in, b) == b.size(); }, Generous));
    for (WaveBuffer& w : b.wave) in->unprepare(w);
}

#endif  // _WIN32
