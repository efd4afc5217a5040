#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/file/wav_file_devices.h"
#include "platform/file/wav_room.h"

using namespace kv;

namespace {

namespace fs = std::filesystem;

void WriteWav(const fs::path& p, const std::vector<int16_t>& s, uint32_t rate = 8000) {
    std::vector<uint8_t> v;
    auto put16 = [&](uint32_t x) { v.push_back(uint8_t(x)), v.push_back(uint8_t(x >> 8)); };
    auto put32 = [&](uint32_t x) { put16(x & 0xFFFF), put16(x >> 16); };
    auto id = [&](const char* t) { v.insert(v.end(), t, t + 4); };
    id("RIFF");
    put32(uint32_t(36 + 2 * s.size()));
    id("WAVE");
    id("fmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    id("data");
    put32(uint32_t(2 * s.size()));
    for (int16_t x : s) put16(uint16_t(x));
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(v.data()), std::streamsize(v.size()));
}

class WavRoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("kv_room_" + std::to_string(rd()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_F(WavRoomTest, TheMicrophoneHearsTheNearFileAndTheSpeakerDelayedThroughTheImpulseResponse) {
    // One tap, 8 samples in: the echo is the speaker, 20 ms + 1 ms later, at the room's gain.
    std::vector<int16_t> impulse(12, 0);
    impulse[8] = 12345;
    WriteWav(dir_ / "ir.wav", impulse);
    WriteWav(dir_ / "near.wav", std::vector<int16_t>(8000, 100));
    std::string error;
    auto room = WavRoom::FromFile((dir_ / "ir.wav").string().c_str(), &error);
    ASSERT_TRUE(room) << error;
    ManualWaveClock clock;
    auto devices = CreateWavFileDevices((dir_ / "near.wav").string().c_str(), nullptr, &error, &clock, -1, room);
    ASSERT_TRUE(devices) << error;

    auto in = devices->openInput(8000);
    auto out = devices->openOutput(8000);  // plays without a speaker file
    ASSERT_TRUE(in && out);
    std::vector<uint8_t> heard(2 * 4000), click(2 * 320, 0);
    click[0] = 0x10, click[1] = 0x27;  // 10000 in the first sample
    WaveBuffer inBuffer{heard.data(), int(heard.size())}, outBuffer{click.data(), int(click.size())};
    in->prepare(inBuffer);
    in->add(inBuffer);
    in->start();
    clock.advanceMs(100);  // the click begins at sample 800
    out->prepare(outBuffer);
    out->write(outBuffer);
    clock.advanceMs(400);
    ASSERT_TRUE(in->done(inBuffer));
    const int echoAt = 800 + 8000 * WavRoom::DelayMs / 1000 + 8;
    for (int i = 0; i < 4000; ++i) {
        const int s = int16_t(heard[2 * i] | heard[2 * i + 1] << 8);
        const int expected = 100 + (i == echoAt ? int(10000 * WavRoom::DefaultGain) : 0);
        ASSERT_LE(std::abs(s - expected), WavRoom::NoiseAmplitude) << "sample " << i;
    }
    in->reset();
    in->unprepare(inBuffer);
    out->reset();
    out->unprepare(outBuffer);
}

TEST_F(WavRoomTest, AGeneratedRoomIsTheSameEveryTimeAndEchoesAtItsGain) {
    auto a = WavRoom::Generated(100, 7), b = WavRoom::Generated(100, 7);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> noise(-8000, 8000);
    std::vector<int32_t> far(16000);
    for (int32_t& v : far) v = noise(random);
    double farEnergy = 0, echoEnergy = 0;
    for (int block = 0; block < 16000; block += 800) {
        a->played(block, &far[size_t(block)], 800);
        b->played(block, &far[size_t(block)], 800);
        for (int t = block; t < block + 800; ++t) {
            const int16_t h = a->heard(t, 0);
            ASSERT_EQ(h, b->heard(t, 0)) << t;
            if (t >= 4000) echoEnergy += double(h) * h, farEnergy += double(far[size_t(t)]) * far[size_t(t)];
        }
    }
    const double db = 10 * std::log10(echoEnergy / farEnergy);
    EXPECT_NEAR(db, 20 * std::log10(WavRoom::DefaultGain), 1.0);
}

TEST_F(WavRoomTest, BadImpulseResponsesAreRefusedWithAReason) {
    std::string error;
    EXPECT_FALSE(WavRoom::FromFile((dir_ / "missing.wav").string().c_str(), &error));
    EXPECT_NE(error.find("missing.wav"), std::string::npos) << error;
    WriteWav(dir_ / "silent.wav", std::vector<int16_t>(100, 0));
    EXPECT_FALSE(WavRoom::FromFile((dir_ / "silent.wav").string().c_str(), &error));
    EXPECT_NE(error.find("silent"), std::string::npos) << error;
    WriteWav(dir_ / "long.wav", std::vector<int16_t>(WavRoom::MaxImpulseSamples + 1, 5));
    EXPECT_FALSE(WavRoom::FromFile((dir_ / "long.wav").string().c_str(), &error));
    EXPECT_NE(error.find("longer"), std::string::npos) << error;
    WriteWav(dir_ / "rate.wav", std::vector<int16_t>(100, 5), 11025);
    EXPECT_FALSE(WavRoom::FromFile((dir_ / "rate.wav").string().c_str(), &error));
    EXPECT_NE(error.find("8000 or 16000 Hz"), std::string::npos) << error;
    std::ofstream(dir_ / "junk.wav") << "not a wave file at all";
    EXPECT_FALSE(WavRoom::FromFile((dir_ / "junk.wav").string().c_str(), &error));
    EXPECT_NE(error.find("junk.wav"), std::string::npos) << error;
}

}  // namespace
