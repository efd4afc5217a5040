#include "engine/phone.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace kv {

Phone::Phone(uint16_t port) : port_(port), strangers_(std::make_unique<StrangerGuard>(Limits)) {
    CallState.bind(&StateChanged);
    MessageState.bind(&StateChanged);
    MicMuted.bind(&StateChanged);
    PartyCount.bind(&StateChanged);
    for (auto& active : PartyActive) active.bind(&StateChanged);
    Socket.bind(&StateChanged);
    setupSerial_.bind(&StateChanged);
}

Phone::~Phone() {
    NotifyWindow = nullptr;  // the interface is gone by now
    Shutdown();
    // Call, chat and message threads end within a pass of their loops once
    // stopping; none may outlive the object it works on.
    while (workers_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    RemoveParty(nullptr);
}

int Phone::Start() {
    std::unique_ptr<UdpSocket> socket = CreateSocket();
    if (!socket) {
        Socket = nullptr;
        return 0;
    }
    FramesPerPacket = 7;  // the settings load that follows replaces it
    if (!keySet_) MakePrivateKey();
    probedCodecs_.clear();
    for (int codec = 0; codec < CodecCount; ++codec)
        if (ProbeFor(codec)) probedCodecs_.push_back(static_cast<uint8_t>(codec));
    offeredHd_ = -1;
    OfferCodecs();
    strangers_ = std::make_unique<StrangerGuard>(Limits);  // with the limits set by now
    if (!socket->bind(port_)) {
        Socket = nullptr;
        return 0;
    }
    boundPort_ = socket->localPort();
    ownedSocket_ = std::move(socket);
    Socket = ownedSocket_.get();
    // Raised here rather than only inside the threads, so that a Shutdown
    // right after Start always waits for them.
    TransmitRunning = 1;
    ReceiveRunning = 1;
    transmitThread_ = std::thread(TransmitLoop, this);
    receiveThread_ = std::thread(ReceiveLoop, this);
    return 1;
}

void Phone::Shutdown() {
    // The mapping is withdrawn first, while the calls end (it waits a moment at most).
    if (portMapping_) portMapping_->stop();
    stopping_ = true;
    StateChanged.notify();  // wakes every engine thread that waits
    if (ReceiveRunning || TransmitRunning) {
        UdpSocket* socket;
        {
            std::unique_lock<std::shared_mutex> guard(socketLock_);
            socket = Socket.exchange(nullptr);
        }
        if (socket) socket->interrupt();
        while (ReceiveRunning || TransmitRunning) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (receiveThread_.joinable()) receiveThread_.join();
    if (transmitThread_.joinable()) transmitThread_.join();
    {
        // The socket is destroyed only now that no loop can be using it, and
        // no sender holds it.
        std::unique_lock<std::shared_mutex> guard(socketLock_);
        Socket = nullptr;
        ownedSocket_.reset();
    }
    ProbeChannel.playout.close(true);
    Capture.stopSending();
}

void Phone::StartPortMapping() {
    if (!PortMapping || portMapping_ || stopping_ || !Socket.load()) return;
    portMapping_ = std::make_unique<PortMappingService>(CreateGateways(), CreatePinholes(), OwnIPv6Address, Port(),
                                                        [this](int event) { Post(PortMappingChanged, event); });
}

PinholeState Phone::PinholeInfo() {
    if (!portMapping_) return PinholeState{};
    return portMapping_->pinhole();
}

PortMappingState Phone::MappingState() {
    if (!portMapping_) return PortMappingState{};
    return portMapping_->state();
}

void Phone::SetAudioDevices(WaveDevices* devices) {
    audioDevices_ = devices;
    Capture.devices = devices;
}

void Phone::Post(EngineNotification code, int value) {
    if (NotificationSink* sink = NotifyWindow.load()) sink->post(code, value);
}

void Phone::Send(EngineNotification code, int value) {
    if (NotificationSink* sink = NotifyWindow.load()) sink->send(code, value);
}

void Phone::WriteText(char* field, int capacity, const char* text) {
    std::lock_guard<std::mutex> guard(FieldLock);
    std::strncpy(field, text ? text : "", static_cast<size_t>(capacity - 1));
    field[capacity - 1] = 0;
}

void Phone::ReadText(const char* field, char* out, int capacity) {
    std::lock_guard<std::mutex> guard(FieldLock);
    std::strncpy(out, field, static_cast<size_t>(capacity - 1));
    out[capacity - 1] = 0;
}

void Phone::WriteAddress(PeerAddress& field, const PeerAddress& value) {
    std::lock_guard<std::mutex> guard(FieldLock);
    field = value;
}

PeerAddress Phone::ReadAddress(const PeerAddress& field) {
    std::lock_guard<std::mutex> guard(FieldLock);
    return field;
}

void Phone::OfferCodecs() {
    const int hd = HDVoice != 0 ? 1 : 0;
    if (offeredHd_.exchange(hd) == hd) return;
    secure::Features features;  // the codecs we decode, for the features record
    features.codecs = probedCodecs_;
    if (hd) features.codecs.push_back(static_cast<uint8_t>(CodecOpus));
    links_.setFeatures(features);
}

int Phone::SendCodecFor(const PeerAddress& address, int legacy) {
    return HDVoice != 0 && links_.decodes(address, CodecOpus) ? CodecOpus : legacy;
}

int Phone::OpusLossPercent() {
    int most = 0;
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) {
        MediaChannel* c = PartyChannel[i];
        if (!c || !c->party || c->decoderCodec != CodecOpus) continue;
        std::lock_guard<std::mutex> party(c->party->lock);
        most = std::max(most, c->party->jitter.lossPercent());
    }
    return most;
}

bool Phone::ReleaseHeldAudio() {
    bool held = false;
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) {
        MediaChannel* c = PartyChannel[i];
        if (c && c->renderer && c->releaseHeld(c->renderer->clockMs())) held = true;
    }
    return held;
}

thread_local const PeerAddress* Phone::answeringSealed_ = nullptr;

int Phone::SendDatagram(const PeerAddress* address, const uint8_t* bytes, int length) {
    PeerAddress targets[MaxParties];
    int count = 0;
    if (address && address->port() != 0) {
        targets[count++] = *address;
    } else {
        std::lock_guard<std::recursive_mutex> guard(PartyLock);
        for (int i = 0; i < PartyCount; ++i)
            if (PartyActive[i]) targets[count++] = PartyAddress[i];
    }
    // To a peer with a private session, sealed; to any other, as it is.
    uint8_t sealed[MaxDatagram];
    secure::Bytes step3;
    std::shared_lock<std::shared_mutex> guard(socketLock_);
    UdpSocket* socket = Socket.load();
    if (!socket) return 1;
    for (int i = 0; i < count; ++i) {
        int sealedLength = 0;
        const PrivateLinks::Seal how = links_.seal(targets[i], bytes, length, sealed, &sealedLength, &step3, LimitClock());
        if (how == PrivateLinks::Seal::Held) continue;  // its key waits for the user's word
        if (how == PrivateLinks::Seal::Plain) {
            // What answers a sealed datagram goes sealed or not at all: its
            // session may have ended meanwhile (a recheck found nobody).
            if (answeringSealed_ && SameAddress(*answeringSealed_, targets[i])) continue;
            socket->sendTo(targets[i], bytes, length);
            continue;
        }
        if (!step3.empty()) socket->sendTo(targets[i], step3.data(), static_cast<int>(step3.size()));
        if (sealedLength > 0) socket->sendTo(targets[i], sealed, sealedLength);
    }
    return 1;
}

}  // namespace kv
