// The local capture path: microphone input in frames of one codec block and
// the encoder that turns them into codec frames for the transmit loop.
//
// STAND-IN: the wave input device and the encoder arrive with the audio
// engine; until then frames come from `source`, and with no source the
// capture cannot be opened (as on a machine without a microphone).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace kv {

class CaptureDevice {
public:
    // Starts capture and encoding; 0, or -1 when the capture cannot be opened.
    int startSending(int codec, int bufferMs);
    // Writes one encoded frame to out (room for 65 bytes); its size, or
    // -1 not ready yet, -2 withheld as silence, -3 no device.
    int readEncodedFrame(uint8_t* out);
    int stopSending();
    int inputLevel() const { return sending ? 0 : -10000; }

    // Stand-in frame source: fills out and returns what readEncodedFrame returns.
    std::function<int(uint8_t* out)> source;
    std::atomic<int> starts{0};
    std::atomic<bool> sending{false};
    std::atomic<int> encoderCodec{-1};
};

}  // namespace kv
