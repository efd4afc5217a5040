#include "audio/truespeech_encoder.h"

#include <cmath>
#include <cstring>

#include "audio/truespeech_tables.h"

namespace kv {

using namespace truespeech;

namespace {

constexpr int N = TrueSpeechSubframeSamples;
constexpr int Window = 300;

// Hamming window and lag window (60 Hz Gaussian), computed once.
struct Windows {
    float hamming[Window];
    double lag[9];
    Windows() {
        const double pi = 3.14159265358979323846;
        for (int n = 0; n < Window; ++n) hamming[n] = float(0.54 - 0.46 * std::cos(2 * pi * n / (Window - 1)));
        for (int k = 0; k < 9; ++k) {
            double x = 2 * pi * 60.0 * k / 8000.0;
            lag[k] = std::exp(-0.5 * x * x);
        }
    }
};
const Windows& TheWindows() {
    static const Windows w;
    return w;
}

// C(n, r) for n 0..29, r 0..3.
uint32_t Choose(int n, int r) {
    if (r > n) return 0;
    uint32_t c = 1;
    for (int i = 0; i < r; ++i) c = c * uint32_t(n - i) / uint32_t(i + 1);
    return c;
}

// The rank the decoder reads back as these positions (ascending, 0..29).
uint32_t Rank(const int* positions, int count) {
    uint32_t R = 0;
    int r = count, next = 0;
    for (int p = 0; p < 30 && r > 0; ++p) {
        if (positions[next] == p) {
            ++next;
            --r;
        } else {
            R += Choose(29 - p, r - 1);
        }
    }
    return R;
}

// Levinson-Durbin on r[0..8]: reflection coefficients k[0..7] with
// A(z) = 1 + sum a_i z^-i, the last coefficient of each order being k.
void Levinson(const double r[9], double k[8]) {
    double a[9] = {1}, e = r[0];
    for (int i = 0; i < 8; ++i) k[i] = 0;
    if (!(e > 0)) return;
    for (int i = 1; i <= 8; ++i) {
        double acc = r[i];
        for (int j = 1; j < i; ++j) acc += a[j] * r[i - j];
        double ki = -acc / e;
        if (ki > 0.999) ki = 0.999;
        if (ki < -0.999) ki = -0.999;
        double old[9];
        std::memcpy(old, a, sizeof a);
        for (int j = 1; j < i; ++j) a[j] = old[j] + ki * old[i - j];
        a[i] = ki;
        k[i - 1] = ki;
        e *= 1 - ki * ki;
        if (!(e > 0)) break;
    }
}

// Whether the Q12 synthesis filter y = u + sum F[k] y[n-1-k] has all its poles
// inside radius 0.995 (step-down recursion on the radius-scaled polynomial).
bool Stable(const int16_t F[8]) {
    double a[9] = {1}, scale = 1;
    for (int i = 1; i <= 8; ++i) {
        scale /= 0.995;
        a[i] = -F[i - 1] / 4096.0 * scale;
    }
    for (int i = 8; i >= 1; --i) {
        double k = a[i];
        if (!(std::fabs(k) < 1)) return false;
        double d = 1 - k * k, old[9];
        std::memcpy(old, a, sizeof a);
        for (int j = 1; j < i; ++j) a[j] = (old[j] - k * old[i - j]) / d;
    }
    return true;
}

int Nearest(const int16_t* levels, int count, double value) {
    int best = 0;
    double bestDistance = 1e300;
    for (int i = 0; i < count; ++i) {
        double d = std::fabs(levels[i] - value);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Zero-state response of the synthesis filter f to x.
void Synthesise(const float f[8], const float* x, float* y) {
    for (int n = 0; n < N; ++n) {
        float s = x[n];
        for (int k = 0; k < 8 && k < n; ++k) s += f[k] * y[n - 1 - k];
        y[n] = s;
    }
}

}  // namespace

void TrueSpeechEncoder::encode(const int16_t pcm[TrueSpeechBlockSamples], uint8_t bytes[TrueSpeechBlockBytes]) {
    const Windows& w = TheWindows();
    TrueSpeechBlock b;

    // 1. Linear prediction over the previous 60 samples and this block.
    float windowed[Window];
    for (int n = 0; n < Past; ++n) windowed[n] = previous_[n] * w.hamming[n];
    for (int n = 0; n < TrueSpeechBlockSamples; ++n) windowed[Past + n] = pcm[n] * w.hamming[Past + n];
    double r[9];
    for (int k = 0; k < 9; ++k) {
        double s = 0;
        for (int n = k; n < Window; ++n) s += double(windowed[n]) * windowed[n - k];
        r[k] = s * w.lag[k];
    }
    r[0] = r[0] * 1.0001 + 1.0;  // white-noise correction; silence stays well defined
    double k[8];
    Levinson(r, k);
    for (int i = 0; i < 8; ++i) b.k[i] = uint8_t(Nearest(ReflectionLevels[i], 1 << ReflectionBits[i], k[i] * 32768));

    int16_t c[8], F[4][8];
    int tilt = 0;
    TrueSpeechPredictor(b.k, c, &tilt);

    // 2. Interpolate unless a blended filter would be unstable.
    TrueSpeechSubframeFilters(c, state_.P, true, F);
    b.flag = Stable(F[0]) && Stable(F[1]) ? 1 : 0;
    if (!b.flag) TrueSpeechSubframeFilters(c, state_.P, false, F);

    // The residual of the input through each subframe's filter, after the
    // history kept for the pitch search.
    float* res = residual_ + ResidualKeep;
    for (int q = 0; q < 4; ++q) {
        for (int n = 0; n < N; ++n) {
            float x = pcm[q * N + n], s = x;
            for (int i = 0; i < 8; ++i) s -= F[q][i] / 4096.0f * inputMemory_[i];
            std::memmove(inputMemory_ + 1, inputMemory_, 7 * sizeof(float));
            inputMemory_[0] = x;
            res[q * N + n] = s;
        }
    }

    // 3. Base lag of each subframe pair by open-loop pitch on the residual:
    // the lag of best normalised correlation, placed inside the codes' span.
    for (int pair = 0; pair < 2; ++pair) {
        const float* x = res + pair * 2 * N;
        int bestLag = 40;
        double bestScore = 0;
        for (int lag = 18; lag <= 145; ++lag) {
            double xy = 0, yy = 1e-3;
            for (int n = 0; n < 2 * N; ++n) {
                xy += double(x[n]) * x[n - lag];
                yy += double(x[n - lag]) * x[n - lag];
            }
            double score = xy > 0 ? xy * xy / yy : 0;
            if (score > bestScore * 1.0001) {
                bestScore = score;
                bestLag = lag;
            }
        }
        int base = bestLag - 18 - 2;
        if (base < 0) base = 0;
        if (base > 122) base = 122;
        (pair == 0 ? b.lagA : b.lagB) = uint8_t(base);
    }

    for (int q = 0; q < 4; ++q) {
        float f[8];
        for (int i = 0; i < 8; ++i) f[i] = F[q][i] / 4096.0f;

        // Target: input minus the zero-input response from the current S1.
        float target[N], memory[8];
        for (int i = 0; i < 8; ++i) memory[i] = state_.S1[i];
        for (int n = 0; n < N; ++n) {
            float y = 0;
            for (int i = 0; i < 8; ++i) y += f[i] * memory[i];
            std::memmove(memory + 1, memory, 7 * sizeof(float));
            memory[0] = y;
            target[n] = pcm[q * N + n] - y;
        }

        // Closed-loop search of the long-term codes.
        const int base = q < 2 ? b.lagA : b.lagB;
        double targetEnergy = 0;
        for (int n = 0; n < N; ++n) targetEnergy += double(target[n]) * target[n];
        int bestCode = TrueSpeechNoLongTerm;
        double bestError = targetEnergy;
        float bestFiltered[N] = {};
        for (int t = 0; t < TrueSpeechNoLongTerm; ++t) {
            int16_t v[N];
            TrueSpeechLongTerm(state_.H, t, base, v);
            float vf[N], y[N];
            for (int n = 0; n < N; ++n) vf[n] = v[n];
            Synthesise(f, vf, y);
            double error = 0;
            for (int n = 0; n < N; ++n) {
                double d = double(target[n]) - y[n];
                error += d * d;
            }
            if (error < bestError) {
                bestError = error;
                bestCode = t;
                std::memcpy(bestFiltered, y, sizeof y);
            }
        }
        b.ltp[q] = uint8_t(bestCode);
        float remaining[N];
        for (int n = 0; n < N; ++n) remaining[n] = target[n] - bestFiltered[n];

        // 4. Pulses. Impulse response, its correlations and the backward-filtered target.
        float impulse[N] = {1}, h[N];
        Synthesise(f, impulse, h);
        static thread_local float phi[N][N];
        for (int d = 0; d < N; ++d) {
            // phi(i, i + d) = sum over m = 0..59-(i+d) of h[m + d] h[m].
            float cum = 0;
            for (int m = 0; m + d < N; ++m) {
                cum += h[m + d] * h[m];
                int j = N - 1 - m, i = j - d;  // 59 - j == m
                phi[i][j] = phi[j][i] = cum;
            }
        }
        double corr[N];
        for (int n = 0; n < N; ++n) {
            double s = 0;
            for (int m = n; m < N; ++m) s += double(remaining[m]) * h[m - n];
            corr[n] = s;
        }

        // Greedy placement: 3 pulses in 0..29, 4 in 30..59.
        double d[N];
        std::memcpy(d, corr, sizeof d);
        bool used[N] = {};
        int left[2] = {3, 4};
        int chosen[7], count = 0;
        for (int p = 0; p < 7; ++p) {
            int best = -1;
            double bestScore = -1;
            for (int n = 0; n < N; ++n) {
                if (used[n] || left[n / 30] == 0) continue;
                double score = d[n] * d[n] / (phi[n][n] + 1e-9);
                if (score > bestScore) {
                    bestScore = score;
                    best = n;
                }
            }
            used[best] = true;
            --left[best / 30];
            chosen[count++] = best;
            double g = d[best] / (phi[best][best] + 1e-9);
            for (int n = 0; n < N; ++n) d[n] -= g * phi[n][best];
        }
        // Positions in ascending order: the decoder gives the amp codes in that order.
        for (int i = 1; i < 7; ++i)
            for (int j = i; j > 0 && chosen[j] < chosen[j - 1]; --j) std::swap(chosen[j], chosen[j - 1]);

        // Least-squares sizes of the seven pulses.
        double A[7][8];
        for (int i = 0; i < 7; ++i) {
            for (int j = 0; j < 7; ++j) A[i][j] = phi[chosen[i]][chosen[j]];
            A[i][i] += 1e-6 * (phi[chosen[i]][chosen[i]] + 1e-9);
            A[i][7] = corr[chosen[i]];
        }
        for (int col = 0; col < 7; ++col) {
            int pivot = col;
            for (int row = col + 1; row < 7; ++row)
                if (std::fabs(A[row][col]) > std::fabs(A[pivot][col])) pivot = row;
            for (int j = 0; j < 8; ++j) std::swap(A[col][j], A[pivot][j]);
            double p = A[col][col];
            if (std::fabs(p) < 1e-12) p = 1e-12;
            for (int row = col + 1; row < 7; ++row) {
                double m = A[row][col] / p;
                for (int j = col; j < 8; ++j) A[row][j] -= m * A[col][j];
            }
        }
        double size[7];
        for (int i = 6; i >= 0; --i) {
            double s = A[i][7];
            for (int j = i + 1; j < 7; ++j) s -= A[i][j] * size[j];
            double p = std::fabs(A[i][i]) < 1e-12 ? 1e-12 : A[i][i];
            size[i] = s / p;
            if (!std::isfinite(size[i])) size[i] = 0;
        }

        // Gain index and the +-G/+-3G codes, chosen jointly by the error
        // -2 G sum s_i corr_i + G^2 sum s_i s_j phi_ij.
        static const int Level[4] = {1, 3, -1, -3};
        int bestGain = 0, bestCodes[7] = {};
        double bestCost = 1e300;
        for (int g = 0; g < 16; ++g) {
            const double G = Gains[g];
            int codes[7];
            double s[7];
            for (int i = 0; i < 7; ++i) {
                double x = size[i] / G;
                int code = x >= 2 ? 1 : x >= 0 ? 0 : x > -2 ? 2 : 3;
                codes[i] = code;
                s[i] = Level[code] * G;
            }
            double cost = 0;
            for (int i = 0; i < 7; ++i) {
                cost -= 2 * s[i] * corr[chosen[i]];
                for (int j = 0; j < 7; ++j) cost += s[i] * s[j] * phi[chosen[i]][chosen[j]];
            }
            if (cost < bestCost) {
                bestCost = cost;
                bestGain = g;
                std::memcpy(bestCodes, codes, sizeof codes);
            }
        }
        b.gain[q] = uint8_t(bestGain);
        uint16_t amp = 0;
        for (int i = 0; i < 7; ++i) amp = uint16_t(amp | bestCodes[i] << (12 - 2 * i));
        b.amp[q] = amp;
        int second[4];
        for (int i = 0; i < 4; ++i) second[i] = chosen[3 + i] - 30;
        b.pos[q] = Rank(chosen, 3) << 15 | Rank(second, 4);

        // The decoder's own update of H and S1 on exactly these fields.
        int16_t out[N];
        DecodeSubframe(state_, b, q, F[q], tilt, out, false);
    }
    std::memcpy(state_.P, c, sizeof c);

    // Keep what the next block needs.
    for (int n = 0; n < Past; ++n) previous_[n] = pcm[TrueSpeechBlockSamples - Past + n];
    std::memmove(residual_, residual_ + TrueSpeechBlockSamples, ResidualKeep * sizeof(float));
    PackBlock(b, bytes);
}

}  // namespace kv
