// Speech quality of the two codecs on the repository's recordings. Prints a
// table; asserts nothing, except that the reference decoder and ours agree.
//
// For each voice:
//   - Truespeech: our encoder, then our decoder without the postfilter, and
//     the reference decoder (ffmpeg, reading a WAV file of format tag 0x0022),
//     which always applies the postfilter. The reference's samples must equal
//     our decoder's with the postfilter; a difference is reported as an error
//     (exit status 1). Without ffmpeg, our decoder with the postfilter stands
//     in, marked so.
//   - GSM 6.10 through our own codec streams (audio/codec.h, codec 0); it has
//     no postfilter, so one figure serves both columns.
//
// Both codecs are measured over the same samples (the recording cut to whole
// blocks of both), with the same measures:
//   SNR     whole-file signal to noise ratio in dB at the best shift of the
//           decoded samples within -8..8 (no gain fitting);
//   segSNR  mean over 20 ms segments (at that shift) of each segment's SNR,
//           bounded to -10..35 dB, leaving out segments quieter than -50 dBFS.
//
//   kv_codec_quality [recording.wav ...]   (default: the two test recordings)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/codec.h"
#include "audio/truespeech.h"
#include "audio/truespeech_encoder.h"
#include "platform/file/wav_file_devices.h"
#include "truespeech_oracle.h"

#ifndef KV_TEST_DATA_DIR
#error "KV_TEST_DATA_DIR must name tests/data"
#endif

using namespace kv;

namespace {

constexpr int MaxShift = 8;
constexpr int Segment = 160;

struct Quality {
    double snr = 0, segSnr = 0;
    int shift = 0;
};

double Snr(double signal, double noise) { return 10 * std::log10((signal + 1e-9) / (noise + 1e-9)); }

Quality Measure(const std::vector<int16_t>& in, const std::vector<int16_t>& out) {
    const size_t n = std::min(in.size(), out.size());
    Quality q;
    double best = -1e9;
    for (int shift = -MaxShift; shift <= MaxShift; ++shift) {
        double signal = 0, noise = 0;
        for (size_t i = MaxShift; i + MaxShift < n; ++i) {
            double x = in[i], d = x - out[size_t(long(i) + shift)];
            signal += x * x;
            noise += d * d;
        }
        double snr = Snr(signal, noise);
        if (snr > best) {
            best = snr;
            q.shift = shift;
        }
    }
    q.snr = best;
    double sum = 0;
    int segments = 0;
    for (size_t at = MaxShift; at + Segment + MaxShift <= n; at += Segment) {
        double signal = 0, noise = 0;
        for (size_t i = at; i < at + Segment; ++i) {
            double x = in[i], d = x - out[size_t(long(i) + q.shift)];
            signal += x * x;
            noise += d * d;
        }
        if (signal / Segment < 103.6 * 103.6) continue;  // -50 dBFS
        sum += std::min(35.0, std::max(-10.0, Snr(signal, noise)));
        ++segments;
    }
    q.segSnr = segments ? sum / segments : 0;
    return q;
}

std::vector<uint8_t> TrueSpeechEncode(const std::vector<int16_t>& pcm) {
    TrueSpeechEncoder encoder;
    std::vector<uint8_t> blocks(pcm.size() / TrueSpeechBlockSamples * TrueSpeechBlockBytes);
    for (size_t b = 0; b * TrueSpeechBlockBytes < blocks.size(); ++b)
        encoder.encode(&pcm[b * TrueSpeechBlockSamples], &blocks[b * TrueSpeechBlockBytes]);
    return blocks;
}

std::vector<int16_t> TrueSpeechDecode(const std::vector<uint8_t>& blocks, bool postfilter) {
    TrueSpeechState state;
    std::vector<int16_t> out(blocks.size() / TrueSpeechBlockBytes * TrueSpeechBlockSamples);
    for (size_t b = 0; b * TrueSpeechBlockBytes < blocks.size(); ++b)
        DecodeBlock(state, &blocks[b * TrueSpeechBlockBytes], &out[b * TrueSpeechBlockSamples], postfilter);
    return out;
}

// The reference decoder's samples, or false when ffmpeg cannot be run.
bool OracleDecode(const std::vector<uint8_t>& blocks, std::vector<int16_t>* out) {
    return kvtest::FfmpegAvailable() && kvtest::FfmpegDecodeTrueSpeech(blocks, out);
}

// GSM 6.10 through the codec streams, 320 samples a frame.
bool GsmRoundTrip(const std::vector<int16_t>& pcm, std::vector<int16_t>* out) {
    StreamHeader eh, dh;
    CodecStream enc = openEncoder(0, &eh);
    CodecStream dec = openDecoder(0, &dh);
    if (!enc || !dec) {
        if (enc) closeStream(enc, &eh);
        if (dec) closeStream(dec, &dh);
        return false;
    }
    const int frame = CodecTable[0].pcmBytesPerFrame / 2;
    out->assign(pcm.size() / size_t(frame) * size_t(frame), 0);
    uint8_t bytes[MaxPcmFrameBytes], coded[MaxCodecFrameBytes], decoded[MaxPcmFrameBytes];
    for (size_t at = 0; at < out->size(); at += size_t(frame)) {
        for (int i = 0; i < frame; ++i) {
            bytes[2 * i] = uint8_t(pcm[at + size_t(i)]);
            bytes[2 * i + 1] = uint8_t(uint16_t(pcm[at + size_t(i)]) >> 8);
        }
        encodeFrame(enc, &eh, bytes, coded, 0);
        decodeFrame(dec, &dh, coded, decoded, 0);
        for (int i = 0; i < frame; ++i) (*out)[at + size_t(i)] = int16_t(uint16_t(decoded[2 * i] | decoded[2 * i + 1] << 8));
    }
    closeStream(enc, &eh);
    closeStream(dec, &dh);
    return true;
}

std::string Name(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) paths.push_back(argv[i]);
    if (paths.empty()) paths = {KV_TEST_DATA_DIR "/speech8k.wav", KV_TEST_DATA_DIR "/speech8k_voice2.wav"};

    std::printf("Codec quality: SNR and segmental SNR in dB at the best shift (-%d..%d samples, no gain fitting)\n",
                MaxShift, MaxShift);
    std::printf("Truespeech: our encoder; \"before\" is our decoder without the postfilter, \"after\" the reference\n"
                "decoder (ffmpeg), checked sample for sample against our decoder with the postfilter.\n"
                "GSM 6.10: our codec streams (no postfilter: the same figure before and after).\n\n");
    std::printf("%-24s %-11s %8s %8s %8s %8s %6s\n", "voice", "codec", "SNR", "SNR", "segSNR", "segSNR", "shift");
    std::printf("%-24s %-11s %8s %8s %8s %8s %6s\n", "", "", "before", "after", "before", "after", "after");
    bool failed = false, noOracle = false;
    for (const std::string& path : paths) {
        std::vector<int16_t> pcm;
        std::string error;
        if (!ReadPcm8kMonoWav(path.c_str(), &pcm, &error)) {
            std::printf("%s\n", error.c_str());
            failed = true;
            continue;
        }
        pcm.resize(pcm.size() / 960 * 960);  // whole blocks of both codecs
        const std::string voice = Name(path);

        std::vector<uint8_t> blocks = TrueSpeechEncode(pcm);
        std::vector<int16_t> plain = TrueSpeechDecode(blocks, false), ours = TrueSpeechDecode(blocks, true), heard;
        const char* mark = "";
        if (OracleDecode(blocks, &heard)) {
            if (heard != ours) {
                size_t at = 0;
                while (at < heard.size() && at < ours.size() && heard[at] == ours[at]) ++at;
                std::printf("ERROR: %s: the reference decoder differs from ours at sample %zu (of %zu, ours %zu)\n",
                            voice.c_str(), at, heard.size(), ours.size());
                failed = true;
            }
        } else {
            heard = ours;
            mark = " *";
            noOracle = true;
        }
        Quality before = Measure(pcm, plain), after = Measure(pcm, heard);
        std::printf("%-24s %-11s %8.2f %8.2f %8.2f %8.2f %6d%s\n", voice.c_str(), "Truespeech", before.snr, after.snr,
                    before.segSnr, after.segSnr, after.shift, mark);

        std::vector<int16_t> gsm;
        if (GsmRoundTrip(pcm, &gsm)) {
            Quality g = Measure(pcm, gsm);
            std::printf("%-24s %-11s %8.2f %8.2f %8.2f %8.2f %6d\n", voice.c_str(), "GSM 6.10", g.snr, g.snr,
                        g.segSnr, g.segSnr, g.shift);
        } else {
            std::printf("%-24s %-11s (no GSM 6.10 codec here)\n", voice.c_str(), "GSM 6.10");
        }
    }
    if (noOracle)
        std::printf("\n* ffmpeg is not installed: \"after\" is our own decoder with the postfilter, not the reference.\n");
    return failed ? 1 : 0;
}
