// Truespeech (codec 1) encoder by analysis by synthesis: 240 samples at 8000 Hz
// into one 32-byte block.
//
// Per block, a linear predictor from a 300-sample asymmetric window (the last
// 60 samples of the previous block and this block) with a wide lag window,
// reflection coefficients quantised to the nearest level of their tables, and
// the interpolation flag kept only where the blended filters stay stable.
//
// Per subframe pair, three candidate base lags from an open-loop pitch
// estimate on the residual. Each encodes the pair's first subframe; the best
// two go on to the second, and the candidate whose decoded pair is heard
// closest to the input is kept.
//
// Per subframe, everything is chosen by what the listener hears: the decoder's
// synthesis filter followed by its postfilter. The target is the input minus
// the response of the decoder's memories. The long-term codes are ranked by
// the heard responses of their two shifted copies of the history, the best few
// tried exactly, and the best two go on to the pulses: seven placed greedily
// with least-squares sizes, each then moved to its best place given the others,
// and quantised by a joint search of the gain index, sizes and places. The
// long-term code and pulses heard closest to the target win.
//
// The encoder runs the decoder's own subframe decoding (with the postfilter)
// on every field it emits, so its state equals that of any decoder fed the same
// blocks.
#pragma once

#include <cstdint>

#include "audio/truespeech.h"

namespace kv {

class TrueSpeechEncoder {
public:
    void encode(const int16_t pcm[TrueSpeechBlockSamples], uint8_t block[TrueSpeechBlockBytes]);

    // The decoder state the encoder tracks (as a decoder holds it after the
    // blocks emitted so far).
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
