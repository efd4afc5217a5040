#include "audio/media_channel.h"

namespace kv {

int MediaChannel::feedPayload(int codec, const uint8_t* /*frames*/, int length) {
    lastPayloadCodec = codec;
    lastPayloadLength = length;
    ++payloadsFed;
    return 0;
}

}  // namespace kv
