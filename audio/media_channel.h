// Media channels: a party's decoder in front of its playout buffer, and the
// sending side of the engine's capture device.
//
// STAND-IN: the decoder and the playout buffer arrive with the audio engine;
// until then a channel only counts what it is fed and how often its playout
// was restarted.
#pragma once

#include <atomic>
#include <cstdint>

namespace kv {

class PlayoutBuffer {
public:
    void forceStart() { ++forcedStarts; }
    void setMinDelay(int ms) { minDelay = ms; }
    void setMaxDelay(int ms) { maxDelay = ms < 50 ? 50 : ms; }
    void setVolume(int volume) { this->volume = volume; }
    int outputLevel() const { return -10000; }
    int bufferedMs() const { return -1; }

    std::atomic<int> outGain{0};
    std::atomic<int> forcedStarts{0};
    std::atomic<int> minDelay{0};
    std::atomic<int> maxDelay{0};
    std::atomic<int> volume{0};
};

class MediaChannel {
public:
    // Decodes and queues the frames of one audio payload.
    int feedPayload(int codec, const uint8_t* frames, int length);

    PlayoutBuffer playout;

    // What the receive thread handed on, for the status of a channel.
    std::atomic<int> payloadsFed{0};
    std::atomic<int> lastPayloadCodec{-1};
    std::atomic<int> lastPayloadLength{-1};
};

}  // namespace kv
