#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/codec.h"
#include "audio/media_channel.h"
#include "platform/file/wav_file_devices.h"
#include "speech_sample.h"
#include "test_support.h"

using namespace kv;

#ifndef KV_TEST_DATA_DIR
#error "KV_TEST_DATA_DIR must name tests/data"
#endif

namespace {

// Encodes whole 320-sample frames into 65-byte blocks with our encoder.
std::vector<uint8_t> EncodeAll(const std::vector<int16_t>& pcm) {
    StreamHeader h;
    CodecStream s = openEncoder(0, &h);
    EXPECT_NE(s, nullptr);
    std::vector<uint8_t> blocks;
    if (!s) return blocks;
    for (size_t at = 0; at + 320 <= pcm.size(); at += 320) {
        uint8_t block[65];
        EXPECT_EQ(encodeFrame(s, &h, reinterpret_cast<const uint8_t*>(&pcm[at]), block, 0), 65);
        blocks.insert(blocks.end(), block, block + 65);
    }
    closeStream(s, &h);
    return blocks;
}

std::vector<int16_t> DecodeAll(const std::vector<uint8_t>& blocks) {
    StreamHeader h;
    CodecStream s = openDecoder(0, &h);
    EXPECT_NE(s, nullptr);
    std::vector<int16_t> pcm;
    if (!s) return pcm;
    for (size_t at = 0; at + 65 <= blocks.size(); at += 65) {
        int16_t frame[320];
        decodeFrame(s, &h, &blocks[at], reinterpret_cast<uint8_t*>(frame), 0);
        pcm.insert(pcm.end(), frame, frame + 320);
    }
    closeStream(s, &h);
    return pcm;
}

// Signal-to-noise ratio in dB of `got` against `ref`, at the best lag up to 400 samples.
double SnrDb(const std::vector<int16_t>& ref, const std::vector<int16_t>& got) {
    double best = -1e9;
    for (int lag = 0; lag <= 400; ++lag) {
        double signal = 0, noise = 0;
        for (size_t i = 0; i + lag < got.size() && i < ref.size(); ++i) {
            double d = double(got[i + lag]) - ref[i];
            signal += double(ref[i]) * ref[i];
            noise += d * d;
        }
        if (noise > 0) best = std::max(best, 10 * std::log10(signal / noise));
    }
    return best;
}

// Counts the conversions opened, passing them on to the platform.
int gOpens = 0;
std::unique_ptr<ConversionStream> CountingOpener(const WaveFormatRecord& from, const WaveFormatRecord& to) {
    ++gOpens;
    return OpenConversionStream(from, to);
}

}  // namespace

TEST(Codec, TheTable) {
    EXPECT_EQ(PcmFormat.formatTag, 1);
    EXPECT_EQ(PcmFormat.channels, 1);
    EXPECT_EQ(PcmFormat.samplesPerSec, 8000u);
    EXPECT_EQ(PcmFormat.avgBytesPerSec, 16000u);
    EXPECT_EQ(PcmFormat.blockAlign, 2);
    EXPECT_EQ(PcmFormat.bitsPerSample, 16);
    EXPECT_EQ(PcmFormat.extraSize, 0);

    const WaveFormatRecord& gsm = CodecTable[0].format;
    EXPECT_STREQ(CodecTable[0].name, "GSM 6.10");
    EXPECT_EQ(gsm.formatTag, 0x0031);
    EXPECT_EQ(gsm.avgBytesPerSec, 1625u);
    EXPECT_EQ(gsm.blockAlign, 65);
    EXPECT_EQ(gsm.bitsPerSample, 0);
    EXPECT_EQ(gsm.extraSize, 2);
    EXPECT_EQ(gsm.extra[0] | gsm.extra[1] << 8, 320);
    EXPECT_EQ(CodecTable[0].pcmBytesPerFrame, 640);
    EXPECT_EQ(CodecTable[0].codecBytesPerFrame, 65);

    const WaveFormatRecord& ts = CodecTable[1].format;
    EXPECT_STREQ(CodecTable[1].name, "Truespeech");
    EXPECT_EQ(ts.formatTag, 0x0022);
    EXPECT_EQ(ts.avgBytesPerSec, 1067u);
    EXPECT_EQ(ts.blockAlign, 32);
    EXPECT_EQ(ts.bitsPerSample, 1);
    EXPECT_EQ(ts.extraSize, 32);
    EXPECT_EQ(ts.extra[0] | ts.extra[1] << 8, 1);
    EXPECT_EQ(ts.extra[2] | ts.extra[3] << 8, 240);
    for (int i = 4; i < 32; ++i) EXPECT_EQ(ts.extra[i], 0) << i;
    EXPECT_EQ(CodecTable[1].pcmBytesPerFrame, 480);
    EXPECT_EQ(CodecTable[1].codecBytesPerFrame, 32);
}

TEST(Codec, ProbeAnswersFromItsCacheAfterTheFirstTry) {
    ResetCodecAvailability();
    SetConversionOpener(CountingOpener);
    gOpens = 0;
    MediaChannel scratch;
    char name[32] = "untouched";
    EXPECT_EQ(probeCodec(5, name, scratch), 0);
    EXPECT_EQ(probeCodec(-1, name, scratch), 0);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(gOpens, 0);

    EXPECT_EQ(probeCodec(0, name, scratch), 1);
    EXPECT_STREQ(name, "GSM 6.10");
    const int truespeech = probeCodec(1, name, scratch);
    EXPECT_EQ(gOpens, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(probeCodec(0, name, scratch), 1);
        EXPECT_EQ(probeCodec(1, name, scratch), truespeech);
    }
    EXPECT_EQ(gOpens, 2);  // never tried again
    EXPECT_EQ(scratch.decoder, nullptr);
    if (!truespeech) {
        // The settings' codec list then offers GSM 6.10 only.
        int offered = 0;
        for (int i = 0; i < 10; ++i) offered += probeCodec(i, name, scratch);
        EXPECT_EQ(offered, 1);
    }
    SetConversionOpener(nullptr);
    ResetCodecAvailability();
}

TEST(Codec, FrameSizes) {
    StreamHeader h;
    CodecStream s = openEncoder(0, &h);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(h.sourceLength, 640);
    EXPECT_EQ(h.destinationLength, 65);
    uint8_t pcm[640] = {};
    uint8_t out[80];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(encodeFrame(s, &h, pcm, out, 0), 65);
    EXPECT_EQ(out[65], 0xEE);  // nothing written past the frame
    closeStream(s, &h);

    s = openDecoder(0, &h);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(h.sourceLength, 65);
    EXPECT_EQ(h.destinationLength, 640);
    closeStream(s, &h);

    s = openEncoder(1, &h);
    if (s) {
        EXPECT_EQ(encodeFrame(s, &h, pcm, out, 1), 32);
        closeStream(s, &h);
    }
    EXPECT_EQ(openEncoder(2, &h), nullptr);
    EXPECT_EQ(openDecoder(-1, &h), nullptr);
}

TEST(Codec, ClosingAStreamThatNeverConvertedFreesItsBuffers) {
    // The leak checker of the sanitizer build fails the run if a buffer stays.
    for (int i = 0; i < 3; ++i) {
        StreamHeader h;
        CodecStream s = openDecoder(0, &h);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(closeStream(s, &h), 0);
    }
}

TEST(Codec, SpeechSurvivesARoundTrip) {
    std::vector<int16_t> speech = SpeechSample();
    ASSERT_GT(speech.size(), 8000u);
    std::vector<int16_t> decoded = DecodeAll(EncodeAll(speech));
    ASSERT_EQ(decoded.size(), speech.size() / 320 * 320);
    double snr = SnrDb(speech, decoded);
    std::printf("[ info ] speech round trip through GSM 6.10: SNR %.2f dB\n", snr);
    EXPECT_GE(snr, 10.0);
}

// ---- bit-exactness with sox's independent GSM 6.10 ("gsm-full-rate", format tag 0x31) ----

#ifndef _WIN32
#include <unistd.h>

namespace {

void Put16(std::FILE* f, int v) {
    std::fputc(v & 0xFF, f);
    std::fputc(v >> 8 & 0xFF, f);
}
void Put32(std::FILE* f, uint32_t v) {
    Put16(f, int(v & 0xFFFF));
    Put16(f, int(v >> 16));
}

void WriteGsmWav(const std::string& path, const std::vector<uint8_t>& blocks) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    uint32_t data = static_cast<uint32_t>(blocks.size());
    std::fwrite("RIFF", 1, 4, f);
    Put32(f, 4 + 8 + 20 + 8 + 4 + 8 + data);
    std::fwrite("WAVEfmt ", 1, 8, f);
    Put32(f, 20);
    Put16(f, 0x31);
    Put16(f, 1);
    Put32(f, 8000);
    Put32(f, 1625);
    Put16(f, 65);
    Put16(f, 0);
    Put16(f, 2);
    Put16(f, 320);
    std::fwrite("fact", 1, 4, f);
    Put32(f, 4);
    Put32(f, static_cast<uint32_t>(blocks.size() / 65 * 320));
    std::fwrite("data", 1, 4, f);
    Put32(f, data);
    std::fwrite(blocks.data(), 1, blocks.size(), f);
    std::fclose(f);
}

// The 65-byte blocks of a GSM WAV file written by sox.
std::vector<uint8_t> ReadGsmBlocks(const std::string& path) {
    std::vector<uint8_t> all;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return all;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) all.insert(all.end(), buf, buf + n);
    std::fclose(f);
    for (size_t at = 12; at + 8 <= all.size();) {
        uint32_t size = all[at + 4] | all[at + 5] << 8 | all[at + 6] << 16 | uint32_t(all[at + 7]) << 24;
        if (std::memcmp(&all[at], "data", 4) == 0) {
            // sox counts a padding byte in the data of an odd number of blocks
            size_t end = std::min(all.size(), at + 8 + size / 65 * 65);
            return std::vector<uint8_t>(all.begin() + long(at) + 8, all.begin() + long(end));
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

bool HaveSox() { return std::system("sox --version > /dev/null 2>&1") == 0; }

std::string TempPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/kv_codec_" + std::to_string(::getpid()) + "_" + name;
}

}  // namespace

TEST(CodecSox, SoxDecodesOurBlocksToOurSamples) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    std::vector<int16_t> speech = SpeechSample();
    std::vector<uint8_t> ours = EncodeAll(speech);
    std::string gsm = TempPath("ours.wav"), pcm = TempPath("ours_by_sox.wav");
    WriteGsmWav(gsm, ours);
    ASSERT_EQ(std::system(("sox " + gsm + " -e signed-integer -b 16 " + pcm).c_str()), 0);
    std::vector<int16_t> bySox;
    std::string error;
    ASSERT_TRUE(ReadPcm8kMonoWav(pcm.c_str(), &bySox, &error)) << error;
    std::vector<int16_t> byUs = DecodeAll(ours);
    ASSERT_EQ(bySox.size(), byUs.size());
    EXPECT_TRUE(bySox == byUs);
    std::remove(gsm.c_str());
    std::remove(pcm.c_str());
}

TEST(CodecSox, WeDecodeSoxBlocksToSoxSamplesAndEncodeLikeSox) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    std::string gsm = TempPath("sox.wav"), pcm = TempPath("sox_decoded.wav");
    ASSERT_EQ(std::system(("sox " KV_TEST_DATA_DIR "/speech8k.wav -e gsm-full-rate " + gsm).c_str()), 0);
    ASSERT_EQ(std::system(("sox " + gsm + " -e signed-integer -b 16 " + pcm).c_str()), 0);
    std::vector<uint8_t> soxBlocks = ReadGsmBlocks(gsm);
    ASSERT_GT(soxBlocks.size(), 65u * 100);
    std::vector<int16_t> bySox;
    std::string error;
    ASSERT_TRUE(ReadPcm8kMonoWav(pcm.c_str(), &bySox, &error)) << error;
    std::vector<int16_t> byUs = DecodeAll(soxBlocks);
    ASSERT_EQ(byUs.size(), soxBlocks.size() / 65 * 320);
    ASSERT_GE(bySox.size(), byUs.size());
    bySox.resize(byUs.size());
    EXPECT_TRUE(bySox == byUs);

    // Both encoders make the same blocks of the same speech (sox pads the last block).
    std::vector<uint8_t> ours = EncodeAll(SpeechSample());
    ASSERT_LE(ours.size(), soxBlocks.size());
    EXPECT_TRUE(std::equal(ours.begin(), ours.end(), soxBlocks.begin()));
    std::remove(gsm.c_str());
    std::remove(pcm.c_str());
}
#endif
