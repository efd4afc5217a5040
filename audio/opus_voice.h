// Opus as a phone uses it (libopus): wideband speech at 16000 samples a
// second, mono, 20 ms frames, the VoIP application, variable bitrate, in-band
// forward error correction. One encoder per codec in use sends to every
// party that hears Opus; one decoder per party.
//
// A packet from the network is checked before it is decoded: it must parse
// as RFC 6716 framing and hold no more audio than the caller's buffer, else
// it is refused whole. A lost packet is concealed from the next one's FEC
// data when it holds some (recover), else by Opus's own concealment.
#pragma once

#include <cstdint>

struct OpusEncoder;
struct OpusDecoder;

namespace kv {

class OpusVoiceEncoder {
public:
    static constexpr int Rate = 16000;
    static constexpr int FrameSamples = Rate / 50;  // 20 ms
    static constexpr int DefaultBitrate = 24000;
    // libopus's 0..10 (its own default is 9). At 1 a wideband speech frame
    // is encoded in 39 us against 92 at 5 and 185 at 9, for 0.4 dB of aligned
    // SNR and 0.3 dB of log-spectral distance on our held-out speech
    // (kv_wideband_quality and kv_audio_bench print the figures): an Opus call
    // then costs a peer about three quarters of the CPU it did at 5. But at 1
    // libopus rates its 24 kbit/s too low to carry FEC at wideband once 10%
    // loss is expected, and falls back to 12 kHz: from LossyFromPercent on the
    // encoder works at LossyComplexity, back below LossyUntilPercent.
    static constexpr int Complexity = 1;
    static constexpr int LossyComplexity = 5;
    static constexpr int LossyFromPercent = 8;
    static constexpr int LossyUntilPercent = 5;
    // A packet is never longer than this (RFC 6716's limit for one frame).
    static constexpr int MaxPacketBytes = 1275;

    OpusVoiceEncoder() = default;
    ~OpusVoiceEncoder();
    OpusVoiceEncoder(const OpusVoiceEncoder&) = delete;
    OpusVoiceEncoder& operator=(const OpusVoiceEncoder&) = delete;

    // false when libopus refuses (out of memory).
    bool open(int bitrate = DefaultBitrate);
    bool isOpen() const { return enc_ != nullptr; }
    void close();
    // The loss the far end sees, in percent (0..100): how much FEC data the
    // packets carry.
    void setExpectedLoss(int percent);
    // The complexity it works at now.
    int complexity() const { return complexity_; }
    // Encodes FrameSamples samples into at most maxBytes; the packet's length,
    // or -1.
    int encode(const int16_t* pcm, uint8_t* out, int maxBytes);
    // The samples by which the decoded speech lags what was encoded.
    int lookahead() const;

private:
    OpusEncoder* enc_ = nullptr;
    int loss_ = -1;
    int complexity_ = Complexity;
};

class OpusVoiceDecoder {
public:
    static constexpr int Rate = OpusVoiceEncoder::Rate;
    // What one packet may hold at most (RFC 6716: 120 ms).
    static constexpr int MaxPacketSamples = Rate * 120 / 1000;

    OpusVoiceDecoder() = default;
    ~OpusVoiceDecoder();
    OpusVoiceDecoder(const OpusVoiceDecoder&) = delete;
    OpusVoiceDecoder& operator=(const OpusVoiceDecoder&) = delete;

    bool open();
    bool isOpen() const { return dec_ != nullptr; }
    // The samples the packet holds, or -1 when it is not a well-formed Opus packet.
    static int samplesIn(const uint8_t* packet, int bytes);
    // Decodes a packet into at most maxSamples; the samples written, or -1
    // when the packet is malformed or holds more (then nothing is written
    // beyond maxSamples, and nothing at all when its framing is wrong).
    int decode(const uint8_t* packet, int bytes, int16_t* out, int maxSamples);
    // The audio of a lost packet of `samples` (a multiple of 2.5 ms), from the
    // FEC data of the packet that came after it, or by concealment when that
    // holds none; the samples written, or -1.
    int recover(const uint8_t* next, int bytes, int16_t* out, int samples);
    // `samples` of concealment where nothing came; the samples written, or -1.
    int conceal(int16_t* out, int samples);

private:
    OpusDecoder* dec_ = nullptr;
};

}  // namespace kv
