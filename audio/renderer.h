// Renderer: one wave output for every party of a call, pulled 10 ms at a time.
//
//   party: put (receive thread)        device thread: next 10 ms due? (pulling device)
//                                      render thread: device done with a buffer? (ring)
//   JitterBuffer --+
//   JitterBuffer --+-- pull 10 ms each -> mix (out gain) -> that block -> device
//   JitterBuffer --+                                    \-> echo reference, where it plays
//
// The device opens when the renderer starts and stays open until it stops,
// so that nothing reopens between talk spurts. A device that pulls (ALSA, the
// WAV files) asks for every 10 ms block itself, on its own thread, saying
// when the block will begin to play. One that takes buffers (waveOut, the
// manual test device) gets a ring of 10 ms buffers (as many as it asks for;
// one more each time it is found to have run dry, up to RingBuffers), and
// every one it has played is refilled from a pull at once on the render
// thread, placed behind the blocks queued ahead of it. Either way the block
// rendered is the block the echo canceller gets as its reference, placed
// where it will play.
//
// A party is an owned object shared with the renderer: the receive side puts
// into its jitter buffer under the party's own lock, the render thread pulls
// under the same lock, and nothing else waits on either. Removing a party
// takes it out of the next pull; a pull under way still holds it.
//
// A device that cannot be opened, or that stops taking buffers, is reported
// (deviceChanged) and tried again every RetryMs; meanwhile the parties'
// buffers are still pulled on the renderer's clock, so that they do not fill.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/echo.h"
#include "audio/jitter_buffer.h"
#include "platform/wave.h"

namespace kv {

class Renderer : private WaveSource {
public:
    static constexpr int RingBuffers = 16;
    static constexpr int RetryMs = 1000;
    // A device that has played nothing for this long with buffers queued has stopped.
    static constexpr int StalledMs = 1000;
    static constexpr int ClosedLevel = -10000;

    struct Party {
        explicit Party(int sampleRate) : jitter(sampleRate) {}
        std::mutex lock;  // put against pull
        JitterBuffer jitter;
    };

    // clock: milliseconds on any fixed origin (null: the steady clock).
    Renderer(WaveDevices* devices, int sampleRate, std::function<int64_t()> clockMs = nullptr);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    std::shared_ptr<Party> addParty();
    void removeParty(const std::shared_ptr<Party>& party);
    int parties();

    // Opens the device on the render thread, which runs until stop().
    void start();
    void stop();

    void setVolume(int volume);  // 0..1000, the device's
    void setOutGain(bool on) { outGain_ = on; }
    void setEchoReference(EchoReference* reference) { echoReference_ = reference; }
    // Called on the render thread when the device opens (true) or fails or
    // breaks (false); once for each change.
    void setDeviceChanged(std::function<void(bool)> changed);

    // The level of the last block played, in hundredths of a dB; ClosedLevel
    // when the device is not open.
    int outputLevel() const { return deviceOpen_ ? outputLevel_.load() : ClosedLevel; }
    bool deviceOpen() const { return deviceOpen_; }
    int opens() const { return opens_; }
    // The buffers kept queued on the open device, and the times it ran dry.
    int depth() const { return depth_; }
    int underruns() const { return underruns_; }
    int64_t blocksRendered() const { return blocks_; }
    // The renderer's clock, which the parties' arrivals are timed on.
    int64_t clockMs() const { return now(); }

private:
    struct Buffer {
        WaveBuffer wave;
        std::vector<uint8_t> storage;
        bool queued = false;
    };

    void run();
    // A device that pulls asks for each block itself, on its own thread.
    void fill(int16_t* samples, int frames, int64_t startsInMicros) override;
    void placeReference(const int16_t* samples, int64_t startMicros, int64_t queuedMicros);
    bool open();
    void close();
    void render(int16_t* out, int64_t nowMs);
    void refill(Buffer& b, int ahead);
    int64_t now() const;
    int64_t nowMicros() const;  // the same clock, finer where it can be

    WaveDevices* devices_;
    const int rate_;
    const int block_;
    std::function<int64_t()> clock_;

    std::mutex partiesLock_;  // only for the list
    std::vector<std::shared_ptr<Party>> parties_;

    std::atomic<bool> outGain_{false};
    std::atomic<uint32_t> volume_{0xFFFFFFFFu};
    std::atomic<EchoReference*> echoReference_{nullptr};
    EchoReference::Source echoSource_;  // render thread
    std::mutex changedLock_;
    std::function<void(bool)> changed_;

    // Render thread only.
    std::vector<std::shared_ptr<Party>> pulling_;  // the parties of the pull under way
    std::unique_ptr<WaveOutput> device_;
    Buffer ring_[RingBuffers];
    std::atomic<int> depth_{WaveOutput::DefaultBuffersAhead};  // the buffers in use, for this device
    bool pulled_ = false;  // the open device pulls: no ring
    // Pulling: where the next block should begin, on the renderer's clock.
    static constexpr int64_t PullSlackMicros = 8000;
    int64_t nextStartMicros_ = -1;
    std::atomic<int64_t> lastFillMs_{0};
    int next_ = 0;  // the oldest queued buffer, the next to come back
    int64_t lastPlayedMs_ = 0;
    bool reported_ = false, reportedOpen_ = false;

    std::atomic<bool> deviceOpen_{false};
    std::atomic<int> outputLevel_{-9000};
    std::atomic<int> opens_{0};
    std::atomic<int> underruns_{0};
    std::atomic<int64_t> blocks_{0};

    std::mutex runLock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<WaveOutput*> waiting_{nullptr};
    std::thread thread_;
};

}  // namespace kv
