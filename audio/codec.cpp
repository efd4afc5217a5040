#include "audio/codec.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "audio/media_channel.h"

namespace kv {

const WaveFormatRecord PcmFormat = {FormatTagPcm, 1, 8000, 16000, 2, 16, 0, {}};

const CodecEntry CodecTable[CodecCount] = {
    // GSM 6.10: extra bytes hold the samples per block, 320, as a 16-bit number.
    {{FormatTagGsm610, 1, 8000, 1625, 65, 0, 2, {0x40, 0x01}}, 640, 65, "GSM 6.10"},
    // Truespeech: revision 1, 240 samples per block, then 28 zero bytes.
    {{FormatTagTrueSpeech, 1, 8000, 1067, 32, 1, 32, {0x01, 0x00, 0xF0, 0x00}}, 480, 32, "Truespeech"},
};

namespace {

std::atomic<ConversionOpener> gOpener{nullptr};

enum Availability { NotProbed = 0, Unavailable = 1, Available = 2 };
std::atomic<int> gAvailability[CodecCount] = {};
std::mutex gProbeLock;

CodecStream Open(const WaveFormatRecord& from, const WaveFormatRecord& to, int sourceBytes, int destinationBytes,
                 StreamHeader* header) {
    ConversionOpener opener = gOpener.load();
    std::unique_ptr<ConversionStream> stream = opener ? opener(from, to) : OpenConversionStream(from, to);
    if (!stream) return nullptr;
    *header = StreamHeader();
    header->sourceLength = sourceBytes;
    header->destinationLength = destinationBytes;
    header->source = new uint8_t[static_cast<size_t>(sourceBytes)]();
    header->destination = new uint8_t[static_cast<size_t>(destinationBytes)]();
    stream->prepare(*header);
    return stream.release();
}

}  // namespace

CodecStream openEncoder(int codec, StreamHeader* header) {
    if (!ValidCodec(codec)) return nullptr;
    const CodecEntry& e = CodecTable[codec];
    return Open(PcmFormat, e.format, e.pcmBytesPerFrame, e.codecBytesPerFrame, header);
}

CodecStream openDecoder(int codec, StreamHeader* header) {
    if (!ValidCodec(codec)) return nullptr;
    const CodecEntry& e = CodecTable[codec];
    return Open(e.format, PcmFormat, e.codecBytesPerFrame, e.pcmBytesPerFrame, header);
}

int encodeFrame(CodecStream stream, StreamHeader* header, const uint8_t* pcm, uint8_t* out, int codec) {
    const CodecEntry& e = CodecTable[codec];
    std::memcpy(header->source, pcm, static_cast<size_t>(e.pcmBytesPerFrame));
    stream->convert(*header, false);
    // The whole codec frame goes out whatever the conversion reports.
    std::memcpy(out, header->destination, static_cast<size_t>(e.codecBytesPerFrame));
    return e.codecBytesPerFrame;
}

int decodeFrame(CodecStream stream, StreamHeader* header, const uint8_t* frame, uint8_t* pcm, int codec) {
    const CodecEntry& e = CodecTable[codec];
    std::memcpy(header->source, frame, static_cast<size_t>(e.codecBytesPerFrame));
    int result = stream->convert(*header, false);
    std::memcpy(pcm, header->destination, static_cast<size_t>(e.pcmBytesPerFrame));
    return result;
}

int closeStream(CodecStream stream, StreamHeader* header) {
    stream->convert(*header, true);
    stream->unprepare(*header);
    delete[] header->source;
    delete[] header->destination;
    header->source = header->destination = nullptr;
    delete stream;
    return 0;
}

int probeCodec(int codec, char* nameOut, MediaChannel& scratch) {
    if (!ValidCodec(codec)) return 0;
    std::lock_guard<std::mutex> guard(gProbeLock);
    if (gAvailability[codec] == NotProbed) {
        scratch.decoder = openEncoder(codec, &scratch.decoderHeader);
        if (scratch.decoder) {
            closeStream(scratch.decoder, &scratch.decoderHeader);
            scratch.decoder = nullptr;
            gAvailability[codec] = Available;
        } else {
            gAvailability[codec] = Unavailable;
        }
    }
    if (gAvailability[codec] != Available) return 0;
    std::strcpy(nameOut, CodecTable[codec].name);
    return 1;
}

void SetConversionOpener(ConversionOpener opener) { gOpener = opener; }

void ResetCodecAvailability() {
    std::lock_guard<std::mutex> guard(gProbeLock);
    for (auto& a : gAvailability) a = NotProbed;
}

}  // namespace kv
