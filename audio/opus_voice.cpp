#include "audio/opus_voice.h"

#include <opus.h>

namespace kv {

namespace {

// A duration Opus can conceal or recover: whole 2.5 ms steps, up to 120 ms.
bool ConcealableSamples(int samples) {
    return samples > 0 && samples <= OpusVoiceDecoder::MaxPacketSamples && samples % (OpusVoiceDecoder::Rate / 400) == 0;
}

}  // namespace

// ---- encoder ----

OpusVoiceEncoder::~OpusVoiceEncoder() { close(); }

void OpusVoiceEncoder::close() {
    if (enc_) opus_encoder_destroy(enc_);
    enc_ = nullptr;
}

bool OpusVoiceEncoder::open(int bitrate) {
    if (enc_) opus_encoder_destroy(enc_);
    enc_ = nullptr;
    loss_ = -1;
    int error = OPUS_OK;
    OpusEncoder* enc = opus_encoder_create(Rate, 1, OPUS_APPLICATION_VOIP, &error);
    if (!enc || error != OPUS_OK) return false;
    const bool ok = opus_encoder_ctl(enc, OPUS_SET_BITRATE(bitrate)) == OPUS_OK &&
                    opus_encoder_ctl(enc, OPUS_SET_VBR(1)) == OPUS_OK &&
                    opus_encoder_ctl(enc, OPUS_SET_MAX_BANDWIDTH(OPUS_BANDWIDTH_WIDEBAND)) == OPUS_OK &&
                    opus_encoder_ctl(enc, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE)) == OPUS_OK &&
                    opus_encoder_ctl(enc, OPUS_SET_INBAND_FEC(1)) == OPUS_OK &&
                    opus_encoder_ctl(enc, OPUS_SET_COMPLEXITY(Complexity)) == OPUS_OK;
    if (!ok) {
        opus_encoder_destroy(enc);
        return false;
    }
    enc_ = enc;
    complexity_ = Complexity;
    setExpectedLoss(0);
    return true;
}

void OpusVoiceEncoder::setExpectedLoss(int percent) {
    if (!enc_) return;
    percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    if (percent == loss_) return;
    if (opus_encoder_ctl(enc_, OPUS_SET_PACKET_LOSS_PERC(percent)) == OPUS_OK) loss_ = percent;
    const int wanted = percent >= LossyFromPercent    ? LossyComplexity
                       : percent < LossyUntilPercent ? Complexity
                                                     : complexity_;
    if (wanted != complexity_ && opus_encoder_ctl(enc_, OPUS_SET_COMPLEXITY(wanted)) == OPUS_OK) complexity_ = wanted;
}

int OpusVoiceEncoder::encode(const int16_t* pcm, uint8_t* out, int maxBytes) {
    if (!enc_ || !pcm || !out || maxBytes <= 0) return -1;
    const opus_int32 n = opus_encode(enc_, pcm, FrameSamples, out, maxBytes < MaxPacketBytes ? maxBytes : MaxPacketBytes);
    return n > 0 ? static_cast<int>(n) : -1;
}

int OpusVoiceEncoder::lookahead() const {
    opus_int32 samples = 0;
    if (!enc_ || opus_encoder_ctl(enc_, OPUS_GET_LOOKAHEAD(&samples)) != OPUS_OK) return 0;
    return static_cast<int>(samples);
}

// ---- decoder ----

OpusVoiceDecoder::~OpusVoiceDecoder() {
    if (dec_) opus_decoder_destroy(dec_);
}

bool OpusVoiceDecoder::open() {
    if (dec_) opus_decoder_destroy(dec_);
    int error = OPUS_OK;
    dec_ = opus_decoder_create(Rate, 1, &error);
    if (dec_ && error != OPUS_OK) {
        opus_decoder_destroy(dec_);
        dec_ = nullptr;
    }
    return dec_ != nullptr;
}

int OpusVoiceDecoder::samplesIn(const uint8_t* packet, int bytes) {
    if (!packet || bytes <= 0) return -1;
    // The framing (frame count, sizes, padding) must parse, not only the TOC byte.
    unsigned char toc = 0;
    const unsigned char* frames[48];
    opus_int16 sizes[48];
    if (opus_packet_parse(packet, bytes, &toc, frames, sizes, nullptr) <= 0) return -1;
    const int samples = opus_packet_get_nb_samples(packet, bytes, Rate);
    return samples > 0 && samples <= MaxPacketSamples ? samples : -1;
}

int OpusVoiceDecoder::decode(const uint8_t* packet, int bytes, int16_t* out, int maxSamples) {
    if (!dec_ || !out) return -1;
    const int samples = samplesIn(packet, bytes);
    if (samples < 0 || samples > maxSamples) return -1;
    const int n = opus_decode(dec_, packet, bytes, out, samples, 0);
    return n == samples ? n : -1;
}

int OpusVoiceDecoder::recover(const uint8_t* next, int bytes, int16_t* out, int samples) {
    if (!dec_ || !out || !ConcealableSamples(samples)) return -1;
    if (samplesIn(next, bytes) < 0) return conceal(out, samples);
    const int n = opus_decode(dec_, next, bytes, out, samples, 1);
    return n == samples ? n : -1;
}

int OpusVoiceDecoder::conceal(int16_t* out, int samples) {
    if (!dec_ || !out || !ConcealableSamples(samples)) return -1;
    const int n = opus_decode(dec_, nullptr, 0, out, samples, 0);
    return n == samples ? n : -1;
}

}  // namespace kv
