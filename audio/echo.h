// Echo cancellation and noise suppression of the microphone, on this side only
// (nothing changes on the wire).
//
// EchoReference is the far end as the loudspeaker plays it: the sum of every
// party's playout, laid on the capture's sample clock. Positions count the
// samples the capture has taken since the program started. The capture takes
// one slice per captured frame (and clears it). A playout adds the frame its
// device begins to play, placed by the time it began: the capture's reads fix
// the time of every position (the earliest of the last reads, so that the
// capture's clock may drift from ours), and the frames after it follow it
// directly while the device plays them back to back. A device that tells of
// a frame played only well after it ended (waveOut) has the frames queued
// behind it added at once instead (follows): a late look at it must neither
// make the reference jump nor come after the capture has taken the frame's
// place. The slice a frame takes lies LagMs behind the frame itself, so that
// the echo in the microphone, always later than the sound that caused it,
// stays within reach of the filter.
//
// EchoCanceller runs the capture's frames through speexdsp's echo canceller
// (FilterMs long) and its preprocessor (residual echo suppression, noise
// suppression), in blocks of the longest length from MinBlockMs to BlockMs
// that divides the capture's frame (320 samples for GSM 6.10, 240 for codec
// 1), so that no frame waits for a block; a frame with no such divisor
// takes blocks of BlockMs at a fixed delay of less than a block. The
// preprocessor's overlap costs one block.
//
// Where the echo lies behind the reference depends on latencies the program
// cannot see (a sound server's, a driver's, a wireless headset's), and the
// filter only reaches FilterMs ahead. So EchoCanceller also estimates it, from
// the loudness of the microphone and the reference 10 ms at a time, and when
// the echo falls outside the filter's reach it delays the reference (the echo
// comes too late) or the microphone (it comes before the reference has it) to
// bring it back.
//
// Neither allocates nor waits on anything but a short lock per frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

struct SpeexEchoState_;
struct SpeexPreprocessState_;

namespace kv {

class EchoReference {
public:
    static constexpr int RingSamples = 16384;  // about a second at the core's rate
    static constexpr int LagMs = 10;
    // A playout frame begun this far from where the one before it ended, on the
    // times seen, starts anew there (its device stalled, or the capture moved).
    static constexpr int RestartMs = 60;

    // What the ring keeps of one playout between its frames; reset it when the
    // device opens anew. Used under the playout's own lock.
    struct Source {
        int64_t next = -1;  // where the next frame goes; -1: nowhere yet
        uint32_t epoch = 0;
    };

    // ---- capture side ----
    // A capture opened at the rate: what was laid before is forgotten, and
    // positions get their times again from the next take.
    void captureOpened(int sampleRate);
    void captureClosed();
    // The reference for the frame of `samples` just captured, read at
    // nowMicros (any fixed origin, the playouts' times on the same clock).
    void take(int16_t* out, int samples, int64_t nowMicros);

    // ---- playout side ----
    // Adds a frame (16-bit samples, bytes as the device plays them) that began
    // playing at startMicros; startMicros < 0 when the moment is unknown (it
    // then follows the source's previous frame, or is left out). exact: the
    // moment is when the device was started or given the frame while idle,
    // not when a look at the device found it playing.
    void played(Source& source, const uint8_t* data, int samples, int sampleRate, int64_t startMicros, bool exact);
    // Adds a frame queued to play right after the source's last one; false,
    // adding nothing, when the source has no place yet or the frame would
    // reach beyond what the ring holds (it is added later). queuedMicros:
    // when it was given to the device, if just now (else -1); a frame given
    // after the one before should have ended begins then.
    bool follows(Source& source, const uint8_t* data, int samples, int sampleRate, int64_t queuedMicros = -1);

    // For tests: the position the next take begins at, and whether times are known.
    int64_t taken();
    bool anchored();

private:
    void addLocked(int64_t position, const uint8_t* data, int samples);

    std::mutex lock_;
    int32_t ring_[RingSamples] = {};
    int64_t taken_ = 0;         // positions before this are taken
    int rate_ = 0;              // 0: no capture open
    bool anchored_ = false;
    int64_t originMicros_ = 0;  // the time of position 0
    // What the last reads said of it (the earliest wins), in a ring.
    static constexpr int OriginWindow = 32;
    int64_t estimates_[OriginWindow] = {};
    int estimatesKept_ = 0;
    uint32_t epoch_ = 1;
};

// How far the microphone's sound lags the reference's, from their loudness
// in steps of 10 ms over the last few seconds.
class EchoDelayEstimator {
public:
    static constexpr int StepsPerSecond = 100;
    static constexpr int HistorySteps = 150;  // 1.5 s
    static constexpr int EstimateSteps = 50;  // a look every 0.5 s
    static constexpr int EarliestStep = -10;  // the microphone 100 ms ahead
    static constexpr int LatestStep = 60;     // 600 ms behind

    void start(int sampleRate);
    // Adds samples of both; true when a new estimate is ready (every half
    // second while the reference has been loud enough, the two agree well
    // and the two looks before found the same).
    bool add(const int16_t* mic, const int16_t* reference, int samples);
    // The last estimate, in samples (negative: the microphone is ahead).
    int delaySamples() const { return estimate_; }

private:
    bool estimate();

    int step_ = 80;
    int filled_ = 0;
    double micSum_ = 0, referenceSum_ = 0;
    float mic_[HistorySteps] = {}, reference_[HistorySteps] = {};
    int steps_ = 0;  // steps taken in all; the newest is at (steps_ - 1) % HistorySteps
    int sinceEstimate_ = 0;
    int estimate_ = 0;
    static constexpr int NoCandidate = -1000;
    int candidate_ = NoCandidate;  // the lag the last look found, in steps
    int agreeing_ = 0;             // looks in a row that found about that lag
};

class EchoCanceller {
public:
    // The canceller's and the preprocessor's block (the preprocessor's
    // overlap delays its output by one block). Blocks of 10 ms would hold
    // the voice back 30 ms less, but speexdsp's canceller then leaves
    // about 11 dB more echo (45.6 against 56.9 dB in the console's room).
    static constexpr int BlockMs = 40;
    static constexpr int MinBlockMs = 20;
    static constexpr int FilterMs = 256;
    static int FilterTaps(int sampleRate) { return sampleRate * FilterMs / 1000; }
    // The echo is moved when an estimate puts it before the filter's start
    // (the estimate's steps are 10 ms: an echo a few milliseconds in may
    // come out as 0, and is left where it is) or less than TailMs before its
    // end, to TargetMs (or TargetMicMs when that takes delaying the
    // microphone, which the far end hears as delay).
    static constexpr int TailMs = 100;
    static constexpr int TargetMs = 40;
    static constexpr int TargetMicMs = 25;
    static constexpr int MaxShiftMs = 600;

    EchoCanceller() = default;
    ~EchoCanceller();
    EchoCanceller(const EchoCanceller&) = delete;
    EchoCanceller& operator=(const EchoCanceller&) = delete;

    // Makes the states for frames of frameSamples at the rate (false when
    // speexdsp cannot make them). Any earlier states are freed.
    bool start(int sampleRate, int frameSamples);
    void stop();
    // Processes one frame of the length given to start, in place: the
    // microphone, and the reference taken for it. With both switched off the
    // frame passes untouched; switching either on starts the states afresh.
    void process(int16_t* mic, const int16_t* reference, bool cancel, bool suppress);
    // The fixed delay a frame length that is not whole blocks costs, in samples.
    int delaySamples() const { return delay_; }
    // What is applied now to line the echo up with the reference, in samples.
    int referenceShift() const { return referenceShift_; }
    int micShift() const { return micShift_; }

private:
    void reset();

    SpeexEchoState_* echo_ = nullptr;
    SpeexPreprocessState_* pre_ = nullptr;
    int rate_ = 0;
    int frame_ = 0;
    int taps_ = 0;
    int delay_ = 0;
    bool active_ = false;
    bool cancelling_ = false;
    bool suppressing_ = true;
    // Microphone and reference waiting for a whole block; processed output
    // waiting to be handed out (delay_ samples of silence ahead of the first).
    std::unique_ptr<int16_t[]> micIn_, refIn_, out_;
    int inCount_ = 0;
    int outCount_ = 0;
    int block_ = 0;
    std::unique_ptr<int16_t[]> cleaned_;
    // The last lineSamples_ of microphone and reference, read shift samples back.
    void lineUp(const int16_t* mic, const int16_t* reference);
    void placeEcho(int delay);
    EchoDelayEstimator estimator_;
    std::unique_ptr<int16_t[]> micLine_, referenceLine_;
    int lineSamples_ = 0;
    int lineAt_ = 0;
    int referenceShift_ = 0, micShift_ = 0;
};

}  // namespace kv
