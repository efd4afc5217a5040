// The PCM format, the table of the two speech codecs, and codec streams: an
// encoder turns one PCM frame into one codec frame, a decoder the reverse. A
// frame is always exactly one codec block; every buffer size of the audio
// engine and the audio payload layout follow from this table.
#pragma once

#include <cstdint>

#include "platform/conversion.h"

namespace kv {

class MediaChannel;

// 8000 samples per second, 16-bit signed little-endian, mono.
extern const WaveFormatRecord PcmFormat;

// The audio core's rate: capture, echo cancellation and noise suppression,
// the jitter buffers, the mix and the devices. The two codecs of the table run
// at CodecRate, and their frames are resampled at the codec's edge.
constexpr int CoreRate = 16000;
constexpr int CodecRate = 8000;

struct CodecEntry {
    WaveFormatRecord format;
    int pcmBytesPerFrame;
    int codecBytesPerFrame;
    const char* name;
};

constexpr int CodecCount = 2;
// Opus (audio/opus_voice.h): not in the table, sent only inside a private
// session to a peer whose features record lists it; its datagram is byte 0 =
// 2, then exactly one Opus packet.
constexpr int CodecOpus = 2;
constexpr int MaxPcmFrameBytes = 640;  // at CodecRate
constexpr int MaxCoreFrameSamples = MaxPcmFrameBytes / 2 * (CoreRate / CodecRate);
constexpr int MaxCodecFrameBytes = 65;
// Index 0 "GSM 6.10" (320 samples in 65 bytes), 1 "Truespeech" (240 in 32).
extern const CodecEntry CodecTable[CodecCount];

inline bool ValidCodec(int codec) { return codec >= 0 && codec < CodecCount; }
// Samples of one codec frame at the rate (a multiple of CodecRate).
inline int FrameSamplesAt(int codec, int rate) {
    return CodecTable[ValidCodec(codec) ? codec : 0].pcmBytesPerFrame / 2 * (rate / CodecRate);
}

// A stream is the platform's conversion; its header holds the two buffers,
// allocated by open and freed by closeStream.
using CodecStream = ConversionStream*;

CodecStream openEncoder(int codec, StreamHeader* header);
CodecStream openDecoder(int codec, StreamHeader* header);
// Encodes one PCM frame of the codec's size; returns the codec frame's bytes (65 or 32).
int encodeFrame(CodecStream stream, StreamHeader* header, const uint8_t* pcm, uint8_t* out, int codec);
// Decodes one codec frame into PCM; returns the conversion's result.
int decodeFrame(CodecStream stream, StreamHeader* header, const uint8_t* frame, uint8_t* pcm, int codec);
// Flushes, unprepares, frees both buffers and closes the stream; returns 0.
int closeStream(CodecStream stream, StreamHeader* header);

// 1 and the codec's display name (with its NUL) in nameOut when the codec can
// be used here, else 0 (nameOut untouched). The first call per codec tries an
// encoder in the scratch channel's decoder slot and remembers the answer for
// the rest of the program's life. Probes are serialised by one lock.
int probeCodec(int codec, char* nameOut, MediaChannel& scratch);

// ---- for tests: a conversion opener of their own, and a fresh availability cache ----
using ConversionOpener = std::unique_ptr<ConversionStream> (*)(const WaveFormatRecord&, const WaveFormatRecord&);
void SetConversionOpener(ConversionOpener opener);  // null: the platform's
void ResetCodecAvailability();

}  // namespace kv
