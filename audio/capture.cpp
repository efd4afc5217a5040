#include "audio/capture.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "audio/level.h"
#include "audio/mixer.h"

namespace kv {

CaptureDevice::~CaptureDevice() { stopSending(); }

int CaptureDevice::open(int sampleRate, int samplesPerBuffer, int bufferTimeMs) {
    if (device_.load()) close();
    silentFrames_ = 0;
    framesRead_ = 0;
    readIndex_ = 0;
    bufferTime_ = bufferTimeMs;
    samplesPerBuffer_ = samplesPerBuffer;
    sampleRate_ = sampleRate;
    if (samplesPerBuffer <= 0 || sampleRate <= 0) return -1;
    echoReady_ = echo_.start(sampleRate, samplesPerBuffer);
    echoMic_.reset(new int16_t[static_cast<size_t>(samplesPerBuffer)]());
    echoReference_.reset(new int16_t[static_cast<size_t>(samplesPerBuffer)]());
    echoReference.captureOpened(sampleRate);
    WaveDevices* source = devices.load();
    std::unique_ptr<WaveInput> input = (source ? *source : SystemWaveDevices()).openInput(sampleRate);
    if (!input) return -1;
    int count = (sampleRate / samplesPerBuffer) * bufferTimeMs / 1000;
    if (count > MaxBuffers) count = MaxBuffers;
    if (count < 1) count = 1;
    bufferCount_ = count;
    for (int i = 0; i < count; ++i) {
        WaveBuffer& b = buffers_[i];
        b.length = samplesPerBuffer * 2;
        b.data = new uint8_t[static_cast<size_t>(b.length)]();
        input->prepare(b);
        input->add(b);
    }
    input->start();
    owned_ = std::move(input);
    device_ = owned_.get();
    setRecordingSource(sourceType, recordingLevel);
    return 0;
}

int CaptureDevice::read(uint8_t* destination) {
    readBusy_ = 1;
    WaveInput* device = device_.load();
    if (!device) {
        readBusy_ = 0;
        return FrameNoDevice;
    }
    WaveBuffer& b = buffers_[readIndex_];
    if (!device->done(b)) {
        readBusy_ = 0;
        return FrameNotReady;
    }
    const int n = b.length / 2;
    if (echoReady_) {
        // The reference is taken for every frame, so that it keeps pace with the capture.
        const int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
        echoReference.take(echoReference_.get(), n, now);
        const bool cancel = echoCancel != 0, suppress = noiseSuppress != 0;
        if (cancel || suppress) {
            std::memcpy(echoMic_.get(), b.data, static_cast<size_t>(n) * 2);
            echo_.process(echoMic_.get(), echoReference_.get(), cancel, suppress);
            std::memcpy(b.data, echoMic_.get(), static_cast<size_t>(n) * 2);
        } else {
            echo_.process(nullptr, nullptr, false, false);
        }
    }
    int64_t peak = 1;
    const bool gain = micGain != 0;
    for (int i = 0; i < n; ++i) {
        int16_t s;
        std::memcpy(&s, b.data + 2 * i, 2);
        if (gain) {
            int v = s * 3;
            s = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
            std::memcpy(b.data + 2 * i, &s, 2);
        }
        int64_t square = int64_t(s) * s;
        if (square > peak) peak = square;
    }
    const int level = LevelFromPeak(peak);
    inputLevel_ = level;
    std::memcpy(destination, b.data, static_cast<size_t>(b.length));
    device->add(b);
    readIndex_ = (readIndex_ + 1) % bufferCount_;
    ++framesRead_;
    readBusy_ = 0;

    const int threshold = inputThreshold;
    if (threshold > ThresholdOff && level < threshold * 100) {
        if (silentFrames_ == HangoverFrames) return FrameWithheld;
        ++silentFrames_;
        return n * 2;
    }
    silentFrames_ = 0;
    return n * 2;
}

bool CaptureDevice::waitFrame(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    readBusy_ = 1;  // close() lets go of the device only once this is back to 0
    bool ready = false;
    for (;;) {
        WaveInput* device = device_.load();
        if (!device) break;  // closed, or closing: close() has woken the device
        ready = device->done(buffers_[readIndex_]);
        if (ready) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        device->waitEvent(static_cast<int>(left));
    }
    readBusy_ = 0;
    return ready;
}

int CaptureDevice::close() {
    WaveInput* device = device_.exchange(nullptr);  // new reads find no device from here on
    if (!device) return 0;
    echoReference.captureClosed();
    device->wake();  // a waitFrame sleeping on it looks again and finds no device
    // A read in progress takes microseconds; a waitFrame returns once woken.
    while (readBusy_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard<std::mutex> guard(mixerLock_);
    device->reset();
    for (int i = 0; i < bufferCount_; ++i) {
        WaveBuffer& b = buffers_[i];
        device->unprepare(b);
        delete[] b.data;
        b = WaveBuffer();
    }
    owned_.reset();
    return 0;
}

int CaptureDevice::setRecordingSource(uint32_t type, int level) {
    MixerApi* m = mixer.load();
    if (!m) m = SystemMixer();
    if (!m) {
        // No mixer on this platform: the values are only kept.
        sourceType = type;
        recordingLevel = level;
        return 0;
    }
    if (m->deviceCount() == 0) return -1;
    sourceType = type;
    recordingLevel = level;
    // The user interface may get here while the transmit thread closes the device.
    std::lock_guard<std::mutex> guard(mixerLock_);
    WaveInput* device = device_.load();
    if (!device) return 0;
    return SelectRecordingSource(*m, device->nativeHandle(), type, level);
}

}  // namespace kv
