// Truespeech (codec 1) encoder by analysis by synthesis: 240 samples at 8000 Hz
// into one 32-byte block.
//
// Per block, a linear predictor from a 300-sample Hamming window (the last 60
// samples of the previous block and this block), reflection coefficients
// quantised to the nearest level of their tables, and the interpolation flag
// kept only where the blended filters stay stable. Per subframe, a base lag from
// an open-loop pitch estimate on the residual, a closed-loop search of the
// long-term codes against the target (input minus the synthesis filter's
// zero-input response), then seven pulses placed greedily and a joint choice of
// the gain index and the pulse sizes.
//
// The encoder runs the decoder's own subframe decoding (without the postfilter)
// on every field it emits, so its state equals that of any decoder fed the same
// blocks.
#pragma once

#include <cstdint>

#include "audio/truespeech.h"

namespace kv {

class TrueSpeechEncoder {
public:
    void encode(const int16_t pcm[TrueSpeechBlockSamples], uint8_t block[TrueSpeechBlockBytes]);

    // The decoder state the encoder tracks (as a decoder without postfilter
    // would hold it after the blocks emitted so far).
    const TrueSpeechState& state() const { return state_; }

private:
    static constexpr int Past = 60;                          // input samples kept for the window
    static constexpr int ResidualKeep = 160;                 // residual history for the pitch search

    TrueSpeechState state_;
    float previous_[Past] = {};                              // last 60 input samples
    float residual_[ResidualKeep + TrueSpeechBlockSamples] = {};
    float inputMemory_[8] = {};                              // newest first, for the residual filter
};

}  // namespace kv
