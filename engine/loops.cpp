// The two network threads of the Phone. The receive thread waits on the
// socket (1 s time-out), hands control datagrams to HandleControl and audio to
// the sending party's channel; the transmit thread captures while party 0 is
// active, packs encoded frames into audio datagrams and sends them to every
// active party. Both sleep until something they serve happens: a datagram,
// a captured frame, or a change of the call, the parties or the mute.
#include <chrono>
#include <thread>

#include "audio/codec.h"
#include "audio/send_path.h"
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
    // No peer sends from port 0 or from 0.0.0.0 (or ::), and a reply to port
    // 0 would go to every party: such a datagram is forged, and dropped.
    if (r.from.port() == 0 || r.from.isUnspecified()) return;
    phone->HandleDatagram(r.from, buffer, r.length);
}

}  // namespace

void ReceiveLoop(Phone* phone) {
    phone->ReceiveRunning = 1;
    uint8_t buffer[MaxDatagram];
    bool held = false;  // an Opus datagram waits for one it overtook
    while (UdpSocket* socket = phone->Socket.load()) {
        const int waitMs = held ? MediaChannel::HoldMs / 2 : 1000;
        WaitStatus wait = socket->waitReadable(waitMs);
        if (!phone->Socket.load()) break;
        if (wait == WaitStatus::TimedOut) {
            held = phone->ReleaseHeldAudio();
            if (waitMs < 1000) continue;  // only a look at what is held
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
        held = phone->ReleaseHeldAudio();
        phone->Housekeeping();
    }
    phone->ReceiveRunning = 0;
}

namespace {

// Where the voice goes: every active party, with the codec it hears.
struct AudioTarget {
    PeerAddress address;
    int codec;
};

// Looked at for every captured frame: the vector keeps its storage.
void AudioTargets(Phone& p, int legacy, std::vector<AudioTarget>* targets) {
    targets->clear();
    {
        std::lock_guard<std::recursive_mutex> guard(p.PartyLock);
        for (int i = 0; i < p.PartyCount; ++i)
            if (p.PartyActive[i]) targets->push_back({p.PartyAddress[i], 0});
    }
    for (AudioTarget& t : *targets) t.codec = p.SendCodecFor(t.address, legacy);
}

bool Hears(const std::vector<AudioTarget>& targets, bool opus) {
    for (const AudioTarget& t : targets)
        if ((t.codec == CodecOpus) == opus) return true;
    return false;
}

// The captured frame at the rate: 20 ms while anyone hears Opus, else the codec's frame.
int CaptureFrame(bool opus, int legacy, int rate) {
    return opus ? rate / 50 : FrameSamplesAt(legacy, rate);
}

// A stored FramesPerPacket is not checked elsewhere: at least one frame, and
// never more than the packet holds.
int FramesWanted(Phone& p, int codec) {
    int wanted = p.FramesPerPacket;
    if (wanted < 1) wanted = 1;
    if (wanted > FramesThatFit(codec)) wanted = FramesThatFit(codec);
    return wanted;
}

}  // namespace

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
    SendPath path;
    std::vector<AudioTarget> targets;
    while (!stopped()) {
        // Asleep until party 0 is active with the microphone on, or the engine stops.
        if (!p.StateChanged.waitFor(IdleWaitMs, [&] {
                return stopped() || (p.PartyCount != 0 && p.PartyActive[0] && !p.MicMuted);
            }) ||
            stopped())
            continue;
        const int codec = p.TransmitFallback ? 0 : p.Codec.load();
        p.TransmitCodec = codec;
        AudioTargets(p, codec, &targets);
        const bool opus = Hears(targets, true);
        const int rate = p.Capture.coreRate;
        const int frame = CaptureFrame(opus, codec, rate);
        bool captureMissing = !path.configure(Hears(targets, false) || !opus ? codec : -1, FramesWanted(p, codec),
                                              opus, secure::MaxInnerDatagram, rate) ||
                              p.Capture.startCapture(frame, 500) != 0;
        if (captureMissing) p.NoteDevice(false, false);
        bool restart = false;  // the captured frame must change: the capture opens again
        auto emit = [&](int to, const uint8_t* datagram, int length) {
            for (const AudioTarget& t : targets)
                if (t.codec == to) p.SendDatagram(&t.address, datagram, length);
        };
        auto lastFrame = std::chrono::steady_clock::now();
        int16_t pcm[MaxCoreFrameSamples];
        // Also leave when the call ends or the microphone is muted, so a
        // microphone that stalls cannot keep the capture open after them.
        while (sending() && !captureMissing && !restart) {
            const int size = p.Capture.read(reinterpret_cast<uint8_t*>(pcm));
            if (size == FrameNoDevice) {
                captureMissing = true;
                p.NoteDevice(false, false);
                break;
            }
            if (size == FrameNotReady) {
                // Nothing ready: sleep until the next frame, looking at
                // the call and the mute again at least every FrameWaitMs.
                p.Capture.waitFrame(FrameWaitMs);
                if (std::chrono::steady_clock::now() - lastFrame > std::chrono::milliseconds(MicStalledMs)) {
                    captureMissing = true;
                    p.NoteDevice(false, false);
                }
                continue;
            }
            lastFrame = std::chrono::steady_clock::now();
            if (p.MicrophoneFailing) p.NoteDevice(false, true);
            // The parties and their codecs as they stand for this frame.
            AudioTargets(p, codec, &targets);
            const bool nowOpus = Hears(targets, true);
            const int nowLegacy = Hears(targets, false) || !nowOpus ? codec : -1;
            if (CaptureFrame(nowOpus, codec, rate) != frame) restart = true;
            path.configure(nowLegacy, FramesWanted(p, codec), nowOpus, secure::MaxInnerDatagram, rate);
            if (nowOpus) path.setExpectedLoss(p.OpusLossPercent());
            if (size == FrameWithheld) {
                path.flush(emit);
                p.Transmitting = 0;
                continue;
            }
            path.add(pcm, size / 2, emit);
            p.Transmitting = 1;
        }
        // What is packed goes to the parties still there (a party that
        // left gets nothing more).
        AudioTargets(p, codec, &targets);
        path.flush(emit);
        if (captureMissing) {
            // No capture device: try again in a while instead of spinning; the
            // end of the call or the mute ends the wait at once.
            p.StateChanged.waitFor(CaptureRetryMs, [&] { return !sending(); });
        }
        p.Capture.close();
        p.Transmitting = 0;
        // The fallback holds for this capture run; a retry for a missing
        // microphone does not end the run, only the call or the mute does.
        if (!restart && (!captureMissing || !sending())) p.TransmitFallback = 0;
    }
    p.TransmitRunning = 0;
}

}  // namespace kv
