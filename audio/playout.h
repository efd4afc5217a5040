// PlayoutBuffer: the decoded speech of one party on its way to a wave output.
// A ring of queued PCM frames in front of the device with a minimum delay
// (playout begins once that much has been queued since the device opened) and
// a maximum delay (a frame that would make the unplayed queue longer is
// dropped). When the queue runs dry the device is closed and the next frame
// prebuffers again. A monitor thread per open device reclaims played frames,
// measures the output level and notices the drained queue. It sleeps on the
// device (WaveOutput::waitEvent) and makes a pass when a frame has been
// played, when a frame lands in an empty queue, when the buffer is closed, or
// when a concealment decision is due; an open buffer with nothing playing
// costs nothing.
//
// With concealment on, a queue about to run dry in the middle of playing is
// bridged instead: when the frame playing is the last one queued and is
// ConcealLeadMs from its end with no real frame behind it, the monitor queues
// a short piece made of the last pitch period of the last real frame, then
// the next piece as that one is about to end, and so on for up to two frames'
// length, fading from full level to silence. A real frame arriving meanwhile
// ends the run: it is queued behind what is already queued (the rest of the
// piece playing and at most one more, so it plays a piece or two later than
// it would have, not two frames later) and plays on the same device
// without prebuffering again; when the whole run has played and nothing came,
// the device closes as without concealment.
//
// Frames are copied into storage that each slot keeps from one frame to the
// next, and a slot stays prepared on the device while the length of its
// frames does not change: queueing a frame allocates nothing.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/echo.h"
#include "audio/level.h"
#include "platform/wave.h"

namespace kv {

class PlayoutBuffer {
public:
    static constexpr int SlotCount = 100;
    static constexpr int ClosedLevel = -10000;

    // devices null: the system's wave output.
    explicit PlayoutBuffer(WaveDevices* devices = nullptr) : devices_(devices) {}
    ~PlayoutBuffer();
    PlayoutBuffer(const PlayoutBuffer&) = delete;
    PlayoutBuffer& operator=(const PlayoutBuffer&) = delete;

    // Queues one decoded frame: 0 queued (or dropped for exceeding the
    // maximum delay), -1 when the device cannot be opened or the ring is full.
    int write(int sampleRate, const uint8_t* data, int length);
    int open(int sampleRate);
    int close(bool takeLock);
    // Starts a prebuffering device now.
    void forceStart();
    void setVolume(int volume);  // 0..1000
    void setMinDelay(int ms) { minimumDelay = ms; }
    void setMaxDelay(int ms) { maximumDelay = ms < 50 ? 50 : ms; }
    void setConceal(int on) { conceal = on ? 1 : 0; }
    // Every frame the device begins to play is added to this (null: nowhere),
    // the echo canceller's picture of the loudspeaker.
    void setEchoReference(EchoReference* reference) { echoReference_ = reference; }
    int outputLevel() const { return playing ? outputLevel_.load() : ClosedLevel; }
    int bufferedMs();

    std::atomic<int> outGain{0};
    std::atomic<int> minimumDelay{0};
    std::atomic<int> maximumDelay{0};
    std::atomic<int> conceal{0};

    // A concealment run lasts at most this many frames.
    static constexpr int MaxConcealFrames = 2;

    // For tests and the status line.
    bool isOpen() const { return deviceOpen_; }
    bool isPlaying() const { return playing; }
    int queuedSlots();
    int queuedMs();  // of the slots queued, playing or not
    // Devices opened since the buffer was made (every one after the first is a reopen).
    int opens() const { return opens_; }
    // Concealment pieces (ConcealPieceMs each, or less) queued since the buffer was made.
    int concealedFrames() const { return concealed_; }
    // Frames the device has finished playing since the buffer was made (concealment ones included).
    int framesPlayed() const { return framesPlayed_; }

private:
    struct Slot {
        WaveBuffer buffer;
        std::unique_ptr<uint8_t[]> storage;
        int capacity = 0;       // bytes of storage
        bool prepared = false;  // buffer is prepared on the open device
        bool inUse = false;
        bool concealment = false;
        bool referenced = false;  // added to the echo reference
    };
    // The frame playing as the last one queued is bridged this long before
    // its end, when no real frame has come by then.
    static constexpr int ConcealLeadMs = 10;
    // Concealment is queued in pieces this long, each one decided as the one
    // before it is about to end: a real frame arriving just after the frame it
    // follows ended waits behind a piece or two, not a whole frame.
    static constexpr int ConcealPieceMs = 10;
    // Pitch periods are looked for between 2.5 and 15 ms; 15 ms at 48 kHz fits.
    static constexpr int MaxCycleSamples = 720;
    // The end of the last real frame kept for a queue that ran dry before the
    // monitor saw its last frame playing.
    static constexpr int TailSamples = 2048;

    void monitor();
    void closeLocked();  // the lock is held by the caller
    // The lock is held by the caller: starts the paused device.
    void startLocked();
    void releaseSlot(Slot& slot);
    // The lock is held by the caller: the slot's buffer holds `length` bytes of
    // storage and is prepared on the device.
    void prepareSlotLocked(Slot& slot, int length);
    void monitorStopped();
    // The lock is held by the caller: with the queue about to run dry (or dry),
    // queues one concealment frame; false when there is nothing to queue.
    bool queueConcealmentLocked();
    void findCycle(const uint8_t* data, int samples);
    // The lock is held by the caller: adds the slot to the echo reference;
    // began: the slot is the one that began last, at startedAt_.
    void referSlotLocked(Slot& slot, bool began);
    // The lock is held by the caller: on a device that reports played frames
    // late (under Wine, 15 to 140 ms), adds the frames queued behind a frame
    // already in the reference, each where the one before it ends, as far
    // ahead as the reference reaches; by the time the device told of them,
    // the capture would have taken their place in the reference. Other
    // devices' frames go in as they are seen to begin.
    // queued: the newest frame was given to the device just now.
    void referAheadLocked(bool queued = false);

    WaveDevices* devices_;
    int writeIndex_ = 0;
    int playIndex_ = 0;
    std::unique_ptr<WaveOutput> device_;
    std::atomic<bool> deviceOpen_{false};
    Slot slots_[SlotCount];
    std::atomic<int> outputLevel_{-9000};
    int slotCount_ = 0;
    std::atomic<int> playing{0};
    int64_t samplesWritten_ = 0;
    int64_t samplesPlayed_ = 0;
    int sampleRate_ = 0;
    std::atomic<uint32_t> volume_{0};
    std::atomic<int> monitorRunning_{0};
    std::atomic<int> opens_{0};
    std::atomic<int> concealed_{0};
    std::atomic<int> framesPlayed_{0};
    // Concealment state, under the lock: samples queued since the last real
    // frame, the period repeated, where the next piece continues it, and the
    // length of the frame the run follows.
    int concealRun_ = 0;
    // The slot that began playing last (-1: none yet) and when; under the lock.
    int startedIndex_ = -1;
    std::chrono::steady_clock::time_point startedAt_;
    bool startedExact_ = false;  // startedAt_ is when it began, not when the monitor saw it
    std::atomic<EchoReference*> echoReference_{nullptr};
    EchoReference::Source echoSource_;  // under the lock
    int16_t cycle_[MaxCycleSamples] = {};
    int cycleLength_ = 0;
    int cyclePhase_ = 0;
    int concealSamples_ = 0;
    uint8_t tail_[TailSamples * 2] = {};
    int tailSamples_ = 0;       // 0: nothing kept
    int tailFrameSamples_ = 0;  // the whole length of the frame it ends
    std::atomic<int> stopRequest_{0};
    std::mutex lock_;
    std::thread monitor_;
    // close() sleeps on this until the monitor has stopped.
    std::mutex stopLock_;
    std::condition_variable stopped_;
};

}  // namespace kv
