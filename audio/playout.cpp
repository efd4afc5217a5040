#include "audio/playout.h"

#include <chrono>
#include <cmath>
#include <cstring>

#include "audio/codec.h"

namespace kv {

int LevelFromPeak(int64_t peakSquare) {
    return static_cast<int>(1000.0 * std::log10(static_cast<double>(peakSquare) / 1073741824.0));
}

namespace {

WaveDevices& Or(WaveDevices* devices) { return devices ? *devices : SystemWaveDevices(); }

int16_t SampleAt(const uint8_t* data, int i) {
    int16_t s;
    std::memcpy(&s, data + 2 * i, 2);
    return s;
}

}  // namespace

PlayoutBuffer::~PlayoutBuffer() {
    close(true);
    if (monitor_.joinable()) monitor_.join();
}

int PlayoutBuffer::open(int sampleRate) {
    sampleRate_ = sampleRate;
    writeIndex_ = playIndex_ = 0;
    samplesWritten_ = samplesPlayed_ = 0;
    playing = 0;
    stopRequest_ = 0;
    outputLevel_ = -9000;
    std::unique_ptr<WaveOutput> device = Or(devices_).openOutput(sampleRate);
    if (!device) return -1;
    device->pause();  // queued audio waits for the minimum delay
    uint32_t v = volume_;
    device->setVolume(v | v << 16);
    for (Slot& s : slots_) s.inUse = false;
    slotCount_ = SlotCount;
    device_ = std::move(device);
    deviceOpen_ = true;
    // A monitor that drained the previous device has let go of everything by now.
    if (monitor_.joinable()) monitor_.join();
    monitorRunning_ = 1;
    monitor_ = std::thread(&PlayoutBuffer::monitor, this);
    return 0;
}

int PlayoutBuffer::write(int sampleRate, const uint8_t* data, int length) {
    std::unique_lock<std::mutex> guard(lock_);
    if (sampleRate != sampleRate_ && device_) {
        // Another rate: the device must be reopened. Its monitor needs the
        // lock to finish a pass, so it is stopped with the lock let go.
        guard.unlock();
        close(true);
        guard.lock();
    }
    if (!device_ && open(sampleRate) != 0) return -1;
    const int n = slotCount_;
    if ((writeIndex_ + 2) % n == playIndex_) return -1;  // ring full: 98 slots queued
    const int64_t samples = length / 2;
    const int64_t limit = static_cast<int64_t>(maximumDelay.load()) * sampleRate / 1000;
    if (samplesWritten_ + samples > samplesPlayed_ + limit) return 0;  // beyond the maximum delay: dropped

    Slot& slot = slots_[writeIndex_];
    slot.buffer.data = new uint8_t[static_cast<size_t>(length)];
    slot.buffer.length = length;
    slot.inUse = true;
    device_->prepare(slot.buffer);
    std::memcpy(slot.buffer.data, data, static_cast<size_t>(length));
    if (outGain) {
        for (int i = 0; i < samples; ++i) {
            int v = SampleAt(slot.buffer.data, i) * 3;
            int16_t s = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
            std::memcpy(slot.buffer.data + 2 * i, &s, 2);
        }
    }
    device_->write(slot.buffer);
    writeIndex_ = (writeIndex_ + 1) % n;
    samplesWritten_ += samples;

    // The count since the device opened, not the depth of the queue.
    if (samplesWritten_ * 1000 >= static_cast<int64_t>(minimumDelay.load()) * sampleRate && !playing) {
        playing = 1;
        device_->restart();
    }
    return 0;
}

void PlayoutBuffer::releaseSlot(Slot& slot) {
    device_->unprepare(slot.buffer);
    delete[] slot.buffer.data;
    slot.buffer.data = nullptr;
    slot.inUse = false;
}

void PlayoutBuffer::monitor() {
    if (stopRequest_) {
        monitorRunning_ = 0;
        return;
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            while (slots_[playIndex_].inUse && device_->done(slots_[playIndex_].buffer)) {
                samplesPlayed_ += slots_[playIndex_].buffer.length / 2;
                releaseSlot(slots_[playIndex_]);
                playIndex_ = (playIndex_ + 1) % slotCount_;
            }
            int64_t peak = 1;
            const Slot& current = slots_[playIndex_];
            if (current.inUse) {
                for (int i = 0; i < current.buffer.length / 2; i += 2) {
                    int64_t s = SampleAt(current.buffer.data, i);
                    if (s * s > peak) peak = s * s;
                }
            }
            outputLevel_ = LevelFromPeak(peak);
            if (writeIndex_ == playIndex_ && playing) {
                // Everything queued has played: close and let the next frame prebuffer again.
                monitorRunning_ = 0;
                closeLocked();
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (stopRequest_) {
            monitorRunning_ = 0;
            return;
        }
    }
}

void PlayoutBuffer::closeLocked() {
    if (!device_) return;
    playing = 0;
    device_->reset();
    for (Slot& s : slots_)
        if (s.inUse) releaseSlot(s);
    device_.reset();
    deviceOpen_ = false;
}

int PlayoutBuffer::close(bool takeLock) {
    stopRequest_ = 1;
    while (monitorRunning_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (takeLock) {
        std::lock_guard<std::mutex> guard(lock_);
        closeLocked();
    } else {
        closeLocked();
    }
    return 0;
}

void PlayoutBuffer::forceStart() {
    std::lock_guard<std::mutex> guard(lock_);
    if (device_ && !playing) {
        playing = 1;
        device_->restart();
    }
}

void PlayoutBuffer::setVolume(int volume) {
    if (volume < 0) volume = 0;
    if (volume > 1000) volume = 1000;
    uint32_t v = static_cast<uint32_t>(volume) * 65535u / 1000u;
    volume_ = v;
    std::lock_guard<std::mutex> guard(lock_);
    if (device_) device_->setVolume(v | v << 16);
}

int PlayoutBuffer::bufferedMs() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!playing || sampleRate_ == 0) return -1;
    return static_cast<int>((samplesWritten_ - samplesPlayed_) * 1000 / sampleRate_);
}

int PlayoutBuffer::queuedSlots() {
    std::lock_guard<std::mutex> guard(lock_);
    int n = 0;
    for (const Slot& s : slots_) n += s.inUse ? 1 : 0;
    return n;
}

}  // namespace kv
