#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/file/wav_file_devices.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

namespace {

namespace fs = std::filesystem;

// ---- WAV images built byte by byte, independent of the code under test ----

void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void PutId(std::vector<uint8_t>& v, const char* id) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(id[i]));
}
uint32_t Get32(const std::vector<uint8_t>& v, size_t at) {
    return static_cast<uint32_t>(v[at]) | (static_cast<uint32_t>(v[at + 1]) << 8) |
           (static_cast<uint32_t>(v[at + 2]) << 16) | (static_cast<uint32_t>(v[at + 3]) << 24);
}
uint16_t Get16(const std::vector<uint8_t>& v, size_t at) { return static_cast<uint16_t>(v[at] | (v[at + 1] << 8)); }

struct Fmt {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 8000;
    uint16_t bits = 16;
};

std::vector<uint8_t> FmtChunk(const Fmt& f) {
    std::vector<uint8_t> v;
    PutId(v, "fmt ");
    Put32(v, 16);
    Put16(v, f.tag);
    Put16(v, f.channels);
    Put32(v, f.rate);
    const uint16_t align = static_cast<uint16_t>(f.channels * f.bits / 8);
    Put32(v, f.rate * align);
    Put16(v, align);
    Put16(v, f.bits);
    return v;
}

std::vector<uint8_t> DataChunk(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> v;
    PutId(v, "data");
    Put32(v, static_cast<uint32_t>(samples.size() * 2));
    for (int16_t s : samples) Put16(v, static_cast<uint16_t>(s));
    return v;
}

std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> body;
    PutId(body, "WAVE");
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    std::vector<uint8_t> v;
    PutId(v, "RIFF");
    Put32(v, static_cast<uint32_t>(body.size()));
    v.insert(v.end(), body.begin(), body.end());
    return v;
}

std::vector<uint8_t> Wav(const std::vector<int16_t>& samples, const Fmt& f = Fmt()) {
    return Riff({FmtChunk(f), DataChunk(samples)});
}

// Sample i of the microphone file is i: every value tells where on the timeline it came from.
std::vector<int16_t> Ramp(int n, int first = 0) {
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<int16_t>(first + i);
    return v;
}

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Reads our speaker file and checks every header field against the file's real length.
std::vector<int16_t> SpeakerSamples(const fs::path& p, uint32_t rate = 8000) {
    const std::vector<uint8_t> f = ReadBytes(p);
    EXPECT_GE(f.size(), 44u);
    if (f.size() < 44) return {};
    EXPECT_EQ(std::memcmp(f.data(), "RIFF", 4), 0);
    EXPECT_EQ(Get32(f, 4), f.size() - 8);
    EXPECT_EQ(std::memcmp(f.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(Get32(f, 16), 16u);
    EXPECT_EQ(Get16(f, 20), 1);     // PCM
    EXPECT_EQ(Get16(f, 22), 1);     // mono
    EXPECT_EQ(Get32(f, 24), rate);
    EXPECT_EQ(Get32(f, 28), rate * 2);
    EXPECT_EQ(Get16(f, 32), 2);
    EXPECT_EQ(Get16(f, 34), 16);
    EXPECT_EQ(std::memcmp(f.data() + 36, "data", 4), 0);
    EXPECT_EQ(Get32(f, 40), f.size() - 44);
    std::vector<int16_t> s((f.size() - 44) / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(Get16(f, 44 + 2 * i));
    return s;
}

std::vector<int16_t> Slice(const std::vector<int16_t>& v, size_t from, size_t count) {
    if (from >= v.size()) return {};
    return std::vector<int16_t>(v.begin() + static_cast<long>(from),
                                v.begin() + static_cast<long>(std::min(v.size(), from + count)));
}

// A buffer with its own storage, as the playout buffer and capture device keep them.
struct Buf {
    std::vector<uint8_t> bytes;
    WaveBuffer wb;
    explicit Buf(int samples, int16_t fill = 0) : bytes(static_cast<size_t>(samples) * 2) {
        for (int i = 0; i < samples; ++i) set(i, fill);
        wb.data = bytes.data();
        wb.length = static_cast<int>(bytes.size());
    }
    explicit Buf(const std::vector<int16_t>& s) : Buf(static_cast<int>(s.size())) {
        for (size_t i = 0; i < s.size(); ++i) set(static_cast<int>(i), s[i]);
    }
    void set(int i, int16_t s) {
        bytes[2 * static_cast<size_t>(i)] = static_cast<uint8_t>(s);
        bytes[2 * static_cast<size_t>(i) + 1] = static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8);
    }
    std::vector<int16_t> samples() const {
        std::vector<int16_t> v(bytes.size() / 2);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return v;
    }
};

class WavFileDevicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() /
               ("kv_wavfile_" + std::to_string(rd()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        mic_ = dir_ / "mic.wav";
        speaker_ = dir_ / "speaker.wav";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Devices on the manual clock; a microphone file only when samples are given.
    std::unique_ptr<WavFileDevices> Make(const std::vector<int16_t>* micSamples, bool speaker) {
        if (micSamples) WriteBytes(mic_, Wav(*micSamples));
        std::string error;
        auto d = CreateWavFileDevices(micSamples ? mic_.string().c_str() : nullptr,
                                      speaker ? speaker_.string().c_str() : nullptr, &error, &clock_);
        EXPECT_TRUE(d) << error;
        return d;
    }

    std::string TryOpen(const std::vector<uint8_t>& micBytes) {
        WriteBytes(mic_, micBytes);
        std::string error;
        auto d = CreateWavFileDevices(mic_.string().c_str(), nullptr, &error, &clock_);
        EXPECT_FALSE(d);
        EXPECT_NE(error.find(mic_.string()), std::string::npos) << error;
        return error;
    }

    ManualWaveClock clock_;
    fs::path dir_, mic_, speaker_;
};

// ---- microphone ----

TEST_F(WavFileDevicesTest, InputOpenedAtOneSecondHearsTheFileFromThatSecondInRealTime) {
    const auto ramp = Ramp(16000);
    auto d = Make(&ramp, false);
    clock_.advanceMs(1000);
    auto in = d->openInput(8000);
    ASSERT_TRUE(in);
    Buf a(320), b(320);
    in->prepare(a.wb);
    in->prepare(b.wb);
    in->add(a.wb);
    in->add(b.wb);
    in->start();
    clock_.advanceMicros(39875);  // 319 samples
    EXPECT_FALSE(in->done(a.wb));
    clock_.advanceMicros(125);  // the 320th
    EXPECT_TRUE(in->done(a.wb));
    EXPECT_FALSE(in->done(b.wb));
    EXPECT_EQ(a.samples(), Ramp(320, 8000));
    clock_.advanceMs(40);
    EXPECT_TRUE(in->done(b.wb));
    EXPECT_EQ(b.samples(), Ramp(320, 8320));
    in->reset();
    in->unprepare(a.wb);
    in->unprepare(b.wb);
}

TEST_F(WavFileDevicesTest, AGivenOriginPutsSeveralProcessesOnOneTimeline) {
    // Another process started the timeline 1.5 s ago: this one hears the
    // microphone file from there, and its speaker file starts at the origin.
    const auto ramp = Ramp(40000);
    WriteBytes(mic_, Wav(ramp));
    clock_.advanceMs(5000);
    std::string error;
    auto d = CreateWavFileDevices(mic_.string().c_str(), speaker_.string().c_str(), &error, &clock_,
                                  clock_.nowMicros() - 1500000);
    ASSERT_TRUE(d) << error;
    auto in = d->openInput(8000);
    ASSERT_TRUE(in);
    Buf a(320);
    in->prepare(a.wb);
    in->add(a.wb);
    in->start();
    clock_.advanceMs(40);
    ASSERT_TRUE(in->done(a.wb));
    EXPECT_EQ(a.samples(), Ramp(320, 12000));
    in->reset();
    in->unprepare(a.wb);
    d->pump();
    EXPECT_EQ(SpeakerSamples(speaker_).size(), size_t(12320));  // 1.54 s of silence, from the origin on
}

TEST_F(WavFileDevicesTest, InputHearsSilenceAfterTheEndOfTheFile) {
    const auto ramp = Ramp(1000, 1);
    auto d = Make(&ramp, false);
    auto in = d->openInput(8000);
    ASSERT_TRUE(in);
    Buf a(1600, 77);
    in->prepare(a.wb);
    in->add(a.wb);
    in->start();
    clock_.advanceMs(200);
    ASSERT_TRUE(in->done(a.wb));
    const auto got = a.samples();
    EXPECT_EQ(Slice(got, 0, 1000), ramp);
    EXPECT_EQ(Slice(got, 1000, 600), std::vector<int16_t>(600, 0));
    in->unprepare(a.wb);
}

TEST_F(WavFileDevicesTest, AudioIsLostWhileNoEmptyBufferWaits) {
    const auto ramp = Ramp(8000);
    auto d = Make(&ramp, false);
    auto in = d->openInput(8000);
    ASSERT_TRUE(in);
    Buf a(320), b(320);
    in->prepare(a.wb);
    in->prepare(b.wb);
    in->add(a.wb);
    in->start();
    clock_.advanceMs(100);  // 800 samples pass, only 320 had a place
    ASSERT_TRUE(in->done(a.wb));
    EXPECT_EQ(a.samples(), Ramp(320, 0));
    in->add(b.wb);  // the timeline did not wait: b starts at sample 800
    clock_.advanceMs(40);
    ASSERT_TRUE(in->done(b.wb));
    EXPECT_EQ(b.samples(), Ramp(320, 800));
    // A buffer handed back after it was filled starts where the timeline is now.
    in->add(a.wb);
    EXPECT_FALSE(in->done(a.wb));
    clock_.advanceMs(40);
    ASSERT_TRUE(in->done(a.wb));
    EXPECT_EQ(a.samples(), Ramp(320, 1120));
    in->unprepare(a.wb);
    in->unprepare(b.wb);
}

TEST_F(WavFileDevicesTest, InputRecordsNothingBeforeStartAndStopsAtReset) {
    const auto ramp = Ramp(16000);
    auto d = Make(&ramp, false);
    auto in = d->openInput(8000);
    ASSERT_TRUE(in);
    Buf a(320, 5), b(320, 5), c(320, 5);
    for (Buf* x : {&a, &b, &c}) in->prepare(x->wb);
    in->add(a.wb);
    clock_.advanceMs(500);
    d->pump();
    EXPECT_FALSE(in->done(a.wb));
    EXPECT_EQ(a.samples(), std::vector<int16_t>(320, 5));
    in->start();
    clock_.advanceMs(40);
    ASSERT_TRUE(in->done(a.wb));
    EXPECT_EQ(a.samples(), Ramp(320, 4000));

    // Reset returns added buffers, even half-filled ones, and stops recording.
    in->add(b.wb);
    in->add(c.wb);
    clock_.advanceMs(20);
    EXPECT_FALSE(in->done(b.wb));
    in->reset();
    EXPECT_TRUE(in->done(b.wb));
    EXPECT_TRUE(in->done(c.wb));
    EXPECT_EQ(Slice(b.samples(), 0, 160), Ramp(160, 4320));
    in->add(a.wb);
    clock_.advanceMs(100);
    EXPECT_FALSE(in->done(a.wb));
    for (Buf* x : {&a, &b, &c}) in->unprepare(x->wb);
}

TEST_F(WavFileDevicesTest, EachDirectionNeedsItsFileAndTheRateOf8000) {
    const auto ramp = Ramp(100);
    auto micOnly = Make(&ramp, false);
    EXPECT_TRUE(micOnly->openInput(8000));
    EXPECT_FALSE(micOnly->openInput(16000));
    EXPECT_FALSE(micOnly->openOutput(8000));
    micOnly.reset();

    auto speakerOnly = Make(nullptr, true);
    EXPECT_TRUE(speakerOnly->openOutput(8000));
    EXPECT_FALSE(speakerOnly->openOutput(11025));
    EXPECT_FALSE(speakerOnly->openInput(8000));
    speakerOnly.reset();

    std::string error;
    auto neither = CreateWavFileDevices("", nullptr, &error, &clock_);
    ASSERT_TRUE(neither) << error;
    EXPECT_FALSE(neither->openInput(8000));
    EXPECT_FALSE(neither->openOutput(8000));
}

// ---- speaker ----

TEST_F(WavFileDevicesTest, SpeakerRecordsSilenceWhileNothingPlays) {
    auto d = Make(nullptr, true);
    EXPECT_TRUE(SpeakerSamples(speaker_).empty());  // created at once, empty and valid
    clock_.advanceMs(500);
    d->pump();
    EXPECT_EQ(SpeakerSamples(speaker_), std::vector<int16_t>(4000, 0));
    // An open output with nothing queued is silent too.
    auto out = d->openOutput(8000);
    ASSERT_TRUE(out);
    clock_.advanceMs(250);
    d->pump();
    EXPECT_EQ(SpeakerSamples(speaker_), std::vector<int16_t>(6000, 0));
}

TEST_F(WavFileDevicesTest, OutputBuffersAppearWhenTheyArePlayedInOrder) {
    auto d = Make(nullptr, true);
    clock_.advanceMs(250);
    auto out = d->openOutput(8000);
    ASSERT_TRUE(out);
    Buf a(Ramp(320, 1)), b(Ramp(160, 1000));
    out->prepare(a.wb);
    out->prepare(b.wb);
    out->write(a.wb);
    out->write(b.wb);
    clock_.advanceMicros(39875);
    EXPECT_FALSE(out->done(a.wb));
    clock_.advanceMicros(125);
    EXPECT_TRUE(out->done(a.wb));
    EXPECT_FALSE(out->done(b.wb));
    clock_.advanceMs(20);
    EXPECT_TRUE(out->done(b.wb));
    clock_.advanceMs(30);  // underrun: silence
    d->pump();
    const auto s = SpeakerSamples(speaker_);
    ASSERT_EQ(s.size(), 2000u + 320 + 160 + 240);
    EXPECT_EQ(Slice(s, 0, 2000), std::vector<int16_t>(2000, 0));
    EXPECT_EQ(Slice(s, 2000, 320), Ramp(320, 1));
    EXPECT_EQ(Slice(s, 2320, 160), Ramp(160, 1000));
    EXPECT_EQ(Slice(s, 2480, 240), std::vector<int16_t>(240, 0));
    out->unprepare(a.wb);
    out->unprepare(b.wb);
}

TEST_F(WavFileDevicesTest, OutputsPlayingAtOnceAreMixedAndClamped) {
    auto d = Make(nullptr, true);
    auto x = d->openOutput(8000);
    auto y = d->openOutput(8000);
    ASSERT_TRUE(x && y);
    std::vector<int16_t> xs, ys;
    for (int i = 0; i < 80; ++i) xs.push_back(20000), ys.push_back(20000);
    for (int i = 0; i < 80; ++i) xs.push_back(-20000), ys.push_back(-20000);
    for (int i = 0; i < 80; ++i) xs.push_back(1000), ys.push_back(-300);
    Buf a(xs), b(ys);
    x->prepare(a.wb);
    y->prepare(b.wb);
    x->write(a.wb);
    y->write(b.wb);
    clock_.advanceMs(30);
    EXPECT_TRUE(x->done(a.wb));
    EXPECT_TRUE(y->done(b.wb));

    // A second party joins while the first is already speaking.
    Buf c(160, 1000), e(160, 2000);
    x->prepare(c.wb);
    x->write(c.wb);
    clock_.advanceMs(10);
    y->prepare(e.wb);
    y->write(e.wb);
    clock_.advanceMs(10);
    EXPECT_TRUE(x->done(c.wb));
    EXPECT_FALSE(y->done(e.wb));
    clock_.advanceMs(10);
    EXPECT_TRUE(y->done(e.wb));
    d->pump();

    const auto s = SpeakerSamples(speaker_);
    ASSERT_EQ(s.size(), 480u);
    EXPECT_EQ(Slice(s, 0, 80), std::vector<int16_t>(80, 32767));
    EXPECT_EQ(Slice(s, 80, 80), std::vector<int16_t>(80, -32768));
    EXPECT_EQ(Slice(s, 160, 80), std::vector<int16_t>(80, 700));
    EXPECT_EQ(Slice(s, 240, 80), std::vector<int16_t>(80, 1000));
    EXPECT_EQ(Slice(s, 320, 80), std::vector<int16_t>(80, 3000));
    EXPECT_EQ(Slice(s, 400, 80), std::vector<int16_t>(80, 2000));
    x->unprepare(a.wb);
    x->unprepare(c.wb);
    y->unprepare(b.wb);
    y->unprepare(e.wb);
}

TEST_F(WavFileDevicesTest, PausedOutputHoldsItsPlaceAndPlaysNothing) {
    auto d = Make(nullptr, true);
    auto out = d->openOutput(8000);
    ASSERT_TRUE(out);
    out->pause();  // as the playout buffer opens its device: paused while prebuffering
    Buf a(Ramp(320, 1));
    out->prepare(a.wb);
    out->write(a.wb);
    clock_.advanceMs(100);
    EXPECT_FALSE(out->done(a.wb));
    out->restart();
    clock_.advanceMs(20);
    out->pause();  // half played
    clock_.advanceMs(50);
    EXPECT_FALSE(out->done(a.wb));
    out->restart();
    clock_.advanceMs(20);
    EXPECT_TRUE(out->done(a.wb));
    d->pump();
    const auto s = SpeakerSamples(speaker_);
    ASSERT_EQ(s.size(), 1520u);
    EXPECT_EQ(Slice(s, 0, 800), std::vector<int16_t>(800, 0));
    EXPECT_EQ(Slice(s, 800, 160), Ramp(160, 1));
    EXPECT_EQ(Slice(s, 960, 400), std::vector<int16_t>(400, 0));
    EXPECT_EQ(Slice(s, 1360, 160), Ramp(160, 161));
    out->unprepare(a.wb);
}

TEST_F(WavFileDevicesTest, VolumeScalesByTheLowSixteenBits) {
    auto d = Make(nullptr, true);
    auto out = d->openOutput(8000);
    ASSERT_TRUE(out);
    Buf a(80, 30000), b(80, 30000), c(80, -30000), e(80, 30000);
    for (Buf* x : {&a, &b, &c, &e}) out->prepare(x->wb);
    out->setVolume(0x00008000);  // half
    out->write(a.wb);
    clock_.advanceMs(10);
    out->setVolume(0xFFFF0000);  // right channel only: nothing on our mono left
    out->write(b.wb);
    clock_.advanceMs(10);
    out->setVolume(0x0000FFFF);
    out->write(c.wb);
    clock_.advanceMs(10);
    out->setVolume(0);
    out->write(e.wb);
    clock_.advanceMs(10);
    EXPECT_TRUE(out->done(e.wb));  // muted buffers still play through
    d->pump();
    const auto s = SpeakerSamples(speaker_);
    ASSERT_EQ(s.size(), 320u);
    EXPECT_EQ(Slice(s, 0, 80), std::vector<int16_t>(80, static_cast<int16_t>(30000 * 32768 / 65535)));
    EXPECT_EQ(Slice(s, 80, 80), std::vector<int16_t>(80, 0));
    EXPECT_EQ(Slice(s, 160, 80), std::vector<int16_t>(80, -30000));
    EXPECT_EQ(Slice(s, 240, 80), std::vector<int16_t>(80, 0));
    for (Buf* x : {&a, &b, &c, &e}) out->unprepare(x->wb);
}

TEST_F(WavFileDevicesTest, ResetReturnsEveryQueuedBufferAndSilencesTheOutput) {
    auto d = Make(nullptr, true);
    auto out = d->openOutput(8000);
    ASSERT_TRUE(out);
    Buf a(320, 100), b(320, 200), c(320, 300);
    for (Buf* x : {&a, &b, &c}) {
        out->prepare(x->wb);
        out->write(x->wb);
    }
    clock_.advanceMs(10);
    for (Buf* x : {&a, &b, &c}) EXPECT_FALSE(out->done(x->wb));
    out->reset();
    for (Buf* x : {&a, &b, &c}) EXPECT_TRUE(out->done(x->wb));
    clock_.advanceMs(40);
    d->pump();
    auto s = SpeakerSamples(speaker_);
    ASSERT_EQ(s.size(), 400u);
    EXPECT_EQ(Slice(s, 0, 80), std::vector<int16_t>(80, 100));
    EXPECT_EQ(Slice(s, 80, 320), std::vector<int16_t>(320, 0));
    // The device plays again what is written after the reset.
    out->write(b.wb);
    EXPECT_FALSE(out->done(b.wb));
    clock_.advanceMs(40);
    EXPECT_TRUE(out->done(b.wb));
    d->pump();
    s = SpeakerSamples(speaker_);
    EXPECT_EQ(Slice(s, 400, 320), std::vector<int16_t>(320, 200));
    for (Buf* x : {&a, &b, &c}) out->unprepare(x->wb);
}

TEST_F(WavFileDevicesTest, UnpreparingAQueuedBufferOrClosingAnOutputDropsItsAudio) {
    auto d = Make(nullptr, true);
    auto out = d->openOutput(8000);
    ASSERT_TRUE(out);
    auto a = std::make_unique<Buf>(320, 100);
    auto b = std::make_unique<Buf>(320, 200);
    out->prepare(a->wb);
    out->prepare(b->wb);
    out->write(a->wb);
    out->write(b->wb);
    clock_.advanceMs(10);
    out->unprepare(a->wb);
    EXPECT_EQ(a->wb.device, nullptr);
    a.reset();  // freed by its owner: the device must not touch it again
    clock_.advanceMs(10);
    out.reset();  // closed with b still queued
    b.reset();
    clock_.advanceMs(40);
    d->pump();
    const auto s = SpeakerSamples(speaker_);
    ASSERT_EQ(s.size(), 480u);
    EXPECT_EQ(Slice(s, 0, 80), std::vector<int16_t>(80, 100));
    EXPECT_EQ(Slice(s, 80, 80), std::vector<int16_t>(80, 200));
    EXPECT_EQ(Slice(s, 160, 320), std::vector<int16_t>(320, 0));
}

TEST_F(WavFileDevicesTest, SpeakerFileIsValidWhileWrittenAndAfterTheDevicesAreGone) {
    auto d = Make(nullptr, true);
    auto out = d->openOutput(8000);
    ASSERT_TRUE(out);
    Buf a(1600, 1234);
    out->prepare(a.wb);
    out->write(a.wb);
    // Without pump the file lags by less than one append (100 ms), but its header always matches it.
    const size_t append = 800;
    clock_.advanceMs(137);
    EXPECT_FALSE(out->done(a.wb));
    auto s = SpeakerSamples(speaker_);
    EXPECT_GE(s.size(), 1096u - append);
    EXPECT_LE(s.size(), 1096u);
    EXPECT_EQ(s, std::vector<int16_t>(s.size(), 1234));
    clock_.advanceMs(1000);
    EXPECT_TRUE(out->done(a.wb));
    s = SpeakerSamples(speaker_);
    EXPECT_GE(s.size(), 9096u - append);
    EXPECT_LE(s.size(), 9096u);
    out->unprepare(a.wb);
    out.reset();
    clock_.advanceMicros(333000);
    d.reset();  // finalised up to the last moment
    s = SpeakerSamples(speaker_);
    ASSERT_EQ(s.size(), 9096u + 2664);
    EXPECT_EQ(Slice(s, 0, 1600), std::vector<int16_t>(1600, 1234));
    EXPECT_EQ(Slice(s, 1600, s.size() - 1600), std::vector<int16_t>(s.size() - 1600, 0));
}

TEST_F(WavFileDevicesTest, DevicesOutlivingTheirSetStayHarmless) {
    const auto ramp = Ramp(8000);
    auto d = Make(&ramp, true);
    auto out = d->openOutput(8000);
    auto in = d->openInput(8000);
    ASSERT_TRUE(out && in);
    Buf a(320, 9), b(320);
    out->prepare(a.wb);
    out->write(a.wb);
    in->prepare(b.wb);
    in->add(b.wb);
    in->start();
    clock_.advanceMs(20);
    d.reset();
    clock_.advanceMs(100);  // time has stopped for these devices
    EXPECT_FALSE(out->done(a.wb));
    EXPECT_FALSE(in->done(b.wb));
    out->reset();
    in->reset();
    EXPECT_TRUE(out->done(a.wb));
    EXPECT_TRUE(in->done(b.wb));
    EXPECT_EQ(Slice(b.samples(), 0, 160), Ramp(160, 0));
    out->unprepare(a.wb);
    in->unprepare(b.wb);
    const auto s = SpeakerSamples(speaker_);
    EXPECT_EQ(s, std::vector<int16_t>(160, 9));
}

// ---- the microphone file's format ----

TEST_F(WavFileDevicesTest, MicrophoneFileWithUnknownAndOddSizedChunksIsRead) {
    std::vector<uint8_t> list;
    PutId(list, "LIST");
    Put32(list, 5);  // odd: one pad byte follows
    for (int i = 0; i < 6; ++i) list.push_back('x');
    std::vector<uint8_t> fact;
    PutId(fact, "fact");
    Put32(fact, 4);
    Put32(fact, 3);
    // Extensible format of 40 bytes with the PCM sub-format.
    std::vector<uint8_t> ext;
    PutId(ext, "fmt ");
    Put32(ext, 40);
    Put16(ext, 0xFFFE);
    Put16(ext, 1);
    Put32(ext, 8000);
    Put32(ext, 16000);
    Put16(ext, 2);
    Put16(ext, 16);
    Put16(ext, 22);
    Put16(ext, 16);
    Put32(ext, 4);
    Put16(ext, 1);  // sub-format GUID begins with the tag
    for (int i = 0; i < 14; ++i) ext.push_back(static_cast<uint8_t>(i));
    const auto samples = Ramp(5, -2);
    WriteBytes(mic_, Riff({list, ext, fact, DataChunk(samples), list}));
    std::vector<int16_t> got;
    std::string error;
    ASSERT_TRUE(ReadPcm8kMonoWav(mic_.string().c_str(), &got, &error)) << error;
    EXPECT_EQ(got, samples);

    // Data before the format, and an odd last byte of data ignored.
    auto data = DataChunk(samples);
    data.push_back(0x55);
    data[4] = 11;
    WriteBytes(mic_, Riff({data, {0}, FmtChunk(Fmt())}));
    ASSERT_TRUE(ReadPcm8kMonoWav(mic_.string().c_str(), &got, &error)) << error;
    EXPECT_EQ(got, samples);
}

TEST_F(WavFileDevicesTest, BadMicrophoneFilesAreRefusedWithAReason) {
    const auto samples = Ramp(100);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* hint;  // the reason names this
    };
    Fmt stereo, wide, narrow, gsm;
    stereo.channels = 2;
    wide.rate = 11025;
    narrow.bits = 8;
    gsm.tag = 0x31;
    auto notRiff = Wav(samples);
    std::memcpy(notRiff.data(), "RIFX", 4);
    auto notWave = Wav(samples);
    std::memcpy(notWave.data() + 8, "AVI ", 4);
    auto longData = Wav(samples);
    longData[40] = 0xFF;  // data claims more than the file holds
    auto longFmt = Wav(samples);
    longFmt[16] = 0xF0;
    longFmt[19] = 0x7F;
    std::vector<uint8_t> shortFmt;
    PutId(shortFmt, "fmt ");
    Put32(shortFmt, 8);
    for (int i = 0; i < 8; ++i) shortFmt.push_back(1);
    auto cut = Wav(samples);
    cut.resize(cut.size() - 3);

    const std::vector<Case> cases = {
        {"empty", {}, "empty"},
        {"text", {'h', 'e', 'l', 'l', 'o'}, "RIFF"},
        {"not RIFF", notRiff, "RIFF"},
        {"not WAVE", notWave, "WAVE"},
        {"stereo", Wav(samples, stereo), "mono"},
        {"11 kHz", Wav(samples, wide), "11025"},
        {"8-bit", Wav(samples, narrow), "8-bit"},
        {"GSM", Wav(samples, gsm), "0x0031"},
        {"data too long", longData, "data"},
        {"fmt too long", longFmt, "fmt"},
        {"cut short", cut, "data"},
        {"fmt too short", Riff({shortFmt, DataChunk(samples)}), "fmt"},
        {"no fmt", Riff({DataChunk(samples)}), "fmt"},
        {"no data", Riff({FmtChunk(Fmt())}), "data"},
        {"header only", Riff({}), "fmt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string error = TryOpen(c.bytes);
        EXPECT_NE(error.find(c.hint), std::string::npos) << error;
    }
}

TEST_F(WavFileDevicesTest, EveryTruncationOfAGoodFileIsRefusedSafely) {
    const auto good = Wav(Ramp(20));
    for (size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(n);
        TryOpen(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)));
    }
    // Damage in any single header byte never leads outside the file.
    std::mt19937 rng(7);
    for (size_t at = 0; at < 44; ++at) {
        for (int k = 0; k < 8; ++k) {
            auto bad = good;
            bad[at] = static_cast<uint8_t>(rng());
            WriteBytes(mic_, bad);
            std::string error;
            std::vector<int16_t> got;
            if (ReadPcm8kMonoWav(mic_.string().c_str(), &got, &error))
                EXPECT_LE(got.size(), 20u);
            else
                EXPECT_FALSE(error.empty());
        }
    }
}

TEST_F(WavFileDevicesTest, MissingFilesAreRefusedWithAReason) {
    std::string error;
    const std::string missing = (dir_ / "no-such.wav").string();
    EXPECT_FALSE(CreateWavFileDevices(missing.c_str(), nullptr, &error, &clock_));
    EXPECT_NE(error.find(missing), std::string::npos) << error;

    error.clear();
    const std::string badSpeaker = (dir_ / "no-such-dir" / "out.wav").string();
    EXPECT_FALSE(CreateWavFileDevices(nullptr, badSpeaker.c_str(), &error, &clock_));
    EXPECT_NE(error.find(badSpeaker), std::string::npos) << error;

    // A bad microphone file is found before the speaker file is created.
    WriteBytes(mic_, {});
    EXPECT_FALSE(CreateWavFileDevices(mic_.string().c_str(), speaker_.string().c_str(), nullptr, &clock_));
    EXPECT_FALSE(fs::exists(speaker_));
}

// ---- the real clock ----

TEST_F(WavFileDevicesTest, RealClockPacesBothDirections) {
    const auto ramp = Ramp(16000);
    WriteBytes(mic_, Wav(ramp));
    std::string error;
    const auto created = std::chrono::steady_clock::now();
    auto d = CreateWavFileDevices(mic_.string().c_str(), speaker_.string().c_str(), &error);
    ASSERT_TRUE(d) << error;
    auto out = d->openOutput(8000);
    auto in = d->openInput(8000);
    ASSERT_TRUE(out && in);
    Buf played(Ramp(320, 20000)), heard(320);
    out->prepare(played.wb);
    in->prepare(heard.wb);
    in->add(heard.wb);

    const auto begin = std::chrono::steady_clock::now();
    out->write(played.wb);
    in->start();
    EXPECT_TRUE(WaitFor([&] { return out->done(played.wb) && in->done(heard.wb); }, 5000));
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(took, std::chrono::microseconds(39000));  // 320 samples cannot pass sooner

    // The input heard a contiguous stretch of the file.
    const auto got = heard.samples();
    EXPECT_EQ(got, Ramp(320, got[0]));
    out->unprepare(played.wb);
    in->unprepare(heard.wb);
    out.reset();
    in.reset();
    d.reset();

    const auto total = std::chrono::steady_clock::now() - created;
    // The file never runs ahead of the wall clock.
    const auto s = SpeakerSamples(speaker_);
    EXPECT_GE(s.size(), 320u);
    EXPECT_LE(s.size(), static_cast<size_t>(std::chrono::duration_cast<std::chrono::microseconds>(total).count()) *
                            8 / 1000 + 8);
    // The played buffer is in the file once, whole.
    const auto p = played.samples();
    EXPECT_NE(std::search(s.begin(), s.end(), p.begin(), p.end()), s.end());
}

TEST_F(WavFileDevicesTest, AWaiterIsWokenWhenItsBufferIsDueInRealTime) {
    WriteBytes(mic_, Wav(Ramp(16000)));
    std::string error;
    auto d = CreateWavFileDevices(mic_.string().c_str(), speaker_.string().c_str(), &error);
    ASSERT_TRUE(d) << error;
    auto out = d->openOutput(8000);
    auto in = d->openInput(8000);
    ASSERT_TRUE(out && in);
    Buf played(800, 100), heard(800);  // 100 ms each
    out->prepare(played.wb);
    in->prepare(heard.wb);
    in->add(heard.wb);
    const auto begin = std::chrono::steady_clock::now();
    out->write(played.wb);
    in->start();
    // Nobody calls the devices meanwhile: the timeline's own thread wakes the waiters.
    EXPECT_TRUE(SleepUntilDone(*out, played.wb, 20000));
    EXPECT_TRUE(SleepUntilDone(*in, heard.wb, 20000));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::microseconds(99000));
    out->unprepare(played.wb);
    in->unprepare(heard.wb);
}

TEST_F(WavFileDevicesTest, ManyThreadsMayWriteAndPollWhileTimeRuns) {
    std::string error;
    auto d = CreateWavFileDevices(nullptr, speaker_.string().c_str(), &error);
    ASSERT_TRUE(d) << error;
    auto out = d->openOutput(8000);
    ASSERT_TRUE(out);
    std::vector<std::unique_ptr<Buf>> bufs;
    for (int i = 0; i < 10; ++i) {
        bufs.push_back(std::make_unique<Buf>(Ramp(80, 1000 * (i + 1))));
        out->prepare(bufs.back()->wb);
    }
    std::atomic<bool> allDone{false};
    std::thread monitor([&] {  // as the playout buffer's monitor does
        while (!allDone) {
            bool all = true;
            for (auto& b : bufs) all = out->done(b->wb) && all;
            d->pump();
            if (all) allDone = true;
            SleepMs(1);
        }
    });
    for (auto& b : bufs) out->write(b->wb);
    EXPECT_TRUE(WaitFor([&] { return allDone.load(); }, 5000));
    allDone = true;
    monitor.join();
    for (auto& b : bufs) out->unprepare(b->wb);
    out.reset();
    d.reset();

    // Each buffer is in the file, whole and after the one written before it.
    const auto s = SpeakerSamples(speaker_);
    auto from = s.begin();
    for (auto& b : bufs) {
        const auto want = b->samples();
        const auto at = std::search(from, s.end(), want.begin(), want.end());
        ASSERT_NE(at, s.end());
        from = at + static_cast<long>(want.size());
    }
}

}  // namespace

// A tone of the frequency at the rate, from sample 0.
std::vector<int16_t> Tone(int n, double hz, int rate) {
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<int16_t>(8000 * std::sin(2 * 3.14159265358979 * hz * i / rate));
    return v;
}

// How far b is from a, in dB of a's energy over the difference's, from sample `from` on.
double SnrDb(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t from) {
    double signal = 0, noise = 0;
    for (size_t i = from; i < std::min(a.size(), b.size()); ++i) {
        signal += double(a[i]) * a[i];
        noise += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

TEST_F(WavFileDevicesTest, AWidebandTimelineTakesEitherRateOfFileAndWritesTheSpeakerAtTheMicrophonesRate) {
    for (int fileRate : {8000, 16000}) {
        SCOPED_TRACE(fileRate);
        Fmt f;
        f.rate = static_cast<uint32_t>(fileRate);
        WriteBytes(mic_, Wav(Tone(fileRate, 700, fileRate), f));
        std::string error;
        auto d = CreateWavFileDevices(mic_.string().c_str(), speaker_.string().c_str(), &error, &clock_, -1,
                                      nullptr, 16000);
        ASSERT_TRUE(d) << error;
        EXPECT_FALSE(d->openInput(8000));
        auto in = d->openInput(16000);
        auto out = d->openOutput(16000);
        ASSERT_TRUE(in && out);
        // Half a second heard at 16 kHz: the file's tone, in time with it.
        Buf heard(8000);
        in->prepare(heard.wb);
        in->add(heard.wb);
        in->start();
        // and played back at once.
        Buf played(Tone(8000, 700, 16000));
        out->prepare(played.wb);
        out->write(played.wb);
        clock_.advanceMs(500);
        ASSERT_TRUE(in->done(heard.wb));
        EXPECT_GT(SnrDb(Tone(8000, 700, 16000), heard.samples(), 0), 30);
        clock_.advanceMs(100);
        in->reset();
        out->reset();
        in->unprepare(heard.wb);
        out->unprepare(played.wb);
        in.reset();
        out.reset();
        d.reset();
        const auto written = SpeakerSamples(speaker_, static_cast<uint32_t>(fileRate));
        ASSERT_GE(written.size(), size_t(fileRate / 2));
        // Past the resampler's first few milliseconds, the tone as it was played.
        EXPECT_GT(SnrDb(Tone(fileRate / 2, 700, fileRate), written, static_cast<size_t>(fileRate / 100)), 30);
    }
}
