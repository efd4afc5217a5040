#include "audio/renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "audio/level.h"

namespace kv {

namespace {

int64_t SteadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

Renderer::Renderer(WaveDevices* devices, int sampleRate, std::function<int64_t()> clockMs)
    : devices_(devices), rate_(sampleRate > 0 ? sampleRate : 8000), block_(rate_ / 100), clock_(std::move(clockMs)) {
    for (Buffer& b : ring_) {
        b.storage.assign(static_cast<size_t>(block_) * 2, 0);
        b.wave.data = b.storage.data();
        b.wave.length = block_ * 2;
    }
    parties_.reserve(128);
    pulling_.reserve(128);
}

Renderer::~Renderer() { stop(); }

int64_t Renderer::now() const { return clock_ ? clock_() : SteadyMicros() / 1000; }
int64_t Renderer::nowMicros() const { return clock_ ? clock_() * 1000 : SteadyMicros(); }

std::shared_ptr<Renderer::Party> Renderer::addParty() {
    auto party = std::make_shared<Party>(rate_);
    std::lock_guard<std::mutex> guard(partiesLock_);
    parties_.push_back(party);
    return party;
}

void Renderer::removeParty(const std::shared_ptr<Party>& party) {
    std::lock_guard<std::mutex> guard(partiesLock_);
    parties_.erase(std::remove(parties_.begin(), parties_.end(), party), parties_.end());
}

int Renderer::parties() {
    std::lock_guard<std::mutex> guard(partiesLock_);
    return static_cast<int>(parties_.size());
}

void Renderer::setVolume(int volume) {
    if (volume < 0) volume = 0;
    if (volume > 1000) volume = 1000;
    const uint32_t v = static_cast<uint32_t>(volume) * 65535u / 1000u;
    {
        std::lock_guard<std::mutex> guard(runLock_);
        volume_ = v | (v << 16);
    }
    wake_.notify_all();
    if (WaveOutput* d = waiting_.load()) d->wake();
}

void Renderer::setDeviceChanged(std::function<void(bool)> changed) {
    std::lock_guard<std::mutex> guard(changedLock_);
    changed_ = std::move(changed);
}

void Renderer::start() {
    std::lock_guard<std::mutex> guard(runLock_);
    if (thread_.joinable()) return;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void Renderer::stop() {
    {
        std::lock_guard<std::mutex> guard(runLock_);
        stopping_ = true;
        if (WaveOutput* d = waiting_.load()) d->wake();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

// The next 10 ms of every party, mixed.
void Renderer::render(int16_t* out, int64_t t) {
    std::vector<std::shared_ptr<Party>>& pulling = pulling_;
    {
        std::lock_guard<std::mutex> guard(partiesLock_);
        pulling.assign(parties_.begin(), parties_.end());
    }
    int32_t mix[1024];
    int16_t piece[1024];
    const int n = std::min(block_, 1024);
    std::fill(mix, mix + n, 0);
    for (const std::shared_ptr<Party>& p : pulling) {
        {
            std::lock_guard<std::mutex> guard(p->lock);
            p->jitter.pull(piece, t);
        }
        for (int i = 0; i < n; ++i) mix[i] += piece[i];
    }
    pulling.clear();
    const int gain = outGain_ ? 3 : 1;
    for (int i = 0; i < n; ++i) out[i] = static_cast<int16_t>(std::max(-32768, std::min(32767, mix[i] * gain)));
    ++blocks_;
}

// A played buffer filled again and queued behind the others; ahead: blocks
// queued before it, which play first.
void Renderer::refill(Buffer& b, int ahead) {
    int16_t* samples = reinterpret_cast<int16_t*>(b.storage.data());
    const int64_t t = now();
    render(samples, t);
    outputLevel_ = LevelOf(samples, block_);
    device_->write(b.wave);
    b.queued = true;
    placeReference(samples, (t + int64_t(ahead) * 10) * 1000, t * 1000);
}

// The echo reference gets the block where it plays: behind the one before,
// unless that should have ended by queuedMicros; at startMicros when there
// is none before.
void Renderer::placeReference(const int16_t* samples, int64_t startMicros, int64_t queuedMicros) {
    EchoReference* reference = echoReference_.load();
    if (!reference) return;
    const uint8_t* data = reinterpret_cast<const uint8_t*>(samples);
    if (!reference->follows(echoSource_, data, block_, rate_, queuedMicros))
        reference->played(echoSource_, data, block_, rate_, startMicros, startMicros <= queuedMicros);
}

void Renderer::fill(int16_t* samples, int frames, int64_t startsInMicros) {
    if (frames != block_) {  // not the block asked for: nothing to say
        std::fill(samples, samples + std::max(0, frames), int16_t{0});
        return;
    }
    const int64_t micros = nowMicros();
    const int64_t t = micros / 1000;
    render(samples, t);
    outputLevel_ = LevelOf(samples, block_);
    lastFillMs_ = t;
    const int64_t start = micros + startsInMicros;
    // Blocks follow each other as they play; only a device that skipped or
    // stalled (the time it says is far from where the last block ended)
    // places the reference anew.
    const bool anew = nextStartMicros_ < 0 || std::llabs(start - nextStartMicros_) > PullSlackMicros;
    if (anew) {
        echoSource_ = EchoReference::Source{};
        nextStartMicros_ = start;
    }
    nextStartMicros_ += int64_t(block_) * 1000000 / rate_;
    placeReference(samples, start, anew ? start : -1);
}

bool Renderer::open() {
    device_ = devices_ ? devices_->openOutput(rate_) : SystemWaveDevices().openOutput(rate_);
    if (!device_) return false;
    ++opens_;
    device_->setVolume(volume_);
    echoSource_ = EchoReference::Source{};
    nextStartMicros_ = -1;
    lastFillMs_ = now();
    pulled_ = device_->pull(this, block_);
    if (pulled_) {
        deviceOpen_ = true;
        return true;
    }
    for (Buffer& b : ring_) {
        device_->prepare(b.wave);
        b.queued = false;
    }
    next_ = 0;
    depth_ = std::max(2, std::min(RingBuffers, device_->buffersAhead()));
    for (int i = 0; i < depth_; ++i) refill(ring_[i], i);
    lastPlayedMs_ = now();
    deviceOpen_ = true;
    return true;
}

void Renderer::close() {
    if (!device_) return;
    deviceOpen_ = false;
    device_->reset();  // no fill after this
    if (pulled_) {
        pulled_ = false;
        device_.reset();
        return;
    }
    for (Buffer& b : ring_) {
        device_->unprepare(b.wave);
        b.queued = false;
    }
    device_.reset();
}

void Renderer::run() {
    int16_t idle[1024];
    int64_t lastTry = 0;
    bool tried = false;
    uint32_t volume = volume_;
    auto report = [&](bool open) {
        if (reported_ && reportedOpen_ == open) return;
        reported_ = true;
        reportedOpen_ = open;
        std::lock_guard<std::mutex> guard(changedLock_);
        if (changed_) changed_(open);
    };
    // A device that has done nothing since `since` for StalledMs has stopped:
    // it is closed, said, and tried again after RetryMs.
    auto stalled = [&](int64_t since) {
        if (now() - since <= StalledMs) return false;
        close();
        report(false);
        tried = true;
        lastTry = now();
        return true;
    };
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(runLock_);
            if (stopping_) break;
        }
        if (!device_) {
            const int64_t t = now();
            if (!tried || t - lastTry >= RetryMs) {
                tried = true;
                lastTry = t;
                if (open()) {
                    report(true);
                    continue;
                }
                report(false);
            }
            // No device: the parties are still pulled, 10 ms every 10 ms.
            render(idle, t);
            std::unique_lock<std::mutex> guard(runLock_);
            wake_.wait_for(guard, std::chrono::milliseconds(10), [&] { return stopping_; });
            continue;
        }
        if (volume_ != volume) {
            volume = volume_;
            device_->setVolume(volume);
        }
        if (pulled_) {
            if (stalled(lastFillMs_)) continue;  // nothing asked for
            std::unique_lock<std::mutex> guard(runLock_);
            wake_.wait_for(guard, std::chrono::milliseconds(100), [&] { return stopping_ || volume_ != volume; });
            continue;
        }
        Buffer& b = ring_[next_];
        if (device_->done(b.wave)) {
            if (depth_ < RingBuffers && device_->done(ring_[(next_ + depth_ - 1) % depth_].wave)) {
                // Every buffer played: the device ran dry. From now on one
                // more stays queued; all of them are queued again now.
                ++underruns_;
                depth_ = depth_ + 1;
                next_ = 0;
                for (int i = 0; i < depth_; ++i) refill(ring_[i], i);
                lastPlayedMs_ = now();
                continue;
            }
            refill(b, depth_ - 1);
            next_ = (next_ + 1) % depth_;
            lastPlayedMs_ = now();
            continue;
        }
        if (stalled(lastPlayedMs_)) continue;  // buffers queued and nothing played
        {
            std::lock_guard<std::mutex> guard(runLock_);
            if (stopping_) break;
            waiting_ = device_.get();
        }
        device_->waitEvent(50);
        std::lock_guard<std::mutex> guard(runLock_);
        waiting_ = nullptr;
    }
    close();
}

}  // namespace kv
