// Wideband speech quality: what is heard against what was said, at 16000 Hz,
// for Opus at three bitrates and for GSM 6.10 and Truespeech (both through
// 8000 Hz, resampled down and up with speexdsp's resampler), on a clean link
// and with 5% of the packets lost. Prints a table; asserts nothing.
//
// Measures, over the same held-out speech (tests/data/speech16k.wav, made by
// tests/data/make_speech16k.sh):
//   SNR     aligned signal to noise ratio in dB: the whole file at the best
//           shift of the heard samples (no gain fitting);
//   LSD     log-spectral distance in dB over 0-8 kHz: in 20 ms frames (Hann
//           window, 512-point FFT) at that shift, the root mean square over
//           the bins of the difference of the two log power spectra, each
//           frame's spectra floored 60 dB below their peak, averaged over the
//           frames of speech (louder than -50 dBFS);
//   HB      the share of the speech's energy above 4 kHz that arrives: the
//           heard energy in the bins above 4 kHz over the said energy there,
//           in the frames of speech, in percent (capped at 100).
// Loss: every packet (20 ms of Opus, a 40 ms GSM 6.10 frame, a 30 ms
// Truespeech block) is lost independently with probability 5%, from one seed. Opus recovers a lost packet from the next
// one's FEC data (its expected loss set to 5%), else by its own concealment;
// GSM 6.10 and Truespeech decode the last good frame again in its place, as
// GSM 06.11 substitutes a lost frame.
//
//   kv_wideband_quality [speech16k.wav]
//   kv_wideband_quality compare SAID.wav HEARD.wav [MAX_LAG_MS]
//       one line, "snr= lsd= hb= lag= gain= moved=", for a file heard
//       (through a call, say) against the one said, 8000 or 16000 Hz each
//       (8000 Hz resampled up): the heard one found at its best lag within
//       MAX_LAG_MS (500 by default), each quarter second of it then within
//       40 ms of that (moved: the most, in samples), and brought to the said
//       one's level
#include <speex/speex_resampler.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "audio/codec.h"
#include "audio/opus_voice.h"
#include "audio/truespeech.h"
#include "audio/truespeech_encoder.h"

#ifndef KV_TEST_DATA_DIR
#error "KV_TEST_DATA_DIR must name tests/data"
#endif

using namespace kv;

namespace {

constexpr int Rate = 16000;
constexpr int FrameLsd = 320;  // 20 ms
constexpr int Fft = 512;
constexpr int MaxShift = 800;  // 50 ms either way
constexpr double LossRate = 0.05;

using Pcm = std::vector<int16_t>;

// A canonical 16-bit mono PCM WAV file (a 44-byte header, as sox and our WAV
// devices write them); its rate in *rate.
bool ReadWav(const std::string& path, Pcm* out, int* rate) {
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (b.size() < 44 || b[20] != 1 || b[22] != 1 || b[34] != 16) return false;
    *rate = b[24] | b[25] << 8 | b[26] << 16 | b[27] << 24;
    out->clear();
    for (size_t i = 44; i + 1 < b.size(); i += 2) out->push_back(static_cast<int16_t>(b[i] | (b[i + 1] << 8)));
    return true;
}

Pcm Resample(const Pcm& in, int from, int to) {
    int err = 0;
    SpeexResamplerState* r = speex_resampler_init(1, from, to, 8, &err);
    if (!r) return {};
    // Leads in and out by its latency, so that the output lines up with the input.
    const int latency = speex_resampler_get_input_latency(r);
    Pcm padded(in);
    padded.insert(padded.end(), size_t(latency), 0);
    Pcm out(padded.size() * size_t(to) / size_t(from) + 16);
    spx_uint32_t inLen = spx_uint32_t(padded.size()), outLen = spx_uint32_t(out.size());
    speex_resampler_process_int(r, 0, padded.data(), &inLen, out.data(), &outLen);
    speex_resampler_destroy(r);
    out.resize(outLen);
    const size_t skip = size_t(latency) * size_t(to) / size_t(from);
    out.erase(out.begin(), out.begin() + long(std::min(skip, out.size())));
    out.resize(in.size() * size_t(to) / size_t(from));
    return out;
}

std::vector<bool> LossPattern(size_t packets, double rate, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<bool> lost(packets);
    for (size_t i = 0; i < packets; ++i) lost[i] = u(rng) < rate;
    return lost;
}

Pcm OpusPath(const Pcm& said, int bitrate, double loss, int* lag, double* kbps) {
    OpusVoiceEncoder enc;
    OpusVoiceDecoder dec;
    if (!enc.open(bitrate) || !dec.open()) return {};
    enc.setExpectedLoss(int(loss * 100 + 0.5));
    *lag = enc.lookahead();
    const int frame = OpusVoiceEncoder::FrameSamples;
    std::vector<std::vector<uint8_t>> packets;
    uint8_t buf[OpusVoiceEncoder::MaxPacketBytes];
    size_t bytes = 0;
    for (size_t at = 0; at + size_t(frame) <= said.size(); at += size_t(frame)) {
        const int n = enc.encode(&said[at], buf, sizeof buf);
        packets.emplace_back(buf, buf + std::max(n, 0));
        bytes += size_t(std::max(n, 0));
    }
    *kbps = bytes * 8.0 / (packets.size() * 0.02) / 1000;
    const std::vector<bool> lost = LossPattern(packets.size(), loss, 1);
    Pcm heard(packets.size() * size_t(frame));
    for (size_t k = 0; k < packets.size(); ++k) {
        int16_t* out = &heard[k * size_t(frame)];
        if (!lost[k]) {
            dec.decode(packets[k].data(), int(packets[k].size()), out, frame);
        } else if (k + 1 < packets.size() && !lost[k + 1]) {
            dec.recover(packets[k + 1].data(), int(packets[k + 1].size()), out, frame);
        } else {
            dec.conceal(out, frame);
        }
    }
    return heard;
}

// GSM 6.10 (codec 0) through the codec streams at 8000 Hz; a lost frame decodes the last good one again.
Pcm GsmPath(const Pcm& said8k, double loss, double* kbps) {
    StreamHeader eh, dh;
    CodecStream enc = openEncoder(0, &eh);
    CodecStream dec = openDecoder(0, &dh);
    if (!enc || !dec) {
        if (enc) closeStream(enc, &eh);
        if (dec) closeStream(dec, &dh);
        return {};
    }
    const int frame = CodecTable[0].pcmBytesPerFrame / 2;
    const size_t frames = said8k.size() / size_t(frame);
    const std::vector<bool> lost = LossPattern(frames, loss, 1);
    Pcm heard(frames * size_t(frame));
    uint8_t pcm[MaxPcmFrameBytes], coded[MaxCodecFrameBytes], last[MaxCodecFrameBytes] = {}, decoded[MaxPcmFrameBytes];
    bool haveLast = false;
    for (size_t k = 0; k < frames; ++k) {
        for (int i = 0; i < frame; ++i) {
            const uint16_t v = uint16_t(said8k[k * size_t(frame) + size_t(i)]);
            pcm[2 * i] = uint8_t(v);
            pcm[2 * i + 1] = uint8_t(v >> 8);
        }
        encodeFrame(enc, &eh, pcm, coded, 0);
        if (!lost[k]) {
            std::copy(coded, coded + CodecTable[0].codecBytesPerFrame, last);
            haveLast = true;
        }
        if (!lost[k] || haveLast) {
            decodeFrame(dec, &dh, last, decoded, 0);
            for (int i = 0; i < frame; ++i)
                heard[k * size_t(frame) + size_t(i)] = int16_t(uint16_t(decoded[2 * i] | decoded[2 * i + 1] << 8));
        }
    }
    closeStream(enc, &eh);
    closeStream(dec, &dh);
    *kbps = CodecTable[0].codecBytesPerFrame * 8.0 * 8000 / frame / 1000;
    return heard;
}

// Truespeech (our encoder and decoder, with the postfilter) at 8000 Hz; a lost block decodes the last good one again.
Pcm TrueSpeechPath(const Pcm& said8k, double loss, double* kbps) {
    TrueSpeechEncoder encoder;
    TrueSpeechState state;
    const size_t blocks = said8k.size() / TrueSpeechBlockSamples;
    const std::vector<bool> lost = LossPattern(blocks, loss, 1);
    Pcm heard(blocks * TrueSpeechBlockSamples);
    uint8_t coded[TrueSpeechBlockBytes], last[TrueSpeechBlockBytes] = {};
    bool haveLast = false;
    for (size_t k = 0; k < blocks; ++k) {
        encoder.encode(&said8k[k * TrueSpeechBlockSamples], coded);
        if (!lost[k]) {
            std::copy(coded, coded + TrueSpeechBlockBytes, last);
            haveLast = true;
        }
        if (!lost[k] || haveLast) DecodeBlock(state, last, &heard[k * TrueSpeechBlockSamples], true);
    }
    *kbps = TrueSpeechBlockBytes * 8.0 * 8000 / TrueSpeechBlockSamples / 1000;
    return heard;
}

void FftInPlace(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * std::acos(-1.0) / double(len);
        const std::complex<double> w(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> v(1);
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> x = a[i + k], y = a[i + k + len / 2] * v;
                a[i + k] = x + y;
                a[i + k + len / 2] = x - y;
                v *= w;
            }
        }
    }
}

// Power spectrum (bins 0..Fft/2) of the 20 ms frame at `at`, Hann windowed.
std::vector<double> Spectrum(const Pcm& x, long at) {
    std::vector<std::complex<double>> a(Fft);
    for (int i = 0; i < FrameLsd; ++i) {
        const long p = at + i;
        const double s = p >= 0 && p < long(x.size()) ? x[size_t(p)] : 0;
        a[size_t(i)] = s * (0.5 - 0.5 * std::cos(2 * std::acos(-1.0) * (i + 0.5) / FrameLsd));
    }
    FftInPlace(a);
    std::vector<double> p(Fft / 2 + 1);
    for (size_t k = 0; k < p.size(); ++k) p[k] = std::norm(a[k]);
    return p;
}

struct Quality {
    double snr = 0, lsd = 0, highBand = 0;
    long lag = 0;
};

Quality Measure(const Pcm& said, const Pcm& heard, long from, long to);

Quality Measure(const Pcm& said, const Pcm& heard, int expectedLag) {
    return Measure(said, heard, long(expectedLag) - MaxShift, long(expectedLag) + MaxShift);
}

// The heard samples lag the said ones by `from` to `to` samples; the best lag is found.
Quality Measure(const Pcm& said, const Pcm& heard, long from, long to) {
    Quality q;
    const long n = long(std::min(said.size(), heard.size()));
    long best = 0;
    double bestSnr = -1e9;
    for (long shift = from; shift <= to; ++shift) {
        double signal = 1e-9, noise = 1e-9;
        for (long i = 0; i < n && i + shift < long(heard.size()); ++i) {
            if (i + shift < 0) continue;
            const double x = said[size_t(i)], d = x - heard[size_t(i + shift)];
            signal += x * x;
            noise += d * d;
        }
        const double snr = 10 * std::log10(signal / noise);
        if (snr > bestSnr) {
            bestSnr = snr;
            best = shift;
        }
    }
    q.snr = bestSnr;
    q.lag = best;
    const int highFrom = Fft * 4000 / Rate + 1;
    double lsdSum = 0, saidHigh = 1e-9, heardHigh = 0;
    int frames = 0;
    for (long at = 0; at + FrameLsd <= n; at += FrameLsd) {
        double energy = 0;
        for (long i = at; i < at + FrameLsd; ++i) energy += double(said[size_t(i)]) * said[size_t(i)];
        if (energy / FrameLsd < 103.6 * 103.6) continue;  // -50 dBFS
        const std::vector<double> s = Spectrum(said, at), h = Spectrum(heard, at + best);
        const double peak = std::max(*std::max_element(s.begin(), s.end()), *std::max_element(h.begin(), h.end()));
        const double floor = peak * 1e-6 + 1e-9;
        double sum = 0;
        for (size_t k = 0; k < s.size(); ++k) {
            const double d = 10 * std::log10(std::max(s[k], floor) / std::max(h[k], floor));
            sum += d * d;
            if (int(k) >= highFrom) {
                saidHigh += s[k];
                heardHigh += h[k];
            }
        }
        lsdSum += std::sqrt(sum / double(s.size()));
        ++frames;
    }
    q.lsd = frames ? lsdSum / frames : 0;
    q.highBand = std::min(100.0, 100 * heardHigh / saidHigh);
    return q;
}

// The file at 16000 Hz (an 8000 Hz one resampled up); false when it is neither.
bool ReadAt16k(const std::string& path, Pcm* out) {
    int rate = 0;
    if (!ReadWav(path, out, &rate)) return false;
    if (rate == 8000) *out = Resample(*out, 8000, Rate);
    return rate == 8000 || rate == Rate;
}

// compare SAID HEARD [MAX_LAG_MS]: one line of figures for a heard file
// against the said one (8000 or 16000 Hz each), the heard one lagging by up
// to MAX_LAG_MS (default 500).
constexpr int PieceMs = 250, RealignMs = 40;

int Compare(int argc, char** argv) {
    Pcm said, heard;
    if (argc < 4 || !ReadAt16k(argv[2], &said) || !ReadAt16k(argv[3], &heard)) {
        std::fprintf(stderr, "usage: kv_wideband_quality compare SAID.wav HEARD.wav [MAX_LAG_MS] "
                             "(16-bit mono PCM at 8000 or 16000 Hz)\n");
        return 2;
    }
    const long most = std::max(0L, (argc > 4 ? std::atol(argv[4]) : 500) * Rate / 1000);
    // The lag roughly first (every 8th lag, every 4th sample), then exactly near it.
    long rough = 0;
    double bestCorrelation = -1e300;
    for (long shift = 0; shift <= most; shift += 8) {
        double c = 0;
        for (size_t i = 0; i < said.size() && long(i) + shift < long(heard.size()); i += 4)
            c += double(said[i]) * heard[size_t(long(i) + shift)];
        if (c > bestCorrelation) {
            bestCorrelation = c;
            rough = shift;
        }
    }
    const long lag = Measure(said, heard, std::max(0L, rough - 8), rough + 8).lag;
    // A call's playout moves its delay now and then (it sheds a backlog,
    // follows a clock): each PieceMs of what was said is found on its own
    // within RealignMs of the overall lag, and the heard samples are laid
    // out as found before they are measured.
    Pcm aligned(said.size(), 0);
    const long piece = long(PieceMs) * Rate / 1000, reach = long(RealignMs) * Rate / 1000;
    long moved = 0;
    for (long at = 0; at < long(said.size()); at += piece) {
        const long end = std::min(long(said.size()), at + piece);
        long best = lag;
        double bestC = -1e300;
        for (long shift = std::max(-at, lag - reach); shift <= lag + reach; ++shift) {
            double c = 0;
            for (long i = at; i < end && i + shift < long(heard.size()); ++i) c += double(said[size_t(i)]) * heard[size_t(i + shift)];
            if (c > bestC) {
                bestC = c;
                best = shift;
            }
        }
        moved = std::max(moved, std::abs(best - lag));
        for (long i = at; i < end && i + best < long(heard.size()); ++i) aligned[size_t(i)] = heard[size_t(i + best)];
    }
    // A call plays at the volume the user set: the heard samples are first
    // brought to the said ones' level (the least-squares gain).
    double cross = 0, power = 1e-9;
    for (size_t i = 0; i < said.size(); ++i) {
        cross += double(said[i]) * aligned[i];
        power += double(aligned[i]) * aligned[i];
    }
    const double gain = cross > 0 ? cross / power : 1.0;
    for (int16_t& v : aligned) v = static_cast<int16_t>(std::clamp(std::lround(v * gain), -32768L, 32767L));
    Quality q = Measure(said, aligned, 0, 0);
    q.lag = lag;
    std::printf("snr=%.2f lsd=%.2f hb=%.1f lag=%ld gain=%.2f moved=%ld\n", q.snr, q.lsd, q.highBand, q.lag, gain,
                moved);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "compare") return Compare(argc, argv);
    const std::string path = argc > 1 ? argv[1] : KV_TEST_DATA_DIR "/speech16k.wav";
    Pcm said;
    int rate = 0;
    if (!ReadWav(path, &said, &rate) || rate != Rate) {
        std::printf("%s: not a 16000 Hz mono 16-bit WAV file\n", path.c_str());
        return 1;
    }
    said.resize(said.size() / 960 * 960);  // whole frames of every codec at both rates
    const Pcm said8k = Resample(said, Rate, 8000);
    std::printf("Wideband quality against the speech said (%s, %.1f s at 16000 Hz): aligned SNR (dB), log-spectral\n"
                "distance over 0-8 kHz (dB, lower is better) and the share of the energy above 4 kHz that arrives;\n"
                "clean, and with each packet lost at random with a probability of %.0f%%.\n\n",
                path.substr(path.find_last_of('/') + 1).c_str(), double(said.size()) / Rate, LossRate * 100);
    std::printf("%-22s %8s | %7s %7s %6s | %7s %7s %6s\n", "codec", "kbit/s", "SNR", "LSD", "HB", "SNR", "LSD", "HB");
    std::printf("%-22s %8s | %22s | %22s\n", "", "", "clean", "5% loss");
    auto row = [&](const char* name, double kbps, const Quality& clean, const Quality& lossy) {
        std::printf("%-22s %8.1f | %7.2f %7.2f %5.0f%% | %7.2f %7.2f %5.0f%%\n", name, kbps, clean.snr, clean.lsd,
                    clean.highBand, lossy.snr, lossy.lsd, lossy.highBand);
    };
    for (int bitrate : {16000, 24000, 32000}) {
        int lag = 0;
        double kbps = 0, ignored = 0;
        const Pcm clean = OpusPath(said, bitrate, 0, &lag, &kbps);
        const Pcm lossy = OpusPath(said, bitrate, LossRate, &lag, &ignored);
        if (clean.empty()) {
            std::printf("Opus: libopus refused to open\n");
            return 1;
        }
        const std::string name = "Opus " + std::to_string(bitrate / 1000) + " kbit/s";
        row(name.c_str(), kbps, Measure(said, clean, lag), Measure(said, lossy, lag));
    }
    double kbps = 0;
    const Pcm gsmClean = GsmPath(said8k, 0, &kbps), gsmLossy = GsmPath(said8k, LossRate, &kbps);
    if (gsmClean.empty())
        std::printf("%-22s (no GSM 6.10 codec here)\n", "GSM 6.10 (8 kHz)");
    else
        row("GSM 6.10 (8 kHz)", kbps, Measure(said, Resample(gsmClean, 8000, Rate), 0),
            Measure(said, Resample(gsmLossy, 8000, Rate), 0));
    const Pcm tsClean = TrueSpeechPath(said8k, 0, &kbps), tsLossy = TrueSpeechPath(said8k, LossRate, &kbps);
    row("Truespeech (8 kHz)", kbps, Measure(said, Resample(tsClean, 8000, Rate), 0),
        Measure(said, Resample(tsLossy, 8000, Rate), 0));
    return 0;
}
