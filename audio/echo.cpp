#include "audio/echo.h"

#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>

namespace kv {

namespace {

int RingIndex(int64_t position) {
    const int64_t r = position % EchoReference::RingSamples;
    return static_cast<int>(r < 0 ? r + EchoReference::RingSamples : r);
}

int16_t Clamp16(int32_t v) { return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v)); }

}  // namespace

// ---- EchoReference ----

void EchoReference::captureOpened(int sampleRate) {
    std::lock_guard<std::mutex> guard(lock_);
    rate_ = sampleRate > 0 ? sampleRate : 0;
    anchored_ = false;
    ++epoch_;
    std::memset(ring_, 0, sizeof ring_);
}

void EchoReference::captureClosed() {
    std::lock_guard<std::mutex> guard(lock_);
    rate_ = 0;
    anchored_ = false;
    ++epoch_;
}

void EchoReference::take(int16_t* out, int samples, int64_t nowMicros) {
    std::lock_guard<std::mutex> guard(lock_);
    const int64_t lag = static_cast<int64_t>(rate_) * LagMs / 1000;
    const int64_t first = taken_ - lag;
    for (int i = 0; i < samples; ++i) {
        int32_t& slot = ring_[RingIndex(first + i)];
        out[i] = Clamp16(slot);
        slot = 0;
    }
    taken_ += samples;
    if (rate_ <= 0) return;
    // The frame just read ends at taken_: the time of position 0 it implies.
    // A read is never early, only late: the earliest over the last reads,
    // which also follows the capture's clock drifting from ours.
    const int64_t estimate = nowMicros - taken_ * 1000000 / rate_;
    if (!anchored_) estimatesKept_ = 0;
    estimates_[estimatesKept_ % OriginWindow] = estimate;
    ++estimatesKept_;
    const int kept = estimatesKept_ < OriginWindow ? estimatesKept_ : OriginWindow;
    int64_t earliest = estimates_[0];
    for (int i = 1; i < kept; ++i)
        if (estimates_[i] < earliest) earliest = estimates_[i];
    originMicros_ = earliest;
    anchored_ = true;
}

void EchoReference::played(Source& source, const uint8_t* data, int samples, int sampleRate, int64_t startMicros,
                           bool exact) {
    std::lock_guard<std::mutex> guard(lock_);
    if (rate_ <= 0 || !anchored_ || sampleRate != rate_ || samples <= 0) {
        source.next = -1;
        return;
    }
    const bool chained = source.epoch == epoch_ && source.next >= 0;
    int64_t position;
    if (startMicros < 0) {
        if (!chained) {
            source.next = -1;
            return;
        }
        position = source.next;
    } else {
        const int64_t seen = (startMicros - originMicros_) * rate_ / 1000000;
        const int64_t off = chained ? seen - source.next : 0;
        // A time seen at a look at the device is late by the look's delay; an
        // exact one is only as jittery as the capture's reads.
        const int64_t tolerance = exact ? rate_ / 500 : static_cast<int64_t>(rate_) * RestartMs / 1000;
        position = chained && off <= tolerance && off >= -tolerance ? source.next : seen;
    }
    source.next = position + samples;
    source.epoch = epoch_;
    addLocked(position, data, samples);
}

bool EchoReference::follows(Source& source, const uint8_t* data, int samples, int sampleRate, int64_t queuedMicros) {
    std::lock_guard<std::mutex> guard(lock_);
    if (rate_ <= 0 || !anchored_ || sampleRate != rate_ || samples <= 0) return false;
    if (source.epoch != epoch_ || source.next < 0) return false;
    int64_t position = source.next;
    if (queuedMicros >= 0) {
        // The one before should have ended by now: the device ran dry, and
        // this frame begins as it is queued.
        const int64_t now = (queuedMicros - originMicros_) * rate_ / 1000000;
        if (now > position + rate_ / 500) position = now;
    }
    const int64_t firstFree = taken_ - static_cast<int64_t>(rate_) * LagMs / 1000;
    if (position + samples > firstFree + RingSamples) return false;
    addLocked(position, data, samples);
    source.next = position + samples;
    return true;
}

void EchoReference::addLocked(int64_t position, const uint8_t* data, int samples) {
    const int64_t lag = static_cast<int64_t>(rate_) * LagMs / 1000;
    const int64_t firstFree = taken_ - lag;  // positions before this have been handed out
    for (int i = 0; i < samples; ++i) {
        const int64_t p = position + i;
        if (p < firstFree) continue;
        if (p >= firstFree + RingSamples) break;
        int16_t s;
        std::memcpy(&s, data + 2 * i, 2);
        ring_[RingIndex(p)] += s;
    }
}

int64_t EchoReference::taken() {
    std::lock_guard<std::mutex> guard(lock_);
    return taken_;
}

bool EchoReference::anchored() {
    std::lock_guard<std::mutex> guard(lock_);
    return anchored_;
}

// ---- EchoDelayEstimator ----

void EchoDelayEstimator::start(int sampleRate) {
    step_ = sampleRate / StepsPerSecond > 0 ? sampleRate / StepsPerSecond : 1;
    filled_ = 0;
    micSum_ = referenceSum_ = 0;
    steps_ = 0;
    sinceEstimate_ = 0;
    estimate_ = 0;
    candidate_ = NoCandidate;
    agreeing_ = 0;
}

bool EchoDelayEstimator::add(const int16_t* mic, const int16_t* reference, int samples) {
    bool ready = false;
    for (int i = 0; i < samples; ++i) {
        micSum_ += double(mic[i]) * mic[i];
        referenceSum_ += double(reference[i]) * reference[i];
        if (++filled_ < step_) continue;
        const int at = steps_ % HistorySteps;
        mic_[at] = static_cast<float>(std::sqrt(micSum_ / step_));
        reference_[at] = static_cast<float>(std::sqrt(referenceSum_ / step_));
        micSum_ = referenceSum_ = 0;
        filled_ = 0;
        ++steps_;
        if (steps_ >= HistorySteps && ++sinceEstimate_ >= EstimateSteps) {
            sinceEstimate_ = 0;
            if (estimate()) ready = true;
        }
    }
    return ready;
}

bool EchoDelayEstimator::estimate() {
    // Oldest first.
    float mic[HistorySteps], reference[HistorySteps];
    int loud = 0;
    for (int i = 0; i < HistorySteps; ++i) {
        const int at = (steps_ + i) % HistorySteps;
        mic[i] = mic_[at];
        reference[i] = reference_[at];
        if (reference[i] >= 64) ++loud;  // about -54 dB of full scale
    }
    if (loud < HistorySteps / 4) return false;  // too little far-end sound to go by
    // Each lag pairs the same stretch of microphone with the reference lag steps earlier.
    const int from = LatestStep, to = HistorySteps + EarliestStep, count = to - from;
    double micMean = 0;
    for (int i = from; i < to; ++i) micMean += mic[i];
    micMean /= count;
    double micVar = 0;
    for (int i = from; i < to; ++i) micVar += (mic[i] - micMean) * (mic[i] - micMean);
    if (micVar <= 0) return false;
    double best = -1;
    int bestLag = 0;
    for (int lag = EarliestStep; lag <= LatestStep; ++lag) {
        double mean = 0;
        for (int i = from; i < to; ++i) mean += reference[i - lag];
        mean /= count;
        double cross = 0, var = 0;
        for (int i = from; i < to; ++i) {
            const double r = reference[i - lag] - mean;
            cross += (mic[i] - micMean) * r;
            var += r * r;
        }
        if (var <= 0) continue;
        const double c = cross / std::sqrt(micVar * var);
        if (c > best) {
            best = c;
            bestLag = lag;
        }
    }
    // Near speech over the echo lowers the likeness; below this, or when the
    // last estimate was elsewhere, the peak may be chance.
    const int last = candidate_;
    candidate_ = best >= 0.8 ? bestLag : NoCandidate;
    if (candidate_ == NoCandidate || last == NoCandidate || std::abs(candidate_ - last) > 1) {
        agreeing_ = candidate_ == NoCandidate ? 0 : 1;
        return false;
    }
    if (++agreeing_ < 3) return false;
    estimate_ = bestLag * step_;
    return true;
}

// ---- EchoCanceller ----

EchoCanceller::~EchoCanceller() { stop(); }

void EchoCanceller::stop() {
    if (pre_) speex_preprocess_state_destroy(pre_);
    if (echo_) speex_echo_state_destroy(echo_);
    pre_ = nullptr;
    echo_ = nullptr;
    active_ = false;
}

bool EchoCanceller::start(int sampleRate, int frameSamples) {
    stop();
    if (sampleRate <= 0 || frameSamples <= 0) return false;
    rate_ = sampleRate;
    frame_ = frameSamples;
    // The longest block within BlockMs and MinBlockMs that divides the frame
    // (codec 1's 240 samples are one block of 30 ms): the output then waits
    // for no block. Else blocks of BlockMs, at a fixed delay.
    const int longest = std::max(1, rate_ * BlockMs / 1000);
    const int shortest = std::max(1, rate_ * MinBlockMs / 1000);
    block_ = longest;
    for (int b = longest; b >= shortest; --b)
        if (frameSamples % b == 0) {
            block_ = b;
            break;
        }
    delay_ = frameSamples % block_ == 0 ? 0 : block_ - std::gcd(frameSamples, block_);
    taps_ = FilterTaps(rate_);
    echo_ = speex_echo_state_init(block_, taps_);
    if (!echo_) return false;
    // The canceller takes the rate only for its DC notch and its adaptation
    // speeds. At 8000 Hz its notch cuts off near 130 Hz and turns the phase
    // of the voice's fundamental: near speech lost up to 8 dB and most of
    // its waveform likeness. At 16000 the notch sits near 20 Hz and the near
    // talker comes through within half a dB; the filter adapts half as fast,
    // still converging within about 3 s.
    int cancellerRate = rate_ < 16000 ? 16000 : rate_;
    speex_echo_ctl(echo_, SPEEX_ECHO_SET_SAMPLING_RATE, &cancellerRate);
    lineSamples_ = rate_ * MaxShiftMs / 1000 + frame_;
    micLine_.reset(new int16_t[static_cast<size_t>(lineSamples_)]());
    referenceLine_.reset(new int16_t[static_cast<size_t>(lineSamples_)]());
    micIn_.reset(new int16_t[static_cast<size_t>(frame_ + block_)]());
    refIn_.reset(new int16_t[static_cast<size_t>(frame_ + block_)]());
    out_.reset(new int16_t[static_cast<size_t>(frame_ + 2 * block_)]());
    cleaned_.reset(new int16_t[static_cast<size_t>(block_)]());
    active_ = false;
    return true;
}

void EchoCanceller::reset() {
    // Only when processing is switched on: a new preprocessor learns the noise afresh.
    if (pre_) speex_preprocess_state_destroy(pre_);
    pre_ = speex_preprocess_state_init(block_, rate_);
    speex_echo_state_reset(echo_);
    cancelling_ = false;
    suppressing_ = true;  // the preprocessor's default
    speex_preprocess_ctl(pre_, SPEEX_PREPROCESS_SET_ECHO_STATE, nullptr);
    inCount_ = 0;
    outCount_ = delay_;
    std::memset(out_.get(), 0, static_cast<size_t>(delay_) * 2);
    estimator_.start(rate_);
    std::memset(micLine_.get(), 0, static_cast<size_t>(lineSamples_) * 2);
    std::memset(referenceLine_.get(), 0, static_cast<size_t>(lineSamples_) * 2);
    lineAt_ = 0;
    referenceShift_ = micShift_ = 0;
}

void EchoCanceller::placeEcho(int delay) {
    const int ms = rate_ / 1000;
    const int placed = delay + micShift_ - referenceShift_;
    if (placed >= 0 && placed <= taps_ - TailMs * ms) return;
    int reference = 0, mic = 0;
    if (delay >= TargetMs * ms) {
        reference = delay - TargetMs * ms;
    } else {
        mic = TargetMicMs * ms - delay;
    }
    const int most = lineSamples_ - frame_;
    referenceShift_ = reference < most ? reference : most;
    micShift_ = mic < most ? mic : most;
    // What the filter learnt belongs to the old alignment.
    speex_echo_state_reset(echo_);
}

// Appends a frame to both lines and puts the lined-up frame in micIn_ and refIn_ after inCount_.
void EchoCanceller::lineUp(const int16_t* mic, const int16_t* reference) {
    for (int i = 0; i < frame_; ++i) {
        micLine_[static_cast<size_t>((lineAt_ + i) % lineSamples_)] = mic[i];
        referenceLine_[static_cast<size_t>((lineAt_ + i) % lineSamples_)] = reference[i];
    }
    for (int i = 0; i < frame_; ++i) {
        const int m = ((lineAt_ + i - micShift_) % lineSamples_ + lineSamples_) % lineSamples_;
        const int r = ((lineAt_ + i - referenceShift_) % lineSamples_ + lineSamples_) % lineSamples_;
        micIn_[static_cast<size_t>(inCount_ + i)] = micLine_[static_cast<size_t>(m)];
        refIn_[static_cast<size_t>(inCount_ + i)] = referenceLine_[static_cast<size_t>(r)];
    }
    lineAt_ = (lineAt_ + frame_) % lineSamples_;
}

void EchoCanceller::process(int16_t* mic, const int16_t* reference, bool cancel, bool suppress) {
    if (!echo_ || (!cancel && !suppress)) {
        active_ = false;
        return;
    }
    if (!active_) {
        reset();
        active_ = true;
    }
    if (cancel != cancelling_) {
        if (cancel) speex_echo_state_reset(echo_);
        // The microphone is held back only for the canceller's sake.
        if (!cancel) micShift_ = referenceShift_ = 0;
        speex_preprocess_ctl(pre_, SPEEX_PREPROCESS_SET_ECHO_STATE, cancel ? echo_ : nullptr);
        cancelling_ = cancel;
    }
    if (suppress != suppressing_) {
        int on = suppress ? 1 : 0;
        speex_preprocess_ctl(pre_, SPEEX_PREPROCESS_SET_DENOISE, &on);
        suppressing_ = suppress;
    }
    if (cancel && estimator_.add(mic, reference, frame_)) placeEcho(estimator_.delaySamples());
    lineUp(mic, reference);
    inCount_ += frame_;
    int used = 0;
    const size_t blockBytes = static_cast<size_t>(block_) * 2;
    while (inCount_ - used >= block_) {
        if (cancel) {
            speex_echo_cancellation(echo_, micIn_.get() + used, refIn_.get() + used, cleaned_.get());
        } else {
            std::memcpy(cleaned_.get(), micIn_.get() + used, blockBytes);
        }
        speex_preprocess_run(pre_, cleaned_.get());
        std::memcpy(out_.get() + outCount_, cleaned_.get(), blockBytes);
        outCount_ += block_;
        used += block_;
    }
    inCount_ -= used;
    if (used > 0 && inCount_ > 0) {
        std::memmove(micIn_.get(), micIn_.get() + used, static_cast<size_t>(inCount_) * 2);
        std::memmove(refIn_.get(), refIn_.get() + used, static_cast<size_t>(inCount_) * 2);
    }
    // outCount_ >= frame_ always: the delay covers the longest wait for a block.
    std::memcpy(mic, out_.get(), static_cast<size_t>(frame_) * 2);
    outCount_ -= frame_;
    if (outCount_ > 0) std::memmove(out_.get(), out_.get() + frame_, static_cast<size_t>(outCount_) * 2);
}

}  // namespace kv
