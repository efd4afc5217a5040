// Wave output and wave input seams, shaped after the Windows waveOut* and
// waveIn* calls: a device is opened at a rate for 8 kHz-style PCM (mono,
// 16-bit signed little-endian samples), takes caller-owned buffers in order,
// and reports per buffer when it has played (output) or filled (input) it.
//
// Implementations: Windows waveOut/waveIn on the wave mapper; ALSA on a named
// PCM ("default"); WAV files paced in real time; a manual test device.
//
// Threading: the caller serialises its own calls on one device; done() may be
// asked from any thread while the device works in the background.
//
// Waiting: nobody needs to poll done(). waitEvent() sleeps until the device
// has something to report - a buffer completed (played, filled, or returned by
// reset) - or until wake() is called, or the time-out passes. Both behave like
// an auto-reset event: a completion or wake() that comes while nobody waits is
// kept, and the next waitEvent() returns at once and consumes it. waitEvent()
// may return early for any reason, so the caller checks done() for the buffer
// it waits for and waits again. One thread at a time waits on a device;
// waitEvent() and wake() may be called from any thread, at the same time as the
// device's other calls.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace kv {

// One buffer handed to a device. The caller owns data; the device keeps its own
// bookkeeping for the buffer in `device` between prepare and unprepare.
struct WaveBuffer {
    uint8_t* data = nullptr;
    int length = 0;  // bytes, an even number
    void* device = nullptr;
};

// The auto-reset event behind waitEvent()/wake() of the portable devices.
class WaveSignal {
public:
    void set();
    // Returns once set (clearing it) or after timeoutMs (negative: no limit); true when set.
    bool wait(int timeoutMs);

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool set_ = false;
};

// What a pulling output plays, asked for on the device's own thread.
class WaveSource {
public:
    virtual ~WaveSource() = default;
    // The next `frames` samples (16-bit, the device's rate), which begin to
    // play startsInMicros from now (negative: they are already late).
    virtual void fill(int16_t* samples, int frames, int64_t startsInMicros) = 0;
};

class WaveOutput {
public:
    virtual ~WaveOutput() = default;  // closes the device; call reset() first when buffers are queued
    // A new device plays as soon as buffers are queued; pause holds it, restart resumes.
    virtual void pause() = 0;
    virtual void restart() = 0;
    // Left volume in the low 16 bits, right in the high 16 bits, 0..65535 each.
    virtual void setVolume(uint32_t leftRight) = 0;
    virtual void prepare(WaveBuffer& b) = 0;
    // Queues a prepared buffer behind the others; clears its done state.
    virtual void write(WaveBuffer& b) = 0;
    // True once the device has played the buffer (or reset returned it).
    virtual bool done(const WaveBuffer& b) = 0;
    virtual void unprepare(WaveBuffer& b) = 0;
    // Stops playing and returns every queued buffer as done.
    virtual void reset() = 0;
    // See "Waiting" above.
    virtual void waitEvent(int timeoutMs) = 0;
    virtual void wake() = 0;
    // True when the device tells of a buffer played well after it ended
    // (waveOut: 15 to 140 ms later under Wine), so that whoever follows what
    // it plays must go by what was queued, not by when buffers come back.
    virtual bool reportsLate() const { return false; }
    // How many 10 ms buffers whoever keeps the device fed should keep queued
    // at first: enough that a buffer handed back late, or refilled late,
    // leaves no gap.
    static constexpr int DefaultBuffersAhead = 4;
    virtual int buffersAhead() const { return DefaultBuffersAhead; }
    // The pull shape: a device that can asks `source` for its audio itself,
    // blockFrames at a time, as it has room, until reset() (which returns once
    // no fill is under way or will come) or its end; it applies its volume,
    // and pause, restart and buffers do not apply. False, changing nothing,
    // for a device that only takes buffers.
    virtual bool pull(WaveSource* source, int blockFrames) {
        (void)source;
        (void)blockFrames;
        return false;
    }
};

class WaveInput {
public:
    virtual ~WaveInput() = default;  // closes the device; call reset() first when buffers are queued
    virtual void prepare(WaveBuffer& b) = 0;
    // Hands an empty prepared buffer to the device; clears its done state.
    virtual void add(WaveBuffer& b) = 0;
    // Begins recording into the added buffers, in the order they were added.
    virtual void start() = 0;
    // True once the device has filled the whole buffer (or reset returned it).
    virtual bool done(const WaveBuffer& b) = 0;
    virtual void unprepare(WaveBuffer& b) = 0;
    // Stops recording and returns every added buffer as done.
    virtual void reset() = 0;
    // See "Waiting" above.
    virtual void waitEvent(int timeoutMs) = 0;
    virtual void wake() = 0;
    // The platform's handle of the open device (HWAVEIN on Windows), for the mixer; null elsewhere.
    virtual void* nativeHandle() { return nullptr; }
};

// Where wave devices come from. open* return null when the device cannot be
// opened (no such device, or the format refused).
class WaveDevices {
public:
    virtual ~WaveDevices() = default;
    virtual std::unique_ptr<WaveOutput> openOutput(int sampleRate) = 0;
    virtual std::unique_ptr<WaveInput> openInput(int sampleRate) = 0;
};

// The machine's sound devices: on Windows the wave mapper (names ignored); on
// Linux the named ALSA PCMs.
std::unique_ptr<WaveDevices> CreateSystemWaveDevices(const char* inputName = "default",
                                                      const char* outputName = "default");

// One process-wide instance of the system devices with default names, made on first use.
WaveDevices& SystemWaveDevices();

// Input from one set of devices, output from another (neither owned).
class SplitWaveDevices final : public WaveDevices {
public:
    SplitWaveDevices(WaveDevices* input, WaveDevices* output) : input_(input), output_(output) {}
    std::unique_ptr<WaveOutput> openOutput(int sampleRate) override { return output_->openOutput(sampleRate); }
    std::unique_ptr<WaveInput> openInput(int sampleRate) override { return input_->openInput(sampleRate); }

private:
    WaveDevices* input_;
    WaveDevices* output_;
};

}  // namespace kv
