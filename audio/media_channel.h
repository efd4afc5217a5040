// A party's receive path: a decoder that follows whatever codec the party
// sends, in front of that party's playout buffer. (The send path, capture
// plus encoder, is the CaptureDevice.)
#pragma once

#include <atomic>
#include <cstdint>

#include "audio/codec.h"
#include "audio/playout.h"

namespace kv {

class MediaChannel {
public:
    // devices null: the system's wave output.
    explicit MediaChannel(WaveDevices* devices = nullptr) : playout(devices) {}
    ~MediaChannel();
    MediaChannel(const MediaChannel&) = delete;
    MediaChannel& operator=(const MediaChannel&) = delete;

    // Decodes the whole codec frames of one audio payload and queues them for
    // playout: 0, or -1 when the playout buffer refused a frame (the rest of
    // the payload is then dropped). A payload of a codec that cannot be
    // decoded here is discarded (0).
    int feedPayload(int codec, const uint8_t* frames, int length);

    PlayoutBuffer playout;
    CodecStream decoder = nullptr;
    StreamHeader decoderHeader;
    std::atomic<int> decoderCodec{-1};
};

}  // namespace kv
