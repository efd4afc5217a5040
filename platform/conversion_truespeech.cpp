// Codec 1 (Truespeech, format tag 0x0022) through our own encoder and decoder,
// for systems whose conversion service has no such codec. A buffer holds whole
// blocks: 240 samples (480 bytes) of PCM to 32 bytes and back; a partial block
// at the end is left unconverted.
#include <cstring>

#include "audio/truespeech.h"
#include "audio/truespeech_encoder.h"
#include "platform/conversion.h"

namespace kv {
namespace {

constexpr int BlockPcmBytes = TrueSpeechBlockSamples * 2;

bool IsPcm8k(const WaveFormatRecord& f) {
    return f.formatTag == FormatTagPcm && f.channels == 1 && f.samplesPerSec == 8000 && f.bitsPerSample == 16 &&
           f.blockAlign == 2;
}

bool IsTrueSpeech8k(const WaveFormatRecord& f) {
    return f.formatTag == FormatTagTrueSpeech && f.channels == 1 && f.samplesPerSec == 8000 &&
           f.blockAlign == TrueSpeechBlockBytes;
}

class TrueSpeechStream final : public PlainConversionStream {
public:
    explicit TrueSpeechStream(bool encoding) : encoding_(encoding) {}

    int convert(StreamHeader& h, bool endOfStream) override {
        h.destinationUsed = 0;
        if (endOfStream) return 0;  // whole blocks leave nothing to flush
        if (!h.source || !h.destination) return 1;
        const int in = encoding_ ? BlockPcmBytes : TrueSpeechBlockBytes;
        const int out = encoding_ ? TrueSpeechBlockBytes : BlockPcmBytes;
        int blocks = h.sourceLength / in;
        if (blocks > h.destinationLength / out) blocks = h.destinationLength / out;
        if (blocks == 0) return 1;
        for (int i = 0; i < blocks; ++i) {
            const uint8_t* from = h.source + i * in;
            uint8_t* to = h.destination + i * out;
            if (encoding_) {
                int16_t pcm[TrueSpeechBlockSamples];
                std::memcpy(pcm, from, sizeof pcm);
                encoder_.encode(pcm, to);
            } else {
                int16_t pcm[TrueSpeechBlockSamples];
                DecodeBlock(decoder_, from, pcm);
                std::memcpy(to, pcm, sizeof pcm);
            }
        }
        h.destinationUsed = blocks * out;
        return 0;
    }

private:
    bool encoding_;
    TrueSpeechEncoder encoder_;
    TrueSpeechState decoder_;
};

}  // namespace

std::unique_ptr<ConversionStream> OpenTrueSpeechConversion(const WaveFormatRecord& from, const WaveFormatRecord& to) {
    if (IsPcm8k(from) && IsTrueSpeech8k(to)) return std::make_unique<TrueSpeechStream>(true);
    if (IsTrueSpeech8k(from) && IsPcm8k(to)) return std::make_unique<TrueSpeechStream>(false);
    return nullptr;
}

}  // namespace kv
