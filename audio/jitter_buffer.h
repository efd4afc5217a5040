// JitterBuffer: the decoded speech of one party between the socket and the
// speaker, with a delay that follows the network. No device, no thread and
// no lock: the receive side puts what each datagram carried as it lands, the
// render side pulls exactly 10 ms at a time, and the owner serialises the two.
//
//   put(datagram's samples, arrival time)        pull(10 ms)
//        |                                            ^
//        v                                            |
//   arrival statistics -> target delay --> time-scale decision
//        |                                            |
//        +----------> queue of samples ---------------+--> normal / accelerate /
//                                                         stretch / conceal / merge
//
// Nothing on the wire says when a sample was spoken, so the delay is judged
// by how the queue stands when datagrams land. Each arrival that comes later
// than the audio before it lasts (arrival gap minus the duration the previous
// datagram carried) is a lateness sample; the target is one datagram's
// duration, plus a high quantile of the lateness of the last arrivals, plus a
// margin for the 10 ms grid of the pulls, within "Delay" and "MaxDelay". A
// single stall counts once (the burst behind it arrives early), and so does
// a lost datagram, so neither raises the target for long. More than 10 ms
// above the target the queue is shortened by time compression (one pitch period at a time, with an
// overlap-add, or 10 ms of silence); below it by more than half the lateness
// allowed for (at most 15 ms) it is lengthened by one period, so that the
// swing of the jitter itself changes nothing; the sender's clock drift is
// absorbed the same way. When the queue runs dry the last pitch period is
// repeated, crossfaded at every join, fading to silence over 80 ms, and the
// next real audio merges into it; after a second of silence the buffer waits
// for the target's worth again (a new talk spurt).
//
// The margin is a block unless the arrivals show that they need none: it
// goes when they come without jitter and each of 2 seconds of them in a row
// (10 at least) would still have had more than a block and 3 ms to spare
// before the queue ran dry (what is queued beyond the target then goes), and
// it comes back at once when one has less than 2 ms to spare or the queue
// runs dry; pulls that come several at a time keep it. So a steady stream
// that lands well before a pull plays a block sooner, and one whose landings
// drift across the grid is kept from running dry at the crossing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace kv {

// The samples a jitter buffer holds, oldest first, in storage sized when the
// bounds are set: putting, taking, shortening and lengthening at the front
// allocate nothing.
class SampleRing {
public:
    // Keeps the newest samples that fit.
    void reserve(int capacity);
    int capacity() const { return static_cast<int>(data_.size()); }
    int size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { head_ = size_ = 0; }
    int16_t& operator[](int i) { return data_[static_cast<size_t>(wrap(head_ + i))]; }
    int16_t operator[](int i) const { return data_[static_cast<size_t>(wrap(head_ + i))]; }
    // False (nothing added) when they do not fit.
    bool pushBack(const int16_t* x, int n);
    bool pushFront(const int16_t* x, int n);
    void popFront(int16_t* out, int n);  // out null: dropped
    void copy(int from, int n, int16_t* out) const;

private:
    int wrap(int i) const {
        const int c = capacity();
        return i >= c ? i - c : i;
    }
    std::vector<int16_t> data_;
    int head_ = 0, size_ = 0;
};

class JitterBuffer {
public:
    enum class Action { Idle, Normal, Accelerate, Stretch, Conceal, Merge };

    struct Counters {
        int64_t accelerated = 0;  // samples removed by time compression
        int64_t stretched = 0;    // samples added by stretching
        int64_t concealed = 0;    // samples made up while the queue was dry
        int64_t merges = 0;       // returns of real audio after concealment or silence
        int64_t splices = 0;      // datagrams crossfaded in because they did not go on from the queue
        int64_t dropped = 0;      // datagrams that did not fit under the maximum delay
        int64_t played = 0;       // samples of real audio taken from the queue
    };

    explicit JitterBuffer(int sampleRate = 8000);

    int sampleRate() const { return rate_; }
    int blockSamples() const { return block_; }
    // "Delay" and "MaxDelay": the bounds of the target (the maximum never
    // below one datagram's duration and a block, so that speech can play).
    void setDelayBounds(int minimumMs, int maximumMs);
    // Off: a dry queue plays silence instead of a repeat.
    void setConceal(bool on) { conceal_ = on; }

    // The samples one datagram carried, as it lands at nowMs (the caller's
    // clock). False when they were dropped: the queue would have passed the
    // maximum delay, or they are more than a datagram can carry.
    bool put(const int16_t* samples, int count, int64_t nowMs);
    // Exactly blockSamples() samples for the next 10 ms.
    Action pull(int16_t* out, int64_t nowMs);
    // Forgets everything (the party left, the call ended).
    void reset();

    int queuedMs() const;
    // The queue as datagrams land, smoothed, and what it is steered to.
    int delayMs() const { return static_cast<int>(delay_ + 0.5); }
    int targetMs() const { return target_; }
    bool playing() const { return state_ == State::Playing; }
    const Counters& counters() const { return counters_; }
    // The share of datagrams lost on the way, in percent, over about the
    // last hundred arrivals (from the gaps of whole datagrams).
    int lossPercent() const;

private:
    enum class State { Idle, Playing };

    double lateQuantile();
    void updateTarget();  // after an arrival, or new bounds
    int lag(const int16_t* x, int n, double* likeness) const;
    // speechToo false: only silence.
    bool accelerate(bool speechToo);
    bool stretch(bool speechToo);
    int periodAtEnd(const int16_t* h, int size) const;
    void startConcealment();
    void smoothSplice(int at, int count);
    int16_t concealSample() const;
    void concealInto(int16_t* out, int n);
    void remember(const int16_t* out, int n);

    const int rate_;
    const int block_;
    const int minLag_;
    const int maxLag_;
    int minimumMs_ = 0;
    int maximumMs_ = 1000;
    int target_ = 0;
    double late_ = 0;         // the lateness quantile the target allows for
    double lostAverage_ = 0, arrivedAverage_ = 0;  // per arrival, decaying
    double belowTarget_ = 0;  // how far below the target the queue may go unstretched
    std::vector<double> sorted_;  // lateQuantile's
    bool conceal_ = true;

    State state_ = State::Idle;
    SampleRing queue_;
    std::vector<int16_t> scratch_;  // 2 * maxLag_ + block_ samples worked on at the front
    std::vector<int16_t> tail_;     // the end of what plays, for a splice

    // Arrivals.
    bool arrived_ = false;
    int64_t lastArrivalMs_ = 0;
    int lastCount_ = 0;
    int64_t firstArrivalMs_ = 0;  // of the talk spurt being prebuffered
    std::deque<double> lateness_;
    double delay_ = 0;
    bool delayKnown_ = false;
    int sinceAdjust_ = 0;  // blocks since the last time-scale change
    int64_t outsideSinceMs_ = -1;  // when the queue left the band around the target

    // How long after each arrival the queue would have run dry without it:
    // what was left of the audio before it, counted down pull by pull.
    void noteLead(int64_t ms);
    int leadResidual_ = -1;  // samples; -1 while nothing is being counted
    int64_t leadFromMs_ = 0;
    int marginMs_ = 0;       // of the target, for the timing of the pulls
    int comfortable_ = 0;    // arrivals in a row with a block to spare
    double shedMs_ = 0;      // of the margin just dropped, still to be taken out
    int64_t lastPullMs_ = -1;

    // Concealment: the period repeated, where the next sample comes from, and
    // how far the run has gone.
    std::vector<int16_t> history_;  // the latest output, oldest first
    std::vector<int16_t> cycle_;
    int phase_ = 0;
    int64_t run_ = 0;
    bool concealing_ = false;
    bool mergePending_ = true;

    Counters counters_;
};

}  // namespace kv
