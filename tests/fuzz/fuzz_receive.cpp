// Fuzzes the receive path of a started Phone: sequences of datagrams (control
// and audio) and socket reports from chosen or arbitrary senders, handed to
// the real ReceiveLoop through a socket of our own (Phone::CreateSocket), with
// parties in the table and a call setup, a short message and chat lines in
// progress as the input chooses, so that every handler and its state machine
// is reached. Audio goes to the manual wave devices: nothing touches a sound
// card or the network. Their output refuses to open: a party's playout then
// takes the first decoded frame of a payload and fails. An open output would
// cost every input that reaches it tens of milliseconds at the reset (each
// playout's monitor thread polls every 10 ms), so decoding whole payloads and
// the playout behind it are fuzz_media_channel's part.
//
// Besides memory safety and the fields' bounds, it checks that no datagram
// from an address other than RemoteAddress changes a setup in progress (its
// CallState, RemoteAddress or RemoteName).
//
// Input: two bytes that set the scene, then records.
//   byte 0: bits 0-2 the call setup: 0 none, 1 waiting for the remote, 2 the
//           remote alerted, 3 incoming (ringing), 4 incoming accepted (the caller
//           in the table, not yet active), 5 incoming done, 6 call accepted,
//           7 none but a past remote address; bits 3-4 Autoanswer; bit 5
//           GenerateLog; bit 6 a refusal text; bit 7 Codec 1 (Truespeech).
//   byte 1: bits 0-1 the parties: 0 none, 1 A, 2 A and B, 3 A, B (not yet
//           active) and the remote R; bit 2 a short message being sent to M;
//           bit 3 speaker muted; bit 4 our identity empty;
//           bit 5 two chat lines waiting for their echo; bit 6 long playout
//           delays, volume and output gain; bit 7 the remote is party A.
//   records: [head] ...
//     head bits 0-2 the sender: 0 R (the remote of the call setup), 1 A, 2 B,
//           3 M (short message), 4 a stranger, 5 A's host at another port,
//           6 any: 4 address bytes and 2 port bytes follow, 7 our own address;
//     head bits 3-4 what: 0 a datagram: [length: 2 bytes big-endian, low 11
//           bits] [bytes] (over 1500: reported too large, bytes skipped);
//           1 "port unreachable" reported for the sender; 2 a second without
//           traffic; 3 a receive that yields nothing (bit 5: that fails).
//
// One Phone lives for the whole run: starting and stopping one per input costs
// tens of milliseconds. After every input the harness waits until the receive
// loop has handled every record, then resets the Phone: call and message
// states to idle, every party removed (which closes their playouts), every
// engine thread the input started ended (counted in /proc/self/task), chat
// queue and chat lines emptied, texts and addresses cleared, event log
// removed. The next input then sets its own scene. What still differs between
// runs of one input is the timing of the one engine thread the receive path
// starts (the accept confirmation of an automatically accepted call) against
// the records that follow; everything else repeats exactly.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/phone.h"
#include "platform/manual_wave.h"
#include "engine/event_log.h"

using namespace kv;

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_receive: %s\n", what.c_str());
    std::abort();
}

constexpr uint16_t OwnPort = DefaultPort;

const PeerAddress Remote = MakeAddress(0x0A000004, 11676);    // R
const PeerAddress PartyA = MakeAddress(0x0A000002, 11676);    // A
const PeerAddress PartyB = MakeAddress(0x0A000003, 5000);     // B
const PeerAddress MessageTo = MakeAddress(0x0A000005, 11676); // M
const PeerAddress Stranger = MakeAddress(0x0A000009, 40000);
const PeerAddress OtherPortOfA = MakeAddress(0x0A000002, 11677);
const PeerAddress Ourselves = MakeAddress(0x7F000001, OwnPort);

enum class Kind { Datagram, Refused, Quiet, Nothing, Failed };

struct Record {
    Kind kind = Kind::Datagram;
    PeerAddress from;
    std::vector<uint8_t> bytes;
    int length = 0;  // may exceed bytes.size(): a datagram too large for the loop's buffer
};

// The socket's side of the harness: records waiting for the receive loop.
struct Feed {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Record> queue;
    bool drained = true;  // the loop waits for more with the queue empty
    bool interrupted = false;
    long sends = 0;
};

Feed& TheFeed() {
    static Feed* feed = new Feed;
    return *feed;
}

int ThreadCount();
struct Engine;
extern Engine* gEngine;
Phone& ThePhone();

// The setup in progress as a record from another address found it: such a
// record may draw a reply, but must leave the setup as it was. Only the
// accept confirmation's own thread may end an accepted setup meanwhile.
struct SetupSeen {
    bool armed = false;
    int state = StateIdle;
    PeerAddress remote;
    char name[100] = {};
    int workers = 0;
};
SetupSeen gSeen;  // the receive thread's alone

void CheckSetupUnchanged() {
    if (!gSeen.armed) return;
    gSeen.armed = false;
    Phone& p = ThePhone();
    const int state = p.CallState;
    char name[100];
    p.ReadText(p.RemoteName, name, sizeof name);
    const bool workerEnded = state == StateIdle &&
                             (gSeen.state == StateIncomingAccepted || gSeen.state == StateIncomingDone) &&
                             gSeen.workers > 0;
    if (state != gSeen.state && !workerEnded)
        Fail("a datagram from another address moved the setup from state " + std::to_string(gSeen.state) + " to " +
             std::to_string(state));
    if (!SameAddress(p.ReadAddress(p.RemoteAddress), gSeen.remote) || std::strcmp(name, gSeen.name) != 0)
        Fail("a datagram from another address changed the remote of the setup");
}

void ArmSetupCheck(const PeerAddress& from) {
    Phone& p = ThePhone();
    // A confirmation thread of an accepted setup may end it: note whether one
    // runs, before the state (a thread that ends the setup is counted until after).
    gSeen.workers = p.WorkerCount();
    gSeen.state = p.CallState;
    gSeen.remote = p.ReadAddress(p.RemoteAddress);
    gSeen.armed = gSeen.state != StateIdle && !SameAddress(from, gSeen.remote);
    if (!gSeen.armed) return;
    p.ReadText(p.RemoteName, gSeen.name, sizeof gSeen.name);
}

class FeedSocket final : public UdpSocket {
public:
    bool bind(uint16_t port) override {
        port_ = port;
        return true;
    }
    uint16_t localPort() const override { return port_; }
    WaitStatus waitReadable(int) override {
        CheckSetupUnchanged();
        Feed& f = TheFeed();
        std::unique_lock<std::mutex> guard(f.lock);
        for (;;) {
            if (f.interrupted) return WaitStatus::TimedOut;
            if (!f.queue.empty()) {
                if (f.queue.front().kind != Kind::Quiet) return WaitStatus::Readable;
                f.queue.pop_front();
                return WaitStatus::TimedOut;  // a second without traffic
            }
            f.drained = true;
            f.changed.notify_all();
            f.changed.wait(guard);
        }
    }
    ReceiveResult receive(uint8_t* buffer, int capacity) override {
        CheckSetupUnchanged();
        PeerAddress next;
        {
            Feed& f = TheFeed();
            std::lock_guard<std::mutex> guard(f.lock);
            if (f.queue.empty()) return ReceiveResult();
            next = f.queue.front().from;
        }
        ArmSetupCheck(next);
        Feed& f = TheFeed();
        std::lock_guard<std::mutex> guard(f.lock);
        ReceiveResult r;
        if (f.queue.empty()) return r;  // Nothing
        Record record = std::move(f.queue.front());
        f.queue.pop_front();
        r.from = record.from;
        switch (record.kind) {
            case Kind::Datagram:
                if (record.length > capacity) {
                    r.status = ReceiveStatus::TooLarge;
                } else {
                    if (!record.bytes.empty()) std::memcpy(buffer, record.bytes.data(), record.bytes.size());
                    r.status = ReceiveStatus::Datagram;
                    r.length = record.length;
                }
                break;
            case Kind::Refused: r.status = ReceiveStatus::Refused; break;
            case Kind::Failed: r.status = ReceiveStatus::Failed; break;
            default: r.status = ReceiveStatus::Nothing; break;
        }
        return r;
    }
    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        if (length < 1 || length > MaxDatagram) Fail("a datagram of " + std::to_string(length) + " bytes was sent");
        if (to.port() == 0) Fail("a datagram was sent to port 0");
        if (!data) Fail("a datagram without bytes was sent");
        Feed& f = TheFeed();
        std::lock_guard<std::mutex> guard(f.lock);
        ++f.sends;
        return length;
    }
    void interrupt() override {
        Feed& f = TheFeed();
        std::lock_guard<std::mutex> guard(f.lock);
        f.interrupted = true;
        f.changed.notify_all();
    }

private:
    uint16_t port_ = 0;
};

std::unique_ptr<UdpSocket> MakeFeedSocket() { return std::make_unique<FeedSocket>(); }

// Notifications are checked and dropped; send() returns at once, as a user
// who closes every message box immediately.
class Sink final : public NotificationSink {
public:
    void post(int code, int) override { check(code); }
    void send(int code, int) override { check(code); }

private:
    static void check(int code) {
        // A speaker nobody plays here is reported as stopped.
        if (code == AudioDeviceChanged) return;
        if (code < IncomingCall || code > MessageDelivered) Fail("unknown notification " + std::to_string(code));
    }
};

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

std::string LogDirectory() {
    static std::string dir = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string d = std::string(base) + "/kv-fuzz-receive-" + std::to_string(getpid());
        mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

struct Engine {
    ManualWaveDevices devices;
    Sink sink;
    Phone phone{OwnPort};
    int baselineThreads = 0;

    Engine() {
        SetEventLogDirectory(LogDirectory());
        devices.refuseInput = true;
        devices.refuseOutput = true;
        phone.SetAudioDevices(&devices);
        phone.NotifyWindow = &sink;
        phone.CreateSocket = MakeFeedSocket;
        phone.Capture.inputThreshold = CaptureDevice::ThresholdOff;
        phone.WriteText(phone.Identity, sizeof phone.Identity, "Fuzz");
        if (phone.Start() != 1) Fail("the phone did not start");
        phone.MicMuted = 1;  // the transmit loop stays idle
        baselineThreads = ThreadCount();
    }
};

Engine* gEngine = nullptr;
Phone& ThePhone() { return gEngine->phone; }

void StopEngine() {
    if (gEngine) gEngine->phone.Shutdown();
    const std::string log = EventLogPath();
    if (!log.empty()) unlink(log.c_str());
    rmdir(LogDirectory().c_str());
}

Engine& TheEngine() {
    if (!gEngine) {
        gEngine = new Engine;  // never destroyed: worker threads may still hold it at exit
        std::atexit(StopEngine);
    }
    return *gEngine;
}

template <size_t N>
void CheckText(const char (&field)[N], const char* what) {
    if (!std::memchr(field, 0, N)) Fail(std::string(what) + " is not terminated");
}

void SetScene(Engine& e, uint8_t a, uint8_t b) {
    Phone& p = e.phone;
    const PeerAddress remote = (b & 0x80) ? PartyA : Remote;
    p.Autoanswer = (a >> 3) & 3;
    p.GenerateLog = (a >> 5) & 1;
    p.WriteText(p.RefusalMessage, sizeof p.RefusalMessage, (a & 0x40) ? "Back at 3" : "");
    p.Codec = (a >> 7) & 1;
    p.SpeakerMuted = (b >> 3) & 1;
    p.WriteText(p.Identity, sizeof p.Identity, (b & 0x10) ? "" : "Fuzz");
    if (b & 0x40) {
        p.SetMaxDelay(2000);
        p.SetDelay(100);
        p.SetVolume(700);
        p.SetOutGain(1);
    } else {
        p.SetDelay(0);
        p.SetMaxDelay(250);
        p.SetVolume(1000);
        p.SetOutGain(0);
    }

    switch (b & 3) {
        case 0: break;
        case 1:
            p.AddParty(PartyA, "Ann");
            p.ActivateParty(PartyA);
            break;
        case 2:
            p.AddParty(PartyA, "Ann");
            p.ActivateParty(PartyA);
            p.AddParty(PartyB, "Bob");
            p.ActivateParty(PartyB);
            break;
        default:
            p.AddParty(PartyA, "Ann");
            p.ActivateParty(PartyA);
            p.AddParty(PartyB, "Bob");
            if (p.FindParty(remote) < 0) {
                p.AddParty(remote, "Rita");
                p.ActivateParty(remote);
            }
            break;
    }

    const int setup = a & 7;
    if (setup != StateIdle) {
        p.WriteAddress(p.RemoteAddress, remote);
        p.WriteText(p.RemoteName, sizeof p.RemoteName, setup == 1 ? "" : "Rita");
    }
    static const int states[8] = {StateIdle,         StateWaitingForRemote, StatePartyAlerted, StateIncoming,
                                  StateIncomingAccepted, StateIncomingDone, StateCallAccepted, StateIdle};
    if (states[setup] == StateIncomingAccepted && p.FindParty(remote) < 0) p.AddParty(remote, "Rita");
    p.CallState = states[setup];

    if (b & 0x04) {
        p.WriteText(p.MessageText, sizeof p.MessageText, "Call me");
        p.WriteAddress(p.MessageAddress, MessageTo);
        p.MessageState = MsgSending;
    }
    if (b & 0x20) {
        // As QueueChatLine leaves them, without its sending thread: the receive
        // thread waits for records meanwhile, and the feed's lock orders these
        // writes before its reads.
        std::strcpy(p.ChatQueueText[0], "hello");
        std::strcpy(p.ChatQueueText[1], "are you there?");
        p.ChatQueueAddress[0] = PeerAddress();
        p.ChatQueueAddress[0].family = AddressFamilyIPv4;
        p.ChatQueueAddress[1] = PartyB;
        p.ChatRetries = 5;
        p.ChatQueueCount = 2;
    }
}

void CheckPhone(Phone& p) {
    if (p.CallState < StateIdle || p.CallState > StateUnreachable) Fail("call state " + std::to_string(p.CallState));
    if (p.MessageState < MsgIdle || p.MessageState > MsgDelivered) Fail("message state " + std::to_string(p.MessageState));
    if (p.ChatQueueCount < 0 || p.ChatQueueCount > ChatQueueLength) Fail("chat queue count " + std::to_string(p.ChatQueueCount));
    std::lock_guard<std::recursive_mutex> parties(p.PartyLock);
    std::lock_guard<std::mutex> fields(p.FieldLock);
    if (p.PartyCount < 0 || p.PartyCount > MaxParties) Fail("party count " + std::to_string(p.PartyCount));
    for (int i = 0; i < p.PartyCount; ++i) {
        if (!p.PartyChannel[i]) Fail("party " + std::to_string(i) + " has no channel");
        CheckText(p.PartyName[i], "a party name");
    }
    for (int i = p.PartyCount; i < MaxParties; ++i)
        if (p.PartyChannel[i]) Fail("a channel behind the last party");
    CheckText(p.RemoteName, "RemoteName");
    CheckText(p.LeftPartyName, "LeftPartyName");
    CheckText(p.RemoteRefusalText, "RemoteRefusalText");
    CheckText(p.LastChatLine, "LastChatLine");
    for (int i = 0; i < ChatQueueLength; ++i) CheckText(p.ChatQueueText[i], "a queued chat line");
}

void Reset(Engine& e) {
    Phone& p = e.phone;
    p.CallState = StateIdle;
    p.MessageState = MsgIdle;
    p.RemoveParty(nullptr);
    // The threads the input started (an accept confirmation) end within a few
    // passes of their loops once the call state is idle.
    const auto start = std::chrono::steady_clock::now();
    while (ThreadCount() > e.baselineThreads) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20))
            Fail("an engine thread did not end within 20 s of the reset");
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    p.RemoveParty(nullptr);
    p.CallState = StateIdle;
    p.ChatQueueCount = 0;
    char line[105];
    while (p.NextChatLine(line, sizeof line)) {
    }
    const PeerAddress none;
    p.WriteAddress(p.RemoteAddress, none);
    p.WriteAddress(p.LeftPartyAddress, none);
    p.WriteAddress(p.MessageAddress, none);
    p.WriteText(p.RemoteName, sizeof p.RemoteName, "");
    p.WriteText(p.LeftPartyName, sizeof p.LeftPartyName, "");
    p.WriteText(p.RemoteRefusalText, sizeof p.RemoteRefusalText, "");
    p.WriteText(p.MessageText, sizeof p.MessageText, "");
    p.WriteText(p.LastChatLine, sizeof p.LastChatLine, "");
    p.DecodeFallback = 0;
    p.TransmitFallback = 0;
    if (p.GenerateLog) {
        const std::string log = EventLogPath();
        if (!log.empty()) unlink(log.c_str());
    }
}

std::deque<Record> ParseRecords(const uint8_t* data, size_t size) {
    std::deque<Record> records;
    size_t at = 0;
    while (at < size) {
        const uint8_t head = data[at++];
        Record r;
        switch (head & 7) {
            case 0: r.from = Remote; break;
            case 1: r.from = PartyA; break;
            case 2: r.from = PartyB; break;
            case 3: r.from = MessageTo; break;
            case 4: r.from = Stranger; break;
            case 5: r.from = OtherPortOfA; break;
            case 6: {
                uint8_t b[6] = {};
                for (int i = 0; i < 6 && at < size; ++i) b[i] = data[at++];
                uint16_t port = static_cast<uint16_t>(b[4] << 8 | b[5]);
                // No datagram comes from port 0 (to the engine, port 0 means "every party").
                r.from = MakeAddress(uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3],
                                     port ? port : 1);
                break;
            }
            default: r.from = Ourselves; break;
        }
        switch ((head >> 3) & 3) {
            case 0: {
                size_t length = 0;
                if (at + 2 <= size) length = (size_t(data[at]) << 8 | data[at + 1]) & 0x7FF;
                at = at + 2 <= size ? at + 2 : size;
                const size_t available = size - at < length ? size - at : length;
                r.kind = Kind::Datagram;
                if (length > size_t(MaxDatagram)) {
                    r.length = static_cast<int>(length);  // too large: never handed on
                } else {
                    r.bytes.assign(data + at, data + at + available);
                    r.length = static_cast<int>(available);
                }
                at += available;
                break;
            }
            case 1: r.kind = Kind::Refused; break;
            case 2: r.kind = Kind::Quiet; break;
            default: r.kind = (head & 0x20) ? Kind::Failed : Kind::Nothing; break;
        }
        records.push_back(std::move(r));
    }
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    Engine& e = TheEngine();
    SetScene(e, data[0], data[1]);
    std::deque<Record> records = ParseRecords(data + 2, size - 2);

    Feed& f = TheFeed();
    {
        std::unique_lock<std::mutex> guard(f.lock);
        for (Record& r : records) f.queue.push_back(std::move(r));
        f.drained = false;
        f.changed.notify_all();
        // Every record handled: the loop is back waiting with nothing queued.
        if (!f.changed.wait_for(guard, std::chrono::seconds(20), [&] { return f.drained && f.queue.empty(); }))
            Fail("the receive loop did not handle the records within 20 s");
    }
    CheckPhone(e.phone);
    Reset(e);
    return 0;
}
