// ALSA wave devices without a sound card: the suite points ALSA at a config
// of its own whose default PCM plays into a raw file and records from one,
// both over the null device (which is not paced in real time).
#ifndef _WIN32

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include "platform/wave.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

namespace {

constexpr int Rate = 8000;
constexpr int InputSamples = 10 * Rate;  // far more than any test records

// Sample i of the raw input file: a ramp that repeats only every 65536 samples.
int16_t InputSample(long i) { return static_cast<int16_t>(static_cast<uint16_t>((i + 0x8000) & 0xFFFF)); }
// The position (mod 65536) of an input sample.
long InputPosition(int16_t s) { return (static_cast<uint16_t>(s) + 0x8000) & 0xFFFF; }

std::vector<int16_t> ReadRaw(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        auto lo = static_cast<uint8_t>(bytes[2 * i]);
        auto hi = static_cast<uint8_t>(bytes[2 * i + 1]);
        samples[i] = static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
    }
    return samples;
}

void WriteRaw(const std::string& path, const std::vector<int16_t>& samples) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    for (int16_t s : samples) {
        auto u = static_cast<uint16_t>(s);
        char b[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        f.write(b, 2);
    }
}

// One caller-owned buffer of samples (little-endian on the wire).
struct Buffer {
    explicit Buffer(std::vector<int16_t> s) : bytes(s.size() * 2) {
        for (size_t i = 0; i < s.size(); ++i) set(i, s[i]);
        wave.data = bytes.data();
        wave.length = static_cast<int>(bytes.size());
    }
    Buffer(size_t samples, int16_t fill) : Buffer(std::vector<int16_t>(samples, fill)) {}
    void set(size_t i, int16_t v) {
        auto u = static_cast<uint16_t>(v);
        bytes[2 * i] = static_cast<uint8_t>(u & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(u >> 8);
    }
    int16_t at(size_t i) const {
        return static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    }
    std::vector<int16_t> samples() const {
        std::vector<int16_t> s(bytes.size() / 2);
        for (size_t i = 0; i < s.size(); ++i) s[i] = at(i);
        return s;
    }
    std::vector<uint8_t> bytes;
    WaveBuffer wave;
};

// Distinct content per buffer, full scale at both ends included.
std::vector<int16_t> Pattern(int buffer, int samples) {
    std::vector<int16_t> s(static_cast<size_t>(samples));
    for (int i = 0; i < samples; ++i)
        s[static_cast<size_t>(i)] = static_cast<int16_t>((buffer * 7919 + i * 613) % 65536 - 32768);
    s[0] = 32767;
    s[1] = -32768;
    return s;
}

class AlsaWave : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/kv_alsa_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::vector<int16_t> input(InputSamples);
        for (int i = 0; i < InputSamples; ++i) input[static_cast<size_t>(i)] = InputSample(i);
        WriteRaw(inPath(), input);
        std::ofstream conf(confPath());
        conf << "pcm.!default {\n"
                "  type asym\n"
                "  playback.pcm { type file slave.pcm { type null } format \"raw\" file \""
             << outPath()
             << "\" }\n"
                "  capture.pcm { type file slave.pcm { type null } format \"raw\" file \""
             << dir_ + "/captured.raw"
             << "\" infile \"" << inPath() << "\" }\n"
                "}\n"
                // Plays into a FIFO: opening it waits until someone reads.
                "pcm.kv_fifo { type file slave.pcm { type null } format \"raw\" file \""
             << fifoPath() << "\" }\n";
        conf.close();
        ASSERT_EQ(mkfifo(fifoPath().c_str(), 0600), 0);

        // The other tests of this program do not use ALSA; still, leave the
        // environment and ALSA's cached configuration as we found them.
        const char* old = getenv("ALSA_CONFIG_PATH");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        setenv("ALSA_CONFIG_PATH", confPath().c_str(), 1);
        devices_ = CreateSystemWaveDevices().release();
    }

    static void TearDownTestSuite() {
        delete devices_;
        devices_ = nullptr;
        if (hadOld_)
            setenv("ALSA_CONFIG_PATH", old_.c_str(), 1);
        else
            unsetenv("ALSA_CONFIG_PATH");
        snd_config_update_free_global();
        for (const std::string& f : {inPath(), outPath(), confPath(), fifoPath(), dir_ + "/captured.raw"}) std::remove(f.c_str());
        rmdir(dir_.c_str());
    }

    static std::string inPath() { return dir_ + "/in.raw"; }
    static std::string outPath() { return dir_ + "/out.raw"; }
    static std::string confPath() { return dir_ + "/asound.conf"; }
    static std::string fifoPath() { return dir_ + "/out.fifo"; }

    static bool AllDone(WaveOutput& out, std::vector<Buffer>& bs) {
        for (Buffer& b : bs)
            if (!out.done(b.wave)) return false;
        return true;
    }
    static bool AllDone(WaveInput& in, std::vector<Buffer>& bs) {
        for (Buffer& b : bs)
            if (!in.done(b.wave)) return false;
        return true;
    }

    static std::string dir_;
    static std::string old_;
    static bool hadOld_;
    static WaveDevices* devices_;
};

std::string AlsaWave::dir_;
std::string AlsaWave::old_;
bool AlsaWave::hadOld_ = false;
WaveDevices* AlsaWave::devices_ = nullptr;

TEST_F(AlsaWave, DefaultPcmIsTheSuitesFileChain) {
    for (snd_pcm_stream_t stream : {SND_PCM_STREAM_PLAYBACK, SND_PCM_STREAM_CAPTURE}) {
        snd_pcm_t* pcm = nullptr;
        ASSERT_EQ(snd_pcm_open(&pcm, "default", stream, SND_PCM_NONBLOCK), 0);
        EXPECT_EQ(snd_pcm_type(pcm), SND_PCM_TYPE_FILE);
        snd_pcm_close(pcm);
    }
}

TEST_F(AlsaWave, OutputPlaysQueuedBuffersInOrderAtItsVolume) {
    std::vector<Buffer> bs;
    for (int k = 0; k < 5; ++k) bs.emplace_back(Pattern(k, 320));
    bs.emplace_back(Pattern(9, 77));  // not a whole period
    std::vector<int16_t> expected;
    // Left volume a quarter; the right volume (high word) plays no part on a mono device.
    const uint32_t left = 0x4000;
    for (Buffer& b : bs)
        for (int16_t s : b.samples()) expected.push_back(static_cast<int16_t>(int64_t{s} * left / 65535));
    std::vector<std::vector<int16_t>> originals;
    for (Buffer& b : bs) originals.push_back(b.samples());

    {
        auto out = devices_->openOutput(Rate);
        ASSERT_NE(out, nullptr);
        out->setVolume(0xFFFF0000u | left);
        for (Buffer& b : bs) {
            out->prepare(b.wave);
            EXPECT_FALSE(out->done(b.wave));
        }
        for (Buffer& b : bs) out->write(b.wave);
        ASSERT_TRUE(WaitFor([&] { return AllDone(*out, bs); }, 10000));
        for (Buffer& b : bs) out->unprepare(b.wave);
    }
    EXPECT_EQ(ReadRaw(outPath()), expected);
    for (size_t k = 0; k < bs.size(); ++k) EXPECT_EQ(bs[k].samples(), originals[k]) << "buffer " << k << " changed";
}

TEST_F(AlsaWave, OutputPlaysAgainAfterTheQueueRanDry) {
    std::vector<Buffer> first, second;
    first.emplace_back(Pattern(1, 320));
    second.emplace_back(Pattern(2, 320));
    second.emplace_back(Pattern(3, 160));
    {
        auto out = devices_->openOutput(Rate);
        ASSERT_NE(out, nullptr);
        for (Buffer& b : first) {
            out->prepare(b.wave);
            out->write(b.wave);
        }
        ASSERT_TRUE(WaitFor([&] { return AllDone(*out, first); }, 10000));
        // The same header again, plus a new one: done is cleared on write.
        Buffer& again = first[0];
        again.set(5, 1234);
        out->write(again.wave);
        for (Buffer& b : second) {
            out->prepare(b.wave);
            out->write(b.wave);
        }
        ASSERT_TRUE(WaitFor([&] { return out->done(again.wave) && AllDone(*out, second); }, 10000));
        out->reset();
    }
    std::vector<int16_t> expected = Pattern(1, 320);
    std::vector<int16_t> replay = first[0].samples();
    expected.insert(expected.end(), replay.begin(), replay.end());
    for (Buffer& b : second) {
        std::vector<int16_t> s = b.samples();
        expected.insert(expected.end(), s.begin(), s.end());
    }
    EXPECT_EQ(ReadRaw(outPath()), expected);
}

TEST_F(AlsaWave, AWaiterSleepsOnTheDeviceUntilItsBufferIsDone) {
    {
        auto out = devices_->openOutput(Rate);
        ASSERT_NE(out, nullptr);
        std::vector<Buffer> bs;
        for (int k = 0; k < 3; ++k) bs.emplace_back(Pattern(k, 320));
        for (Buffer& b : bs) out->prepare(b.wave);
        for (Buffer& b : bs) out->write(b.wave);
        for (Buffer& b : bs) EXPECT_TRUE(SleepUntilDone(*out, b.wave, 10000));
        for (Buffer& b : bs) out->unprepare(b.wave);
    }
    auto in = devices_->openInput(Rate);
    ASSERT_NE(in, nullptr);
    std::vector<Buffer> bs;
    for (int k = 0; k < 3; ++k) bs.emplace_back(Pattern(0, 320));
    for (Buffer& b : bs) {
        in->prepare(b.wave);
        in->add(b.wave);
    }
    in->start();
    for (Buffer& b : bs) EXPECT_TRUE(SleepUntilDone(*in, b.wave, 10000));
    in->reset();
    for (Buffer& b : bs) in->unprepare(b.wave);
}

TEST_F(AlsaWave, PausedOutputHoldsItsBuffersUntilRestart) {
    std::vector<Buffer> bs;
    for (int k = 0; k < 3; ++k) bs.emplace_back(Pattern(k + 20, 320));
    {
        auto out = devices_->openOutput(Rate);
        ASSERT_NE(out, nullptr);
        out->pause();
        for (Buffer& b : bs) {
            out->prepare(b.wave);
            out->write(b.wave);
        }
        SleepMs(200);
        for (Buffer& b : bs) EXPECT_FALSE(out->done(b.wave));
        EXPECT_TRUE(ReadRaw(outPath()).empty());

        out->restart();
        ASSERT_TRUE(WaitFor([&] { return AllDone(*out, bs); }, 10000));
    }
    std::vector<int16_t> expected;
    for (Buffer& b : bs) {
        std::vector<int16_t> s = b.samples();
        expected.insert(expected.end(), s.begin(), s.end());
    }
    EXPECT_EQ(ReadRaw(outPath()), expected);
}

TEST_F(AlsaWave, ResetReturnsQueuedBuffersWithoutPlayingThem) {
    std::vector<Buffer> held;
    for (int k = 0; k < 4; ++k) held.emplace_back(Pattern(k + 30, 320));
    std::vector<Buffer> later;
    later.emplace_back(Pattern(40, 320));
    {
        auto out = devices_->openOutput(Rate);
        ASSERT_NE(out, nullptr);
        out->pause();
        for (Buffer& b : held) {
            out->prepare(b.wave);
            out->write(b.wave);
        }
        EXPECT_FALSE(out->done(held[0].wave));
        out->reset();
        EXPECT_TRUE(AllDone(*out, held));  // at once, not eventually

        // The device still works after a reset, and the returned buffers stay returned.
        out->restart();
        out->prepare(later[0].wave);
        out->write(later[0].wave);
        ASSERT_TRUE(WaitFor([&] { return AllDone(*out, later); }, 10000));
    }
    EXPECT_EQ(ReadRaw(outPath()), later[0].samples());
}

TEST_F(AlsaWave, InputRecordsNothingBeforeStart) {
    std::vector<Buffer> bs;
    for (int k = 0; k < 2; ++k) bs.emplace_back(320, int16_t{0x1357});
    auto in = devices_->openInput(Rate);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->nativeHandle(), nullptr);
    for (Buffer& b : bs) {
        in->prepare(b.wave);
        in->add(b.wave);
    }
    SleepMs(200);
    for (Buffer& b : bs) {
        EXPECT_FALSE(in->done(b.wave));
        EXPECT_EQ(b.samples(), std::vector<int16_t>(320, int16_t{0x1357}));
    }
    // Reset returns added buffers, recorded or not.
    in->reset();
    EXPECT_TRUE(AllDone(*in, bs));
    for (Buffer& b : bs) in->unprepare(b.wave);
}

TEST_F(AlsaWave, InputFillsAddedBuffersInOrderWithTheRecordedSamples) {
    std::vector<Buffer> bs;
    bs.emplace_back(320, int16_t{0});
    bs.emplace_back(100, int16_t{0});  // not a whole period
    bs.emplace_back(240, int16_t{0});
    bs.emplace_back(320, int16_t{0});
    auto in = devices_->openInput(Rate);
    ASSERT_NE(in, nullptr);
    for (Buffer& b : bs) {
        in->prepare(b.wave);
        in->add(b.wave);
    }
    in->start();
    ASSERT_TRUE(WaitFor([&] { return AllDone(*in, bs); }, 10000));
    long pos = 0;
    for (size_t k = 0; k < bs.size(); ++k) {
        std::vector<int16_t> expected;
        for (size_t i = 0; i < bs[k].samples().size(); ++i) expected.push_back(InputSample(pos++));
        EXPECT_EQ(bs[k].samples(), expected) << "buffer " << k;
    }

    // A buffer added later, while the device runs on, gets a later stretch
    // of the recording, in one piece.
    Buffer late(320, int16_t{0});
    in->prepare(late.wave);
    in->add(late.wave);
    ASSERT_TRUE(WaitFor([&] { return in->done(late.wave); }, 10000));
    long start = InputPosition(late.at(0));
    EXPECT_GE(start, pos);
    for (size_t i = 0; i < 320; ++i) ASSERT_EQ(late.at(i), InputSample(start + static_cast<long>(i))) << i;

    in->reset();
    for (Buffer& b : bs) in->unprepare(b.wave);
    in->unprepare(late.wave);
}

TEST_F(AlsaWave, UnknownDeviceOpensNothingAndSaysNothing) {
    auto devices = CreateSystemWaveDevices("kv_no_such_pcm", "kv_no_such_pcm");
    testing::internal::CaptureStderr();
    // The output finds out in the background: what it was given comes back
    // unplayed, and for a while after that the name opens nothing.
    auto out = devices->openOutput(Rate);
    ASSERT_NE(out, nullptr);
    Buffer b(Pattern(4, 320));
    out->prepare(b.wave);
    out->write(b.wave);
    EXPECT_TRUE(WaitFor([&] { return out->done(b.wave); }, 10000));
    out->unprepare(b.wave);
    EXPECT_EQ(devices->openOutput(Rate), nullptr);
    auto in = devices->openInput(Rate);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(devices_->openOutput(0), nullptr);
    EXPECT_EQ(devices_->openInput(-8000), nullptr);
}

TEST_F(AlsaWave, AnOutputThatIsSlowToOpenDoesNotHoldUpItsCaller) {
    auto devices = CreateSystemWaveDevices("default", "kv_fifo");
    // Until something reads the FIFO, the PCM cannot open.
    auto opening = std::async(std::launch::async, [&] { return devices->openOutput(Rate); });
    int reader = -1;
    auto openReader = [&] {
        if (reader < 0) reader = open(fifoPath().c_str(), O_RDONLY | O_NONBLOCK);
    };
    const bool returned = opening.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    openReader();  // lets a blocked open go on in any case
    ASSERT_TRUE(returned) << "openOutput waited for the device";
    std::unique_ptr<WaveOutput> out = opening.get();
    ASSERT_NE(out, nullptr);
    Buffer b(Pattern(6, 320));
    out->prepare(b.wave);
    out->write(b.wave);

    // Once it opens, what was queued meanwhile plays (the file plugin writes
    // it out when it closes).
    EXPECT_TRUE(WaitFor([&] { return out->done(b.wave); }, 10000));
    out->reset();
    out->unprepare(b.wave);
    out.reset();
    std::vector<uint8_t> got(2048);
    ssize_t n = read(reader, got.data(), got.size());
    ASSERT_EQ(n, 640);
    EXPECT_EQ(std::memcmp(got.data(), b.wave.data, 640), 0);
    close(reader);
}

TEST_F(AlsaWave, BuffersOfNoUseAreHarmless) {
    auto out = devices_->openOutput(Rate);
    ASSERT_NE(out, nullptr);
    WaveBuffer never;  // not prepared
    out->write(never);
    EXPECT_FALSE(out->done(never));
    out->unprepare(never);

    // An empty buffer and an odd length: the last odd byte is not a sample.
    WaveBuffer empty;
    out->prepare(empty);
    out->write(empty);
    std::vector<Buffer> odd;
    odd.emplace_back(Pattern(50, 3));
    odd[0].wave.length = 5;
    out->prepare(odd[0].wave);
    out->write(odd[0].wave);
    EXPECT_TRUE(WaitFor([&] { return out->done(empty) && AllDone(*out, odd); }, 10000));

    // Unpreparing a buffer that is still queued takes it back from the device.
    Buffer queued(Pattern(51, 320));
    out->pause();
    out->prepare(queued.wave);
    out->write(queued.wave);
    out->unprepare(queued.wave);
    EXPECT_EQ(queued.wave.device, nullptr);
    out->restart();
    out->unprepare(empty);
    out->unprepare(odd[0].wave);
    out.reset();
    std::vector<int16_t> expected = Pattern(50, 3);
    expected.resize(2);
    EXPECT_EQ(ReadRaw(outPath()), expected);
}

}  // namespace

#endif  // _WIN32
