#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/truespeech.h"
#include "audio/truespeech_encoder.h"
#include "audio/truespeech_tables.h"
#include "platform/file/wav_file_devices.h"
#include "speech_sample.h"

using namespace kv;

#ifndef KV_TEST_DATA_DIR
#error "KV_TEST_DATA_DIR must name tests/data"
#endif

namespace {

std::vector<uint8_t> EncodeAll(const std::vector<int16_t>& pcm) {
    TrueSpeechEncoder encoder;
    std::vector<uint8_t> blocks;
    for (size_t at = 0; at + TrueSpeechBlockSamples <= pcm.size(); at += TrueSpeechBlockSamples) {
        uint8_t block[TrueSpeechBlockBytes];
        encoder.encode(&pcm[at], block);
        blocks.insert(blocks.end(), block, block + TrueSpeechBlockBytes);
    }
    return blocks;
}

std::vector<int16_t> DecodeAll(const std::vector<uint8_t>& blocks, bool postfilter) {
    TrueSpeechState state;
    std::vector<int16_t> out(blocks.size() / TrueSpeechBlockBytes * TrueSpeechBlockSamples);
    for (size_t b = 0; b * TrueSpeechBlockBytes < blocks.size(); ++b)
        DecodeBlock(state, &blocks[b * TrueSpeechBlockBytes], &out[b * TrueSpeechBlockSamples], postfilter);
    return out;
}

// SNR in dB of decoded against input, at the best shift of -3..3 samples.
double AlignedSnr(const std::vector<int16_t>& in, const std::vector<int16_t>& out) {
    double best = -1e9;
    for (int shift = -3; shift <= 3; ++shift) {
        double signal = 0, noise = 0;
        for (size_t n = 3; n + 3 < out.size(); ++n) {
            double x = in[n], d = x - out[size_t(long(n) + shift)];
            signal += x * x;
            noise += d * d;
        }
        best = std::max(best, 10 * std::log10(signal / (noise + 1e-9)));
    }
    return best;
}

int Pulses(const TrueSpeechBlock& b, int q) {
    int16_t e[TrueSpeechSubframeSamples];
    TrueSpeechPulses(b.amp[q], b.pos[q], b.gain[q], e);
    int n = 0;
    for (int16_t x : e) n += x != 0;
    return n;
}

// Every field of every block within its range, all seven pulses placed.
void ExpectValidBlocks(const std::vector<uint8_t>& blocks, const char* what) {
    for (size_t at = 0; at < blocks.size(); at += TrueSpeechBlockBytes) {
        TrueSpeechBlock b = UnpackBlock(&blocks[at]);
        for (int q = 0; q < 4; ++q) {
            EXPECT_LT((b.pos[q] >> 15) & 0xFFF, 4060u) << what;   // C(30, 3)
            EXPECT_LT(b.pos[q] & 0x7FFF, 27405u) << what;         // C(30, 4)
            EXPECT_EQ(Pulses(b, q), 7) << what << " block " << at / TrueSpeechBlockBytes << " subframe " << q;
            EXPECT_LE(b.ltp[q], 127) << what;
        }
        EXPECT_LE(b.lagA, 122) << what;
        EXPECT_LE(b.lagB, 122) << what;
    }
}

std::vector<int16_t> Recording(const char* name) {
    std::vector<int16_t> samples;
    std::string error;
    EXPECT_TRUE(ReadPcm8kMonoWav((std::string(KV_TEST_DATA_DIR "/") + name).c_str(), &samples, &error)) << error;
    samples.resize(samples.size() / TrueSpeechBlockSamples * TrueSpeechBlockSamples);
    return samples;
}

// The speech as heard (after the decoder's postfilter) on both voices, and as
// synthesised before it. GSM 6.10 gives 10.7 dB on the first voice and 11.9 dB
// on the second (bench/codec_quality.cpp); the encoder reached 12.3 and 15.1 dB
// with the postfilter, 10.8 and 12.8 dB without.
TEST(TrueSpeechEncoder, SpeechDecodesAboveFloor) {
    struct Voice {
        const char* name;
        double heard, synthesised;
    };
    for (const Voice& voice : {Voice{"speech8k.wav", 11.8, 10.3}, Voice{"speech8k_voice2.wav", 14.6, 12.2}}) {
        std::vector<int16_t> pcm = Recording(voice.name);
        ASSERT_GT(pcm.size(), 8000u) << voice.name;
        std::vector<uint8_t> blocks = EncodeAll(pcm);
        ExpectValidBlocks(blocks, voice.name);
        double plain = AlignedSnr(pcm, DecodeAll(blocks, false));
        double full = AlignedSnr(pcm, DecodeAll(blocks, true));
        std::printf("Truespeech encoder on %s: SNR %.2f dB with the postfilter, %.2f dB without\n", voice.name,
                    full, plain);
        EXPECT_GT(full, voice.heard) << voice.name;
        EXPECT_GT(plain, voice.synthesised) << voice.name;
    }
}

TEST(TrueSpeechEncoder, EdgeInputsStayBoundedAndInRange) {
    const int blocks = 20, n = blocks * TrueSpeechBlockSamples;
    std::vector<std::pair<const char*, std::vector<int16_t>>> inputs;
    inputs.push_back({"silence", std::vector<int16_t>(n, 0)});
    std::vector<int16_t> clip(n), dc(n, 12000), tone(n), noise(n);
    uint32_t x = 12345;
    for (int i = 0; i < n; ++i) {
        clip[i] = (i / 37) % 2 ? 32767 : -32768;
        tone[i] = int16_t(20000 * std::sin(2 * 3.14159265358979 * 1000 * i / 8000));
        x = x * 1664525u + 1013904223u;
        noise[i] = int16_t(x >> 16);
    }
    inputs.push_back({"clipping", clip});
    inputs.push_back({"dc", dc});
    inputs.push_back({"tone", tone});
    inputs.push_back({"noise", noise});
    for (auto& [name, pcm] : inputs) {
        std::vector<uint8_t> encoded = EncodeAll(pcm);
        ExpectValidBlocks(encoded, name);
        for (bool postfilter : {false, true}) {
            std::vector<int16_t> out = DecodeAll(encoded, postfilter);
            double in = 0, err = 0;
            for (int i = 0; i < n; ++i) {
                in += double(pcm[i]) * pcm[i];
                err += (double(pcm[i]) - out[i]) * (double(pcm[i]) - out[i]);
            }
            // Bounded: the error never exceeds a few times the input's energy
            // (or a whisper on silence).
            EXPECT_LT(err, 4 * in + 1e4 * n) << name << (postfilter ? " with" : " without") << " the postfilter";
            if (std::string(name) == "silence") {
                for (int16_t s : out) EXPECT_LE(std::abs(s), 40) << name;
            }
        }
    }
}

// A decoder fed the blocks holds the encoder's state, postfilter memories included.
TEST(TrueSpeechEncoder, SeparateDecoderFollowsExactly) {
    std::vector<int16_t> pcm = SpeechSample();
    pcm.resize(std::min<size_t>(pcm.size(), 100 * TrueSpeechBlockSamples) / TrueSpeechBlockSamples *
               TrueSpeechBlockSamples);
    TrueSpeechEncoder encoder;
    TrueSpeechState decoder;
    for (size_t at = 0; at < pcm.size(); at += TrueSpeechBlockSamples) {
        uint8_t block[TrueSpeechBlockBytes];
        encoder.encode(&pcm[at], block);
        int16_t out[TrueSpeechBlockSamples];
        DecodeBlock(decoder, block, out, true);
        const TrueSpeechState& mine = encoder.state();
        ASSERT_EQ(std::memcmp(&mine, &decoder, sizeof mine), 0) << "block " << at / 240;
    }
}

}  // namespace
