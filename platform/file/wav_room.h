// A room for the WAV-file devices: what their microphone hears is its file
// (the near talker) plus what their speaker played, DelayMs later, through an
// impulse response and scaled, plus a little noise. Deterministic: the same
// files and the same timeline give the same samples.
//
// The room runs at the rate of its devices (8000 or 16000 Hz). The impulse
// response comes from a WAV file (8000 or 16000 Hz, resampled to the room's,
// mono, 16-bit; a decaying noise tail, say) or is generated; it is scaled to unit energy and
// then by the room's gain, so the echo of a steady sound is `gain` times its
// level.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kv {

class WavRoom {
public:
    static constexpr int DelayMs = 20;
    static constexpr int MaxImpulseMs = 500;
    static constexpr int MaxImpulseSamples = 4000;  // half a second at 8000 Hz
    static constexpr double DefaultGain = 1.0;       // the loudspeaker back at its own level
    static constexpr int NoiseAmplitude = 24;        // uniform, about -66 dB from full scale

    // The impulse response in a mono 16-bit WAV file: null with a message
    // naming the file when it cannot be read, is silent or too long.
    static std::shared_ptr<WavRoom> FromFile(const char* path, std::string* error, double gain = DefaultGain,
                                             int rate = 8000);
    // A decaying noise tail of the length, falling by 60 dB over it.
    static std::shared_ptr<WavRoom> Generated(int lengthMs, uint32_t seed, double gain = DefaultGain,
                                              int rate = 8000);

    WavRoom(std::vector<float> impulse, double gain, int rate = 8000);
    int rate() const { return rate_; }

    // What the speaker played at timeline samples [first, first + n), in order.
    void played(int64_t first, const int32_t* mix, int n);
    // What the microphone hears at timeline sample t, where the near talker says `near`;
    // t is never before what was played last (sound takes DelayMs to arrive).
    int16_t heard(int64_t t, int16_t near);

private:
    std::vector<float> impulse_;
    std::vector<float> history_;  // a power of two above the delay, the tail and one step of the timeline
    int64_t mask_;
    int rate_;
    int delay_;
};

}  // namespace kv
