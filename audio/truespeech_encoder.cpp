#include "audio/truespeech_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/truespeech_tables.h"

namespace kv {

using namespace truespeech;

namespace {

constexpr int N = TrueSpeechSubframeSamples;
// The analysis window: 300 samples (the last 60 of the previous block and this
// block), rising as half a Hamming window over the first 240 and falling as a
// quarter cosine over the last 60, so that it weighs most the third subframe,
// from where this block's filter is used unblended.
constexpr int Window = 300;
constexpr int Rise = 240;
constexpr int Bases = 3;  // base lags tried per subframe pair
constexpr int Continued = 2;

// The analysis window and the lag window, computed once. The lag window is a
// Gaussian of 200 Hz: a smooth envelope, whose formants the postfilter sharpens
// again, is heard closer to the input than a sharp one.
struct Windows {
    float analysis[Window];
    double lag[9];
    Windows() {
        const double pi = 3.14159265358979323846;
        for (int n = 0; n < Window; ++n)
            analysis[n] = n < Rise ? float(0.54 - 0.46 * std::cos(pi * n / (Rise - 1)))
                                  : float(std::cos(2 * pi * (n - Rise) / (4 * (Window - Rise) - 1)));
        for (int k = 0; k < 9; ++k) {
            double x = 2 * pi * 200.0 * k / 8000.0;
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

// What a listener hears of an excitation: the synthesis filter followed by the
// postfilter (zeros, poles, tilt and the gain of 7/8), in floating point, for
// one subframe's filter F and the block's tilt.
struct Heard {
    float f[8], zero[8], pole[8], tilt;

    Heard(const int16_t F[8], int tiltLevel) {
        for (int k = 0; k < 8; ++k) {
            f[k] = F[k] / 4096.0f;
            zero[k] = float((PostZeros[k] * F[k]) >> 15) / 4096.0f;
            pole[k] = float((PostPoles[k] * F[k]) >> 15) / 4096.0f;
        }
        tilt = float(tiltLevel - (tiltLevel >> 2)) / 65536.0f;
    }

    // out = the response to x (N samples) from the memories S1, S2, S3
    // (newest first; null for zero memories).
    void run(const float* x, float* out, const int16_t* s1 = nullptr, const int16_t* s2 = nullptr,
             const int16_t* s3 = nullptr) const {
        float y1[8 + N], y2[8 + N], p[8 + N];
        for (int k = 0; k < 8; ++k) {
            y1[7 - k] = s1 ? s1[k] : 0.0f;
            y2[7 - k] = s2 ? s2[k] : 0.0f;
            p[7 - k] = s3 ? s3[k] : 0.0f;
        }
        for (int n = 0; n < N; ++n) {
            const float* ys = y1 + n;      // ys[7] is the newest
            const float* zs = s2 ? y2 + n : ys;
            const float* ps = p + n;
            // Oldest first: only the last product waits for the previous sample.
            float y = x[n];
            for (int k = 7; k >= 0; --k) y += f[k] * ys[7 - k];
            y1[8 + n] = y;
            y2[8 + n] = y;
            float v = y;
            for (int k = 7; k >= 0; --k) v -= zero[k] * zs[7 - k];
            for (int k = 7; k >= 0; --k) v += pole[k] * ps[7 - k];
            p[8 + n] = v;
            out[n] = 0.875f * (v + tilt * ps[7]);
        }
    }
};

// Least-squares sizes of the pulses at positions pos[0..count-1]: solves
// phi(pos) size = corr(pos).
void PulseSizes(const float (*phi)[N], const double corr[N], const int* pos, int count, double* size) {
    double A[7][8];
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j) A[i][j] = phi[pos[i]][pos[j]];
        A[i][i] += 1e-6 * phi[pos[i]][pos[i]] + 1e-9;
        A[i][7] = corr[pos[i]];
    }
    for (int col = 0; col < count; ++col) {
        int pivot = col;
        for (int row = col + 1; row < count; ++row)
            if (std::fabs(A[row][col]) > std::fabs(A[pivot][col])) pivot = row;
        for (int j = 0; j < 8; ++j) std::swap(A[col][j], A[pivot][j]);
        double p = std::fabs(A[col][col]) < 1e-12 ? 1e-12 : A[col][col];
        for (int row = col + 1; row < count; ++row) {
            double m = A[row][col] / p;
            for (int j = col; j < count; ++j) A[row][j] -= m * A[col][j];
            A[row][7] -= m * A[col][7];
        }
    }
    for (int i = count - 1; i >= 0; --i) {
        double s = A[i][7];
        for (int j = i + 1; j < count; ++j) s -= A[i][j] * size[j];
        double p = std::fabs(A[i][i]) < 1e-12 ? 1e-12 : A[i][i];
        size[i] = s / p;
        if (!std::isfinite(size[i])) size[i] = 0;
    }
}

// Seven pulses (3 in 0..29, 4 in 30..59), their gain index and sizes, for the
// correlations phi of the impulse response and corr of the backward-filtered
// target: the error of sizes s at positions p is
// -2 sum s_i corr(p_i) + sum s_i s_j phi(p_i, p_j).
double ChoosePulses(const float (*phi)[N], const double corr[N], TrueSpeechBlock& b, int q) {
    // Greedy placement with least-squares sizes, then each pulse moved in turn
    // to the best place given the others.
    int pos[7];
    double size[7];
    bool used[N] = {};
    {
        double d[N];
        std::memcpy(d, corr, sizeof d);
        int left[2] = {3, 4};
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
            pos[p] = best;
            double g = d[best] / (phi[best][best] + 1e-9);
            for (int n = 0; n < N; ++n) d[n] -= g * phi[n][best];
        }
    }
    for (int i = 0; i < 7; ++i) {
        int others[6], k = 0;
        for (int j = 0; j < 7; ++j)
            if (j != i) others[k++] = pos[j];
        double s6[6];
        PulseSizes(phi, corr, others, 6, s6);
        const int from = pos[i] < 30 ? 0 : 30;
        int best = pos[i];
        double bestScore = -1;
        for (int n = from; n < from + 30; ++n) {
            if (used[n] && n != pos[i]) continue;
            double d = corr[n];
            for (int j = 0; j < 6; ++j) d -= s6[j] * phi[n][others[j]];
            double score = d * d / (phi[n][n] + 1e-9);
            if (score > bestScore) {
                bestScore = score;
                best = n;
            }
        }
        used[pos[i]] = false;
        used[best] = true;
        pos[i] = best;
    }
    PulseSizes(phi, corr, pos, 7, size);

    // Gain index and the +-G/+-3G codes: for each gain, the sizes rounded to
    // the nearest code; for the best few gains, each pulse then moved and
    // resized in turn (any free place of its half, any of the four sizes)
    // while the error falls.
    static const int Level[4] = {1, 3, -1, -3};
    auto Cost = [&](const int* p, const double* s) {
        double cost = 0;
        for (int i = 0; i < 7; ++i) {
            cost -= 2 * s[i] * corr[p[i]];
            for (int j = 0; j < 7; ++j) cost += s[i] * s[j] * phi[p[i]][p[j]];
        }
        return cost;
    };
    double gainCost[16];
    for (int g = 0; g < 16; ++g) {
        double s[7];
        for (int i = 0; i < 7; ++i) {
            double x = size[i] / Gains[g];
            s[i] = Level[x >= 2 ? 1 : x >= 0 ? 0 : x > -2 ? 2 : 3] * double(Gains[g]);
        }
        gainCost[g] = Cost(pos, s);
    }
    int gains[16];
    for (int g = 0; g < 16; ++g) gains[g] = g;
    constexpr int Refined = 3;
    std::partial_sort(gains, gains + Refined, gains + 16, [&](int l, int r) { return gainCost[l] < gainCost[r]; });

    double bestCost = 1e300;
    int bestGain = 0, bestPos[7] = {}, bestCodes[7] = {};
    for (int r = 0; r < Refined; ++r) {
        const int g = gains[r];
        const double G = Gains[g];
        const float Gf = float(G);
        int p[7], codes[7];
        double s[7];
        float d[N];
        bool taken[N] = {};
        std::memcpy(p, pos, sizeof p);
        for (int i = 0; i < 7; ++i) {
            double x = size[i] / G;
            codes[i] = x >= 2 ? 1 : x >= 0 ? 0 : x > -2 ? 2 : 3;
            s[i] = Level[codes[i]] * G;
            taken[p[i]] = true;
        }
        // d = corr - phi s: the correlation left for one more pulse.
        for (int n = 0; n < N; ++n) d[n] = float(corr[n]);
        for (int i = 0; i < 7; ++i) {
            const float si = float(s[i]);
            for (int n = 0; n < N; ++n) d[n] -= si * phi[p[i]][n];
        }
        for (int pass = 0; pass < 3; ++pass) {
            bool moved = false;
            for (int i = 0; i < 7; ++i) {
                const float si = float(s[i]);
                for (int n = 0; n < N; ++n) d[n] += si * phi[p[i]][n];
                const int from = p[i] < 30 ? 0 : 30;
                int bestN = p[i], bestCode = codes[i];
                float best = -2 * si * d[p[i]] + si * si * phi[p[i]][p[i]];
                for (int n = from; n < from + 30; ++n) {
                    if (taken[n] && n != p[i]) continue;
                    // The sign follows d; three units beat one when |d| > 2 G phi.
                    const float ad = std::fabs(d[n]), gp = Gf * phi[n][n];
                    const bool three = ad > 2 * gp;
                    const float delta = three ? Gf * (9 * gp - 6 * ad) : Gf * (gp - 2 * ad);
                    if (delta < best) {
                        best = delta;
                        bestN = n;
                        bestCode = (d[n] >= 0 ? 0 : 2) + (three ? 1 : 0);
                    }
                }
                moved = moved || bestN != p[i] || bestCode != codes[i];
                taken[p[i]] = false;
                taken[bestN] = true;
                p[i] = bestN;
                codes[i] = bestCode;
                s[i] = Level[bestCode] * G;
                const float sn = float(s[i]);
                for (int n = 0; n < N; ++n) d[n] -= sn * phi[p[i]][n];
            }
            if (!moved) break;
        }
        double cost = Cost(p, s);
        if (cost < bestCost) {
            bestCost = cost;
            bestGain = g;
            std::memcpy(bestPos, p, sizeof p);
            std::memcpy(bestCodes, codes, sizeof codes);
        }
    }

    // Positions in ascending order, each half apart: the decoder gives the
    // amp codes in that order.
    for (int i = 1; i < 7; ++i)
        for (int j = i; j > 0 && bestPos[j] < bestPos[j - 1]; --j) {
            std::swap(bestPos[j], bestPos[j - 1]);
            std::swap(bestCodes[j], bestCodes[j - 1]);
        }
    b.gain[q] = uint8_t(bestGain);
    uint16_t amp = 0;
    for (int i = 0; i < 7; ++i) amp = uint16_t(amp | bestCodes[i] << (12 - 2 * i));
    b.amp[q] = amp;
    int second[4];
    for (int i = 0; i < 4; ++i) second[i] = bestPos[3 + i] - 30;
    b.pos[q] = Rank(bestPos, 3) << 15 | Rank(second, 4);
    return bestCost;
}

// Four running sums, so that the additions need not wait for each other.
double Dot(const float* a, const float* b) {
    double s[4] = {};
    for (int n = 0; n < N; n += 4)
        for (int i = 0; i < 4; ++i) s[i] += double(a[n + i]) * b[n + i];
    return (s[0] + s[1]) + (s[2] + s[3]);
}

// The zero-state response to x of the filter with impulse response h.
void Convolve(const float* h, const float* x, float* y) {
    for (int n = 0; n < N; ++n) y[n] = 0;
    for (int m = 0; m < N; ++m) {
        const float a = x[m];
        if (a == 0) continue;
        for (int n = m; n < N; ++n) y[n] += a * h[n - m];
    }
}

// Chooses the long-term code, the pulses and their gain of subframe q of b
// (base lags and filter already set) so that what the decoder outputs after
// its postfilter comes closest to the input x.
void EncodeSubframe(const TrueSpeechState& state, TrueSpeechBlock& b, int q, const int16_t F[8], int tilt,
                    const int16_t* x) {
    const Heard heard(F, tilt);
    float impulse[N] = {1}, h[N];
    heard.run(impulse, h);

    // Target: input minus the response of the memories alone.
    float zeros[N] = {}, target[N];
    heard.run(zeros, target, state.S1, state.S2, state.S3);
    for (int n = 0; n < N; ++n) target[n] = float(x[n]) - target[n];

    // Long-term codes. Each code's prediction is a tap pair (a, b) over two
    // shifted copies of the history; with lags under a subframe the copies
    // repeat the prediction itself, which is taken here as a repetition of the
    // history. The error of every code follows from the heard responses of
    // the two copies; the best few are then tried exactly. Lags of a subframe
    // or more take their copies from the history alone (neighbouring lags
    // share one), and there the estimate is exact but for rounding.
    const int base = q < 2 ? b.lagA : b.lagB;
    constexpr int Lags = (TrueSpeechNoLongTerm + 24) / 25;
    constexpr int Exact = 6, Finalists = 2;
    const int first = base + 18;  // at most 140: every lag stays within the history
    float history[TrueSpeechHistorySamples];
    for (int i = 0; i < TrueSpeechHistorySamples; ++i) history[i] = state.H[i];
    float shared[Lags + 1][N], own[Lags][2][N];
    bool have[Lags + 1] = {};
    const float* copy[Lags][2];  // heard responses of the copies at 145 - L and 146 - L
    double estimate[TrueSpeechNoLongTerm];
    for (int j = 0; j < Lags; ++j) {
        const int L = first + j;
        if (L >= N) {
            for (int c = 0; c < 2; ++c) {
                const int M = L + 1 - c, at = M - first;  // copy at 146 - M
                if (!have[at]) Convolve(h, history + TrueSpeechHistorySamples - M, shared[at]);
                have[at] = true;
                copy[j][c] = shared[at];
            }
        } else {
            float ext[TrueSpeechHistorySamples + N];
            std::memcpy(ext, history, sizeof history);
            for (int m = 0; m < N; ++m) ext[TrueSpeechHistorySamples + m] = ext[TrueSpeechHistorySamples + m - L];
            // The first copy is the second one sample later, after one sample
            // of its own.
            Convolve(h, ext + 146 - L, own[j][1]);
            own[j][0][0] = ext[145 - L] * h[0];
            for (int n = 1; n < N; ++n) own[j][0][n] = own[j][1][n - 1] + ext[145 - L] * h[n];
            copy[j][0] = own[j][0];
            copy[j][1] = own[j][1];
        }
        const float *g1 = copy[j][0], *g2 = copy[j][1];
        const double c1 = Dot(target, g1), c2 = Dot(target, g2);
        const double e11 = Dot(g1, g1), e12 = Dot(g1, g2), e22 = Dot(g2, g2);
        for (int t = 25 * j; t < std::min(25 * (j + 1), TrueSpeechNoLongTerm); ++t) {
            const double a = Taps[t % 25][0] / 16384.0, c = Taps[t % 25][1] / 16384.0;
            estimate[t] = a * a * e11 + 2 * a * c * e12 + c * c * e22 - 2 * (a * c1 + c * c2);
        }
    }
    int order[TrueSpeechNoLongTerm];
    for (int t = 0; t < TrueSpeechNoLongTerm; ++t) order[t] = t;
    std::partial_sort(order, order + Exact, order + TrueSpeechNoLongTerm,
                      [&](int l, int r) { return estimate[l] < estimate[r]; });
    // The two best codes (the first may be no long-term part at all) go on
    // to the pulses.
    int codes[Finalists];
    double errors[Finalists];
    for (int f = 0; f < Finalists; ++f) {
        codes[f] = TrueSpeechNoLongTerm;
        errors[f] = f == 0 ? Dot(target, target) : 1e300;
    }
    float heardCodes[Finalists][N] = {};
    for (int i = 0; i < Exact; ++i) {
        const int t = order[i], j = t / 25;
        float y[N];
        if (first + j >= N) {
            const float a = Taps[t % 25][0] / 16384.0f, c = Taps[t % 25][1] / 16384.0f;
            for (int n = 0; n < N; ++n) y[n] = a * copy[j][0][n] + c * copy[j][1][n];
        } else {
            int16_t v[N];
            TrueSpeechLongTerm(state.H, t, base, v);
            float vf[N];
            for (int n = 0; n < N; ++n) vf[n] = v[n];
            Convolve(h, vf, y);
        }
        double error = 0;
        for (int n = 0; n < N; ++n) {
            double d = double(target[n]) - y[n];
            error += d * d;
        }
        for (int f = 0; f < Finalists; ++f) {
            if (error < errors[f]) {
                for (int g = Finalists - 1; g > f; --g) {
                    errors[g] = errors[g - 1];
                    codes[g] = codes[g - 1];
                    std::memcpy(heardCodes[g], heardCodes[g - 1], sizeof y);
                }
                errors[f] = error;
                codes[f] = t;
                std::memcpy(heardCodes[f], y, sizeof y);
                break;
            }
        }
    }

    // Pulses. The correlations of the heard impulse response, and the
    // backward-filtered target.
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
    float reversed[N];
    for (int n = 0; n < N; ++n) reversed[n] = h[N - 1 - n];
    double bestError = 1e300;
    TrueSpeechBlock trial = b;
    for (int f = 0; f < Finalists && errors[f] < 1e300; ++f) {
        trial.ltp[q] = uint8_t(codes[f]);
        float remaining[N];
        for (int n = 0; n < N; ++n) remaining[n] = target[n] - heardCodes[f][n];
        // corr(n) = sum over m >= n of remaining(m) h(m - n), summed by m.
        float sum[N] = {};
        for (int m = 0; m < N; ++m) {
            const float r = remaining[m], *hr = reversed + N - 1 - m;  // hr[n] = h[m - n]
            for (int n = 0; n <= m; ++n) sum[n] += r * hr[n];
        }
        double corr[N];
        for (int n = 0; n < N; ++n) corr[n] = sum[n];
        const double error = errors[f] + ChoosePulses(phi, corr, trial, q);
        if (error < bestError) {
            bestError = error;
            b.ltp[q] = trial.ltp[q];
            b.amp[q] = trial.amp[q];
            b.pos[q] = trial.pos[q];
            b.gain[q] = trial.gain[q];
        }
    }
}

}  // namespace

void TrueSpeechEncoder::encode(const int16_t pcm[TrueSpeechBlockSamples], uint8_t bytes[TrueSpeechBlockBytes]) {
    const Windows& w = TheWindows();
    TrueSpeechBlock b;

    // 1. Linear prediction over the previous 60 samples and this block.
    float windowed[Window];
    for (int n = 0; n < Past; ++n) windowed[n] = previous_[n] * w.analysis[n];
    for (int n = 0; n < TrueSpeechBlockSamples; ++n) windowed[Past + n] = pcm[n] * w.analysis[Past + n];
    double r[9];
    for (int k = 0; k < 9; ++k) {
        double s = 0;
        for (int n = k; n < Window; ++n) s += double(windowed[n]) * windowed[n - k];
        r[k] = s * w.lag[k];
    }
    r[0] = r[0] * 1.001 + 1.0;  // white-noise correction (-30 dB); silence stays well defined
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

    // 3. Candidate base lags of each subframe pair by open-loop pitch on the
    // residual: the lag of best normalised correlation and the best lag away
    // from it, each placed inside the codes' span, and the first a little
    // shorter.
    int bases[2][Bases];
    for (int pair = 0; pair < 2; ++pair) {
        const float* x = res + pair * 2 * N;
        double score[146] = {};
        int first = 40;
        // yy: the energy of the lagged residual, carried from lag to lag.
        double yy = 1e-3;
        for (int n = 0; n < 2 * N; ++n) yy += double(x[n - 18]) * x[n - 18];
        for (int lag = 18; lag <= 145; ++lag) {
            if (lag > 18) {
                const double in = x[-lag], out = x[2 * N - lag];
                yy = std::max(1e-3, yy + in * in - out * out);
            }
            float xy[8] = {};
            for (int n = 0; n < 2 * N; n += 8)
                for (int i = 0; i < 8; ++i) xy[i] += x[n + i] * x[n + i - lag];
            const double sum = double((xy[0] + xy[1]) + (xy[2] + xy[3])) + double((xy[4] + xy[5]) + (xy[6] + xy[7]));
            score[lag] = sum > 0 ? sum * sum / yy : 0;
            if (score[lag] > score[first] * 1.0001) first = lag;
        }
        int second = first > 80 ? 18 : 145;
        for (int lag = 18; lag <= 145; ++lag)
            if (std::abs(lag - first) > 6 && score[lag] > score[second] * 1.0001) second = lag;
        const int lags[3] = {first, second, first - 3};
        for (int i = 0; i < Bases; ++i) bases[pair][i] = std::min(std::max(lags[i] - 18 - 2, 0), 122);
    }

    // 4. The subframes pair by pair, each pair with every candidate base lag:
    // the one whose decoded pair (as heard) comes closest to the input wins.
    // After the pair's first subframe only the best two candidates go on.
    TrueSpeechSubframeFilters(c, state_.P, b.flag != 0, F);
    auto encodeAndHear = [&](TrueSpeechState& state, TrueSpeechBlock& trial, int q) {
        EncodeSubframe(state, trial, q, F[q], tilt, pcm + q * N);
        // The decoder's own update of H, S1 and the postfilter on exactly these fields.
        int16_t out[N];
        DecodeSubframe(state, trial, q, F[q], tilt, out, true);
        double error = 0;
        for (int n = 0; n < N; ++n) error += double(pcm[q * N + n] - out[n]) * (pcm[q * N + n] - out[n]);
        return error;
    };
    for (int pair = 0; pair < 2; ++pair) {
        TrueSpeechState states[Bases];
        TrueSpeechBlock trials[Bases];
        double errors[Bases];
        int count = 0;
        for (int i = 0; i < Bases; ++i) {
            bool seen = false;
            for (int j = 0; j < i; ++j) seen = seen || bases[pair][j] == bases[pair][i];
            if (seen) continue;
            trials[count] = b;
            (pair == 0 ? trials[count].lagA : trials[count].lagB) = uint8_t(bases[pair][i]);
            states[count] = state_;
            errors[count] = encodeAndHear(states[count], trials[count], 2 * pair);
            ++count;
        }
        int worst = -1;
        if (count > Continued) {
            worst = 0;
            for (int i = 1; i < count; ++i)
                if (errors[i] > errors[worst]) worst = i;
        }
        int best = -1;
        for (int i = 0; i < count; ++i) {
            if (i == worst) continue;
            errors[i] += encodeAndHear(states[i], trials[i], 2 * pair + 1);
            if (best < 0 || errors[i] < errors[best]) best = i;
        }
        b = trials[best];
        state_ = states[best];
    }
    std::memcpy(state_.P, c, sizeof c);

    // Keep what the next block needs.
    for (int n = 0; n < Past; ++n) previous_[n] = pcm[TrueSpeechBlockSamples - Past + n];
    std::memmove(residual_, residual_ + TrueSpeechBlockSamples, ResidualKeep * sizeof(float));
    PackBlock(b, bytes);
}

}  // namespace kv
