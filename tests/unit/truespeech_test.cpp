#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "audio/truespeech.h"
#include "audio/truespeech_encoder.h"
#include "platform/file/wav_file_devices.h"
#include "test_support.h"
#include "truespeech_oracle.h"

using namespace kv;

#ifndef KV_TEST_DATA_DIR
#error "KV_TEST_DATA_DIR must name tests/data"
#endif

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<int16_t> Samples(const std::vector<uint8_t>& raw) {
    std::vector<int16_t> s(raw.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(uint16_t(raw[2 * i] | raw[2 * i + 1] << 8));
    return s;
}

// Decodes the blocks in order with one state; the index of the first sample
// that differs from expected, or -1.
long FirstDifference(const std::vector<uint8_t>& blocks, const std::vector<int16_t>& expected) {
    TrueSpeechState state;
    int16_t out[TrueSpeechBlockSamples];
    for (size_t b = 0; b * 32 < blocks.size(); ++b) {
        DecodeBlock(state, &blocks[b * 32], out);
        for (int n = 0; n < TrueSpeechBlockSamples; ++n)
            if (out[n] != expected[b * 240 + n]) return long(b * 240 + n);
    }
    return -1;
}

bool SameFields(const TrueSpeechBlock& a, const TrueSpeechBlock& b) {
    return std::memcmp(a.k, b.k, 8) == 0 && a.flag == b.flag && a.lagA == b.lagA && a.lagB == b.lagB &&
           std::memcmp(a.ltp, b.ltp, 4) == 0 && std::memcmp(a.amp, b.amp, sizeof(a.amp)) == 0 &&
           std::memcmp(a.pos, b.pos, sizeof(a.pos)) == 0 && std::memcmp(a.gain, b.gain, 4) == 0;
}

int Ones(uint32_t x) {
    int n = 0;
    for (; x; x &= x - 1) ++n;
    return n;
}

int FieldBits(const TrueSpeechBlock& b) {
    int n = Ones(b.flag) + Ones(b.lagA) + Ones(b.lagB);
    for (int i = 0; i < 8; ++i) n += Ones(b.k[i]);
    for (int q = 0; q < 4; ++q) n += Ones(b.ltp[q]) + Ones(b.amp[q]) + Ones(b.pos[q]) + Ones(b.gain[q]);
    return n;
}

}  // namespace

// Blocks of every kind (random, all zero, all 0xFF, ranks too large, no
// long-term part, saturating runs) as ffmpeg decodes them; see
// tests/data/make_truespeech_vectors.py.
TEST(TrueSpeech, DecodesTheVectorsLikeTheReferenceDecoder) {
    std::vector<uint8_t> blocks = Bytes(kvtest::ReadWholeFile(KV_TEST_DATA_DIR "/truespeech_blocks.bin"));
    std::vector<int16_t> expected =
        Samples(Bytes(kvtest::ReadWholeFile(KV_TEST_DATA_DIR "/truespeech_decoded.raw")));
    ASSERT_GE(blocks.size(), 300u * 32);
    ASSERT_EQ(blocks.size() % 32, 0u);
    ASSERT_EQ(expected.size(), blocks.size() / 32 * 240);
    long at = FirstDifference(blocks, expected);
    EXPECT_EQ(at, -1) << "block " << at / 240 << ", sample " << at % 240;
}

TEST(TrueSpeech, PackIsTheExactInverseOfUnpack) {
    std::mt19937 rng(7);
    uint8_t block[32], again[32];
    for (int i = 0; i < 3000; ++i) {
        int kind = i % 3;
        for (uint8_t& b : block) b = kind == 0 ? uint8_t(rng()) : kind == 1 ? 0 : 0xFF;
        if (kind != 0 && i > 3) block[rng() % 32] = uint8_t(1u << (rng() % 8));
        PackBlock(UnpackBlock(block), again);
        ASSERT_EQ(std::memcmp(block, again, 32), 0) << "input " << i;
    }
    // Every bit of the block belongs to exactly one field.
    for (int bit = 0; bit < 256; ++bit) {
        std::memset(block, 0, 32);
        block[bit / 8] = uint8_t(1u << (bit % 8));
        EXPECT_EQ(FieldBits(UnpackBlock(block)), 1) << "bit " << bit;
    }
}

// Fields within their widths survive packing, and decoding without the
// postfilter advances the state an encoder tracks (P, H, S1) exactly as the
// full decoder does.
TEST(TrueSpeech, FieldsRoundTripAndThePostfilterKeepsToItself) {
    std::mt19937 rng(11);
    TrueSpeechState full, plain;
    int16_t a[TrueSpeechBlockSamples], b[TrueSpeechBlockSamples];
    bool postfilterChanged = false;
    for (int i = 0; i < 500; ++i) {
        TrueSpeechBlock f;
        const int bits[8] = {5, 5, 4, 4, 4, 3, 3, 3};
        for (int k = 0; k < 8; ++k) f.k[k] = uint8_t(rng() & ((1u << bits[k]) - 1));
        f.flag = uint8_t(rng() & 1);
        f.lagA = uint8_t(rng());
        f.lagB = uint8_t(rng());
        for (int q = 0; q < 4; ++q) {
            f.ltp[q] = uint8_t(rng() & 0x7F);
            f.amp[q] = uint16_t(rng() & 0x3FFF);
            f.pos[q] = (rng() % 4060) << 15 | rng() % 27405;
            f.gain[q] = uint8_t(rng() & 0xF);
        }
        uint8_t bytes[32];
        PackBlock(f, bytes);
        ASSERT_TRUE(SameFields(UnpackBlock(bytes), f)) << "block " << i;

        DecodeBlock(full, bytes, a, true);
        DecodeBlock(plain, f, b, false);
        ASSERT_EQ(std::memcmp(full.P, plain.P, sizeof(full.P)), 0);
        ASSERT_EQ(std::memcmp(full.H, plain.H, sizeof(full.H)), 0);
        ASSERT_EQ(std::memcmp(full.S1, plain.S1, sizeof(full.S1)), 0);
        postfilterChanged = postfilterChanged || std::memcmp(a, b, sizeof(a)) != 0;
    }
    EXPECT_TRUE(postfilterChanged);
    const int16_t zero[8] = {};
    EXPECT_EQ(std::memcmp(plain.S2, zero, sizeof(zero)), 0);
    EXPECT_EQ(std::memcmp(plain.S3, zero, sizeof(zero)), 0);
}

#ifndef _WIN32
namespace {

bool HaveFfmpeg() { return kvtest::FfmpegAvailable(); }

std::vector<int16_t> FfmpegDecode(const std::vector<uint8_t>& blocks) {
    std::vector<int16_t> decoded;
    EXPECT_TRUE(kvtest::FfmpegDecodeTrueSpeech(blocks, &decoded));
    return decoded;
}

}  // namespace

// 10,000 random blocks decoded by ffmpeg, the independent decoder, and by us.
TEST(TrueSpeechFfmpeg, RandomBlocksDecodeLikeFfmpeg) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed: Truespeech is not compared with the reference decoder";
    constexpr uint32_t Blocks = 10000;
    std::mt19937 rng(20051);
    std::vector<uint8_t> blocks(Blocks * 32);
    for (uint8_t& b : blocks) b = uint8_t(rng());
    std::vector<int16_t> expected = FfmpegDecode(blocks);
    ASSERT_EQ(expected.size(), Blocks * 240u);
    long at = FirstDifference(blocks, expected);
    EXPECT_EQ(at, -1) << "block " << at / 240 << ", sample " << at % 240;
}

// Our encoder's blocks of both recorded voices: ffmpeg hears exactly what our
// decoder (with its postfilter) gives.
TEST(TrueSpeechFfmpeg, EncodedSpeechDecodesLikeFfmpeg) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed: Truespeech is not compared with the reference decoder";
    for (const char* name : {"speech8k.wav", "speech8k_voice2.wav"}) {
        std::vector<int16_t> pcm;
        std::string error;
        ASSERT_TRUE(ReadPcm8kMonoWav((std::string(KV_TEST_DATA_DIR "/") + name).c_str(), &pcm, &error)) << error;
        TrueSpeechEncoder encoder;
        std::vector<uint8_t> blocks(pcm.size() / TrueSpeechBlockSamples * TrueSpeechBlockBytes);
        for (size_t b = 0; b * TrueSpeechBlockBytes < blocks.size(); ++b)
            encoder.encode(&pcm[b * TrueSpeechBlockSamples], &blocks[b * TrueSpeechBlockBytes]);
        std::vector<int16_t> expected = FfmpegDecode(blocks);
        ASSERT_EQ(expected.size(), blocks.size() / 32 * 240u) << name;
        long at = FirstDifference(blocks, expected);
        EXPECT_EQ(at, -1) << name << ": block " << at / 240 << ", sample " << at % 240;
    }
}
#endif
