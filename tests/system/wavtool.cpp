// Measures WAV files for the system tests and benchmarks (8 kHz mono 16-bit):
//   wavtool snr REF GOT [MAXLAG_S [SLACK_MS]]
//                                   aligns GOT to REF (best lag within
//                                   MAXLAG_S either way, default 3 s; each
//                                   quarter second within SLACK_MS of it,
//                                   default 5 ms) and prints
//                                   "lag=<samples> snr=<dB> gain=<g> drift=<samples>"
//   wavtool pieces REF GOT [MAXLAG_S [SLACK_MS]]
//                                   the speech in 160 ms pieces, each aligned
//                                   on its own within SLACK_MS (default 120)
//                                   of the overall lag: one line per piece
//                                   "piece t=<s> lag=<samples> snr=<dB> [missing]",
//                                   then "pieces=<n> missing=<n> snr=<dB>
//                                   segsnr=<dB> lag=<samples> jump=<samples>"
//                                   (snr and pieces also align GOT half a
//                                   sample later; the better one is printed)
//   wavtool onset FILE [LEVEL]      prints "onset=<seconds>" of the first
//                                   sample whose magnitude reaches LEVEL
//                                   (default 8000), or "onset=none"
//   wavtool onsets FILE LEVEL GAP_S prints "onset=<seconds>" for every sample
//                                   reaching LEVEL at least GAP_S after the last
//   wavtool stats FILE              prints "samples=<n> peak=<p> rms=<r>"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file/wav_file_devices.h"

namespace {

// A file at 16000 Hz is compared as it sounds at 8000 (the tool's measures are narrowband).
std::vector<double> Load(const char* path) {
    std::vector<int16_t> samples;
    std::string error;
    int rate = 0;
    if (!kv::ReadPcmMonoWav(path, &samples, &rate, &error)) {
        std::fprintf(stderr, "wavtool: %s\n", error.c_str());
        std::exit(2);
    }
    samples = kv::ResampleSpeech(samples, rate, 8000);
    return std::vector<double>(samples.begin(), samples.end());
}

// Sum of x[i] * y[i + lag] over the overlap (lag may be negative: y earlier).
double Correlate(const std::vector<double>& x, const std::vector<double>& y, long lag, size_t step) {
    double sum = 0;
    for (size_t i = lag < 0 ? size_t(-lag) : 0; i < x.size() && long(i) + lag < long(y.size()); i += step)
        sum += x[i] * y[size_t(long(i) + lag)];
    return sum;
}

double At(const std::vector<double>& y, long index) {
    return index >= 0 && index < long(y.size()) ? y[size_t(index)] : 0.0;
}

// The playout may restart between talk spurts, which shifts the received
// speech by a few samples each time; so each quarter second is aligned on its
// own, within 5 ms of the overall lag (or the slack given), before the gain
// and the noise are measured.
constexpr size_t Window = 2000;
constexpr long DefaultSlack = 40;

double WindowCorrelation(const std::vector<double>& ref, const std::vector<double>& got, size_t w, long lag,
                         size_t step) {
    double c = 0;
    for (size_t i = w; i < w + Window; i += step) c += ref[i] * At(got, long(i) + lag);
    return c;
}

// Across a wide slack the plain correlation would prefer a louder stretch
// nearby to the matching one: the lag whose part of GOT is nearest to REF
// scaled by `gain` wins instead (the least residual: 2 gain c - energy largest).
double WindowMatch(const std::vector<double>& ref, const std::vector<double>& got, size_t w, long lag, size_t step,
                   double gain) {
    double c = 0, energy = 0;
    for (size_t i = w; i < w + Window; i += step) {
        const double g = At(got, long(i) + lag);
        c += ref[i] * g;
        energy += g * g;
    }
    return 2 * gain * c - energy;
}

// The lag of GOT against REF as a whole: a coarse search on every 8th sample
// and 4th lag, then exact around the best.
long OverallLag(const std::vector<double>& ref, const std::vector<double>& got, long maxLag) {
    long best = 0;
    double bestValue = -1e300;
    for (long lag = -maxLag; lag <= maxLag; lag += 4) {
        double c = Correlate(ref, got, lag, 8);
        if (c > bestValue) bestValue = c, best = lag;
    }
    const long coarse = best;
    bestValue = -1e300;
    for (long lag = coarse - 8; lag <= coarse + 8; ++lag) {
        double c = Correlate(ref, got, lag, 1);
        if (c > bestValue) bestValue = c, best = lag;
    }
    return best;
}

struct Aligned {
    long lag = 0;
    double snr = 0, gain = 0;
    long drift = 0;
};

Aligned Align(const std::vector<double>& ref, const std::vector<double>& got, double maxLagSeconds, long slack) {
    const long best = OverallLag(ref, got, long(maxLagSeconds * 8000));
    // Each window's own lag near the overall one.
    // For a wide slack: the scale of GOT against REF from their energies.
    double refEnergy = 0, gotEnergy = 0;
    for (double v : ref) refEnergy += v * v;
    for (double v : got) gotEnergy += v * v;
    const double scale = refEnergy > 0 ? std::sqrt(gotEnergy / refEnergy) : 0.0;
    std::vector<long> lags;
    long lowest = best, highest = best;
    for (size_t w = 0; w + Window <= ref.size(); w += Window) {
        long windowLag = best;
        double top = -1e300;
        if (slack > DefaultSlack) {
            // A wide slack: the nearest match, on every 4th sample and lag
            // first; then exactly around that and within 5 ms of the overall lag.
            long coarseLag = best;
            for (long lag = best - slack; lag <= best + slack; lag += 4) {
                double c = WindowMatch(ref, got, w, lag, 4, scale);
                if (c > top) top = c, coarseLag = lag;
            }
            top = -1e300;
            for (long lag = best - DefaultSlack; lag <= best + DefaultSlack; ++lag) {
                double c = WindowMatch(ref, got, w, lag, 1, scale);
                if (c > top) top = c, windowLag = lag;
            }
            for (long lag = coarseLag - 4; lag <= coarseLag + 4; ++lag) {
                double c = WindowMatch(ref, got, w, lag, 1, scale);
                if (c > top) top = c, windowLag = lag;
            }
        } else {
            for (long lag = best - slack; lag <= best + slack; ++lag) {
                double c = WindowCorrelation(ref, got, w, lag, 1);
                if (c > top) top = c, windowLag = lag;
            }
        }
        lags.push_back(windowLag);
        lowest = std::min(lowest, windowLag);
        highest = std::max(highest, windowLag);
    }
    // The received speech may be scaled (playout volume): fit the gain first.
    double rr = 0, rg = 0;
    for (size_t k = 0; k < lags.size(); ++k)
        for (size_t i = k * Window; i < (k + 1) * Window; ++i) {
            rr += ref[i] * ref[i];
            rg += ref[i] * At(got, long(i) + lags[k]);
        }
    if (rr == 0) return {best, -INFINITY, 0.0, 0};
    const double gain = rg / rr;
    double signal = 0, noise = 0;
    for (size_t k = 0; k < lags.size(); ++k)
        for (size_t i = k * Window; i < (k + 1) * Window; ++i) {
            const double s = gain * ref[i], d = At(got, long(i) + lags[k]) - s;
            signal += s * s;
            noise += d * d;
        }
    return {best, noise > 0 ? 10 * std::log10(signal / noise) : 99.0, gain, highest - lowest};
}

// The same speech half a sample later (see Snr).
std::vector<double> HalfSampleLater(const std::vector<double>& got) {
    const std::vector<int16_t> pcm(got.begin(), got.end());
    const std::vector<int16_t> wide = kv::ResampleSpeech(pcm, 8000, 16000);
    std::vector<double> half;
    for (size_t i = 1; i < wide.size(); i += 2) half.push_back(wide[i]);
    return half;
}

// The playout runs at 16000 Hz: speech heard at 8000 may lie half a sample
// off the sent speech's grid, which costs several dB of a measure aligned on
// whole samples. So GOT is also aligned half a sample later, and the better
// alignment counts.
int Snr(const char* refPath, const char* gotPath, double maxLagSeconds, long slack) {
    const std::vector<double> ref = Load(refPath), got = Load(gotPath);
    Aligned a = Align(ref, got, maxLagSeconds, slack);
    const Aligned b = Align(ref, HalfSampleLater(got), maxLagSeconds, slack);
    if (b.snr > a.snr) a = b;
    if (std::isinf(a.snr))
        std::printf("lag=%ld snr=-inf gain=0 drift=0\n", a.lag);
    else
        std::printf("lag=%ld snr=%.2f gain=%.3f drift=%ld\n", a.lag, a.snr, a.gain, a.drift);
    return 0;
}

// Speech cut into 160 ms pieces, each aligned on its own within SLACK of the
// overall lag, where its correlation with GOT, scaled by the energy there, is
// largest. Pieces of REF quieter than -40 dBFS are pauses and are skipped. One
// gain for all pieces is fitted over the aligned pieces. A piece is missing
// when GOT holds less than a tenth of the energy that gain expects there, at
// its own lag and at the lag of the piece before it (a piece with only a few
// faint milliseconds of speech, the end of a word, may align best on silence).
// Prints one line per piece and a summary.
constexpr size_t Piece = 1280;

// Prints the pieces' lines and summary into `out`; returns the summary's SNR.
double MeasurePieces(const std::vector<double>& ref, const std::vector<double>& got, double maxLagSeconds, long slack,
                     std::string* out) {
    char line[160];
    const long overall = OverallLag(ref, got, long(maxLagSeconds * 8000));
    struct Placed {
        size_t at;
        long lag;
    };
    std::vector<Placed> pieces;
    double rr = 0, rg = 0;
    for (size_t w = 0; w + Piece <= ref.size(); w += Piece) {
        double refEnergy = 0;
        for (size_t i = w; i < w + Piece; ++i) refEnergy += ref[i] * ref[i];
        if (refEnergy < Piece * 100.0 * 100.0) continue;  // below -40 dBFS: a pause
        long lag = overall;
        double top = -1e300, c = 0;
        for (long l = overall - slack; l <= overall + slack; ++l) {
            double cl = 0, e = 0;
            for (size_t i = w; i < w + Piece; ++i) {
                const double g = At(got, long(i) + l);
                cl += ref[i] * g;
                e += g * g;
            }
            const double match = e > 0 ? cl / std::sqrt(e) : 0.0;
            if (match > top) top = match, lag = l, c = cl;
        }
        pieces.push_back({w, lag});
        rr += refEnergy;
        rg += c;
    }
    const double gain = rr > 0 && rg > 0 ? rg / rr : 1.0;
    double signal = 0, noise = 0, segmental = 0, largestJump = 0;
    int missing = 0;
    for (size_t k = 0; k < pieces.size(); ++k) {
        const Placed& a = pieces[k];
        const long before = k > 0 ? pieces[k - 1].lag : a.lag;
        double s = 0, d = 0, e = 0, eBefore = 0;
        for (size_t i = a.at; i < a.at + Piece; ++i) {
            const double g = At(got, long(i) + a.lag), want = gain * ref[i];
            const double gBefore = At(got, long(i) + before);
            s += want * want;
            d += (g - want) * (g - want);
            e += g * g;
            eBefore += gBefore * gBefore;
        }
        const bool gone = e < 0.1 * s && eBefore < 0.1 * s;
        const double db = d > 0 ? 10 * std::log10(s / d) : 99.0;
        std::snprintf(line, sizeof line, "piece t=%.2f lag=%ld snr=%.2f%s\n", a.at / 8000.0, a.lag, db,
                      gone ? " missing" : "");
        *out += line;
        signal += s;
        noise += d;
        segmental += db;
        missing += gone ? 1 : 0;
        if (k > 0) largestJump = std::max(largestJump, std::fabs(double(a.lag - pieces[k - 1].lag)));
    }
    const double snr = noise > 0 ? 10 * std::log10(signal / noise) : 99.0;
    std::snprintf(line, sizeof line, "pieces=%zu missing=%d snr=%.2f segsnr=%.2f lag=%ld jump=%.0f\n", pieces.size(),
                  missing, snr, pieces.empty() ? 0.0 : segmental / double(pieces.size()),
                  pieces.empty() ? overall : pieces[0].lag, largestJump);
    *out += line;
    return snr;
}

int Pieces(const char* refPath, const char* gotPath, double maxLagSeconds, long slack) {
    const std::vector<double> ref = Load(refPath), got = Load(gotPath);
    std::string whole, half;
    const double a = MeasurePieces(ref, got, maxLagSeconds, slack, &whole);
    const double b = MeasurePieces(ref, HalfSampleLater(got), maxLagSeconds, slack, &half);
    std::fputs((b > a ? half : whole).c_str(), stdout);
    return 0;
}

int Onset(const char* path, double level) {
    std::vector<double> x = Load(path);
    for (size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) >= level) {
            std::printf("onset=%.4f\n", i / 8000.0);
            return 0;
        }
    std::printf("onset=none\n");
    return 0;
}

int Onsets(const char* path, double level, double gapSeconds) {
    std::vector<double> x = Load(path);
    double last = -1e9;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / 8000.0;
        if (std::fabs(x[i]) >= level && t - last >= gapSeconds) {
            std::printf("onset=%.4f\n", t);
            last = t;
        }
    }
    return 0;
}

int Stats(const char* path) {
    std::vector<double> x = Load(path);
    double peak = 0, sum = 0;
    for (double v : x) {
        peak = std::max(peak, std::fabs(v));
        sum += v * v;
    }
    std::printf("samples=%zu peak=%.0f rms=%.1f\n", x.size(), peak, x.empty() ? 0.0 : std::sqrt(sum / x.size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "snr" && argc >= 4 && argc <= 6)
        return Snr(argv[2], argv[3], argc >= 5 ? std::atof(argv[4]) : 3.0,
                   argc == 6 ? std::lround(std::atof(argv[5]) * 8) : DefaultSlack);
    if (what == "pieces" && argc >= 4 && argc <= 6)
        return Pieces(argv[2], argv[3], argc >= 5 ? std::atof(argv[4]) : 3.0,
                      argc == 6 ? std::lround(std::atof(argv[5]) * 8) : 960);
    if (what == "onset" && (argc == 3 || argc == 4)) return Onset(argv[2], argc == 4 ? std::atof(argv[3]) : 8000);
    if (what == "onsets" && argc == 5) return Onsets(argv[2], std::atof(argv[3]), std::atof(argv[4]));
    if (what == "stats" && argc == 3) return Stats(argv[2]);
    std::fprintf(stderr, "usage: wavtool snr REF GOT [MAXLAG_S [SLACK_MS]] | pieces REF GOT [MAXLAG_S [SLACK_MS]] | onset FILE [LEVEL] | onsets FILE LEVEL GAP_S | stats FILE\n");
    return 2;
}
