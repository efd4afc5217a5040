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
    const int frame = decoderCodec == CodecOpus ? OpusVoiceDecoder::Rate / 50
                                                : FrameSamplesAt(decoderCodec, party->jitter.sampleRate());
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

namespace {

// How many of the datagrams missing before one are made up.
int Recoverable(int64_t gap) {
    return gap <= 0 ? 0 : static_cast<int>(gap < MediaChannel::MaxRecovered ? gap : MediaChannel::MaxRecovered);
}

}  // namespace

int MediaChannel::outputRate() const { return party ? party->jitter.sampleRate() : playoutRate; }

int MediaChannel::toOutputRate(const int16_t* in, int samples, int16_t* out, int maxOut) {
    const int rate = outputRate();
    if (rate == CodecRate) {
        const int n = samples < maxOut ? samples : maxOut;
        std::memcpy(out, in, static_cast<size_t>(n) * 2);
        return n;
    }
    if (upRate_ != rate) {
        if (!up_.open(CodecRate, rate)) return 0;
        upRate_ = rate;
    }
    return up_.process(in, samples, out, maxOut);
}

int MediaChannel::feedOpus(const uint8_t* packet, int length, int64_t nowMs, int64_t sequence) {
    if (outputRate() != OpusVoiceDecoder::Rate) return 0;
    const int samples = OpusVoiceDecoder::samplesIn(packet, length);
    if (samples <= 0) return 0;  // not an Opus packet: dropped
    if (decoderCodec != CodecOpus) {
        if (decoder) closeStream(decoder, &decoderHeader);
        decoder = nullptr;
        if (!opus_.isOpen() && !opus_.open()) {
            decoderCodec = -1;
            return 0;
        }
        decoderCodec = CodecOpus;
        lastSequence_ = -1;
        held_.clear();
    }
    if (sequence < 0) return playOpus(packet, length, nowMs, 0);
    if (lastSequence_ >= 0 && sequence + MaxReorder < lastSequence_) {
        // Far behind: a new session counts from 0 again.
        lastSequence_ = -1;
        othersSince_ = 0;
        held_.clear();
    }
    if (lastSequence_ >= 0 && sequence <= lastSequence_) return 0;  // late: its place was made up
    if (!held_.empty() && sequence > heldSequence_) {
        // Another one after the one held: what is missing is not coming.
        releaseHeld(nowMs, true);
    }
    if (lastSequence_ >= 0 && sequence > expected()) {
        if (held_.empty()) {
            held_.assign(packet, packet + length);
            heldSequence_ = sequence;
            heldSinceMs_ = nowMs;
            return 0;
        }
        // Older than the one held, but still not the next: made up for now.
        const int64_t gap = sequence - expected();
        lastSequence_ = sequence;
        othersSince_ = 0;
        const int result = playOpus(packet, length, nowMs, Recoverable(gap));
        if (heldSequence_ == expected()) releaseHeld(nowMs, true);
        return result;
    }
    lastSequence_ = sequence;
    othersSince_ = 0;
    const int result = playOpus(packet, length, nowMs, 0);
    // The one that overtook it may follow now.
    if (!held_.empty() && heldSequence_ == expected()) releaseHeld(nowMs, true);
    return result;
}

bool MediaChannel::releaseHeld(int64_t nowMs, bool now) {
    if (held_.empty()) return false;
    if (!now && nowMs - heldSinceMs_ <= HoldMs && heldSequence_ != expected()) return true;
    const int64_t gap = heldSequence_ - expected();
    releasing_.swap(held_);  // both keep their storage: nothing is allocated per datagram held
    held_.clear();
    lastSequence_ = heldSequence_;
    othersSince_ = 0;
    playOpus(releasing_.data(), static_cast<int>(releasing_.size()), nowMs, Recoverable(gap));
    return false;
}

int MediaChannel::playOpus(const uint8_t* packet, int length, int64_t nowMs, int missing) {
    const int samples = OpusVoiceDecoder::samplesIn(packet, length);
    const size_t room = static_cast<size_t>(OpusVoiceDecoder::MaxPacketSamples) * (MaxRecovered + 1);
    if (resampled_.size() < room) resampled_.assign(room, 0);
    int16_t* out = resampled_.data();
    int made = 0;
    if (missing > 0) {
        // Made up only while the jitter buffer has not bridged the gap itself:
        // then the decoder is only told of the loss, and nothing of it is played.
        bool bridged = false;
        if (party) {
            std::lock_guard<std::mutex> guard(party->lock);
            bridged = party->jitter.counters().concealed > concealedBefore_;
        }
        for (int k = 0; k < missing; ++k) {
            const int n = k + 1 == missing ? opus_.recover(packet, length, out + made, samples)
                                           : opus_.conceal(out + made, samples);
            if (n > 0 && !bridged) made += n;
        }
        recovered_ += missing;
    }
    const int n = opus_.decode(packet, length, out + made, OpusVoiceDecoder::MaxPacketSamples);
    if (n <= 0) return 0;
    made += n;
    const int frames = n / (OpusVoiceDecoder::Rate / 50) > 0 ? n / (OpusVoiceDecoder::Rate / 50) : 1;
    if (party) {
        std::lock_guard<std::mutex> guard(party->lock);
        if (!party->jitter.put(out, made, nowMs)) return -1;
        concealedBefore_ = party->jitter.counters().concealed;
        framesReceived_ += frames;
        return 0;
    }
    if (playout.write(OpusVoiceDecoder::Rate, reinterpret_cast<const uint8_t*>(out), made * 2) == -1) return -1;
    framesReceived_ += frames;
    return 0;
}

int MediaChannel::feedPayload(int codec, const uint8_t* frames, int length, int64_t nowMs, int64_t sequence) {
    if (codec == CodecOpus) return feedOpus(frames, length, nowMs, sequence);
    if (codec != decoderCodec) {
        held_.clear();  // an Opus datagram held has no place after another codec
        if (decoder) closeStream(decoder, &decoderHeader);
        decoder = openDecoder(codec, &decoderHeader);
        decoderCodec = decoder ? codec : -1;
        up_.reset();
    }
    if (!decoder) return 0;
    const CodecEntry& e = CodecTable[codec];
    uint8_t pcm[MaxPcmFrameBytes];
    const int ratio = outputRate() / CodecRate > 0 ? outputRate() / CodecRate : 1;
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
        if (resampled_.size() < static_cast<size_t>(MostSamples * ratio)) resampled_.assign(MostSamples * ratio, 0);
        const int out = toOutputRate(all, samples, resampled_.data(), static_cast<int>(resampled_.size()));
        if (out == 0) return 0;
        std::lock_guard<std::mutex> guard(party->lock);
        if (!party->jitter.put(resampled_.data(), out, nowMs)) return -1;
        framesReceived_ += samples / (e.pcmBytesPerFrame / 2);
        return 0;
    }
    int16_t frame[MaxPcmFrameBytes / 2], wide[MaxCoreFrameSamples];
    for (int offset = 0; offset + e.codecBytesPerFrame <= length; offset += e.codecBytesPerFrame) {
        decodeFrame(decoder, &decoderHeader, frames + offset, pcm, codec);
        std::memcpy(frame, pcm, static_cast<size_t>(e.pcmBytesPerFrame));
        const int out = toOutputRate(frame, e.pcmBytesPerFrame / 2, wide, MaxCoreFrameSamples);
        if (out > 0 && playout.write(outputRate(), reinterpret_cast<const uint8_t*>(wide), out * 2) == -1) return -1;
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
    const int rate = coreRate.load();
    if (rate != CodecRate && !down_.open(rate, CodecRate)) {
        closeStream(encoder_, &encoderHeader_);
        encoder_ = nullptr;
        return -1;
    }
    if (open(rate, FrameSamplesAt(codec, rate), bufferTimeMs) != 0) {
        closeStream(encoder_, &encoderHeader_);
        encoder_ = nullptr;
        return -1;
    }
    return 0;
}

int CaptureDevice::readEncodedFrame(uint8_t* out) {
    int16_t frame[MaxCoreFrameSamples];
    int result = read(reinterpret_cast<uint8_t*>(frame));
    if (result < 0) return result;
    if (!encoder_) return -3;
    uint8_t pcm[MaxPcmFrameBytes];
    if (sampleRate_ != CodecRate) {
        // The codec's frame from the core's: exactly the codec's samples (the ratio is whole).
        int16_t narrow[MaxPcmFrameBytes / 2] = {};
        down_.process(frame, result / 2, narrow, CodecTable[encoderCodec_].pcmBytesPerFrame / 2);
        std::memcpy(pcm, narrow, static_cast<size_t>(CodecTable[encoderCodec_].pcmBytesPerFrame));
    } else {
        std::memcpy(pcm, frame, static_cast<size_t>(result));
    }
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
