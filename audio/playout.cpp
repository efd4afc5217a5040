#include "audio/playout.h"

#include <chrono>
#include <cmath>
#include <cstring>

#include "audio/codec.h"

namespace kv {

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
    concealRun_ = 0;
    tailSamples_ = 0;
    startedIndex_ = -1;
    echoSource_ = EchoReference::Source();
    std::unique_ptr<WaveOutput> device = Or(devices_).openOutput(sampleRate);
    if (!device) return -1;
    opens_.fetch_add(1);
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
    const bool wasEmpty = writeIndex_ == playIndex_;
    if (wasEmpty && playing) {
        // Nothing else plays: this frame begins now.
        startedIndex_ = writeIndex_;
        startedAt_ = std::chrono::steady_clock::now();
        startedExact_ = true;
    }
    prepareSlotLocked(slot, length);
    slot.inUse = true;
    slot.concealment = false;
    slot.referenced = false;
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
    referAheadLocked(true);
    samplesWritten_ += samples;
    concealRun_ = 0;  // a concealment run ends with the first real frame behind it
    tailSamples_ = 0;

    // The count since the device opened, not the depth of the queue.
    if (samplesWritten_ * 1000 >= static_cast<int64_t>(minimumDelay.load()) * sampleRate && !playing) {
        startLocked();
        return 0;
    }
    // The monitor sleeps until the device plays something; a frame behind
    // others is seen then, but the first one changes the level at once.
    if (wasEmpty) device_->wake();
    return 0;
}

void PlayoutBuffer::startLocked() {
    playing = 1;
    device_->restart();
    // The frame at the head begins now; the monitor learns of it at once.
    startedIndex_ = playIndex_;
    startedAt_ = std::chrono::steady_clock::now();
    startedExact_ = true;
    device_->wake();
}

void PlayoutBuffer::referSlotLocked(Slot& slot, bool began) {
    slot.referenced = true;
    EchoReference* reference = echoReference_.load();
    if (!reference) return;
    const int64_t start =
        began ? std::chrono::duration_cast<std::chrono::microseconds>(startedAt_.time_since_epoch()).count() : -1;
    reference->played(echoSource_, slot.buffer.data, slot.buffer.length / 2, sampleRate_, start, began && startedExact_);
}

void PlayoutBuffer::referAheadLocked(bool queued) {
    EchoReference* reference = echoReference_.load();
    if (!reference || !playing || !device_ || !device_->reportsLate()) return;
    const int newest = (writeIndex_ + slotCount_ - 1) % slotCount_;
    for (int i = playIndex_, before = -1; slots_[i].inUse && i != writeIndex_; before = i, i = (i + 1) % slotCount_) {
        Slot& slot = slots_[i];
        if (slot.referenced) continue;
        if (before < 0 || !slots_[before].referenced) return;  // its place is not known yet
        const int64_t now = queued && i == newest ? std::chrono::duration_cast<std::chrono::microseconds>(
                                                          std::chrono::steady_clock::now().time_since_epoch())
                                                          .count()
                                                    : -1;
        if (!reference->follows(echoSource_, slot.buffer.data, slot.buffer.length / 2, sampleRate_, now)) return;
        slot.referenced = true;
    }
}

void PlayoutBuffer::prepareSlotLocked(Slot& slot, int length) {
    if (slot.prepared && slot.buffer.length == length) return;
    if (slot.prepared) {
        device_->unprepare(slot.buffer);
        slot.prepared = false;
    }
    if (slot.capacity < length) {
        slot.storage.reset(new uint8_t[static_cast<size_t>(length)]);
        slot.capacity = length;
    }
    slot.buffer.data = slot.storage.get();
    slot.buffer.length = length;
    device_->prepare(slot.buffer);
    slot.prepared = true;
}

void PlayoutBuffer::releaseSlot(Slot& slot) {
    // Stays prepared with its storage for the next frame.
    slot.inUse = false;
    slot.concealment = false;
}

void PlayoutBuffer::findCycle(const uint8_t* data, int samples) {
    int maxLag = sampleRate_ * 15 / 1000;
    if (maxLag > MaxCycleSamples) maxLag = MaxCycleSamples;
    if (maxLag < 1) maxLag = 1;
    int minLag = sampleRate_ / 400;  // 2.5 ms
    if (minLag < 1) minLag = 1;
    const int top = maxLag < samples / 2 ? maxLag : samples / 2;
    int period = 0;
    if (top >= minLag) {
        // The last (samples - top) samples against the same stretch one lag earlier,
        // normalised, so that a loud earlier stretch does not win by its loudness.
        const int start = top;
        const int window = samples - start;
        double energy = 0;
        for (int j = 0; j < window; ++j) {
            const double a = SampleAt(data, start + j);
            energy += a * a;
        }
        double best = 0.3;  // less alike than this: no period worth repeating
        for (int lag = minLag; lag <= top && energy > 0; ++lag) {
            double cross = 0, earlier = 0;
            for (int j = 0; j < window; ++j) {
                const double a = SampleAt(data, start + j), b = SampleAt(data, start + j - lag);
                cross += a * b;
                earlier += b * b;
            }
            if (earlier <= 0) continue;
            const double likeness = cross / std::sqrt(energy * earlier);
            if (likeness > best) {
                best = likeness;
                period = lag;
            }
        }
    }
    if (period == 0) period = samples < maxLag ? samples : maxLag;  // no clear period: the last 15 ms
    for (int j = 0; j < period; ++j) cycle_[j] = SampleAt(data, samples - period + j);
    cycleLength_ = period;
    cyclePhase_ = 0;
}

bool PlayoutBuffer::queueConcealmentLocked() {
    const int n = slotCount_;
    if ((writeIndex_ + 2) % n == playIndex_) return false;
    // A run begins from the last real frame: still playing, or kept when it was reclaimed.
    const Slot& last = slots_[playIndex_];
    const uint8_t* source = nullptr;
    int sourceSamples = 0;
    int frame = concealSamples_;
    if (concealRun_ == 0) {
        if (last.inUse) {
            frame = last.buffer.length / 2;
            sourceSamples = frame < TailSamples ? frame : TailSamples;
            source = last.buffer.data + 2 * (frame - sourceSamples);
        } else {
            frame = tailFrameSamples_;
            sourceSamples = tailSamples_;
            source = tail_;
        }
        if (sourceSamples <= 0) return false;
    }
    if (frame <= 0) return false;
    // A run lasts at most MaxConcealFrames frames, queued a piece at a time.
    const int64_t span = static_cast<int64_t>(frame) * MaxConcealFrames;
    int piece = sampleRate_ * ConcealPieceMs / 1000;
    if (piece < 1) piece = 1;
    if (piece > span - concealRun_) piece = static_cast<int>(span - concealRun_);
    if (piece <= 0) return false;
    const int64_t limit = static_cast<int64_t>(maximumDelay.load()) * sampleRate_ / 1000;
    if (samplesWritten_ + piece > samplesPlayed_ + limit) return false;  // as a real frame would be dropped
    if (source) {
        findCycle(source, sourceSamples);
        concealSamples_ = frame;
    }

    // The level falls linearly over the run: from full to half over the first
    // frame's length, from half to silence over the second.
    const int64_t before = concealRun_;
    Slot& slot = slots_[writeIndex_];
    prepareSlotLocked(slot, piece * 2);
    int phase = cyclePhase_;
    for (int i = 0; i < piece; ++i) {
        const int64_t gain = span - (before + i + 1);
        const int16_t s = static_cast<int16_t>(cycle_[phase] * gain / span);
        std::memcpy(slot.buffer.data + 2 * i, &s, 2);
        if (++phase == cycleLength_) phase = 0;
    }
    cyclePhase_ = phase;
    slot.inUse = true;
    slot.concealment = true;
    slot.referenced = false;
    device_->write(slot.buffer);
    writeIndex_ = (writeIndex_ + 1) % n;
    referAheadLocked();
    samplesWritten_ += piece;
    concealRun_ += piece;
    concealed_.fetch_add(1);
    return true;
}

void PlayoutBuffer::monitorStopped() {
    {
        std::lock_guard<std::mutex> guard(stopLock_);
        monitorRunning_ = 0;
    }
    stopped_.notify_all();
}

void PlayoutBuffer::monitor() {
    WaveOutput* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock_);
        device = device_.get();  // the same device until this thread ends
    }
    for (;;) {
        if (stopRequest_ || !device) {
            monitorStopped();
            return;
        }
        int waitMs = -1;  // until the device has played something, or is woken
        {
            std::lock_guard<std::mutex> guard(lock_);
            while (slots_[playIndex_].inUse && device_->done(slots_[playIndex_].buffer)) {
                Slot& played = slots_[playIndex_];
                const int next = (playIndex_ + 1) % slotCount_;
                const int samples = played.buffer.length / 2;
                samplesPlayed_ += samples;
                ++framesPlayed_;
                if (conceal && !played.concealment && next == writeIndex_) {
                    // The last real frame played before it could be bridged: keep its end.
                    const int kept = samples < TailSamples ? samples : TailSamples;
                    std::memcpy(tail_, played.buffer.data + 2 * (samples - kept), static_cast<size_t>(kept) * 2);
                    tailSamples_ = kept;
                    tailFrameSamples_ = samples;
                }
                // Played before this monitor saw it playing: it follows the one before.
                if (!played.referenced) referSlotLocked(played, playIndex_ == startedIndex_);
                releaseSlot(played);
                playIndex_ = next;
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
            // About to run dry: the frame playing is the last one queued and
            // ends within ConcealLeadMs (or, when this pass came late, nothing
            // is left). Deciding only near its end keeps a next frame that is
            // merely slow, but in time, from landing behind concealment and
            // playing that much later for the rest of the spurt.
            const auto now = std::chrono::steady_clock::now();
            const bool drained = writeIndex_ == playIndex_;
            const bool alone = current.inUse && (playIndex_ + 1) % slotCount_ == writeIndex_;
            if (!current.inUse) {
                startedIndex_ = -1;
            } else if (playing && startedIndex_ != playIndex_) {
                // Begun since the last pass: the frame before it ended, or it was queued to an idle device.
                startedIndex_ = playIndex_;
                startedAt_ = now;
                startedExact_ = false;
            }
            if (playing && current.inUse && !current.referenced && startedIndex_ == playIndex_)
                referSlotLocked(slots_[playIndex_], true);
            referAheadLocked();
            std::chrono::steady_clock::time_point due = now;
            if (alone && sampleRate_ > 0) {
                const int64_t lengthUs = static_cast<int64_t>(current.buffer.length / 2) * 1000000 / sampleRate_;
                due = startedAt_ + std::chrono::microseconds(lengthUs) - std::chrono::milliseconds(ConcealLeadMs);
            }
            const bool lastPlaying = alone && now >= due;
            const bool mayConceal =
                playing && conceal && (concealRun_ == 0 || concealRun_ < concealSamples_ * MaxConcealFrames);
            if (mayConceal && (drained || lastPlaying) && queueConcealmentLocked()) {
                // Bridged: the device plays on. A piece queued to a dry queue
                // plays at once: the next pass sees it begin.
                if (drained) waitMs = 0;
            } else if (drained && playing) {
                // Everything queued has played: close and let the next frame prebuffer again.
                closeLocked();
                monitorStopped();
                return;
            } else if (mayConceal && alone && !lastPlaying) {
                // Look again when it is about to end (sooner if something happens).
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count();
                waitMs = static_cast<int>(left < 0 ? 0 : left) + 1;
            }
        }
        device->waitEvent(waitMs);
    }
}

void PlayoutBuffer::closeLocked() {
    if (!device_) return;
    playing = 0;
    device_->reset();
    for (Slot& s : slots_) {
        if (s.prepared) device_->unprepare(s.buffer);
        s.prepared = false;
        s.inUse = false;
        s.concealment = false;
    }
    device_.reset();
    deviceOpen_ = false;
}

int PlayoutBuffer::close(bool takeLock) {
    stopRequest_ = 1;
    if (takeLock) {
        std::lock_guard<std::mutex> guard(lock_);
        if (device_) device_->wake();
    } else if (device_) {
        device_->wake();
    }
    {
        std::unique_lock<std::mutex> wait(stopLock_);
        stopped_.wait(wait, [this] { return monitorRunning_ == 0; });
    }
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
    if (device_ && !playing) startLocked();
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

int PlayoutBuffer::queuedMs() {
    std::lock_guard<std::mutex> guard(lock_);
    if (sampleRate_ == 0) return 0;
    int64_t samples = 0;
    for (const Slot& s : slots_)
        if (s.inUse) samples += s.buffer.length / 2;
    return static_cast<int>(samples * 1000 / sampleRate_);
}

int PlayoutBuffer::queuedSlots() {
    std::lock_guard<std::mutex> guard(lock_);
    int n = 0;
    for (const Slot& s : slots_) n += s.inUse ? 1 : 0;
    return n;
}

}  // namespace kv
