// Phone: the one engine object. It owns the UDP endpoint, the receive and
// transmit threads, the call state, the party table of the conference, the
// chat and short-message state and the capture path. The user interface reads
// its fields and calls its operations; the engine tells it about events
// through numbered notifications to NotifyWindow.
//
// Fields shared between threads are atomics; texts and addresses that cross
// threads are read and written with ReadText/WriteText and ReadAddress/
// WriteAddress under FieldLock; the party table changes under PartyLock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "audio/capture.h"
#include "audio/codec.h"
#include "audio/media_channel.h"
#include "engine/protocol.h"
#include "platform/notify.h"
#include "platform/peer_address.h"
#include "platform/udp_socket.h"

namespace kv {

constexpr uint16_t DefaultPort = 11676;
constexpr int MaxParties = 100;
constexpr int ChatQueueLength = 5;

enum AnswerMode { AnswerAsk = 0, AnswerRefuse = 1, AnswerAccept = 2, AnswerIgnore = 3 };

enum CallStateCode {
    StateIdle = 0,
    StateIncoming = 1,
    StateIncomingAccepted = 2,
    StateIncomingDone = 3,
    StateWaitingForRemote = 4,
    StatePartyAlerted = 5,
    StateCallAccepted = 6,
    StateCallAborted = 7,
    StateCallRefused = 8,
    StateNoCodecLocally = 9,
    StateNoCodecRemote = 10,
    StateRemoteBusy = 11,
    StateUnreachable = 12,
};

enum MessageStateCode { MsgIdle = 0, MsgSending = 1, MsgUnreachable = 2, MsgRefused = 3, MsgDelivered = 4 };

enum EngineNotification {
    IncomingCall = 1,
    IncomingConnected = 2,
    CallSetupFailed = 3,
    CallerCancelled = 4,
    PartyAlerted = 5,
    CallConnected = 6,
    CallRefused = 7,
    UnsupportedCodec = 8,
    RemoteCannotDecode = 9,
    RemoteBusy = 10,
    NoAnswer = 11,
    NotActive = 12,
    PartyHungUp = 13,
    PartyDropped = 14,
    ChatLine = 15,
    PartiesChanged = 16,
    LogWritten = 17,
    MessageRefused = 18,
    MessageDelivered = 19,
};

class Phone {
public:
    // The Windows program always uses DefaultPort; tests and the console peer may choose another.
    explicit Phone(uint16_t port = DefaultPort);
    ~Phone();
    Phone(const Phone&) = delete;
    Phone& operator=(const Phone&) = delete;

    // Binds the socket and starts both threads: 1, or 0 when the socket
    // cannot be created or bound (then Socket stays null).
    int Start();
    // Stops both threads and releases the audio objects.
    void Shutdown();

    // ---- receive side (engine threads) ----
    void HandleControl(const PeerAddress& from, const uint8_t* d, int length);
    void HandleAudio(const PeerAddress& from, const uint8_t* d, int length);
    void HandlePortUnreachable(const PeerAddress& to);
    void RestartPlayout();

    // ---- party table ----
    int AddParty(const PeerAddress& address, const char* identity);
    int FindParty(const PeerAddress& address);
    int ActivateParty(const PeerAddress& address);
    int RemoveParty(const PeerAddress* address);
    int PartyForAudio(const PeerAddress& sender);
    // One datagram to address when its port is not 0; else one to every
    // active party, in table order. Returns 1.
    int SendDatagram(const PeerAddress* address, const uint8_t* bytes, int length);
    int SendDatagram(const PeerAddress* address, const Datagram& d) { return SendDatagram(address, d.bytes, d.length); }

    // ---- notifications ----
    void Post(EngineNotification code, int value = 0);
    void Send(EngineNotification code, int value = 0);

    // ---- texts and addresses shared between threads ----
    void WriteText(char* field, int capacity, const char* text);
    void ReadText(const char* field, char* out, int capacity);
    void WriteAddress(PeerAddress& field, const PeerAddress& value);
    PeerAddress ReadAddress(const PeerAddress& field);

    uint16_t Port() const { return port_; }

    // Where capture and playout find their wave devices (null: the system's);
    // set before Start and before any party is added.
    void SetAudioDevices(WaveDevices* devices);
    WaveDevices* AudioDevices() const { return audioDevices_; }
    // probeCodec with this engine's scratch channel.
    int ProbeCodec(int codec, char* nameOut) { return probeCodec(codec, nameOut, ProbeChannel); }

    // ---- fields ----
    char Identity[100] = {};
    std::atomic<int> FramesPerPacket{4};
    std::atomic<int> Autoanswer{AnswerAsk};
    std::atomic<int> Codec{0};
    std::atomic<int> Delay{0};
    std::atomic<int> MaxDelay{0};
    std::atomic<int> Volume{0};
    std::atomic<int> OutGain{0};
    std::atomic<int> GenerateLog{0};
    PeerAddress RemoteAddress;
    PeerAddress LeftPartyAddress;
    char RemoteName[100] = {};
    char LeftPartyName[100] = {};
    std::atomic<int> CallState{StateIdle};
    std::atomic<int> DecodeFallback{0};
    std::atomic<int> TransmitFallback{0};
    PeerAddress MessageAddress;
    std::atomic<int> MessageState{MsgIdle};
    char MessageText[300] = {};
    char LastChatLine[105] = {};
    char RefusalMessage[300] = {};
    char RemoteRefusalText[300] = {};
    std::atomic<int> TransmitCodec{0};
    std::atomic<uint8_t> SpeakerMuted{0};
    std::atomic<uint8_t> MicMuted{0};
    std::atomic<NotificationSink*> NotifyWindow{nullptr};
    CaptureDevice Capture;
    MediaChannel ProbeChannel;
    PeerAddress PartyAddress[MaxParties];
    char PartyName[MaxParties][100] = {};
    std::atomic<int> PartyCount{0};
    char ChatQueueText[ChatQueueLength][100] = {};
    PeerAddress ChatQueueAddress[ChatQueueLength];
    std::atomic<int> ChatQueueCount{0};
    std::atomic<int> ChatRetries{0};
    std::atomic<uint8_t> PartyActive[MaxParties] = {};
    MediaChannel* PartyChannel[MaxParties] = {};
    std::atomic<int> TransmitRunning{0};
    std::atomic<int> ReceiveRunning{0};
    std::atomic<int> Transmitting{0};
    std::atomic<UdpSocket*> Socket{nullptr};

    // Guards the texts and addresses above that cross threads.
    std::mutex FieldLock;
    // Guards changes of the party table, and a party channel while it is fed.
    std::recursive_mutex PartyLock;
    // Makes a new socket; tests may put a socket of their own in its place before Start.
    std::unique_ptr<UdpSocket> (*CreateSocket)() = CreateUdpSocket;

private:
    const uint16_t port_;
    WaveDevices* audioDevices_ = nullptr;
    std::shared_mutex socketLock_;  // senders share it; Shutdown takes it to retire the socket
    std::unique_ptr<UdpSocket> ownedSocket_;
    std::thread receiveThread_;
    std::thread transmitThread_;
};

void ReceiveLoop(Phone* phone);
void TransmitLoop(Phone* phone);

}  // namespace kv
