// Sample-rate conversion of 16-bit mono speech (speexdsp's resampler), for
// a party whose codec runs at another rate than the audio core: 8000 Hz GSM
// 6.10 and Truespeech beside 16000 Hz Opus. A stream keeps its filter's
// state from call to call, so that frame after frame joins without a seam;
// its output lags its input by latency() samples of the output rate.
#pragma once

#include <cstdint>

struct SpeexResamplerState_;

namespace kv {

class Resampler {
public:
    // speexdsp's 0..10; 3 is its VoIP choice. The filter delays the voice by
    // 3 ms at either edge of an 8000 Hz codec (5 ms at 5, speexdsp's desktop
    // choice), and the codecs it serves carry nothing above 4 kHz anyway.
    static constexpr int Quality = 3;

    Resampler() = default;
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // False when the rates are not positive or speexdsp refuses.
    bool open(int fromRate, int toRate);
    bool isOpen() const { return state_ != nullptr; }
    // Converts n samples; writes at most maxOut and returns how many (n x
    // toRate / fromRate when the ratio is whole and maxOut allows).
    int process(const int16_t* in, int n, int16_t* out, int maxOut);
    int latency() const;
    // Forgets the filter's memory (a new talk spurt, a new party).
    void reset();

private:
    SpeexResamplerState_* state_ = nullptr;
};

}  // namespace kv
