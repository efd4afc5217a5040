// Fuzzes MediaChannel::feedPayload, the decoder in front of a party's playout:
// the codec byte and the frames of audio datagrams exactly as the receive
// loop hands them on (codec = byte 0 of the datagram, 0..127).
//
// Input: a sequence of payloads, each
//   [codec byte] [length: 2 bytes, big-endian, at most 1499] [length bytes]
// (a short last payload takes what is left). Codec 0 is GSM 6.10 through
// libgsm; codec 1 is Truespeech through our own decoder; codec 2 is one Opus
// packet; every other value is no codec at all and must be discarded.
//
// One channel lives across inputs (opening and closing a playout costs its
// monitor thread), on the manual wave devices so that nothing touches a sound
// card. Each input starts with a fresh decoder (decoderCodec reset), so the
// decoder state never carries over. The playout keeps at most one frame (the
// smallest maximum delay, and the manual device never plays), so every later
// frame is decoded and then dropped for exceeding the delay: the decoder sees
// every frame, and the playout's state after the first input is always the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "audio/codec.h"
#include "audio/media_channel.h"
#include "engine/protocol.h"
#include "platform/manual_wave.h"

using namespace kv;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_media_channel: %s\n", what);
        std::abort();
    }
}

struct Fixture {
    ManualWaveDevices devices;
    MediaChannel channel{&devices};
    Fixture() {
        channel.playout.setMinDelay(0);
        channel.playout.setMaxDelay(0);  // the floor: 50 ms, one GSM frame
    }
};

Fixture& TheFixture() {
    static Fixture* f = new Fixture;  // never destroyed: libFuzzer may exit from any thread
    return *f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = TheFixture();
    MediaChannel& channel = f.channel;
    if (channel.decoder) closeStream(channel.decoder, &channel.decoderHeader);
    channel.decoder = nullptr;
    channel.decoderCodec = -1;

    size_t at = 0;
    while (at < size) {
        const int codec = data[at] & 0x7F;  // the receive loop hands on bytes below 0x80
        ++at;
        size_t length = 0;
        if (at + 2 <= size) {
            length = (size_t(data[at]) << 8 | data[at + 1]) & 0x7FF;
            at += 2;
        } else {
            at = size;
        }
        if (length > size - at) length = size - at;
        if (length > MaxDatagram - 1) length = MaxDatagram - 1;
        const int before = channel.decoderCodec;
        const bool opusPacket = OpusVoiceDecoder::samplesIn(data + at, static_cast<int>(length)) > 0;
        const int result = channel.feedPayload(codec, data + at, static_cast<int>(length));
        at += length;

        Check(result == 0 || result == -1, "feedPayload returned something other than 0 or -1");
        if (codec == 0 || codec == 1) {
            // Both codecs of the table always decode here.
            Check(channel.decoderCodec == codec && channel.decoder != nullptr, "no decoder after a payload of its codec");
        } else if (codec == CodecOpus) {
            // Opus: its own decoder, the table's stream closed; a packet
            // that is not Opus is dropped whole, changing nothing.
            if (opusPacket)
                Check(channel.decoderCodec == CodecOpus && channel.decoder == nullptr, "no Opus decoder after Opus");
            else
                Check(channel.decoderCodec == before, "a malformed Opus packet changed the decoder");
        } else {
            // Other codec bytes name no codec: discarded.
            Check(channel.decoderCodec == -1 && channel.decoder == nullptr, "a decoder for a codec that has none");
            Check(result == 0, "an undecodable payload was not simply discarded");
        }
        // At most the floor of 50 ms, and the one payload that reached past it.
        Check(channel.playout.queuedMs() <= 50 + 120, "the playout kept more than its maximum delay");
    }
    return 0;
}
