// Truespeech (codec 1, format tag 0x0022): 32-byte blocks of 240 samples at
// 8000 Hz. The block layout, and the decoder with its exact integer arithmetic,
// so that our samples equal those of the deployed decoders bit for bit.
//
// A block has four 60-sample subframes. Eight reflection levels give a Q12
// predictor; each subframe's excitation is a long-term prediction from the
// excitation history plus seven pulses; a synthesis filter, then a postfilter.
//
// The pieces an encoder needs to follow the decoder's state exactly are public:
// the predictor from the K indices, the subframe filters, the long-term
// prediction and the pulses of one subframe, and decoding one subframe with or
// without the postfilter (which keeps its own state, S2 and S3, apart).
#pragma once

#include <cstdint>

namespace kv {

constexpr int TrueSpeechBlockBytes = 32;
constexpr int TrueSpeechBlockSamples = 240;
constexpr int TrueSpeechSubframeSamples = 60;
constexpr int TrueSpeechHistorySamples = 146;
// Long-term code without a long-term part.
constexpr int TrueSpeechNoLongTerm = 127;

// The fields of one block, unpacked. Each holds at most its width in bits:
// k[i] (field K(i+1)) 5, 5, 4, 4, 4, 3, 3, 3; flag 1; lags 8; ltp 7; amp 14;
// pos 27 (12 bits for pulses 1-3, then 15 for pulses 4-7); gain 4.
struct TrueSpeechBlock {
    uint8_t k[8] = {};
    uint8_t flag = 0;
    uint8_t lagA = 0;  // base lag of subframes 0 and 1
    uint8_t lagB = 0;  // base lag of subframes 2 and 3
    uint8_t ltp[4] = {};
    uint16_t amp[4] = {};
    uint32_t pos[4] = {};
    uint8_t gain[4] = {};
};

TrueSpeechBlock UnpackBlock(const uint8_t bytes[TrueSpeechBlockBytes]);
// Exact inverse of UnpackBlock; bits above a field's width are ignored.
void PackBlock(const TrueSpeechBlock& block, uint8_t bytes[TrueSpeechBlockBytes]);

// The decoder's state from block to block; all zero at the start.
struct TrueSpeechState {
    int16_t P[8] = {};                          // the previous block's predictor
    int16_t H[TrueSpeechHistorySamples] = {};   // excitation history, oldest first
    int16_t S1[8] = {};                         // synthesis memory, newest first
    int16_t S2[8] = {};                         // postfilter memories, newest first
    int16_t S3[8] = {};
};

// The Q12 predictor c[0..7] of the K indices; *tilt receives the first
// reflection level (Q15), which steers the postfilter's tilt.
void TrueSpeechPredictor(const uint8_t k[8], int16_t c[8], int* tilt);

// The filters of the four subframes from this block's predictor c, the
// previous block's P and the interpolation flag.
void TrueSpeechSubframeFilters(const int16_t c[8], const int16_t P[8], bool interpolate, int16_t F[4][8]);

// The long-term prediction of one subframe from the excitation history H;
// code 127 (or any outside 0..126) gives none. The base lag is 0..255 (others
// are clamped to that range).
void TrueSpeechLongTerm(const int16_t H[TrueSpeechHistorySamples], int ltpCode, int baseLag,
                        int16_t v[TrueSpeechSubframeSamples]);

// The seven pulses of one subframe. A rank too large for its half leaves that
// half's remaining pulses unplaced.
void TrueSpeechPulses(uint16_t amp, uint32_t pos, int gain, int16_t e[TrueSpeechSubframeSamples]);

// Subframe q (0..3) of block b with filter F: long-term part and pulses, the history
// update, synthesis and, when postfilter is set, the postfilter (S2, S3).
void DecodeSubframe(TrueSpeechState& state, const TrueSpeechBlock& b, int q, const int16_t F[8],
                    int tilt, int16_t out[TrueSpeechSubframeSamples], bool postfilter);

// One whole block; sets P to the block's predictor at the end. Without the
// postfilter the output is the synthesis filter's, and S2, S3 stay untouched.
void DecodeBlock(TrueSpeechState& state, const TrueSpeechBlock& b,
                 int16_t out[TrueSpeechBlockSamples], bool postfilter = true);
void DecodeBlock(TrueSpeechState& state, const uint8_t bytes[TrueSpeechBlockBytes],
                 int16_t out[TrueSpeechBlockSamples], bool postfilter = true);

}  // namespace kv
