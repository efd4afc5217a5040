#include "audio/send_path.h"

#include <algorithm>
#include <cstring>

namespace kv {

SendPath::~SendPath() { closeLegacy(); }

void SendPath::closeLegacy() {
    if (encoder_) closeStream(encoder_, &header_);
    encoder_ = nullptr;
    legacy_ = -1;
    legacyQueue_.clear();
    framesPacked_ = 0;
}

bool SendPath::configure(int legacyCodec, int framesPerPacket, bool opus, int maxDatagram, int inputRate) {
    bool ok = true;
    if (inputRate != rate_) {
        closeLegacy();
        opus_.close();
        rate_ = inputRate;
    }
    if (rate_ != OpusVoiceEncoder::Rate) opus = false;
    maxDatagram_ = maxDatagram;
    framesPerPacket_ = std::max(1, framesPerPacket);
    if (legacyCodec != legacy_) {
        closeLegacy();
        if (ValidCodec(legacyCodec)) {
            encoder_ = openEncoder(legacyCodec, &header_);
            if (encoder_ && (rate_ == CodecRate || down_.open(rate_, CodecRate))) {
                legacy_ = legacyCodec;
                packet_.assign(1, static_cast<uint8_t>(legacyCodec));
            } else {
                closeLegacy();
                ok = false;
            }
        }
    }
    if (opus != opus_.isOpen()) {
        opusQueue_.clear();
        if (opus) {
            if (!opus_.open()) ok = false;
            opusPacket_.assign(static_cast<size_t>(std::max(2, maxDatagram)), 0);
        } else {
            opus_.close();
        }
    }
    return ok;
}

void SendPath::add(const int16_t* pcm, int samples, const Emit& emit) {
    if (!pcm || samples <= 0) return;
    if (legacy_ >= 0) {
        legacyQueue_.insert(legacyQueue_.end(), pcm, pcm + samples);
        const CodecEntry& e = CodecTable[legacy_];
        const int frame = FrameSamplesAt(legacy_, rate_);
        const int mostFrames = std::max(1, std::min(framesPerPacket_, (maxDatagram_ - 1) / e.codecBytesPerFrame));
        size_t used = 0;
        while (legacyQueue_.size() - used >= static_cast<size_t>(frame)) {
            int16_t narrow[MaxPcmFrameBytes / 2] = {};
            const int16_t* at = legacyQueue_.data() + used;
            if (rate_ != CodecRate) {
                down_.process(at, frame, narrow, e.pcmBytesPerFrame / 2);
            } else {
                std::memcpy(narrow, at, static_cast<size_t>(e.pcmBytesPerFrame));
            }
            used += static_cast<size_t>(frame);
            uint8_t coded[MaxCodecFrameBytes];
            const int n = encodeFrame(encoder_, &header_, reinterpret_cast<const uint8_t*>(narrow), coded, legacy_);
            if (n <= 0) continue;
            packet_.insert(packet_.end(), coded, coded + n);
            if (++framesPacked_ >= mostFrames) {
                emit(legacy_, packet_.data(), static_cast<int>(packet_.size()));
                packet_.resize(1);
                framesPacked_ = 0;
            }
        }
        legacyQueue_.erase(legacyQueue_.begin(), legacyQueue_.begin() + static_cast<long>(used));
    }
    if (opus_.isOpen()) {
        opusQueue_.insert(opusQueue_.end(), pcm, pcm + samples);
        size_t used = 0;
        while (opusQueue_.size() - used >= static_cast<size_t>(OpusVoiceEncoder::FrameSamples)) {
            opusPacket_[0] = static_cast<uint8_t>(CodecOpus);
            const int n = opus_.encode(opusQueue_.data() + used, opusPacket_.data() + 1,
                                       static_cast<int>(opusPacket_.size()) - 1);
            used += OpusVoiceEncoder::FrameSamples;
            if (n > 0) emit(CodecOpus, opusPacket_.data(), n + 1);
        }
        opusQueue_.erase(opusQueue_.begin(), opusQueue_.begin() + static_cast<long>(used));
    }
}

void SendPath::flush(const Emit& emit) {
    if (legacy_ >= 0 && framesPacked_ > 0) emit(legacy_, packet_.data(), static_cast<int>(packet_.size()));
    packet_.resize(legacy_ >= 0 ? 1 : 0);
    framesPacked_ = 0;
    legacyQueue_.clear();
    opusQueue_.clear();
}

void SendPath::setExpectedLoss(int percent) {
    if (opus_.isOpen()) opus_.setExpectedLoss(percent);
}

}  // namespace kv
