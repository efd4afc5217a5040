// The codec conversion seam, shaped after the Windows audio compression
// manager (acmStreamOpen / PrepareHeader / Convert / UnprepareHeader / Close):
// a stream converts between two wave formats one block per call.
// Windows: the compression manager with its installed codecs. Linux: libgsm
// for GSM 6.10 (format tag 0x0031). Both fall back on our own Truespeech
// (0x0022) where the system has none; other formats are reported absent.
#pragma once

#include <cstdint>
#include <memory>

namespace kv {

#pragma pack(push, 1)
// The extended wave format record (WAVEFORMATEX and its extra bytes), 118 bytes reserved.
struct WaveFormatRecord {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
    uint8_t extra[100];
};
#pragma pack(pop)
static_assert(sizeof(WaveFormatRecord) == 118, "a wave format record reserves 118 bytes");

constexpr uint16_t FormatTagPcm = 0x0001;
constexpr uint16_t FormatTagTrueSpeech = 0x0022;
constexpr uint16_t FormatTagGsm610 = 0x0031;

// The header of one conversion: source and destination buffers (owned by
// whoever opened the stream) and the stream's own bookkeeping.
struct StreamHeader {
    uint8_t* source = nullptr;
    int sourceLength = 0;
    uint8_t* destination = nullptr;
    int destinationLength = 0;
    int destinationUsed = 0;   // bytes the last conversion produced
    void* platform = nullptr;  // set by prepare, cleared by unprepare
};

class ConversionStream {
public:
    virtual ~ConversionStream() = default;  // closes the stream
    virtual int prepare(StreamHeader& h) = 0;
    // Converts the whole source buffer as one block; endOfStream flushes.
    // Returns the platform's result, 0 on success.
    virtual int convert(StreamHeader& h, bool endOfStream) = 0;
    virtual int unprepare(StreamHeader& h) = 0;
};

// A stream without bookkeeping of its own per header.
class PlainConversionStream : public ConversionStream {
public:
    int prepare(StreamHeader& h) override {
        h.platform = this;
        return 0;
    }
    int unprepare(StreamHeader& h) override {
        h.platform = nullptr;
        return 0;
    }
};

// A stream from one format to the other, or null when no installed codec does
// that conversion. Non-real-time codecs are accepted.
std::unique_ptr<ConversionStream> OpenConversionStream(const WaveFormatRecord& from, const WaveFormatRecord& to);

// Our own Truespeech between 16-bit 8 kHz mono PCM and 32-byte blocks, or null
// for any other pair of formats.
std::unique_ptr<ConversionStream> OpenTrueSpeechConversion(const WaveFormatRecord& from, const WaveFormatRecord& to);

}  // namespace kv
