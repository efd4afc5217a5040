// SendPath: the captured voice (frames at the core's rate) made into audio
// datagrams once per codec in use, never once per party: one of the table's
// codecs (resampled to its rate, FramesPerPacket frames per datagram) for the
// parties that hear it, and Opus (one 20 ms frame per datagram, byte 0 = 2)
// for the parties that hear that. Captured frames of any length go into a
// queue per codec, which its encoder takes whole frames from. No device, no
// thread, no lock: the transmit loop owns it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "audio/codec.h"
#include "audio/opus_voice.h"
#include "audio/resampler.h"

namespace kv {

class SendPath {
public:
    using Emit = std::function<void(int codec, const uint8_t* datagram, int length)>;

    SendPath() = default;
    ~SendPath();
    SendPath(const SendPath&) = delete;
    SendPath& operator=(const SendPath&) = delete;

    // What to make from now on, of frames captured at inputRate (CoreRate,
    // or CodecRate in tests): legacyCodec (0 or 1, or -1 for none) and Opus
    // (only at CoreRate); a datagram is at most maxDatagram bytes. What was
    // queued for a codec that stays is kept. False when an encoder cannot be
    // opened (that codec is then not made).
    bool configure(int legacyCodec, int framesPerPacket, bool opus, int maxDatagram, int inputRate = CoreRate);
    int legacyCodec() const { return legacy_; }
    bool opus() const { return opus_.isOpen(); }

    // One captured frame of `samples` at CoreRate; emits every datagram it completes.
    void add(const int16_t* pcm, int samples, const Emit& emit);
    // The talker fell silent: what is packed goes out, the part of a frame
    // queued is dropped.
    void flush(const Emit& emit);
    // The loss the parties that hear Opus see, in percent: the FEC it sends.
    void setExpectedLoss(int percent);

private:
    void closeLegacy();

    int legacy_ = -1;
    int rate_ = CoreRate;
    int framesPerPacket_ = 1;
    int maxDatagram_ = 0;
    CodecStream encoder_ = nullptr;
    StreamHeader header_;
    Resampler down_;
    std::vector<int16_t> legacyQueue_, opusQueue_;
    std::vector<uint8_t> packet_;  // the codec byte and the frames packed so far
    int framesPacked_ = 0;
    OpusVoiceEncoder opus_;
    std::vector<uint8_t> opusPacket_;
};

}  // namespace kv
