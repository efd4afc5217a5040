// Wave devices backed by WAV files, paced by a clock in real time, for
// automation and for system tests between real processes.
//
// The device set behaves like one sound card on a timeline that starts when it
// is created, at 8000 or 16000 samples per second (its rate):
// - Microphone: the WAV file is what the room sounds like at each moment. An
//   input started at second t hears the file from second t on (silence after
//   its end); its added buffers fill in order as time passes, and a stretch of
//   time with no empty buffer waiting is lost.
// - Speaker: the WAV file records what is played at each moment (silence while
//   nothing plays). All open, unpaused outputs are mixed (summed, clamped).
//   The file is created with the device set, grows as time passes and is a
//   valid WAV at every moment (its header is rewritten and flushed with every
//   append, 100 ms at a time), so it survives the program being killed.
//
// Only the timeline's rate is offered: open* return null at any other. A
// microphone file at the other rate is resampled to the timeline's when it is
// read, and the speaker file is written at the microphone file's rate (the
// timeline's without one), so that what is heard compares with what was said.
//
// With the real clock, time moves on in a background thread that sleeps until
// the next queued buffer of an unpaused output or a started input is due (and
// wakes at least once a second, for the speaker file), so a device's
// waitEvent() returns as its buffer completes. With a ManualWaveClock there is
// no thread: every device call first brings the timeline up to the clock's
// present, and pump() does so on request.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/wave.h"

namespace kv {

// Time source of a WAV-file device set.
class WaveClock {
public:
    virtual ~WaveClock() = default;
    // Microseconds from any fixed origin; never decreases.
    virtual int64_t nowMicros() = 0;
    // True when time moves only when someone advances it (no background thread then).
    virtual bool manual() const { return false; }
};

// std::chrono::steady_clock.
class SteadyWaveClock final : public WaveClock {
public:
    int64_t nowMicros() override;
};

// The wall clock (microseconds since 1970), so that several processes on one
// machine can share one timeline: give each the same origin.
class SystemWaveClock final : public WaveClock {
public:
    int64_t nowMicros() override;
};

// Time that only moves when a test says so. Thread-safe.
class ManualWaveClock final : public WaveClock {
public:
    int64_t nowMicros() override { return now_.load(); }
    bool manual() const override { return true; }
    void advanceMicros(int64_t us) { now_.fetch_add(us); }
    void advanceMs(int64_t ms) { advanceMicros(ms * 1000); }

private:
    std::atomic<int64_t> now_{0};
};

class WavFileCore;
class WavFileTicker;
class WavRoom;

class WavFileDevices final : public WaveDevices {
public:
    static constexpr int SampleRate = 8000;

    explicit WavFileDevices(std::shared_ptr<WavFileCore> core);
    // Brings the timeline up to now, finalises the speaker file and stops time:
    // devices still open afterwards play and record nothing more.
    ~WavFileDevices() override;
    WavFileDevices(const WavFileDevices&) = delete;
    WavFileDevices& operator=(const WavFileDevices&) = delete;

    // Null without a speaker file or at a rate other than the timeline's.
    std::unique_ptr<WaveOutput> openOutput(int sampleRate) override;
    // Null without a microphone file or at a rate other than the timeline's.
    std::unique_ptr<WaveInput> openInput(int sampleRate) override;

    // Processes the timeline up to the clock's present and writes everything
    // played so far to the speaker file.
    void pump();

private:
    std::shared_ptr<WavFileCore> core_;
    std::unique_ptr<WavFileTicker> ticker_;
};

// micPath and speakerPath may each be null or empty: that direction then
// cannot be opened. The microphone file is read whole now and must be PCM
// WAV, 8000 or 16000 Hz, mono, 16-bit; the speaker file is created (truncated)
// now. rate is the timeline's (8000 or 16000); a room must run at it.
// Returns null and a message in *error (when given) if either fails. The
// clock, when given, must outlive the device set; null means the steady clock.
// The timeline starts now, or at originMicros on the clock when that is not
// negative (a past origin: the speaker file begins with the silence since then
// and the microphone is heard from that far into its file). With a room (see
// wav_room.h) the microphone also hears what the speaker plays; the outputs
// play then even without a speaker file.
std::unique_ptr<WavFileDevices> CreateWavFileDevices(const char* micPath, const char* speakerPath,
                                                     std::string* error, WaveClock* clock = nullptr,
                                                     int64_t originMicros = -1,
                                                     std::shared_ptr<WavRoom> room = nullptr,
                                                     int rate = WavFileDevices::SampleRate);

// Reads the samples of a PCM WAV file that is 8000 or 16000 Hz, mono,
// 16-bit, and its rate (when rate is given). False with a message (naming the
// path) in *error when it cannot be read or has another format.
bool ReadPcmMonoWav(const char* path, std::vector<int16_t>* samples, int* rate, std::string* error);
// The same for 8000 Hz only.
bool ReadPcm8kMonoWav(const char* path, std::vector<int16_t>* samples, std::string* error);

// Speech at fromRate as it sounds at toRate (speexdsp's resampler, its delay
// taken out): in.size() x toRate / fromRate samples.
std::vector<int16_t> ResampleSpeech(const std::vector<int16_t>& in, int fromRate, int toRate);

}  // namespace kv
