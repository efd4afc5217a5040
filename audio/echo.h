// Echo cancellation and noise suppression of the microphone, on this side only
// (nothing changes on the wire).
//
// EchoReference is the far end as the loudspeaker plays it: the sum of every
// party's playout, laid on the capture's sample clock. Positions count the
// samples the capture has taken since the program started. The capture takes
// one slice per captured frame (and clears it); each playout adds a frame as
// the device begins to play it. Where it goes comes from the time it began:
// the capture's reads fix the time of every position (the earliest of the
// last reads, so that the capture's clock may drift from ours), and a playout's frames follow one another without a gap for as long
// as its device plays them back to back, so a late look at the device does
// not make the reference jump. The slice a frame takes lies LagMs behind the
// frame itself: a playout that learns of a frame a little late still lands in
// time, and the echo in the microphone, always later than the sound that
// caused it, stays within reach of the filter.
//
// EchoCanceller runs the capture's frames through speexdsp's echo canceller
// (frames of BlockSamples, FilterTaps long) and its preprocessor (residual
// echo suppression, noise suppression), in blocks of BlockSamples whatever the
// capture's frame length: a frame length that is not a whole number of blocks
// (codec 1's 240 samples) costs the output a fixed delay of less than a block.
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
    static constexpr int RingSamples = 8192;
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

    // For tests: the position the next take begins at, and whether times are known.
    int64_t taken();
    bool anchored();

private:
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

class EchoCanceller {
public:
    static constexpr int BlockSamples = 320;
    static constexpr int FilterTaps = 2048;

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

private:
    void reset();

    SpeexEchoState_* echo_ = nullptr;
    SpeexPreprocessState_* pre_ = nullptr;
    int rate_ = 0;
    int frame_ = 0;
    int delay_ = 0;
    bool active_ = false;
    bool cancelling_ = false;
    bool suppressing_ = true;
    // Microphone and reference waiting for a whole block; processed output
    // waiting to be handed out (delay_ samples of silence ahead of the first).
    std::unique_ptr<int16_t[]> micIn_, refIn_, out_;
    int inCount_ = 0;
    int outCount_ = 0;
    int16_t cleaned_[BlockSamples] = {};
};

}  // namespace kv
