// Measures WAV files for the system tests and benchmarks (8 kHz mono 16-bit):
//   wavtool snr REF GOT [MAXLAG_S]  aligns GOT to REF (best lag within
//                                   MAXLAG_S, default 3 s, GOT later) and
//                                   prints "lag=<samples> snr=<dB> gain=<g>"
//   wavtool onset FILE [LEVEL]      prints "onset=<seconds>" of the first
//                                   sample whose magnitude reaches LEVEL
//                                   (default 8000), or "onset=none"
//   wavtool stats FILE              prints "samples=<n> peak=<p> rms=<r>"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file/wav_file_devices.h"

namespace {

std::vector<double> Load(const char* path) {
    std::vector<int16_t> samples;
    std::string error;
    if (!kv::ReadPcm8kMonoWav(path, &samples, &error)) {
        std::fprintf(stderr, "wavtool: %s\n", error.c_str());
        std::exit(2);
    }
    return std::vector<double>(samples.begin(), samples.end());
}

// Sum of x[i] * y[i + lag] over the overlap.
double Correlate(const std::vector<double>& x, const std::vector<double>& y, size_t lag, size_t step) {
    double sum = 0;
    for (size_t i = 0; i + lag < y.size() && i < x.size(); i += step) sum += x[i] * y[i + lag];
    return sum;
}

int Snr(const char* refPath, const char* gotPath, double maxLagSeconds) {
    std::vector<double> ref = Load(refPath), got = Load(gotPath);
    const size_t maxLag = static_cast<size_t>(maxLagSeconds * 8000);
    // Coarse search on every 4th sample, then exact around the best lag.
    size_t best = 0;
    double bestValue = -1e300;
    for (size_t lag = 0; lag <= maxLag && lag < got.size(); lag += 2) {
        double c = Correlate(ref, got, lag, 4);
        if (c > bestValue) bestValue = c, best = lag;
    }
    const size_t from = best > 4 ? best - 4 : 0;
    bestValue = -1e300;
    for (size_t lag = from; lag <= best + 4 && lag < got.size(); ++lag) {
        double c = Correlate(ref, got, lag, 1);
        if (c > bestValue) bestValue = c, best = lag;
    }
    // The received speech may be scaled (playout volume): fit the gain first.
    double rr = 0, rg = 0;
    size_t n = 0;
    for (size_t i = 0; i < ref.size() && i + best < got.size(); ++i, ++n) {
        rr += ref[i] * ref[i];
        rg += ref[i] * got[i + best];
    }
    if (n == 0 || rr == 0) {
        std::printf("lag=%zu snr=-inf gain=0\n", best);
        return 0;
    }
    const double gain = rg / rr;
    double signal = 0, noise = 0;
    for (size_t i = 0; i < n; ++i) {
        const double s = gain * ref[i], d = got[i + best] - s;
        signal += s * s;
        noise += d * d;
    }
    std::printf("lag=%zu snr=%.2f gain=%.3f\n", best, noise > 0 ? 10 * std::log10(signal / noise) : 99.0, gain);
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
    if (what == "snr" && (argc == 4 || argc == 5)) return Snr(argv[2], argv[3], argc == 5 ? std::atof(argv[4]) : 3.0);
    if (what == "onset" && (argc == 3 || argc == 4)) return Onset(argv[2], argc == 4 ? std::atof(argv[3]) : 8000);
    if (what == "stats" && argc == 3) return Stats(argv[2]);
    std::fprintf(stderr, "usage: wavtool snr REF GOT [MAXLAG_S] | onset FILE [LEVEL] | stats FILE\n");
    return 2;
}
