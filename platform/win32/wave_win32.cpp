// Windows wave devices: waveOut* and waveIn* on the wave mapper, PCM mono
// 16-bit, opened with CALLBACK_EVENT. The driver marks a buffer played
// (output) or filled (input) by setting WHDR_DONE in its WAVEHDR from its own
// thread, and then sets the device's auto-reset event; waitEvent() sleeps on
// that event and wake() sets it too. The event is also set when the device
// opens and closes: a waiter then just looks at its buffer again.
#include <windows.h>
#include <mmsystem.h>

#include "platform/wave.h"

namespace kv {
namespace {

WAVEFORMATEX PcmMono16(int sampleRate) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = static_cast<DWORD>(sampleRate);
    f.nAvgBytesPerSec = static_cast<DWORD>(sampleRate) * 2;
    f.nBlockAlign = 2;
    f.wBitsPerSample = 16;
    f.cbSize = 0;
    return f;
}

WAVEHDR* Header(const WaveBuffer& b) { return static_cast<WAVEHDR*>(b.device); }

// The driver writes dwFlags from its own thread, and done() may be polled from
// any thread: touch the flags only with interlocked operations (full barriers,
// so that a done input buffer's samples are visible too).
volatile LONG* Flags(const WAVEHDR* h) {
    return reinterpret_cast<volatile LONG*>(const_cast<DWORD*>(&h->dwFlags));
}

bool HeaderDone(const WAVEHDR* h) {
    return (static_cast<DWORD>(InterlockedCompareExchange(Flags(h), 0, 0)) & WHDR_DONE) != 0;
}

void ClearDone(WAVEHDR* h) { InterlockedAnd(Flags(h), ~static_cast<LONG>(WHDR_DONE)); }

WAVEHDR* NewHeader(WaveBuffer& b) {
    auto* h = new WAVEHDR{};
    h->lpData = reinterpret_cast<LPSTR>(b.data);
    h->dwBufferLength = b.length > 0 ? static_cast<DWORD>(b.length) : 0;
    b.device = h;
    return h;
}

// Sleeps on a device's event.
void WaitOn(HANDLE event, int timeoutMs) {
    WaitForSingleObject(event, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
}

class Win32WaveOutput final : public WaveOutput {
public:
    Win32WaveOutput(HWAVEOUT h, HANDLE event) : h_(h), event_(event) {}
    bool reportsLate() const override { return true; }
    // Buffers come back up to 140 ms after they ended (under Wine).
    int buffersAhead() const override { return 8; }
    ~Win32WaveOutput() override {
        // Closing with buffers still queued fails; return them first.
        if (waveOutClose(h_) == WAVERR_STILLPLAYING) {
            waveOutReset(h_);
            waveOutClose(h_);
        }
        CloseHandle(event_);
    }

    void pause() override { waveOutPause(h_); }
    void restart() override { waveOutRestart(h_); }
    void setVolume(uint32_t leftRight) override { waveOutSetVolume(h_, leftRight); }

    void prepare(WaveBuffer& b) override {
        if (b.device) {
            unprepare(b);
            if (b.device) return;  // still queued: the driver owns that header
        }
        waveOutPrepareHeader(h_, NewHeader(b), sizeof(WAVEHDR));
    }

    void write(WaveBuffer& b) override {
        WAVEHDR* h = Header(b);
        if (!h) return;
        ClearDone(h);
        // Nothing will ever play a buffer the device refused: hand it back at
        // once, so that whoever waits for it is not stuck.
        if (waveOutWrite(h_, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) InterlockedOr(Flags(h), WHDR_DONE);
    }

    bool done(const WaveBuffer& b) override {
        const WAVEHDR* h = Header(b);
        return h && HeaderDone(h);
    }

    void unprepare(WaveBuffer& b) override {
        WAVEHDR* h = Header(b);
        if (!h) return;
        if (waveOutUnprepareHeader(h_, h, sizeof(WAVEHDR)) == WAVERR_STILLPLAYING) return;
        delete h;
        b.device = nullptr;
    }

    void reset() override { waveOutReset(h_); }
    void waitEvent(int timeoutMs) override { WaitOn(event_, timeoutMs); }
    void wake() override { SetEvent(event_); }

private:
    HWAVEOUT h_;
    HANDLE event_;
};

class Win32WaveInput final : public WaveInput {
public:
    Win32WaveInput(HWAVEIN h, HANDLE event) : h_(h), event_(event) {}
    ~Win32WaveInput() override {
        if (waveInClose(h_) == WAVERR_STILLPLAYING) {
            waveInReset(h_);
            waveInClose(h_);
        }
        CloseHandle(event_);
    }

    void prepare(WaveBuffer& b) override {
        if (b.device) {
            unprepare(b);
            if (b.device) return;
        }
        waveInPrepareHeader(h_, NewHeader(b), sizeof(WAVEHDR));
    }

    void add(WaveBuffer& b) override {
        WAVEHDR* h = Header(b);
        if (!h) return;
        ClearDone(h);
        h->dwBytesRecorded = 0;
        // A refused buffer stays not done: it was never filled.
        waveInAddBuffer(h_, h, sizeof(WAVEHDR));
    }

    void start() override { waveInStart(h_); }

    bool done(const WaveBuffer& b) override {
        const WAVEHDR* h = Header(b);
        return h && HeaderDone(h);
    }

    void unprepare(WaveBuffer& b) override {
        WAVEHDR* h = Header(b);
        if (!h) return;
        if (waveInUnprepareHeader(h_, h, sizeof(WAVEHDR)) == WAVERR_STILLPLAYING) return;
        delete h;
        b.device = nullptr;
    }

    void reset() override { waveInReset(h_); }
    void waitEvent(int timeoutMs) override { WaitOn(event_, timeoutMs); }
    void wake() override { SetEvent(event_); }

    void* nativeHandle() override { return h_; }

private:
    HWAVEIN h_;
    HANDLE event_;
};

class Win32WaveDevices final : public WaveDevices {
public:
    std::unique_ptr<WaveOutput> openOutput(int sampleRate) override {
        if (sampleRate <= 0) return nullptr;
        WAVEFORMATEX f = PcmMono16(sampleRate);
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!event) return nullptr;
        HWAVEOUT h = nullptr;
        if (waveOutOpen(&h, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT) !=
                MMSYSERR_NOERROR ||
            !h) {
            CloseHandle(event);
            return nullptr;
        }
        return std::make_unique<Win32WaveOutput>(h, event);
    }

    std::unique_ptr<WaveInput> openInput(int sampleRate) override {
        if (sampleRate <= 0) return nullptr;
        WAVEFORMATEX f = PcmMono16(sampleRate);
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!event) return nullptr;
        HWAVEIN h = nullptr;
        if (waveInOpen(&h, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT) !=
                MMSYSERR_NOERROR ||
            !h) {
            CloseHandle(event);
            return nullptr;
        }
        return std::make_unique<Win32WaveInput>(h, event);
    }
};

}  // namespace

std::unique_ptr<WaveDevices> CreateSystemWaveDevices(const char* /*inputName*/, const char* /*outputName*/) {
    return std::make_unique<Win32WaveDevices>();
}

}  // namespace kv
