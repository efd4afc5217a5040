// The codec conversion seam over the Windows audio compression manager.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/conversion.h"
#include "test_support.h"

using namespace kv;

namespace {

WaveFormatRecord Pcm() {
    WaveFormatRecord f{};
    f.formatTag = FormatTagPcm;
    f.channels = 1;
    f.samplesPerSec = 8000;
    f.avgBytesPerSec = 16000;
    f.blockAlign = 2;
    f.bitsPerSample = 16;
    f.extraSize = 0;
    return f;
}

WaveFormatRecord Gsm() {
    WaveFormatRecord f{};
    f.formatTag = FormatTagGsm610;
    f.channels = 1;
    f.samplesPerSec = 8000;
    f.avgBytesPerSec = 1625;
    f.blockAlign = 65;
    f.bitsPerSample = 0;
    f.extraSize = 2;
    const uint16_t samplesPerBlock = 320;
    std::memcpy(f.extra, &samplesPerBlock, 2);
    return f;
}

WaveFormatRecord TrueSpeech() {
    WaveFormatRecord f{};
    f.formatTag = FormatTagTrueSpeech;
    f.channels = 1;
    f.samplesPerSec = 8000;
    f.avgBytesPerSec = 1067;
    f.blockAlign = 32;
    f.bitsPerSample = 1;
    f.extraSize = 32;
    const uint16_t revision = 1, samplesPerBlock = 240;
    std::memcpy(f.extra, &revision, 2);
    std::memcpy(f.extra + 2, &samplesPerBlock, 2);
    return f;
}

// A stream with its own buffers and a prepared header, closed the way the
// engine closes it: a flush, unprepare, close.
struct Converter {
    std::unique_ptr<ConversionStream> stream;
    std::vector<uint8_t> source, destination;
    StreamHeader header;

    Converter(std::unique_ptr<ConversionStream> s, int sourceLength, int destinationLength)
        : stream(std::move(s)), source(sourceLength), destination(destinationLength) {
        header.source = source.data();
        header.sourceLength = sourceLength;
        header.destination = destination.data();
        header.destinationLength = destinationLength;
        if (stream) prepareResult = stream->prepare(header);
    }
    ~Converter() {
        if (!stream) return;
        stream->convert(header, true);
        stream->unprepare(header);
    }

    // Converts `in` (exactly one source block); returns the result code.
    int convert(const uint8_t* in) {
        std::memcpy(source.data(), in, source.size());
        return stream->convert(header, false);
    }

    int prepareResult = -1;
};

constexpr double Pi = 3.14159265358979323846;

// One tone, or two added, at 8000 samples per second.
std::vector<int16_t> Sine(int samples, double hz, double amplitude, double hz2 = 0, double amplitude2 = 0) {
    std::vector<int16_t> s(samples);
    for (int i = 0; i < samples; ++i)
        s[i] = static_cast<int16_t>(amplitude * std::sin(2 * Pi * hz * i / 8000.0) +
                                    amplitude2 * std::sin(2 * Pi * hz2 * i / 8000.0));
    return s;
}

// Signal to noise ratio of `out` against `in`, in dB, over samples [from, to).
double SnrDb(const std::vector<int16_t>& in, const std::vector<int16_t>& out, size_t from, size_t to) {
    double signal = 0, noise = 0;
    for (size_t i = from; i < to; ++i) {
        double d = static_cast<double>(out[i]) - in[i];
        signal += static_cast<double>(in[i]) * in[i];
        noise += d * d;
    }
    return 10 * std::log10(signal / (noise > 0 ? noise : 1e-9));
}

// Encodes and decodes `in` (a whole number of 320-sample blocks) block by block.
std::vector<int16_t> GsmRoundTrip(const std::vector<int16_t>& in) {
    Converter enc(OpenConversionStream(Pcm(), Gsm()), 640, 65);
    Converter dec(OpenConversionStream(Gsm(), Pcm()), 65, 640);
    EXPECT_TRUE(enc.stream && dec.stream);
    std::vector<int16_t> out(in.size());
    if (!enc.stream || !dec.stream) return out;
    for (size_t block = 0; block + 320 <= in.size(); block += 320) {
        EXPECT_EQ(enc.convert(reinterpret_cast<const uint8_t*>(&in[block])), 0);
        EXPECT_EQ(enc.header.destinationUsed, 65);
        EXPECT_EQ(dec.convert(enc.destination.data()), 0);
        EXPECT_EQ(dec.header.destinationUsed, 640);
        std::memcpy(&out[block], dec.destination.data(), 640);
    }
    return out;
}

}  // namespace

TEST(AcmConversion, GsmEncoderTurns640PcmBytesIntoOne65ByteBlock) {
    // A destination larger than one block shows that the reported size is the
    // codec's, not the buffer's.
    Converter enc(OpenConversionStream(Pcm(), Gsm()), 640, 200);
    ASSERT_TRUE(enc.stream) << "the GSM 6.10 encoder is installed on Windows and in Wine";
    EXPECT_EQ(enc.prepareResult, 0);
    EXPECT_NE(enc.header.platform, nullptr);
    std::vector<int16_t> pcm = Sine(320, 440, 8000);
    EXPECT_EQ(enc.convert(reinterpret_cast<const uint8_t*>(pcm.data())), 0);
    EXPECT_EQ(enc.header.destinationUsed, 65);
}

TEST(AcmConversion, GsmDecoderTurnsOne65ByteBlockInto640PcmBytes) {
    Converter enc(OpenConversionStream(Pcm(), Gsm()), 640, 65);
    Converter dec(OpenConversionStream(Gsm(), Pcm()), 65, 1000);
    ASSERT_TRUE(enc.stream && dec.stream);
    EXPECT_EQ(dec.prepareResult, 0);
    std::vector<int16_t> pcm = Sine(320, 440, 8000);
    ASSERT_EQ(enc.convert(reinterpret_cast<const uint8_t*>(pcm.data())), 0);
    EXPECT_EQ(dec.convert(enc.destination.data()), 0);
    EXPECT_EQ(dec.header.destinationUsed, 640);
}

TEST(AcmConversion, GsmRoundTripKeepsTheSignal) {
    // 60 blocks (2.4 s); the codec's state settles within the first blocks.
    const int blocks = 60, skip = 4;
    struct Case {
        const char* name;
        std::vector<int16_t> pcm;
    } cases[] = {{"440 Hz", Sine(blocks * 320, 440, 8000)}, {"300 Hz + 1100 Hz", Sine(blocks * 320, 300, 5000, 1100, 3000)}};
    for (const Case& c : cases) {
        std::vector<int16_t> out = GsmRoundTrip(c.pcm);
        double snr = SnrDb(c.pcm, out, skip * 320, out.size());
        std::printf("%s: GSM round trip SNR %.1f dB\n", c.name, snr);
        EXPECT_GT(snr, 5.0) << c.name;
    }
}

TEST(AcmConversion, SilenceStaysQuiet) {
    // Digital silence comes back as a faint floor (peak 16 under Wine), far below speech.
    std::vector<int16_t> silence(20 * 320, 0);
    std::vector<int16_t> out = GsmRoundTrip(silence);
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_LT(peak, 100);
}

TEST(AcmConversion, TrueSpeechOpensOrIsReportedAbsent) {
    auto enc = OpenConversionStream(Pcm(), TrueSpeech());
    auto dec = OpenConversionStream(TrueSpeech(), Pcm());
    if (!enc) {
        // Wine ships no Truespeech codec; the absence is reported at open time.
        EXPECT_FALSE(dec) << "a decoder without an encoder";
        if (kvtest::RunningUnderWine()) GTEST_SKIP() << "Truespeech is not installed (Wine)";
        GTEST_SKIP() << "Truespeech is not installed on this system";
    }
    ASSERT_TRUE(dec);
    Converter e(std::move(enc), 480, 32);
    std::vector<int16_t> pcm = Sine(240, 440, 8000);
    EXPECT_EQ(e.convert(reinterpret_cast<const uint8_t*>(pcm.data())), 0);
    EXPECT_EQ(e.header.destinationUsed, 32);
    Converter d(std::move(dec), 32, 480);
    EXPECT_EQ(d.convert(e.destination.data()), 0);
    EXPECT_EQ(d.header.destinationUsed, 480);
}

TEST(AcmConversion, UnknownOrMalformedFormatsGiveNoStream) {
    WaveFormatRecord unknown = Gsm();
    unknown.formatTag = 0x7777;
    EXPECT_FALSE(OpenConversionStream(Pcm(), unknown));
    EXPECT_FALSE(OpenConversionStream(unknown, Pcm()));

    // More extra bytes than the record holds must not be read.
    WaveFormatRecord oversized = Gsm();
    oversized.extraSize = 0xFFFF;
    EXPECT_FALSE(OpenConversionStream(Pcm(), oversized));
    EXPECT_FALSE(OpenConversionStream(oversized, Pcm()));
}

TEST(AcmConversion, HeaderLifecycleWithoutAnyConversion) {
    for (int round = 0; round < 3; ++round) {
        auto stream = OpenConversionStream(Pcm(), Gsm());
        ASSERT_TRUE(stream);
        std::vector<uint8_t> src(640), dst(65);
        StreamHeader h;
        h.source = src.data();
        h.sourceLength = 640;
        h.destination = dst.data();
        h.destinationLength = 65;
        EXPECT_EQ(stream->prepare(h), 0);
        EXPECT_NE(h.platform, nullptr);
        EXPECT_EQ(stream->unprepare(h), 0);
        EXPECT_EQ(h.platform, nullptr);
        // An unprepared header is refused, not dereferenced.
        EXPECT_NE(stream->convert(h, false), 0);
        EXPECT_NE(stream->unprepare(h), 0);
    }
}

TEST(AcmConversion, TheFinalFlushSucceedsAfterBlocks) {
    Converter enc(OpenConversionStream(Pcm(), Gsm()), 640, 65);
    ASSERT_TRUE(enc.stream);
    std::vector<int16_t> pcm = Sine(320, 440, 8000);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(enc.convert(reinterpret_cast<const uint8_t*>(pcm.data())), 0);
    EXPECT_EQ(enc.stream->convert(enc.header, true), 0);
    EXPECT_LE(enc.header.destinationUsed, 65);
}

#endif  // _WIN32
