#include "audio/media_channel.h"

#include "audio/capture.h"

namespace kv {

MediaChannel::~MediaChannel() {
    if (decoder) closeStream(decoder, &decoderHeader);
    decoder = nullptr;
    playout.close(true);
}

int MediaChannel::feedPayload(int codec, const uint8_t* frames, int length) {
    if (codec != decoderCodec) {
        if (decoder) closeStream(decoder, &decoderHeader);
        decoder = openDecoder(codec, &decoderHeader);
        decoderCodec = decoder ? codec : -1;
    }
    if (!decoder) return 0;
    const CodecEntry& e = CodecTable[codec];
    uint8_t pcm[MaxPcmFrameBytes];
    for (int offset = 0; offset + e.codecBytesPerFrame <= length; offset += e.codecBytesPerFrame) {
        decodeFrame(decoder, &decoderHeader, frames + offset, pcm, codec);
        if (playout.write(8000, pcm, e.pcmBytesPerFrame) == -1) return -1;
    }
    return 0;
}

// ---- the send path ----

int CaptureDevice::startSending(int codec, int bufferTimeMs) {
    if (!ValidCodec(codec)) return -1;
    if (encoder_) closeStream(encoder_, &encoderHeader_);  // never leak an encoder left open
    encoderCodec_ = codec;
    encoder_ = openEncoder(codec, &encoderHeader_);
    if (!encoder_) return -1;
    if (open(8000, CodecTable[codec].pcmBytesPerFrame / 2, bufferTimeMs) != 0) {
        closeStream(encoder_, &encoderHeader_);
        encoder_ = nullptr;
        return -1;
    }
    return 0;
}

int CaptureDevice::readEncodedFrame(uint8_t* out) {
    uint8_t pcm[MaxPcmFrameBytes];
    int result = read(pcm);
    if (result < 0) return result;
    if (!encoder_) return -3;
    return encodeFrame(encoder_, &encoderHeader_, pcm, out, encoderCodec_);
}

int CaptureDevice::stopSending() {
    if (encoder_) {
        closeStream(encoder_, &encoderHeader_);
        encoder_ = nullptr;
    }
    return close();
}

}  // namespace kv
