#include "audio/media_channel.h"

#include <cstring>

#include "audio/capture.h"

namespace kv {

MediaChannel::~MediaChannel() {
    if (decoder) closeStream(decoder, &decoderHeader);
    decoder = nullptr;
    if (renderer && party) renderer->removeParty(party);
    playout.close(true);
}

void MediaChannel::attach(Renderer* r) {
    if (renderer && party) renderer->removeParty(party);
    renderer = r;
    party = r ? r->addParty() : nullptr;
}

int MediaChannel::opens() const { return party ? renderer->opens() : playout.opens(); }

int MediaChannel::concealedPieces() const {
    if (!party) return playout.concealedFrames();
    std::lock_guard<std::mutex> guard(party->lock);
    return static_cast<int>(party->jitter.counters().concealed / party->jitter.blockSamples());
}

int MediaChannel::framesPlayed() const {
    if (!party) return playout.framesPlayed();
    const int codec = decoderCodec;
    const int frame = ValidCodec(codec) ? CodecTable[codec].pcmBytesPerFrame / 2 : CodecTable[0].pcmBytesPerFrame / 2;
    std::lock_guard<std::mutex> guard(party->lock);
    return static_cast<int>(party->jitter.counters().played / frame);
}

int MediaChannel::bufferedMs() {
    if (!party) return playout.bufferedMs();
    std::lock_guard<std::mutex> guard(party->lock);
    // Audio waiting to start plays after what is queued, too.
    const int queued = party->jitter.queuedMs();
    return party->jitter.playing() || queued > 0 ? queued : -1;
}

int MediaChannel::feedPayload(int codec, const uint8_t* frames, int length, int64_t nowMs) {
    if (codec != decoderCodec) {
        if (decoder) closeStream(decoder, &decoderHeader);
        decoder = openDecoder(codec, &decoderHeader);
        decoderCodec = decoder ? codec : -1;
    }
    if (!decoder) return 0;
    const CodecEntry& e = CodecTable[codec];
    uint8_t pcm[MaxPcmFrameBytes];
    if (party) {
        // The whole payload is one arrival.
        constexpr int MostSamples = 1500 / 32 * 240;  // a datagram of the smallest frames
        if (decoded_.empty()) decoded_.assign(MostSamples, 0);
        int16_t* all = decoded_.data();
        int samples = 0;
        for (int offset = 0; offset + e.codecBytesPerFrame <= length; offset += e.codecBytesPerFrame) {
            const int n = e.pcmBytesPerFrame / 2;
            if (samples + n > MostSamples) break;
            decodeFrame(decoder, &decoderHeader, frames + offset, pcm, codec);
            std::memcpy(all + samples, pcm, static_cast<size_t>(e.pcmBytesPerFrame));
            samples += n;
        }
        if (samples == 0) return 0;
        std::lock_guard<std::mutex> guard(party->lock);
        if (!party->jitter.put(all, samples, nowMs)) return -1;
        framesReceived_ += samples / (e.pcmBytesPerFrame / 2);
        return 0;
    }
    for (int offset = 0; offset + e.codecBytesPerFrame <= length; offset += e.codecBytesPerFrame) {
        decodeFrame(decoder, &decoderHeader, frames + offset, pcm, codec);
        if (playout.write(8000, pcm, e.pcmBytesPerFrame) == -1) return -1;
        ++framesReceived_;
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
