// CaptureDevice: the local microphone through a wave input, in buffers of
// exactly one codec frame. Every frame read has its level measured and the
// optional mic gain applied; while the speaker is silent (below the input
// threshold for more than ten frames) frames are held back. The encoder that
// turns frames into codec frames for the transmit loop sits beside it.
// Before any of that, with echoCancel or noiseSuppress on, a frame goes
// through the echo canceller (against what the playouts played, gathered in
// echoReference) and the noise suppressor.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "audio/codec.h"
#include "audio/echo.h"
#include "audio/resampler.h"
#include "platform/conversion.h"
#include "platform/mixer_api.h"
#include "platform/wave.h"

namespace kv {

// What reading a frame gives instead of a frame's size.
enum FrameResult {
    FrameNotReady = -1,  // none ready yet
    FrameWithheld = -2,  // held back as silence (the input threshold)
    FrameNoDevice = -3,  // no input device open
};

class CaptureDevice {
public:
    static constexpr int MaxBuffers = 100;
    static constexpr int ClosedLevel = -10000;
    static constexpr int HangoverFrames = 10;
    static constexpr int ThresholdOff = -50;  // dB; this or lower sends every frame
    static constexpr uint32_t MicrophoneSource = 0x1003;

    CaptureDevice() = default;
    ~CaptureDevice();
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    // 0, or -1 when the input device cannot be opened.
    int open(int sampleRate, int samplesPerBuffer, int bufferTimeMs);
    // Copies one frame into destination: its bytes, or a FrameResult.
    int read(uint8_t* destination);
    int close();
    int inputLevel() const { return device_.load() ? inputLevel_.load() : ClosedLevel; }
    // Makes the source type the recording source at the level (0..1000) on the
    // mixer of the open device, and keeps both for every later open.
    int setRecordingSource(uint32_t sourceType, int level);

    // ---- sending side: capture plus encoder ----
    // Captures at coreRate (CoreRate unless a test says otherwise), in frames
    // of the codec's length at that rate, resampled to the codec's rate for
    // the encoder.
    std::atomic<int> coreRate{CoreRate};
    int startSending(int codec, int bufferTimeMs);
    // Captures frames of frameSamples at coreRate for read, without an encoder; close ends it.
    int startCapture(int frameSamples, int bufferTimeMs) { return open(coreRate, frameSamples, bufferTimeMs); }
    // Writes one encoded frame (room for 65 bytes): its size, or the FrameResult of read.
    // read's destination must hold a frame at the capture's rate (MaxCoreFrameSamples).
    int readEncodedFrame(uint8_t* out);
    // Waits until the next frame is ready to read, or no device is open, or
    // timeoutMs has passed: true when a frame is ready.
    bool waitFrame(int timeoutMs);
    int stopSending();

    // Settings, written by the user interface.
    std::atomic<int> micGain{0};
    std::atomic<int> inputThreshold{0};
    std::atomic<int> recordingLevel{0};
    std::atomic<uint32_t> sourceType{0};
    // 0 off, anything else on; read at every frame.
    std::atomic<int> echoCancel{0};
    std::atomic<int> noiseSuppress{0};
    // What the loudspeaker plays, on this capture's clock: every party's playout adds to it.
    EchoReference echoReference;
    // Where the input device comes from (null: the system's), and the mixer (null: the system's).
    std::atomic<WaveDevices*> devices{nullptr};
    std::atomic<MixerApi*> mixer{nullptr};

    // State, readable for tests and the meters.
    int bufferCount() const { return bufferCount_; }
    int framesRead() const { return framesRead_; }
    int silentFrames() const { return silentFrames_; }
    int encoderCodec() const { return encoderCodec_; }

private:
    int samplesPerBuffer_ = 0;
    int sampleRate_ = 0;
    int bufferCount_ = 0;
    std::atomic<int> readBusy_{0};
    std::atomic<int> inputLevel_{0};
    int readIndex_ = 0;
    int bufferTime_ = 0;
    std::atomic<int> framesRead_{0};
    std::atomic<int> silentFrames_{0};
    WaveBuffer buffers_[MaxBuffers];
    std::unique_ptr<WaveInput> owned_;
    std::atomic<WaveInput*> device_{nullptr};
    // Held while the mixer works on the open device, and while close destroys it.
    std::mutex mixerLock_;

    EchoCanceller echo_;
    bool echoReady_ = false;
    std::unique_ptr<int16_t[]> echoMic_, echoReference_;

    Resampler down_;  // the core's rate to the codec's
    ConversionStream* encoder_ = nullptr;
    StreamHeader encoderHeader_;
    std::atomic<int> encoderCodec_{0};
};

}  // namespace kv
