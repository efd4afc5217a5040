// Codec conversion over the Windows audio compression manager: one stream per
// direction, opened non-real-time, converting one block-aligned buffer per call.
// Where no installed driver converts Truespeech, our own does.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstddef>

#include "platform/conversion.h"

namespace kv {
namespace {

// A WaveFormatRecord is a WAVEFORMATEX followed by its extra bytes.
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is packed");
static_assert(offsetof(WaveFormatRecord, samplesPerSec) == offsetof(WAVEFORMATEX, nSamplesPerSec), "layout");
static_assert(offsetof(WaveFormatRecord, blockAlign) == offsetof(WAVEFORMATEX, nBlockAlign), "layout");
static_assert(offsetof(WaveFormatRecord, extraSize) == offsetof(WAVEFORMATEX, cbSize), "layout");
static_assert(offsetof(WaveFormatRecord, extra) == sizeof(WAVEFORMATEX), "layout");

ACMSTREAMHEADER* Header(const StreamHeader& h) { return static_cast<ACMSTREAMHEADER*>(h.platform); }

class AcmConversionStream final : public ConversionStream {
public:
    explicit AcmConversionStream(HACMSTREAM has) : has_(has) {}
    ~AcmConversionStream() override { acmStreamClose(has_, 0); }

    int prepare(StreamHeader& h) override {
        if (h.platform) unprepare(h);
        auto* a = new ACMSTREAMHEADER{};
        a->cbStruct = sizeof(ACMSTREAMHEADER);
        a->pbSrc = h.source;
        a->cbSrcLength = h.sourceLength > 0 ? static_cast<DWORD>(h.sourceLength) : 0;
        a->pbDst = h.destination;
        a->cbDstLength = h.destinationLength > 0 ? static_cast<DWORD>(h.destinationLength) : 0;
        h.platform = a;
        h.destinationUsed = 0;
        return static_cast<int>(acmStreamPrepareHeader(has_, a, 0));
    }

    int convert(StreamHeader& h, bool endOfStream) override {
        ACMSTREAMHEADER* a = Header(h);
        if (!a) return MMSYSERR_INVALPARAM;
        DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (endOfStream ? ACM_STREAMCONVERTF_END : 0);
        MMRESULT r = acmStreamConvert(has_, a, flags);
        // The used count is only valid once the call has returned.
        DWORD used = r == MMSYSERR_NOERROR ? a->cbDstLengthUsed : 0;
        h.destinationUsed = static_cast<int>(used <= a->cbDstLength ? used : a->cbDstLength);
        return static_cast<int>(r);
    }

    int unprepare(StreamHeader& h) override {
        ACMSTREAMHEADER* a = Header(h);
        if (!a) return MMSYSERR_INVALPARAM;
        MMRESULT r = acmStreamUnprepareHeader(has_, a, 0);
        delete a;
        h.platform = nullptr;
        return static_cast<int>(r);
    }

private:
    HACMSTREAM has_;
};

}  // namespace

std::unique_ptr<ConversionStream> OpenConversionStream(const WaveFormatRecord& from, const WaveFormatRecord& to) {
    // The manager reads cbSize extra bytes behind each format: never past the record.
    if (from.extraSize > sizeof from.extra || to.extraSize > sizeof to.extra) return nullptr;
    WaveFormatRecord source = from;
    WaveFormatRecord destination = to;
    HACMSTREAM has = nullptr;
    MMRESULT r = acmStreamOpen(&has, nullptr, reinterpret_cast<LPWAVEFORMATEX>(&source),
                               reinterpret_cast<LPWAVEFORMATEX>(&destination), nullptr, 0, 0,
                               ACM_STREAMOPENF_NONREALTIME);
    if (r != MMSYSERR_NOERROR || !has) return OpenTrueSpeechConversion(from, to);
    return std::make_unique<AcmConversionStream>(has);
}

}  // namespace kv
