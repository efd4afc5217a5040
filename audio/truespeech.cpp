#include "audio/truespeech.h"

#include <cstring>

#include "audio/truespeech_tables.h"

namespace kv {

using namespace truespeech;

namespace {

// Two's-complement wraps to 16 and to 32 bits. Sums are formed in 64 bits and
// wrapped before every shift, which gives exactly the 32-bit arithmetic of the
// deployed decoders (a ring's sums and products do not care where they wrap).
inline int16_t Wrap16(int64_t x) { return static_cast<int16_t>(static_cast<uint16_t>(x & 0xFFFF)); }
inline int32_t Wrap32(int64_t x) { return static_cast<int32_t>(static_cast<uint32_t>(x & 0xFFFFFFFF)); }
inline int16_t Clip(int64_t x) { return static_cast<int16_t>(x < -32766 ? -32766 : x > 32766 ? 32766 : x); }

// C(n, r) for n 0..29, r 0..3 (the pulse ranks need no more).
struct Binomials {
    uint32_t c[30][4] = {};
    constexpr Binomials() {
        for (int n = 0; n < 30; ++n) {
            c[n][0] = 1;
            for (int r = 1; r < 4; ++r) c[n][r] = n == 0 ? 0 : c[n - 1][r - 1] + c[n - 1][r];
        }
    }
};
constexpr Binomials Binomial;

// Places up to r pulses at positions 0..29 of half[] by the combinatorial rank
// R, taking their values from *values on and advancing it past those used.
void PlaceHalf(uint32_t R, int r, const int16_t*& values, int16_t* half) {
    for (int p = 0; p < 30 && r > 0; ++p) {
        uint32_t skip = Binomial.c[29 - p][r - 1];
        if (R >= skip) {
            R -= skip;
        } else {
            half[p] = *values++;
            --r;
        }
    }
}

// One output sample through an 8-tap memory: the sum of memory times
// coefficients, wrapped to 32 bits.
inline int64_t Dot8(const int16_t* memory, const int* coefficients) {
    int64_t s = 0;
    for (int k = 0; k < 8; ++k) s += int64_t(memory[k]) * coefficients[k];
    return s;
}

inline void Push(int16_t* memory, int16_t value) {
    std::memmove(memory + 1, memory, 7 * sizeof(int16_t));
    memory[0] = value;
}

}  // namespace

TrueSpeechBlock UnpackBlock(const uint8_t bytes[TrueSpeechBlockBytes]) {
    uint32_t w[8];
    for (int i = 0; i < 8; ++i)
        w[i] = uint32_t(bytes[4 * i]) | uint32_t(bytes[4 * i + 1]) << 8 | uint32_t(bytes[4 * i + 2]) << 16 |
               uint32_t(bytes[4 * i + 3]) << 24;
    TrueSpeechBlock b;
    // Word 0, most significant first: K8 K7 K6 K5 K4 K3 K2 K1 flag.
    int shift = 32;
    for (int i = 7; i >= 0; --i) {
        shift -= ReflectionBits[i];
        b.k[i] = uint8_t((w[0] >> shift) & ((1u << ReflectionBits[i]) - 1));
    }
    b.flag = uint8_t(w[0] & 1);
    b.lagA = uint8_t((w[1] >> 28) << 4);
    for (int q = 0; q < 4; ++q) b.ltp[q] = uint8_t((w[1] >> (7 * q)) & 0x7F);
    b.lagB = uint8_t((w[2] >> 28) | (w[3] >> 28) << 4);
    b.amp[0] = uint16_t(w[2] & 0x3FFF);
    b.amp[1] = uint16_t((w[2] >> 14) & 0x3FFF);
    b.amp[2] = uint16_t(w[3] & 0x3FFF);
    b.amp[3] = uint16_t((w[3] >> 14) & 0x3FFF);
    for (int q = 0; q < 4; ++q) {
        b.lagA = uint8_t(b.lagA | (w[4 + q] >> 31) << q);
        b.pos[q] = (w[4 + q] >> 4) & 0x7FFFFFF;
        b.gain[q] = uint8_t(w[4 + q] & 0xF);
    }
    return b;
}

void PackBlock(const TrueSpeechBlock& b, uint8_t bytes[TrueSpeechBlockBytes]) {
    uint32_t w[8] = {};
    int shift = 32;
    for (int i = 7; i >= 0; --i) {
        shift -= ReflectionBits[i];
        w[0] |= (uint32_t(b.k[i]) & ((1u << ReflectionBits[i]) - 1)) << shift;
    }
    w[0] |= b.flag & 1u;
    w[1] = uint32_t(b.lagA >> 4) << 28;
    for (int q = 0; q < 4; ++q) w[1] |= (b.ltp[q] & 0x7Fu) << (7 * q);
    w[2] = uint32_t(b.lagB & 0xF) << 28 | (b.amp[1] & 0x3FFFu) << 14 | (b.amp[0] & 0x3FFFu);
    w[3] = uint32_t(b.lagB >> 4) << 28 | (b.amp[3] & 0x3FFFu) << 14 | (b.amp[2] & 0x3FFFu);
    for (int q = 0; q < 4; ++q)
        w[4 + q] = uint32_t((b.lagA >> q) & 1) << 31 | (b.pos[q] & 0x7FFFFFFu) << 4 | (b.gain[q] & 0xFu);
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) bytes[4 * i + j] = uint8_t(w[i] >> (8 * j));
}

void TrueSpeechPredictor(const uint8_t k[8], int16_t c[8], int* tilt) {
    int level[8];
    for (int i = 0; i < 8; ++i) level[i] = ReflectionLevels[i][k[i] & ((1u << ReflectionBits[i]) - 1)];
    for (int i = 0; i < 8; ++i) {
        if (i > 0) {
            int16_t old[8];
            std::memcpy(old, c, size_t(i) * sizeof(int16_t));  // c[i..7] are not set yet
            for (int j = 0; j < i; ++j) c[j] = Wrap16(c[j] + ((old[i - 1 - j] * level[i] + 16384) >> 15));
        }
        c[i] = Wrap16((8 - level[i]) >> 3);
    }
    for (int i = 0; i < 8; ++i) c[i] = Wrap16((c[i] * Bandwidth[i]) >> 15);
    *tilt = level[0];
}

void TrueSpeechSubframeFilters(const int16_t c[8], const int16_t P[8], bool interpolate, int16_t F[4][8]) {
    for (int i = 0; i < 8; ++i) {
        if (interpolate) {
            F[0][i] = Wrap16((c[i] * 21846 + P[i] * 10923 + 16384) >> 15);
            F[1][i] = Wrap16((c[i] * 10923 + P[i] * 21846 + 16384) >> 15);
        } else {
            F[0][i] = F[1][i] = P[i];
        }
        F[2][i] = F[3][i] = c[i];
    }
}

void TrueSpeechLongTerm(const int16_t H[TrueSpeechHistorySamples], int ltpCode, int baseLag,
                        int16_t v[TrueSpeechSubframeSamples]) {
    if (ltpCode < 0 || ltpCode >= TrueSpeechNoLongTerm) {
        std::memset(v, 0, TrueSpeechSubframeSamples * sizeof(int16_t));
        return;
    }
    if (baseLag < 0) baseLag = 0;
    if (baseLag > 255) baseLag = 255;
    int lag = ltpCode / 25 + baseLag + 18;  // 18 at least: every sample read is already known
    if (lag > TrueSpeechHistorySamples - 1) lag = TrueSpeechHistorySamples - 1;
    const int a = Taps[ltpCode % 25][0], b = Taps[ltpCode % 25][1];
    // The history followed by the prediction itself: a lag under 60 repeats it.
    int16_t x[TrueSpeechHistorySamples + TrueSpeechSubframeSamples] = {};
    std::memcpy(x, H, TrueSpeechHistorySamples * sizeof(int16_t));
    for (int n = 0; n < TrueSpeechSubframeSamples; ++n) {
        // |a| + |b| < 2^15, so the sum stays within 32 bits.
        int16_t value = Wrap16((x[145 - lag + n] * a + x[146 - lag + n] * b + 8192) >> 14);
        x[TrueSpeechHistorySamples + n] = value;
        v[n] = value;
    }
}

void TrueSpeechPulses(uint16_t amp, uint32_t pos, int gain, int16_t e[TrueSpeechSubframeSamples]) {
    std::memset(e, 0, TrueSpeechSubframeSamples * sizeof(int16_t));
    const int g = Gains[gain & 0xF];
    int16_t values[7];
    for (int p = 0; p < 7; ++p) {
        switch ((amp >> (12 - 2 * p)) & 3) {
            case 0: values[p] = int16_t(g); break;
            case 1: values[p] = int16_t(3 * g); break;
            case 2: values[p] = int16_t(-g); break;
            default: values[p] = int16_t(-3 * g); break;
        }
    }
    // Values go to the pulses actually placed, in order: when a rank too large
    // leaves pulses of the first half unplaced, the second half starts with
    // the first unused value, not with the fourth.
    const int16_t* next = values;
    PlaceHalf((pos >> 15) & 0xFFF, 3, next, e);
    PlaceHalf(pos & 0x7FFF, 4, next, e + 30);
}

void DecodeSubframe(TrueSpeechState& s, const TrueSpeechBlock& b, int q, const int16_t F[8], int tilt,
                    int16_t out[TrueSpeechSubframeSamples], bool postfilter) {
    constexpr int N = TrueSpeechSubframeSamples, Keep = TrueSpeechHistorySamples - N;
    int16_t v[N], e[N];
    TrueSpeechLongTerm(s.H, b.ltp[q], q < 2 ? b.lagA : b.lagB, v);
    TrueSpeechPulses(b.amp[q], b.pos[q], b.gain[q], e);

    // The stored history leaks one eighth of the long-term part.
    std::memmove(s.H, s.H + N, Keep * sizeof(int16_t));
    for (int n = 0; n < N; ++n) s.H[Keep + n] = Wrap16(e[n] + v[n] - (v[n] >> 3));

    int f[8];
    for (int k = 0; k < 8; ++k) f[k] = F[k];
    for (int n = 0; n < N; ++n) {
        int16_t u = Wrap16(e[n] + v[n]);
        int16_t y = Clip(u + (Wrap32(Dot8(s.S1, f) + 2048) >> 12));
        Push(s.S1, y);
        out[n] = y;
    }
    if (!postfilter) return;

    int zeros[8], poles[8];
    for (int k = 0; k < 8; ++k) {
        zeros[k] = (PostZeros[k] * f[k]) >> 15;
        poles[k] = (PostPoles[k] * f[k]) >> 15;
    }
    const int tiltTap = tilt - (tilt >> 2);
    for (int n = 0; n < N; ++n) {
        int32_t sum = Wrap32(Dot8(s.S2, zeros));
        Push(s.S2, out[n]);
        int16_t y = Wrap16(out[n] + (Wrap32(-int64_t(sum)) >> 12));

        int32_t t = Wrap32(int64_t(y) * 4096 + Dot8(s.S3, poles));
        Push(s.S3, Clip(Wrap32(int64_t(t) + 2048) >> 12));
        t = Wrap32(int64_t(t) + ((s.S3[1] * tiltTap) >> 4));
        t = Wrap32(int64_t(t) - (t >> 3));
        out[n] = Clip(Wrap32(int64_t(t) + 2048) >> 12);
    }
}

void DecodeBlock(TrueSpeechState& state, const TrueSpeechBlock& b, int16_t out[TrueSpeechBlockSamples],
                 bool postfilter) {
    int16_t c[8] = {}, F[4][8];
    int tilt = 0;
    TrueSpeechPredictor(b.k, c, &tilt);
    TrueSpeechSubframeFilters(c, state.P, b.flag != 0, F);
    for (int q = 0; q < 4; ++q)
        DecodeSubframe(state, b, q, F[q], tilt, out + q * TrueSpeechSubframeSamples, postfilter);
    std::memcpy(state.P, c, sizeof(c));
}

void DecodeBlock(TrueSpeechState& state, const uint8_t bytes[TrueSpeechBlockBytes],
                 int16_t out[TrueSpeechBlockSamples], bool postfilter) {
    DecodeBlock(state, UnpackBlock(bytes), out, postfilter);
}

}  // namespace kv
