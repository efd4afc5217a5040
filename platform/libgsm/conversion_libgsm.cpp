// Codec conversions on Linux: GSM 6.10 in its 65-byte, 320-sample block
// (format tag 0x0031) through libgsm with GSM_OPT_WAV49. Each block is two
// 160-sample GSM frames packed into 32.5 + 32.5 bytes; libgsm alternates the
// packing itself, so one state per direction sees every block, two calls each.
// Truespeech is our own; other formats are not available here.
#include <gsm.h>

#include <cstring>

#include "platform/conversion.h"

namespace kv {
namespace {

constexpr int BlockSamples = 320;
constexpr int BlockPcmBytes = BlockSamples * 2;
constexpr int BlockBytes = 65;

bool IsPcm8k(const WaveFormatRecord& f) {
    return f.formatTag == FormatTagPcm && f.channels == 1 && f.samplesPerSec == 8000 && f.bitsPerSample == 16 &&
           f.blockAlign == 2;
}

bool IsGsm8k(const WaveFormatRecord& f) {
    return f.formatTag == FormatTagGsm610 && f.channels == 1 && f.samplesPerSec == 8000 && f.blockAlign == BlockBytes;
}

class GsmStream final : public PlainConversionStream {
public:
    GsmStream(gsm state, bool encoder) : state_(state), encoder_(encoder) {}
    ~GsmStream() override { gsm_destroy(state_); }

    int convert(StreamHeader& h, bool endOfStream) override {
        h.destinationUsed = 0;
        if (endOfStream) return 0;  // block-aligned conversions leave nothing to flush
        gsm_signal pcm[BlockSamples];
        if (encoder_) {
            if (h.sourceLength < BlockPcmBytes || h.destinationLength < BlockBytes) return 1;
            std::memcpy(pcm, h.source, BlockPcmBytes);
            gsm_byte block[BlockBytes];
            gsm_encode(state_, pcm, block);
            gsm_encode(state_, pcm + 160, block + 32);
            std::memcpy(h.destination, block, BlockBytes);
            h.destinationUsed = BlockBytes;
        } else {
            if (h.sourceLength < BlockBytes || h.destinationLength < BlockPcmBytes) return 1;
            gsm_byte block[BlockBytes];
            std::memcpy(block, h.source, BlockBytes);
            int bad = gsm_decode(state_, block, pcm);
            bad |= gsm_decode(state_, block + 33, pcm + 160);
            std::memcpy(h.destination, pcm, BlockPcmBytes);
            h.destinationUsed = BlockPcmBytes;
            if (bad) return 1;
        }
        return 0;
    }

private:
    gsm state_;
    bool encoder_;
};

}  // namespace

std::unique_ptr<ConversionStream> OpenConversionStream(const WaveFormatRecord& from, const WaveFormatRecord& to) {
    bool encoder = IsPcm8k(from) && IsGsm8k(to);
    bool decoder = IsGsm8k(from) && IsPcm8k(to);
    if (!encoder && !decoder) return OpenTrueSpeechConversion(from, to);
    gsm state = gsm_create();
    if (!state) return nullptr;
    int one = 1;
    gsm_option(state, GSM_OPT_WAV49, &one);
    return std::make_unique<GsmStream>(state, encoder);
}

}  // namespace kv
