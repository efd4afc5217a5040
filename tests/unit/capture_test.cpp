#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "audio/capture.h"
#include "platform/manual_wave.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

namespace {

class Capture : public ::testing::Test {
protected:
    void SetUp() override {
        capture.devices = &devices;
        capture.mixer = &noMixer;
        capture.inputThreshold = CaptureDevice::ThresholdOff;
    }
    std::vector<int16_t> readFrame(int* result) {
        std::vector<int16_t> out(320);
        *result = capture.read(reinterpret_cast<uint8_t*>(out.data()));
        return out;
    }
    int readOne() {
        int r;
        readFrame(&r);
        return r;
    }

    // A mixer that records what it was asked and does nothing.
    struct RecordingMixer : MixerApi {
        unsigned deviceCount() override { return devicesPresent; }
        bool open(void*) override {
            ++opens;
            return false;
        }
        bool destinationCount(uint32_t*) override { return false; }
        bool destination(uint32_t, MixerLine*) override { return false; }
        bool source(uint32_t, uint32_t, MixerLine*) override { return false; }
        MixerResult control(uint32_t, uint32_t, MixerControl*) override { return MixerResult::Failed; }
        bool itemNames(const MixerControl&, std::vector<std::string>*) override { return false; }
        bool setUniformValue(const MixerControl&, uint32_t) override { return false; }
        bool setItemValues(const MixerControl&, const std::vector<uint32_t>&) override { return false; }
        void close() override {}
        unsigned devicesPresent = 1;
        int opens = 0;
    };

    ManualWaveDevices devices;
    RecordingMixer noMixer;
    CaptureDevice capture;
};

}  // namespace

TEST_F(Capture, OpenMakesHalfASecondOfFrameBuffers) {
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    EXPECT_EQ(capture.bufferCount(), 12);
    EXPECT_EQ(devices.input().buffers, 12);
    EXPECT_EQ(devices.input().bufferBytes, 640);
    EXPECT_EQ(devices.input().added, 12);
    EXPECT_TRUE(devices.input().started);
    ASSERT_EQ(capture.open(8000, 240, 500), 0);  // reopening closes the first
    EXPECT_FALSE(devices.input(0).open);
    EXPECT_EQ(capture.bufferCount(), 16);
    EXPECT_EQ(devices.input().bufferBytes, 480);
    ASSERT_EQ(capture.open(8000, 80, 2000), 0);  // would be 200
    EXPECT_EQ(capture.bufferCount(), 100);
}

TEST_F(Capture, ReadResultsBeforeAndAfterOpen) {
    EXPECT_EQ(readOne(), -3);
    EXPECT_EQ(capture.inputLevel(), -10000);
    devices.refuseInput = true;
    EXPECT_EQ(capture.open(8000, 320, 500), -1);
    EXPECT_EQ(readOne(), -3);
    devices.refuseInput = false;
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    EXPECT_EQ(readOne(), -1);  // nothing recorded yet
    devices.fillInput(1000);
    EXPECT_EQ(readOne(), 640);
    EXPECT_EQ(capture.framesRead(), 1);
    capture.close();
    EXPECT_EQ(capture.inputLevel(), -10000);
    EXPECT_EQ(readOne(), -3);
    EXPECT_EQ(capture.close(), 0);  // closing twice does nothing
}

TEST_F(Capture, FramesComeInOrderAndBuffersGoBackToTheDevice) {
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    for (int n = 0; n < 40; ++n) {  // more than the 12 buffers: they must come back
        ASSERT_TRUE(devices.fillInput(static_cast<int16_t>(n * 10))) << n;
        int r;
        std::vector<int16_t> f = readFrame(&r);
        ASSERT_EQ(r, 640);
        EXPECT_EQ(f[0], n * 10);
        EXPECT_EQ(f[319], n * 10);
    }
    EXPECT_EQ(devices.input().added, 12);
}

TEST_F(Capture, InputLevelOfEachFrame) {
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    devices.fillInput(std::vector<int16_t>{0, -32768});
    readOne();
    EXPECT_EQ(capture.inputLevel(), 0);
    devices.fillInput(0);
    readOne();
    EXPECT_EQ(capture.inputLevel(), -9030);
}

TEST_F(Capture, MicGainTriplesAndClamps) {
    capture.micGain = 1;
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    devices.fillInput(std::vector<int16_t>{12000, -12000, 1000, 0});
    int r;
    std::vector<int16_t> f = readFrame(&r);
    ASSERT_EQ(r, 640);
    EXPECT_EQ(f[0], 32767);
    EXPECT_EQ(f[1], -32768);
    EXPECT_EQ(f[2], 3000);
    EXPECT_EQ(capture.inputLevel(), 0);
}

TEST_F(Capture, ThresholdHoldsSilenceBackAfterTenFrames) {
    capture.inputThreshold = -30;
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    for (int n = 1; n <= 14; ++n) {
        ASSERT_TRUE(devices.fillInput(0));
        EXPECT_EQ(readOne(), n <= 10 ? 640 : -2) << "frame " << n;
    }
    EXPECT_EQ(capture.inputLevel(), -9030);  // still measured while held back
    // Exactly -30 dB is loud enough, and re-arms the hangover.
    devices.fillInput(1036);
    EXPECT_EQ(readOne(), 640);
    EXPECT_EQ(capture.silentFrames(), 0);
    devices.fillInput(0);
    EXPECT_EQ(readOne(), 640);
    EXPECT_EQ(capture.silentFrames(), 1);
}

TEST_F(Capture, ThresholdOffSendsEveryFrame) {
    capture.inputThreshold = -50;
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    for (int n = 0; n < 20; ++n) {
        devices.fillInput(0);
        EXPECT_EQ(readOne(), 640);
    }
    EXPECT_EQ(capture.silentFrames(), 0);
}

TEST_F(Capture, RecordingSourceIsKeptAndAppliedAtEachOpen) {
    EXPECT_EQ(capture.setRecordingSource(CaptureDevice::MicrophoneSource, 700), 0);
    EXPECT_EQ(capture.recordingLevel, 700);
    EXPECT_EQ(capture.sourceType, CaptureDevice::MicrophoneSource);
    EXPECT_EQ(noMixer.opens, 0);  // no capture open: only stored
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    EXPECT_EQ(noMixer.opens, 1);
    EXPECT_EQ(capture.setRecordingSource(CaptureDevice::MicrophoneSource, 100), -1);  // the mixer fails
    EXPECT_EQ(capture.recordingLevel, 100);

    noMixer.devicesPresent = 0;  // no mixer device at all: nothing is stored
    EXPECT_EQ(capture.setRecordingSource(CaptureDevice::MicrophoneSource, 900), -1);
    EXPECT_EQ(capture.recordingLevel, 100);
}

TEST_F(Capture, CloseWaitsForAReadInProgress) {
    ASSERT_EQ(capture.open(8000, 320, 500), 0);
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            devices.fillInput(5);
            uint8_t out[640];
            capture.read(out);
        }
    });
    SleepMs(20);
    capture.close();
    stop = true;
    reader.join();
    EXPECT_FALSE(devices.input().open);
}

TEST_F(Capture, WaitFrameSleepsOnTheDeviceUntilAFrameIsFilled) {
    ASSERT_EQ(capture.open(8000, 320, 200), 0);
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = capture.waitFrame(60000) ? 1 : 0; });
    ASSERT_TRUE(WaitFor([&] { return devices.input().waiting; }));
    EXPECT_EQ(result, -1);
    ASSERT_TRUE(devices.fillInput(5));
    waiter.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(readOne(), 640);
}

TEST_F(Capture, WaitFrameReturnsWhenTheCaptureIsClosed) {
    ASSERT_EQ(capture.open(8000, 320, 200), 0);
    std::atomic<int> result{-1};
    std::atomic<bool> beforeTimeOut{false};
    std::thread waiter([&] {
        const auto start = std::chrono::steady_clock::now();
        result = capture.waitFrame(60000) ? 1 : 0;
        beforeTimeOut = std::chrono::steady_clock::now() - start < std::chrono::seconds(50);
    });
    ASSERT_TRUE(WaitFor([&] { return devices.input().waiting; }));
    capture.close();
    waiter.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(beforeTimeOut) << "close wakes the waiter instead of leaving it to its time-out";
    EXPECT_FALSE(capture.waitFrame(60000)) << "no device: at once";
}
