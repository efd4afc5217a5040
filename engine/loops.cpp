// The two network threads of the Phone. The receive thread waits on the
// socket (1 s time-out), hands control datagrams to HandleControl and audio to
// the sending party's channel; the transmit thread captures while party 0 is
// active, packs encoded frames into audio datagrams and sends them to every
// active party. Both sleep until something they serve happens: a datagram,
// a captured frame, or a change of the call, the parties or the mute.
#include <chrono>
#include <thread>

#include "audio/codec.h"
#include "engine/phone.h"

namespace kv {
namespace {

void Sleep10() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

// Frames that fit in one packet behind the codec byte.
// (1475 bytes at most, so that a sealed one still fits in a datagram.)
int FramesThatFit(int codec) {
    return (secure::MaxInnerDatagram - 1) / CodecTable[ValidCodec(codec) ? codec : 0].codecBytesPerFrame;
}

// How long the transmit loop waits before it tries a capture that could not be opened again.
constexpr int CaptureRetryMs = 500;

// How long the transmit loop sleeps for the next captured frame before it
// looks at the call and the mute again.
constexpr int FrameWaitMs = 100;

// A microphone that gives no frame for this long while it is open has
// stopped: it is said, closed and opened again.
constexpr int MicStalledMs = 1000;

// The longest the idle transmit loop sleeps without a change to look at.
constexpr int IdleWaitMs = 60000;

// Datagrams taken one after the other before the receive loop waits again.
constexpr int ReceiveBurst = 64;

void Dispatch(Phone* phone, const ReceiveResult& r, const uint8_t* buffer) {
    if (r.status == ReceiveStatus::Refused) {
        phone->HandlePortUnreachable(r.from);
        return;
    }
    // TooLarge: a datagram over 1500 bytes is dropped without reaction.
    if (r.status != ReceiveStatus::Datagram || r.length < 1) return;
    // No peer sends from port 0 or from 0.0.0.0, and a reply to port 0
    // would go to every party: such a datagram is forged, and dropped.
    if (r.from.port() == 0 || r.from.ip() == 0) return;
    phone->HandleDatagram(r.from, buffer, r.length);
}

}  // namespace

void ReceiveLoop(Phone* phone) {
    phone->ReceiveRunning = 1;
    uint8_t buffer[MaxDatagram];
    while (UdpSocket* socket = phone->Socket.load()) {
        WaitStatus wait = socket->waitReadable(1000);
        if (!phone->Socket.load()) break;
        if (wait == WaitStatus::TimedOut) {
            // Nothing for a second: a talk spurt shorter than the minimum delay
            // is played out now.
            phone->RestartPlayout();
            phone->Housekeeping();
            continue;
        }
        if (wait == WaitStatus::Failed) {
            Sleep10();
            continue;
        }
        // Everything that waits is taken before the next wait, so that a burst
        // (or a flood) costs one wait, not one per datagram.
        for (int taken = 0; taken < ReceiveBurst && phone->Socket.load(); ++taken) {
            ReceiveResult r = socket->receive(buffer, sizeof buffer);
            if (r.status == ReceiveStatus::Nothing || r.status == ReceiveStatus::Failed) break;
            Dispatch(phone, r, buffer);
        }
        phone->Housekeeping();
    }
    phone->ReceiveRunning = 0;
}

void TransmitLoop(Phone* phone) {
    Phone& p = *phone;
    p.TransmitRunning = 1;
    if (!p.Socket.load()) {
        p.TransmitRunning = 0;
        return;
    }
    auto sending = [&] { return p.PartyCount != 0 && p.Socket.load() && !p.MicMuted; };
    // Shutdown takes the socket away (which notifies StateChanged) before it waits for this thread.
    auto stopped = [&] { return !p.Socket.load(); };
    while (!stopped()) {
        // Asleep until party 0 is active with the microphone on, or the engine stops.
        if (!p.StateChanged.waitFor(IdleWaitMs, [&] {
                return stopped() || (p.PartyCount != 0 && p.PartyActive[0] && !p.MicMuted);
            }) ||
            stopped())
            continue;
        int codec = p.TransmitFallback ? 0 : p.Codec.load();
        p.TransmitCodec = codec;
        p.Capture.startSending(codec, 500);
        bool captureMissing = false;
        auto lastFrame = std::chrono::steady_clock::now();
        while (sending() && !captureMissing) {
            uint8_t packet[MaxDatagram];
            packet[0] = static_cast<uint8_t>(codec);
            int length = 1;
            int frames = 0;
            // A stored FramesPerPacket is not checked elsewhere: at least one
            // frame, and never more than the packet holds.
            int wanted = p.FramesPerPacket;
            if (wanted < 1) wanted = 1;
            if (wanted > FramesThatFit(codec)) wanted = FramesThatFit(codec);
            for (;;) {
                // Also leave when the call ends or the microphone is muted, so a
                // microphone that stalls cannot keep the capture open after them.
                if (!sending()) break;
                if (length + MaxCodecFrameBytes > secure::MaxInnerDatagram) break;
                int size = p.Capture.readEncodedFrame(packet + length);
                if (size == FrameNoDevice) {
                    captureMissing = true;
                    p.NoteDevice(false, false);
                }
                if (size == FrameWithheld || size == FrameNoDevice) break;
                if (size > 0 && p.MicrophoneFailing) p.NoteDevice(false, true);
                if (size > 0) {
                    lastFrame = std::chrono::steady_clock::now();
                    length += size;
                    ++frames;
                    p.Transmitting = 1;
                    if (frames >= wanted) break;
                } else {
                    // Nothing ready: sleep until the next frame, looking at
                    // the call and the mute again at least every FrameWaitMs.
                    p.Capture.waitFrame(FrameWaitMs);
                    if (std::chrono::steady_clock::now() - lastFrame > std::chrono::milliseconds(MicStalledMs)) {
                        captureMissing = true;
                        p.NoteDevice(false, false);
                        break;
                    }
                }
            }
            if (frames > 0)
                p.SendDatagram(nullptr, packet, length);
            else
                p.Transmitting = 0;
        }
        if (captureMissing) {
            // No capture device: try again in a while instead of spinning; the
            // end of the call or the mute ends the wait at once.
            p.StateChanged.waitFor(CaptureRetryMs, [&] { return !sending(); });
        }
        p.Capture.stopSending();
        p.Transmitting = 0;
        // The fallback holds for this capture run; a retry for a missing
        // microphone does not end the run, only the call or the mute does.
        if (!captureMissing || !sending()) p.TransmitFallback = 0;
    }
    p.TransmitRunning = 0;
}

}  // namespace kv
