#include "audio/jitter_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kv {

namespace {

constexpr int LatenessArrivals = 50;   // the arrivals the quantile is taken over
constexpr double LateQuantile = 0.9;
constexpr int MarginMs = 10;           // beyond the lateness: one block of render timing
constexpr int LeastLeadMs = 2;         // less to spare than this after an arrival brings the margin back
constexpr int SpareMs = 3;             // beyond a block, to spare in every arrival of a run that drops it
constexpr int ComfortableMs = 2000;    // of arrivals in a row with that to spare, and at least
constexpr int ComfortableArrivals = 10; // this many
// The queue as datagrams land swings with the jitter itself (uniform +-30 ms
// moves the smoothed level by about 8 ms either way), so the time scale is
// changed only outside a band around the target: above it by more than
// AboveTargetMs, compressed; below it by more than half the lateness the
// target allows for (at most MostBelowTargetMs), stretched. Without jitter
// the band has no lower half, as nothing is there to spare; a band of 10 ms
// above and none below stretched and compressed speech back and forth
// under +-30 ms all the time.
constexpr int AboveTargetMs = 10;
constexpr int MostBelowTargetMs = 15;
// Within this much more outside the band, only silence is removed or added
// (a pause hides it), until the queue has been outside for PatienceMs; further
// out, speech is changed at once. A talker who never pauses is followed
// within a second and a half.
constexpr int FarOutsideMs = 30;
constexpr int PatienceMs = 1000;
constexpr int AdjustEveryBlocks = 2;   // at most one time-scale change every 20 ms
constexpr int ConcealMs = 80;          // a repeat fades from full level to silence over this
constexpr int MergeMs = 5;             // real audio crossfades in over this
constexpr int NewSpurtMs = 1000;       // silence this long ends a talk spurt
constexpr double SilenceRms = 100;     // about -50 dB from full scale
constexpr double AlikeEnough = 0.6;    // periods less alike than this are not removed or repeated

int16_t Clamp16(double v) {
    if (v > 32767) return 32767;
    if (v < -32768) return -32768;
    return static_cast<int16_t>(std::lround(v));
}

// How alike two stretches of n samples are: their normalised correlation.
double Likeness(const int16_t* a, const int16_t* b, int n) {
    double cross = 0, a2 = 0, b2 = 0;
    for (int j = 0; j < n; ++j) {
        cross += double(a[j]) * b[j];
        a2 += double(a[j]) * a[j];
        b2 += double(b[j]) * b[j];
    }
    return (a2 > 0 && b2 > 0) ? cross / std::sqrt(a2 * b2) : 0;
}

double Rms(const int16_t* x, int n) {
    double e = 0;
    for (int i = 0; i < n; ++i) e += double(x[i]) * x[i];
    return n > 0 ? std::sqrt(e / n) : 0;
}

constexpr int MaxPutMs = 2000;
constexpr double LossWeight = 0.01;  // of each arrival in the loss measure
constexpr double LossToleranceMs = 15;  // a gap this near whole datagrams more is a loss          // more than any datagram carries

}  // namespace

void SampleRing::reserve(int capacity) {
    if (capacity == this->capacity()) return;
    std::vector<int16_t> old(static_cast<size_t>(size_));
    copy(0, size_, old.data());
    data_.assign(static_cast<size_t>(std::max(capacity, 1)), 0);
    head_ = 0;
    size_ = 0;
    const int keep = std::min(static_cast<int>(old.size()), this->capacity());
    pushBack(old.data() + old.size() - keep, keep);
}

bool SampleRing::pushBack(const int16_t* x, int n) {
    if (n < 0 || n > capacity() - size_) return false;
    for (int i = 0; i < n; ++i) data_[static_cast<size_t>(wrap(head_ + size_ + i))] = x[i];
    size_ += n;
    return true;
}

bool SampleRing::pushFront(const int16_t* x, int n) {
    if (n < 0 || n > capacity() - size_) return false;
    head_ = wrap(head_ + capacity() - n);
    size_ += n;
    for (int i = 0; i < n; ++i) (*this)[i] = x[i];
    return true;
}

void SampleRing::popFront(int16_t* out, int n) {
    n = std::min(n, size_);
    if (out) copy(0, n, out);
    head_ = wrap(head_ + n);
    size_ -= n;
}

void SampleRing::copy(int from, int n, int16_t* out) const {
    for (int i = 0; i < n; ++i) out[i] = (*this)[from + i];
}

JitterBuffer::JitterBuffer(int sampleRate)
    : rate_(sampleRate > 0 ? sampleRate : 8000),
      block_(rate_ / 100),
      minLag_(std::max(1, rate_ / 400)),  // 2.5 ms
      maxLag_(std::max(2, rate_ * 15 / 1000)),  // 15 ms
      history_(static_cast<size_t>(2 * maxLag_ + block_), 0) {
    marginMs_ = MarginMs;
    scratch_.assign(history_.size(), 0);
    sorted_.reserve(LatenessArrivals + 1);
    tail_.assign(history_.size(), 0);
    setDelayBounds(minimumMs_, maximumMs_);
}

void JitterBuffer::setDelayBounds(int minimumMs, int maximumMs) {
    minimumMs_ = std::max(0, minimumMs);
    maximumMs_ = std::max(minimumMs_, maximumMs);
    // The most a put lets in (the maximum, or the target above it, and one
    // datagram), and a period of stretching.
    const int64_t ms = std::max<int64_t>(maximumMs_, MaxPutMs + 10) + MaxPutMs;
    queue_.reserve(static_cast<int>(ms * rate_ / 1000) + maxLag_);
    updateTarget();
}

void JitterBuffer::reset() {
    state_ = State::Idle;
    queue_.clear();
    arrived_ = false;
    lateness_.clear();
    delayKnown_ = false;
    delay_ = 0;
    sinceAdjust_ = 0;
    outsideSinceMs_ = -1;
    leadResidual_ = -1;
    marginMs_ = MarginMs;
    comfortable_ = 0;
    shedMs_ = 0;
    lastPullMs_ = -1;
    std::fill(history_.begin(), history_.end(), int16_t(0));
    cycle_.clear();
    concealing_ = false;
    mergePending_ = true;
    run_ = 0;
    updateTarget();
}

int JitterBuffer::queuedMs() const { return static_cast<int>(int64_t(queue_.size()) * 1000 / rate_); }

double JitterBuffer::lateQuantile() {
    if (lateness_.empty()) return 0;
    sorted_.assign(lateness_.begin(), lateness_.end());
    const size_t k = std::min(sorted_.size() - 1, static_cast<size_t>(LateQuantile * sorted_.size()));
    std::nth_element(sorted_.begin(), sorted_.begin() + static_cast<long>(k), sorted_.end());
    return sorted_[k];
}

void JitterBuffer::updateTarget() {
    const int datagramMs = lastCount_ * 1000 / rate_;
    const double late = late_ = lateQuantile();
    const int wanted = datagramMs + static_cast<int>(late + 0.5) + marginMs_;
    belowTarget_ = std::min(double(MostBelowTargetMs), late / 2);
    // Never so low that a datagram's audio cannot last until the next one.
    const int ceiling = std::max(maximumMs_, datagramMs + 10);
    target_ = std::min(std::max(wanted, minimumMs_), ceiling);
}

int JitterBuffer::lossPercent() const {
    const double all = lostAverage_ + arrivedAverage_;
    return all > 0 ? static_cast<int>(100 * lostAverage_ / all + 0.5) : 0;
}

bool JitterBuffer::put(const int16_t* samples, int count, int64_t nowMs) {
    if (!samples || count <= 0) return true;
    if (int64_t(count) * 1000 > int64_t(MaxPutMs) * rate_) {
        ++counters_.dropped;
        return false;
    }
    const int datagramMs = static_cast<int>(int64_t(count) * 1000 / rate_);
    // Within a talk spurt, how much later than the audio before it lasts. A
    // gap of about a whole number of datagrams more is taken for datagrams
    // lost on the way (the same from then on), not for lateness: only what
    // it is off by counts.
    if (arrived_ && nowMs - lastArrivalMs_ <= NewSpurtMs) {
        const double duration = lastCount_ * 1000.0 / rate_;
        double late = double(nowMs - lastArrivalMs_) - duration;
        // Within a quarter of a datagram at most, so that the jitter of short
        // datagrams (Opus's 20 ms) is not taken for losses.
        const double tolerance = std::min(LossToleranceMs, duration / 4);
        if (duration > 0 && late > duration - tolerance) {
            const double lost = std::floor((late + tolerance) / duration);
            const double off = late - lost * duration;
            if (std::abs(off) <= tolerance) {
                late = off;
                lostAverage_ += LossWeight * std::min(lost, 50.0);
            }
        }
        lostAverage_ *= 1 - LossWeight;
        arrivedAverage_ = arrivedAverage_ * (1 - LossWeight) + LossWeight;
        lateness_.push_back(std::max(0.0, late));
        if (lateness_.size() > LatenessArrivals) lateness_.pop_front();
    }
    arrived_ = true;
    lastArrivalMs_ = nowMs;
    lastCount_ = count;
    updateTarget();

    const int ceilingMs = std::max(maximumMs_, targetMs()) + datagramMs;
    if (int64_t(queue_.size() + count) * 1000 > int64_t(ceilingMs) * rate_ ||
        count > queue_.capacity() - queue_.size()) {
        ++counters_.dropped;
        return false;
    }
    if (state_ == State::Idle && queue_.empty()) firstArrivalMs_ = nowMs;
    const int at = queue_.size();
    if (state_ == State::Playing) {
        // The one before never came due: it had at least this long to spare.
        if (leadResidual_ >= 0) noteLead(nowMs - leadFromMs_);
        leadResidual_ = at;
        leadFromMs_ = nowMs;
    }
    queue_.pushBack(samples, count);
    if (at > 0) smoothSplice(at, count);  // after a dry queue the merge does this
    const double level = queue_.size() * 1000.0 / rate_;
    // About half a second of arrivals to follow a change.
    const double weight = std::min(0.5, std::max(1.0 / 16, datagramMs / 500.0));
    delay_ = delayKnown_ ? delay_ + weight * (level - delay_) : level;
    delayKnown_ = true;
    return true;
}

// The lag (a pitch period, or a multiple of one, between 2.5 and 15 ms) at
// which x is most like itself, compared over maxLag_ samples; 0 when n is too
// short. x holds at least 2 * maxLag_ samples when n allows every lag.
int JitterBuffer::lag(const int16_t* x, int n, double* likeness) const {
    const int window = maxLag_;
    const int top = std::min(maxLag_, n - window);
    int best = 0;
    double bestLikeness = -1;
    for (int l = minLag_; l <= top; ++l) {
        const double like = Likeness(x, x + l, window);
        if (like > bestLikeness) {
            bestLikeness = like;
            best = l;
        }
    }
    if (likeness) *likeness = bestLikeness;
    return best;
}

// Removes one period from the front of the queue: the two periods there
// become one that crossfades from the first into the second.
bool JitterBuffer::accelerate(bool speechToo) {
    const int need = 2 * maxLag_ + block_;
    if (queue_.size() < need) return false;
    int16_t* x = scratch_.data();
    queue_.copy(0, need, x);
    int l;
    if (Rms(x, 2 * block_) < SilenceRms) {
        l = block_;  // silence: 10 ms at once
    } else {
        if (!speechToo) return false;
        double likeness = 0;
        l = lag(x, 2 * maxLag_, &likeness);
        if (l == 0 || likeness < AlikeEnough) return false;
    }
    if (delay_ - targetMs() < l * 1000.0 / rate_) return false;  // would go below the target
    for (int k = 0; k < l; ++k) {
        const double w = double(k + 1) / (l + 1);
        queue_[l + k] = Clamp16((1 - w) * x[k] + w * x[l + k]);
    }
    queue_.popFront(nullptr, l);
    if (leadResidual_ >= 0) leadResidual_ = std::max(0, leadResidual_ - l);
    counters_.accelerated += l;
    delay_ -= l * 1000.0 / rate_;
    shedMs_ = std::max(0.0, shedMs_ - l * 1000.0 / rate_);
    return true;
}

// Adds one period at the front of the queue: the first period, then one
// that crossfades from the second back into the first, then the second.
bool JitterBuffer::stretch(bool speechToo) {
    const int need = 2 * maxLag_;
    if (queue_.size() < need || queue_.capacity() - queue_.size() < maxLag_) return false;
    int16_t* x = scratch_.data();
    queue_.copy(0, need, x);
    const bool speech = Rms(x, need) >= SilenceRms;
    if (speech && !speechToo) return false;  // before the search for a period, which costs
    double likeness = 0;
    int l = lag(x, need, &likeness);
    if (l == 0) return false;
    if (speech && likeness < AlikeEnough) return false;
    if (delay_ + l * 1000.0 / rate_ > targetMs() + AboveTargetMs) return false;  // would overshoot
    // In front of the second period: the first, then the joint in its old place.
    for (int k = 0; k < l; ++k) {
        const double w = double(k + 1) / (l + 1);
        queue_[k] = Clamp16((1 - w) * x[l + k] + w * x[k]);
    }
    queue_.pushFront(x, l);
    if (leadResidual_ >= 0) leadResidual_ += l;
    counters_.stretched += l;
    delay_ += l * 1000.0 / rate_;
    return true;
}

void JitterBuffer::remember(const int16_t* out, int n) {
    const int size = static_cast<int>(history_.size());
    if (n >= size) {
        std::memcpy(history_.data(), out + n - size, sizeof(int16_t) * static_cast<size_t>(size));
        return;
    }
    std::memmove(history_.data(), history_.data() + n, sizeof(int16_t) * static_cast<size_t>(size - n));
    std::memcpy(history_.data() + size - n, out, sizeof(int16_t) * static_cast<size_t>(n));
}

// The period to repeat at the end of h: the lag at which the end is most
// like what came a lag before it (the longest lag when nothing is alike).
int JitterBuffer::periodAtEnd(const int16_t* h, int size) const {
    const int window = maxLag_;
    int period = maxLag_;
    double best = 0.3;
    for (int l = minLag_; l <= maxLag_ && l + window <= size; ++l) {
        const double like = Likeness(h + size - window, h + size - window - l, window);
        if (like > best) {
            best = like;
            period = l;
        }
    }
    return std::min(period, size);
}

void JitterBuffer::startConcealment() {
    const int size = static_cast<int>(history_.size());
    const int period = periodAtEnd(history_.data(), size);
    cycle_.assign(history_.data() + size - period, history_.data() + size);
    phase_ = 0;
    run_ = 0;
    concealing_ = true;
    mergePending_ = true;
}

// Audio that does not go on from what is queued (a datagram lost in between,
// or dropped here) is crossfaded in from a repeat of the queue's last period,
// as after concealment. Codec output runs on smoothly from one datagram to
// the next, so a jump well beyond the tail's own steps is a splice.
void JitterBuffer::smoothSplice(int at, int count) {
    const int size = static_cast<int>(history_.size());
    std::vector<int16_t>& tail = tail_;
    const int fromQueue = std::min(size, at);
    const int fromHistory = size - fromQueue;
    std::copy(history_.end() - fromHistory, history_.end(), tail.begin());
    queue_.copy(at - fromQueue, fromQueue, tail.data() + fromHistory);
    double typical = 0;
    for (int i = size - maxLag_; i < size; ++i) typical += std::abs(double(tail[i]) - 2.0 * tail[i - 1] + tail[i - 2]);
    typical /= maxLag_;
    const double predicted = 2.0 * tail[size - 1] - tail[size - 2];
    if (std::abs(queue_[at] - predicted) <= std::max(200.0, 4 * typical)) return;
    const int period = periodAtEnd(tail.data(), size);
    const int merge = std::min(count, std::max(1, rate_ * MergeMs / 1000));
    for (int k = 0; k < merge; ++k) {
        const double w = double(k + 1) / (merge + 1);
        const double c = tail[static_cast<size_t>(size - period + k % period)];
        queue_[at + k] = Clamp16((1 - w) * c + w * queue_[at + k]);
    }
    ++counters_.splices;
}

// The next sample of the repeat, at the level of the run so far. The period
// was chosen where the signal is most like itself a period earlier, so the
// wrap from its end to its start continues the signal as it went on.
int16_t JitterBuffer::concealSample() const {
    if (cycle_.empty() || !conceal_) return 0;
    const int64_t span = int64_t(ConcealMs) * rate_ / 1000;
    const double gain = run_ >= span ? 0.0 : 1.0 - double(run_) / span;
    return Clamp16(cycle_[static_cast<size_t>(phase_)] * gain);
}

void JitterBuffer::concealInto(int16_t* out, int n) {
    for (int k = 0; k < n; ++k) {
        out[k] = concealSample();
        if (!cycle_.empty()) phase_ = (phase_ + 1) % static_cast<int>(cycle_.size());
        ++run_;
    }
    counters_.concealed += n;
}

// A block of margin while any arrival comes near the pull that would have
// found the queue dry without it; none once a run of arrivals without jitter
// has each had a block and more to spare.
void JitterBuffer::noteLead(int64_t ms) {
    const int blockMs = block_ * 1000 / rate_;
    if (ms < LeastLeadMs) {
        comfortable_ = 0;
        if (marginMs_ != MarginMs) {
            marginMs_ = MarginMs;
            shedMs_ = 0;
            updateTarget();
        }
    } else if (ms >= blockMs + SpareMs && late_ <= LeastLeadMs) {
        ++comfortable_;
        const int datagramMs = std::max(1, lastCount_ * 1000 / rate_);
        if (comfortable_ >= std::max(ComfortableArrivals, ComfortableMs / datagramMs) && marginMs_ != 0) {
            marginMs_ = 0;
            updateTarget();
            shedMs_ = delay_ - target_;  // a steady stream: down to the new target
        }
    } else {
        comfortable_ = 0;
    }
}

JitterBuffer::Action JitterBuffer::pull(int16_t* out, int64_t nowMs) {
    // Pulls that come in bursts (a device topped up several blocks at a
    // time) keep the margin: when the next burst comes is not steady enough.
    if (lastPullMs_ >= 0 && (nowMs - lastPullMs_) * 2 * rate_ < int64_t(block_) * 1000) comfortable_ = 0;
    lastPullMs_ = nowMs;
    if (state_ == State::Idle) {
        const bool go = !queue_.empty() && (queuedMs() >= targetMs() || nowMs - firstArrivalMs_ >= targetMs());
        if (!go) {
            std::memset(out, 0, sizeof(int16_t) * static_cast<size_t>(block_));
            remember(out, block_);
            return Action::Idle;
        }
        state_ = State::Playing;
        concealing_ = false;
        cycle_.clear();
        mergePending_ = true;  // in from silence
        sinceAdjust_ = 0;
    }

    // This pull takes the block that the audio left before the last arrival
    // ends in, or takes a block of it.
    auto countDown = [&] {
        if (leadResidual_ < 0) return;
        if (leadResidual_ < block_) {
            noteLead(nowMs - leadFromMs_);
            leadResidual_ = -1;
        } else {
            leadResidual_ -= block_;
        }
    };

    Action action = Action::Normal;
    const int available = static_cast<int>(queue_.size());
    if (available >= block_ && mergePending_) {
        // Real audio again: crossfaded in from where the repeat (or silence) would go on.
        const int merge = std::min(block_, std::max(1, rate_ * MergeMs / 1000));
        queue_.popFront(out, block_);
        counters_.played += block_;
        for (int k = 0; k < block_; ++k) {
            const int16_t x = out[k];
            if (k < merge) {
                const double w = double(k + 1) / (merge + 1);
                double c = 0;
                if (concealing_ && !cycle_.empty()) {
                    c = concealSample();
                    phase_ = (phase_ + 1) % static_cast<int>(cycle_.size());
                }
                out[k] = Clamp16((1 - w) * c + w * x);
            } else {
                out[k] = x;
            }
        }
        concealing_ = false;
        mergePending_ = false;
        ++counters_.merges;
        action = Action::Merge;
        countDown();
    } else if (available >= block_) {
        if (++sinceAdjust_ >= AdjustEveryBlocks && delayKnown_) {
            const int target = targetMs();
            // A margin just dropped is taken out even from within the band.
            if (shedMs_ > 0 && delay_ - target < minLag_ * 1000.0 / rate_) shedMs_ = 0;
            const double upper = target + (shedMs_ > 0 ? 0 : AboveTargetMs);
            const double above = delay_ - upper, below = (target - belowTarget_) - delay_;
            if (above <= 0 && below <= 0) outsideSinceMs_ = -1;
            else if (outsideSinceMs_ < 0) outsideSinceMs_ = nowMs;
            const bool impatient = outsideSinceMs_ >= 0 && nowMs - outsideSinceMs_ >= PatienceMs;
            if (above > 0 && accelerate(impatient || above > FarOutsideMs)) {
                action = Action::Accelerate;
                sinceAdjust_ = 0;
            } else if (below > 0 && stretch(impatient || below > FarOutsideMs)) {
                action = Action::Stretch;
                sinceAdjust_ = 0;
            }
        }
        countDown();
        queue_.popFront(out, block_);
        counters_.played += block_;
    } else if (!concealing_) {
        // Dry: what is left, then the repeat of the last period of it.
        leadResidual_ = -1;
        noteLead(-1);
        const int k = available;
        queue_.popFront(out, k);
        counters_.played += k;
        // In from silence, too short for a merge: faded in over what there is.
        if (mergePending_)
            for (int i = 0; i < k; ++i) out[i] = Clamp16(out[i] * double(i + 1) / (k + 1));
        remember(out, k);
        startConcealment();
        concealInto(out + k, block_ - k);
        remember(out + k, block_ - k);
        return Action::Conceal;
    } else {
        // Still dry (a piece shorter than a block waits to be merged in).
        concealInto(out, block_);
        action = Action::Conceal;
        if (run_ * 1000 >= int64_t(NewSpurtMs) * rate_) {
            // A second of nothing: the spurt has ended; the next waits for the target again.
            state_ = State::Idle;
            concealing_ = false;
            cycle_.clear();
        }
    }
    remember(out, block_);
    return action;
}

}  // namespace kv
