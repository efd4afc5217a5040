// Phone: the one engine object. It owns the UDP endpoint, the receive and
// transmit threads, the call state, the party table of the conference, the
// chat and short-message state and the capture path. The user interface reads
// its fields and calls its operations; the engine tells it about events
// through numbered notifications to NotifyWindow.
//
// Fields shared between threads are atomics (Watched where a thread waits
// for them to change); texts and addresses that cross
// threads are read and written with ReadText/WriteText and ReadAddress/
// WriteAddress under FieldLock; the party table changes under PartyLock.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "audio/capture.h"
#include "audio/codec.h"
#include "audio/media_channel.h"
#include "engine/peer_book.h"
#include "engine/port_mapping.h"
#include "engine/private_links.h"
#include "engine/protocol.h"
#include "engine/strangers.h"
#include "engine/timings.h"
#include "engine/watched.h"
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

// Results of the engine's operations. Each operation returns the ones listed
// at its declaration; the values are those peers' front ends have always
// compared with.
enum CallResult {
    CallStarted = 0,          // PlaceCall: the setup runs; AbortCall: cancelled; HangUp: done
    CallUnresolved = -1,      // PlaceCall: the address does not resolve
    CallSetupInProgress = -2, // PlaceCall: another setup is under way
    CallNothingToCancel = -3, // AbortCall: no outgoing setup to cancel
};
enum AnswerResult {
    AnswerNothingRings = 0,  // no call rings (from that caller)
    AnswerGiven = 1,         // the ringing call was accepted or refused
};
enum MessageSendResult {
    MessageStarted = 0,
    MessageUnresolved = -1,  // the address does not resolve
    MessageInFlight = -4,    // the last short message is still being sent
};
enum ChatQueueResult {
    ChatQueued = 0,
    ChatQueueFull = -1,  // five lines are waiting
};
// The text a front end shows for a failed operation ("" for a success).
const char* CallResultText(int result);
// The refusal text a "private only" phone gives a plain caller.
extern const char PrivateOnlyText[];
const char* MessageSendResultText(int result);

// The value of IncomingCall: how the front end alerts the user.
enum RingKind {
    RingAloud = 0,  // the ring sound, and the window to the front
    RingQuiet = 1,  // shown only: this source (or everyone together) rang too often lately
};
// The value of NoAnswer and NotActive: which operation they report.
enum NotifySubject { SubjectCall = 0, SubjectMessage = 1 };

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
    // The port mapping at the home router changed; value: a MappingEvent.
    PortMappingChanged = 20,
    // The peer at WarnAddress showed another key than the one remembered for
    // it (WarnKey, WarnName). Sent while the call or message waits: the front
    // end sets ProceedAnyway to go on with the new key (it is then
    // remembered), else the call or message fails. Value: NotifySubject.
    KeyChanged = 21,
    // No private answer came from WarnAddress, which is remembered as private
    // (or every peer must be, Privacy 2). Sent while the call or message
    // waits: ProceedAnyway goes on in plain (never under Privacy 2). Value: NotifySubject.
    NotPrivate = 22,
    // A sound device cannot be opened or stopped working, or works again
    // after that (SpeakerFailing, MicrophoneFailing). Value: a DeviceEvent.
    AudioDeviceChanged = 23,
};

enum DeviceEvent {
    DeviceSpeakerFailed = 0,
    DeviceSpeakerWorks = 1,
    DeviceMicrophoneFailed = 2,
    DeviceMicrophoneWorks = 3,
};
inline bool IsMicrophoneEvent(int value) { return value == DeviceMicrophoneFailed || value == DeviceMicrophoneWorks; }
inline bool IsWorksEvent(int value) { return value == DeviceSpeakerWorks || value == DeviceMicrophoneWorks; }

// The value of IncomingCall also carries warnings, as flags.
enum RingWarning {
    RingKeyChanged = 2,  // the caller's session shows another key than remembered for its address or name
    RingNotPrivate = 4,  // a caller in plain whose name is that of a remembered private peer
};

// "Privacy": 0 plain only, 1 private where the other side can, 2 private only.
enum PrivacyMode { PrivacyPlain = 0, PrivacyWherePossible = 1, PrivacyOnly = 2 };

// What a front end shows of a party's (or any address's) privacy.
struct PrivacyInfo {
    bool privateLink = false;
    uint32_t sas = 0;
    uint8_t key[32] = {};
    bool verified = false;
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

    // ---- calls ----
    // 0 started, -2 a call setup is under way, -1 the address does not resolve.
    int PlaceCall(const char* address);
    // 0 when an outgoing setup (waiting or alerted) was cancelled, else -3.
    int AbortCall();
    // Leaves the party at address (null: every party); with no address while a
    // setup is under way, cancels the outgoing setup instead (AbortCall).
    int HangUp(const PeerAddress* address, int reason);
    // Answers the ringing incoming call: 1 accept, 0 refuse. AnswerGiven, or
    // AnswerNothingRings when no call rings.
    int AnswerCall(int accept);
    // The same, only when the call that rings comes from caller: what a
    // dialog that shows one caller answers, so that it never answers another.
    int AnswerCall(int accept, const PeerAddress& caller);

    // ---- short messages and chat ----
    // 0 started, -4 a message is still being sent, -1 the address does not resolve.
    int SendShortMessage(const char* address, const char* text);
    // 0 queued, -1 five lines are already waiting. address null: every active party.
    int QueueChatLine(const PeerAddress* address, const char* text);
    // Takes the oldest chat line composed for the chat window (one per ChatLine
    // notification); false when none waits. LastChatLine holds the newest.
    bool NextChatLine(char* out, int capacity);

    // ---- the status line ----
    void StatusText(char* out, int capacity);

    // ---- receive side (engine threads) ----
    // Any datagram from the socket: handshakes and sealed ones here, plain
    // ones to HandleControl or HandleAudio unless a session with the sender
    // says they cannot be its.
    void HandleDatagram(const PeerAddress& from, const uint8_t* d, int length);
    // Plain-protocol datagrams (also the inside of a sealed one).
    void HandleControl(const PeerAddress& from, const uint8_t* d, int length);
    void HandleAudio(const PeerAddress& from, const uint8_t* d, int length);
    void HandlePortUnreachable(const PeerAddress& to);
    // Sessions' lifetimes, about once a second from the receive thread.
    void Housekeeping();
    // A datagram of length bytes came from the address (what it may draw back).
    void NoteReceived(const PeerAddress& from, int length);
    void RestartPlayout();

    // ---- party table ----
    int AddParty(const PeerAddress& address, const char* identity);
    int FindParty(const PeerAddress& address);
    int ActivateParty(const PeerAddress& address);
    int RemoveParty(const PeerAddress* address);
    int PartyForAudio(const PeerAddress& sender);
    // The same operations on one entry, named by the id AddPartyEntry gave it
    // (0: the table is full), so that a setup removes exactly the party it
    // added even when the peer's address is in the table twice.
    uint32_t AddPartyEntry(const PeerAddress& address, const char* identity);
    int FindPartyEntry(uint32_t id);
    int ActivatePartyEntry(uint32_t id);
    int RemovePartyEntry(uint32_t id);
    // One datagram to address when its port is not 0; else one to every
    // active party, in table order. Returns 1.
    int SendDatagram(const PeerAddress* address, const uint8_t* bytes, int length);
    int SendDatagram(const PeerAddress* address, const Datagram& d) { return SendDatagram(address, d.bytes, d.length); }
    // Settings that every party's playout follows. The delays keep MaxDelay at
    // least 100 ms above Delay.
    int SetVolume(int volume);
    int SetDelay(int ms);
    int SetMaxDelay(int ms);
    int SetOutGain(int flag);
    // Concealment of gaps in every party's playout: 0 off, anything else on (stored as 1).
    int SetConceal(int flag);
    // The loudest playout level over all parties, -10000 when none plays.
    int OutputLevel();

    // ---- private calls ----
    // The static key: from its 64 hex digits (false when they are not that),
    // or made anew; set before Start (Start makes one when none was set).
    bool SetPrivateKey(const char* hex);
    void MakePrivateKey();
    std::string PrivateKeyHex();
    // Our key's fingerprint, 24 base32 characters (grouped: six groups of four).
    std::string OwnFingerprint(bool grouped = false);
    // Whether the address has a private session, with its SAS and key.
    bool PrivacyOf(const PeerAddress& address, PrivacyInfo* out);
    // The key last shown by the address (a KeyChanged) becomes the one
    // remembered for it: 1, or 0 when no such key is known.
    int AcceptKey(const PeerAddress& address);
    // Marks the private party at the address verified (its SAS compared): 1, or 0 when it is not private.
    int MarkVerified(const PeerAddress& address, bool verified = true);
    // The peers remembered from private sessions; the front end loads and stores them.
    PeerBook Peers;

    // ---- port mapping at the home router ----
    // When PortMapping is set, starts asking the router, on a thread of its
    // own, to forward the bound port to us (PortMappingChanged tells of each
    // change). Call after Start, once the settings are loaded; nothing waits for it.
    void StartPortMapping();
    PortMappingState MappingState();
    // The IPv6 pinhole the same thread keeps open in the router's firewall
    // (PortMappingChanged with PinholeOpened ... PinholeFailed).
    PinholeState PinholeInfo();

    // ---- notifications ----
    void Post(EngineNotification code, int value = 0);
    void Send(EngineNotification code, int value = 0);

    // ---- texts and addresses shared between threads ----
    void WriteText(char* field, int capacity, const char* text);
    void ReadText(const char* field, char* out, int capacity);
    void WriteAddress(PeerAddress& field, const PeerAddress& value);
    PeerAddress ReadAddress(const PeerAddress& field);

    // The port asked for; once started on port 0, the one the system chose.
    uint16_t Port() const { return port_ != 0 ? port_ : boundPort_.load(); }

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
    std::atomic<int> Conceal{1};
    // 1: every party's audio goes through its adaptive jitter buffer to one
    // renderer, whose device stays open while there are parties; 0: each
    // party has a playout buffer and device of its own. Read as a party is
    // added.
    std::atomic<int> AdaptivePlayout{1};
    // 1 while the speaker (the adaptive playout's) or the microphone cannot be
    // opened or has stopped: the status line says so, and it is retried.
    std::atomic<int> SpeakerFailing{0};
    std::atomic<int> MicrophoneFailing{0};
    // Records a device's state; a change is posted as AudioDeviceChanged.
    void NoteDevice(bool speaker, bool works);
    std::atomic<int> GenerateLog{0};
    // Ask the home router to forward our port: 0 no (the default of a bare
    // Phone), anything else yes; the settings load sets it ("PortMapping", default 1).
    std::atomic<int> PortMapping{0};
    // PrivacyMode: 0 for a bare Phone (tests talk plain to it); the settings
    // load sets it ("Privacy", default 1).
    std::atomic<int> Privacy{PrivacyPlain};
    // 1: Opus is offered in our features record and sent to every private
    // party that lists it ("HDVoice", default 1); 0: neither. A change holds
    // for the handshakes after it and for what the transmit loop sends.
    std::atomic<int> HDVoice{1};
    // The codec our voice goes to the party at the address in: CodecOpus
    // for a private party that decodes it while HDVoice is on, else legacy
    // (the Codec setting, or the fallback to 0).
    int SendCodecFor(const PeerAddress& address, int legacy);
    // The most loss the jitter buffers of the parties that send us Opus measure, in percent.
    int OpusLossPercent();
    // Plays the Opus datagrams held for one that was overtaken, once they
    // have waited long enough; true while any is held (the receive loop then
    // looks again soon).
    bool ReleaseHeldAudio();
    // The subject of a KeyChanged or NotPrivate notification, and the front
    // end's answer to it (set while it handles the notification).
    char WarnName[100] = {};
    PeerAddress WarnAddress;
    uint8_t WarnKey[32] = {};
    std::atomic<int> ProceedAnyway{0};
    PeerAddress RemoteAddress;
    PeerAddress LeftPartyAddress;
    // The call setup that a call thread's sent notification reports (codes 2,
    // 3 and 6 to 12): RemoteName, RemoteAddress and RemoteRefusalText as they
    // were when it ended. CallState is back at idle before such a
    // notification is sent, so another call may ring while the user reads
    // the message; these stay until the next setup ends.
    char ReportName[100] = {};
    PeerAddress ReportAddress;
    char ReportRefusalText[300] = {};
    char RemoteName[100] = {};
    char LeftPartyName[100] = {};
    Watched<int> CallState{StateIdle};
    std::atomic<int> DecodeFallback{0};
    std::atomic<int> TransmitFallback{0};
    PeerAddress MessageAddress;
    Watched<int> MessageState{MsgIdle};
    char MessageText[300] = {};
    char LastChatLine[105] = {};
    char RefusalMessage[300] = {};
    char RemoteRefusalText[300] = {};
    std::atomic<int> TransmitCodec{0};
    std::atomic<uint8_t> SpeakerMuted{0};
    Watched<uint8_t> MicMuted{0};
    std::atomic<NotificationSink*> NotifyWindow{nullptr};
    CaptureDevice Capture;
    MediaChannel ProbeChannel;
    PeerAddress PartyAddress[MaxParties];
    char PartyName[MaxParties][100] = {};
    Watched<int> PartyCount{0};
    char ChatQueueText[ChatQueueLength][100] = {};
    PeerAddress ChatQueueAddress[ChatQueueLength];
    std::atomic<int> ChatQueueCount{0};
    std::atomic<int> ChatRetries{0};
    Watched<uint8_t> PartyActive[MaxParties];
    MediaChannel* PartyChannel[MaxParties] = {};
    std::atomic<int> TransmitRunning{0};
    std::atomic<int> ReceiveRunning{0};
    std::atomic<int> Transmitting{0};
    Watched<UdpSocket*> Socket{nullptr};
    // Call requests and short messages are taken only while this is set. A
    // front end clears it before Start and sets it once the settings (identity,
    // answering mode, event log) are in the fields, so that nothing is answered
    // with half-loaded settings; the caller's next attempt is answered then.
    std::atomic<int> SettingsLoaded{1};

    // Notified whenever a field the engine threads wait on changes: CallState,
    // MessageState, MicMuted, PartyCount, PartyActive, Socket, and the engine
    // stopping. Those threads sleep on it instead of polling.
    ChangeSignal StateChanged;
    // True once Shutdown began: worker threads stop waiting.
    bool Stopping() const { return stopping_; }
    // Short-lived engine threads (call setups, chat, a short message) still running.
    int WorkerCount() const { return workers_; }

    // Guards the texts and addresses above that cross threads.
    std::mutex FieldLock;
    // Guards changes of the party table, and a party channel while it is fed.
    std::recursive_mutex PartyLock;
    // The protocol's retries and time-outs, and what strangers may make us do;
    // tests shorten them before Start.
    ProtocolTimings Timings;
    StrangerLimits Limits;
    // Other limits at any time (every source is forgotten); Limits holds them too.
    void SetLimits(const StrangerLimits& limits) {
        Limits = limits;
        strangers_->setLimits(limits);
    }
    // The clock of the stranger limits (milliseconds, any epoch); tests may
    // put their own in place before Start.
    int64_t (*LimitClock)() = SteadyMilliseconds;

    // Makes a new socket; tests may put a socket of their own in its place before Start.
    std::unique_ptr<UdpSocket> (*CreateSocket)() = CreateUdpSocket;
    // Looks host names up for calls and messages (tests put names of their own in place).
    std::vector<PeerAddress> (*LookUp)(const char* name) = LookUpHost;
    // The router protocols to try; tests may put fakes in their place.
    std::vector<std::unique_ptr<PortGateway>> (*CreateGateways)() = CreatePortGateways;
    std::vector<std::unique_ptr<PinholeGateway>> (*CreatePinholes)() = CreatePinholeGateways;
    bool (*OwnIPv6Address)(PeerAddress* out) = GlobalIPv6Address;

private:
    void OnCallRequest(const PeerAddress& from, const uint8_t* d, int length);
    void OnCallReply(const PeerAddress& from, const uint8_t* d, int length);
    void OnLeave(const PeerAddress& from, const uint8_t* d, int length);
    void OnChatMessage(const PeerAddress& from, const uint8_t* d, int length);
    void OnShortMessage(const PeerAddress& from, const uint8_t* d, int length);
    void OnShortMessageReply(const PeerAddress& from, const uint8_t* d, int length);
    // LeftPartyName and LeftPartyAddress for the notifications of a departure.
    void NoteLeftParty(const char* name, const PeerAddress& address);
    // The same for the first party at the address; false when there is none.
    bool NoteLeavingParty(const PeerAddress& address);
    // Takes the oldest line off the chat queue (chatLock_ held).
    void DropOldestChatLine();
    void OutgoingCallThread(PeerAddress remote, uint32_t serial);
    void AcceptConfirmationThread(PeerAddress remote, uint32_t party, bool noParties, uint32_t serial);
    void ChatSendThread();
    void ShortMessageThread(PeerAddress to);
    // Starts a short-lived engine thread; the destructor waits for all of them.
    void StartWorker(std::function<void()> body);
    // Waits until condition() holds, the engine stops or the deadline
    // passes; true when the condition holds.
    template <class Condition>
    bool WaitUntil(ChangeSignal::Clock::time_point deadline, Condition condition) {
        StateChanged.waitUntil(deadline, [&] { return Stopping() || condition(); });
        return condition();
    }
    // The protocol's one retry loop: up to `times` rounds of send() and a
    // wait of at most intervalMs for answered(). UntilAnswered stops at the
    // answer; KeepSending goes on sending the remaining rounds, without
    // waiting. True once answered() held after a wait.
    enum ExchangeMode { UntilAnswered, KeepSending };
    template <class SendOnce, class Answered>
    bool Exchange(int times, int intervalMs, SendOnce send, Answered answered, ExchangeMode mode = UntilAnswered) {
        bool got = false;
        for (int i = 0; i < times && !Stopping(); ++i) {
            send();
            if (!got)
                got = WaitUntil(ChangeSignal::Clock::now() + std::chrono::milliseconds(intervalMs), answered);
            if (got && mode == UntilAnswered) break;
        }
        return got;
    }
    // The peer of the call setup in progress.
    bool InSetupWith(const PeerAddress& peer);
    // A call to a name with addresses of both families races them (as
    // browsers do): RemoteAddress is the IPv6 one, raceAddress_ the IPv4 one,
    // called after a head start; the first that answers is the callee's.
    // RaceOpen: the other address while the race is open. WinRace: the
    // address answered (RemoteAddress becomes it). LoseRace: the address
    // failed, and the other goes on alone; false when it was in no race.
    bool RaceOpen(PeerAddress* other);
    void WinRace(const PeerAddress& winner);
    bool LoseRace(const PeerAddress& failed);
    bool SocketDualStack();
    // Takes a call request while idle: StateIncoming from that caller; false when not idle.
    bool TakeRequest(const PeerAddress& from, const char* name);
    int Answer(int accept, const PeerAddress* caller);
    // Refused (with the refusal text first when there is one) to the address;
    // to a stranger only as far as its budget goes.
    void SendRefusal(const PeerAddress& to, bool stranger);
    // A reply: to a party as it is, to anyone else only when its budget covers it.
    bool Reply(const PeerAddress& to, const Datagram& d);
    void LogCallRequest(const PeerAddress& from, const char* name, const uint8_t* d, int length);
    // Whether the datagram from the address may add a line to the event log.
    bool MayLog(const PeerAddress& from, const uint8_t* d, int length);
    bool EchoedByAddressee(const PeerAddress& from);
    // ---- private calls (engine/private.cpp) ----
    enum class Privately { Yes, Plain, Refused, Ended };
    // Makes sure the address has a private session before a call or message
    // goes to it, as Privacy and the remembered peers say. Refused: the user
    // was told (KeyChanged or NotPrivate) and did not go on. ended(): the
    // call or message was ended meanwhile.
    // With an alternative (the other family's address of the same name), step
    // 1 goes to both, to the alternative after the head start; *chosen is
    // the address whose session came first.
    Privately MakePrivate(const PeerAddress& to, const std::function<bool()>& ended, int subject,
                          const PeerAddress* alternative = nullptr, PeerAddress* chosen = nullptr);
    bool Warn(EngineNotification code, const PeerAddress& address, const char* name, const uint8_t* key, int subject);
    // The session's key against the one remembered for the address: asks the
    // user on a change (KeyChanged); false when the user did not go on.
    bool CheckKey(const PeerAddress& to, int subject);
    void OnHandshake(const PeerAddress& from, const uint8_t* d, int length);
    void OnSealed(const PeerAddress& from, const uint8_t* d, int length);
    void OnSessionEstablished(const PeerAddress& from);
    // A plain Leave or port unreachable for an address with a session: one
    // new handshake decides; without an answer the party is dropped.
    void Recheck(const PeerAddress& address);
    // Sends bytes as they are (handshake datagrams, and what SendDatagram seals).
    void SendRaw(const PeerAddress& to, const uint8_t* bytes, int length);
    // The ring's warning flags for a caller (RingWarning).
    int RingWarnings(const PeerAddress& from, const char* name);
    bool InUse(const PeerAddress& address);
    bool SealedNow() const { return sealedNow_; }
    // The name the connected private peer gave, to its remembered key.
    void RememberName(const PeerAddress& peer);
    // Every setup has a serial number, taken as CallState leaves idle (under
    // FieldLock): a thread knows its setup from one that began since, even
    // when both pass through the same states.
    uint32_t BeginSetup();
    // CallState while the setup with that serial is the one in progress, else -1.
    int SetupState(uint32_t serial);
    // Ends the setup a call thread saw in `state`: ReportName, ReportAddress
    // and ReportRefusalText from the setup's fields, then idle, then the
    // notification (none for 0), so nobody is busy while the user reads it.
    // False, and nothing done, when the setup moved on or gave way to another.
    bool EndSetup(uint32_t serial, int state, int notification, int value);
    enum EntryChoice { EveryEntry, EntryAtAddress, EntryWithId };
    int RemoveEntry(EntryChoice choice, const PeerAddress* address, uint32_t id);
    bool ProbeFor(int codec);
    // The features record lists what we decode: the table's codecs that work
    // here, and Opus while HDVoice is on. Set again whenever HDVoice changed.
    void OfferCodecs();
    std::vector<uint8_t> probedCodecs_;
    std::atomic<int> offeredHd_{-1};
    // A reply to one peer: never to every party, so an address with port 0 gets nothing.
    int SendTo(const PeerAddress& address, const Datagram& d) {
        return address.port() != 0 ? SendDatagram(&address, d) : 0;
    }

    const uint16_t port_;
    std::atomic<uint16_t> boundPort_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<int> workers_{0};
    // The chat queue (texts, addresses, count, retries) changes under this lock.
    std::mutex chatLock_;
    bool chatThreadRunning_ = false;
    static constexpr int ChatLinesKept = 32;
    char chatLines_[ChatLinesKept][105] = {};
    int chatLinesFirst_ = 0;
    int chatLinesCount_ = 0;
    WaveDevices* audioDevices_ = nullptr;
    // The adaptive playout's renderer (made with the first party that uses
    // it, then kept), running exactly while there are parties; made, started
    // and stopped under rendererLock_, which nothing else waits for.
    std::mutex rendererLock_;
    std::unique_ptr<Renderer> rendererOwned_;
    std::atomic<Renderer*> renderer_{nullptr};
    void FollowParties();
    void BoundJitter();
    uint32_t partyIds_[MaxParties] = {};
    uint32_t lastPartyId_ = 0;
    std::unique_ptr<StrangerGuard> strangers_;
    Watched<uint32_t> setupSerial_{0};
    PrivateLinks links_;
    std::atomic<bool> keySet_{false};  // set by the front end while the receive thread may look
    PeerAddress raceAddress_;  // under FieldLock, with racing_
    bool racing_ = false;
    bool sealedNow_ = false;       // the receive thread handles the inside of a sealed datagram
    // On the thread that handles the inside of a sealed datagram: its sender.
    static thread_local const PeerAddress* answeringSealed_;
    int64_t sealedCounter_ = 0;    // and the counter it came with
    int64_t lastHousekeeping_ = 0;
    std::mutex recheckLock_;
    std::vector<PeerAddress> rechecking_;  // addresses with a recheck under way
    uint8_t lastShownKey_[32] = {};     // the key of the last KeyChanged (AcceptKey)
    PeerAddress lastShownAddress_;
    bool lastShownKnown_ = false;
    std::shared_mutex socketLock_;  // senders share it; Shutdown takes it to retire the socket
    std::unique_ptr<UdpSocket> ownedSocket_;
    std::thread receiveThread_;
    std::thread transmitThread_;
    std::unique_ptr<PortMappingService> portMapping_;
};

// What an address text names: one address, or for a host name with
// addresses of both families, the resolver's first and the first of the
// other family (called after it, as browsers do).
struct ResolvedAddress {
    PeerAddress first;
    PeerAddress second;
    bool hasSecond = false;
};
// Turns "host", "1.2.3.4", "host:5000", "2001:db8::1", "fe80::1%eth0",
// "[2001:db8::1]:5000" or "Name <address>" into addresses (port 11676 unless
// given). False, with a sentence on what is wrong, when it does not resolve.
bool ResolveAddressText(const char* text, ResolvedAddress* out, std::string* error,
                        std::vector<PeerAddress> (*lookUp)(const char*) = LookUpHost);
// The first address: 1, or 0 when the text does not resolve.
int ResolveAddress(const char* text, PeerAddress* out);

void ReceiveLoop(Phone* phone);
void TransmitLoop(Phone* phone);

}  // namespace kv
