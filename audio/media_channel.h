// A party's receive path: a decoder that follows whatever codec the party
// sends, in front of that party's playout buffer, or, once attached to a
// renderer, in front of its jitter buffer there (the adaptive playout).
// (The send path, capture plus encoder, is the CaptureDevice.)
#pragma once

#include <atomic>
#include <cstdint>

#include <memory>
#include <vector>

#include "audio/codec.h"
#include "audio/opus_voice.h"
#include "audio/playout.h"
#include "audio/renderer.h"
#include "audio/resampler.h"

namespace kv {

class MediaChannel {
public:
    // devices null: the system's wave output.
    explicit MediaChannel(WaveDevices* devices = nullptr) : playout(devices) {}
    ~MediaChannel();
    MediaChannel(const MediaChannel&) = delete;
    MediaChannel& operator=(const MediaChannel&) = delete;

    // From now on the audio goes to a party of this renderer (which must
    // outlive the channel), not to the channel's own playout.
    void attach(Renderer* renderer);

    // Decodes the whole codec frames of one audio payload (or its one Opus
    // packet, codec 2, when the output runs at Opus's rate) and queues them for
    // playout, all together as one arrival at nowMs (the renderer's clock)
    // when attached: 0, or -1 when the playout refused a frame (the rest of
    // the payload is then dropped). A payload of a codec that cannot be
    // decoded here is discarded (0).
    //
    // sequence: the sealed datagram's counter (-1 for a plain one). An Opus
    // datagram whose counter is further on than the next one expected (the
    // other sealed datagrams of the party in between counted, noteOther) is
    // held for up to HoldMs, for the one missing to come after it, as
    // datagrams overtake each other on a jittery path; the missing one, if it
    // comes, is played first, then the one held. When the time is up (or a
    // later one comes), up to MaxRecovered datagrams are made up before the
    // one held, the last from its FEC data, any before it by Opus's own
    // concealment, unless the jitter buffer has bridged the gap meanwhile. An
    // Opus datagram older than what was played is dropped.
    int feedPayload(int codec, const uint8_t* frames, int length, int64_t nowMs = 0, int64_t sequence = -1);
    // A sealed datagram of the party that was not audio.
    void noteOther() { ++othersSince_; }
    // Plays a datagram held longer than HoldMs (as of nowMs, the renderer's clock); true while one is held.
    bool releaseHeld(int64_t nowMs, bool now = false);
    static constexpr int HoldMs = 40;
    static constexpr int MaxReorder = 64;  // a counter further back than this: a new session
    static constexpr int MaxRecovered = 3;
    int recovered() const { return recovered_; }  // Opus datagrams made up, from FEC or concealment

    // What the console shows of a party, whichever playout it has.
    int opens() const;
    int concealedPieces() const;  // 10 ms each
    int framesPlayed() const;     // of the codec the party sends
    int framesReceived() const { return framesReceived_; }  // decoded and queued
    // The delay the status line shows, or -1 when nothing plays.
    int bufferedMs();

    Renderer* renderer = nullptr;
    std::shared_ptr<Renderer::Party> party;

    PlayoutBuffer playout;
    // The rate the own playout plays at (the renderer's rate when attached);
    // set before the first payload.
    int playoutRate = CoreRate;
    CodecStream decoder = nullptr;
    StreamHeader decoderHeader;
    std::atomic<int> decoderCodec{-1};

private:
    // The codec's samples at the output's rate: `samples` of CodecRate in
    // `in`, their count at the output's rate returned, the samples in `out`.
    int toOutputRate(const int16_t* in, int samples, int16_t* out, int maxOut);
    int outputRate() const;

    std::atomic<int> framesReceived_{0};
    std::vector<int16_t> decoded_;  // one payload's samples at CodecRate
    std::vector<int16_t> resampled_;  // and at the output's rate
    int feedOpus(const uint8_t* packet, int length, int64_t nowMs, int64_t sequence);
    // Decodes a packet that follows `missing` lost ones and queues it.
    int playOpus(const uint8_t* packet, int length, int64_t nowMs, int missing);
    int64_t expected() const { return lastSequence_ + 1 + othersSince_; }
    std::vector<uint8_t> held_, releasing_;  // an Opus packet that came before the one ahead of it
    int64_t heldSequence_ = -1, heldSinceMs_ = 0;
    int64_t lastSequence_ = -1;
    int othersSince_ = 0;
    int64_t concealedBefore_ = 0;  // the jitter buffer's concealment at the last Opus arrival
    std::atomic<int> recovered_{0};
    Resampler up_;
    OpusVoiceDecoder opus_;
    int upRate_ = 0;  // the rate up_ was opened for
};

}  // namespace kv
