// Fuzzes the receive path of a started Phone that makes private calls
// (Privacy 1 or 2, a fixed key), through a socket of our own
// (Phone::CreateSocket) fed one record at a time. The harness plays the
// other sides for real with the secure/ layer and keys of its own: it starts
// handshakes (step 1, then step 3 once the phone's step 2 has come), answers
// the phone's step 1 (sent when a plain Leave or a port-unreachable report
// makes it check a session again) with step 2 and reads the phone's step 3,
// and seals inner datagrams with the transport keys of those handshakes. The
// input chooses the senders and what they send, and then mutates it (flips
// bits, cuts, extends, changes the opcode or the step, chooses the counter,
// replays an earlier datagram), so that opening, the replay window, the inner
// dispatch and the answers are all reached. The phone's stranger limits and
// session lifetimes run on the harness's clock, which only the input moves.
//
// Checked, besides memory safety and undefined behaviour (ASan, UBSan):
//   - no datagram goes out longer than 1500 bytes or to port 0; the phone's
//     step 1 is 130 bytes;
//   - a step 2 goes only to the sender of the step 1 being handled, which is
//     at least 130 bytes and no shorter than the step 2;
//   - fresh step 2 (not the same one again) go out at most 50 in any second
//     of the harness's clock;
//   - at most 16 half-open handshakes: a probe completes every handshake of
//     ours that the phone answered and counts the sessions it makes;
//   - a step 2 answering our step 1, and a step 3 answering our step 2, check
//     out, carry a features record that parses and the phone's own key;
//   - every session the phone has was made by a handshake of ours in this
//     input, with the key we used there; whatever the phone seals, one of our
//     sessions with that address opens, and its inside is no handshake;
//   - nothing in plain (but handshakes) goes back to an address with a
//     session in answer to what came from it;
//   - the phone opens a sealed datagram exactly when its own session does
//     (stepped here as the phone steps it), and that agrees with a window of
//     our own: a counter seen before never opens again, an authentic one that
//     is new and within the last 1024 always opens, counter 2^64-1 never does;
//   - the plain one-byte Leave for a sealed datagram without a session goes
//     to an address at most once a second;
//   - nothing that did not open (or came plain from an address with a
//     session, or any handshake step) changes a call setup in progress (its
//     CallState, RemoteAddress, RemoteName) or a short message being sent
//     with that address; nothing from another address changes them at all;
//   - no session outlives its lifetime: after every input the clock moves on
//     by 20 minutes, and no address the input used has a session then.
//
// Input: two bytes that set the scene, then records.
//   byte 0: bits 0-2 the call setup with the remote (as in fuzz_receive: 0
//           none, 1 waiting, 2 alerted, 3 incoming, 4 incoming accepted, 5
//           incoming done, 6 call accepted, 7 none but a past remote); bits
//           3-4 Autoanswer; bit 5 the remote is Q (else P); bit 6 Privacy 2
//           (else 1); bit 7 Codec 1.
//   byte 1: bits 0-1 sessions made before the records: 0 none, 1 with P, 2 P
//           and Q, 3 P, Q and S; bit 2 P's static key is our second one; bit 3
//           P is remembered with our first key; bits 4-5 parties: 0 none, 1 P,
//           2 P and Q, 3 P, Q (not yet active) and S; bit 6 a short message
//           being sent to P; bit 7 the event log on.
//   records: [head] ...
//     head bits 0-2 the sender: 0 P, 1 Q, 2 S (a stranger), 3 P's host at
//           another port, 4 numbered: [k] (10.1.0.k), 5 any: [4 address bytes]
//           [2 port bytes], 6 our own address, 7 P;
//     head bits 3-6 what:
//        0 raw:         [length: 2 bytes, low 11 bits] [bytes] as they are
//        1 step 1:      a new handshake of ours              [mutation]
//        2 step 1 again (the same ephemeral key)             [mutation]
//        3 step 3 of our handshake   [features]              [mutation]
//        4 step 2 answering the phone's last step 1 to the sender
//                                    [features]              [mutation]
//        5 sealed:      [counter] [length: 2 bytes] [inner]  [mutation]
//        6 sealed:      [counter] [canned inner]             [mutation]
//        7 sealed with an older session: [which] [counter] [canned] [mutation]
//        8 replay:      [k] the k-th last datagram from the sender [mutation]
//        9 port unreachable reported for the sender
//       10 a second without traffic
//       11 the clock moves: [2 bytes v] v ms, or (v & 0x7FFF) x 100 ms when
//          bit 15 is set
//       12 the half-open probe (also run after the last record)
//       13 plain:       [canned inner]                       [mutation]
//       14 the user accepts the ringing call
//       15 the user hangs up on the sender
//     [features]: below 0x80 our usual record; else a record of (f & 31)
//       bytes that follow.
//     [counter]: bits 0-2 0 the next; 1 skip ahead by Jumps[bits 3-7]; 2 an
//       old one, Jumps[..] behind the next; 3 Specials[..]; 4 the last one
//       again (with other contents).
//     [mutation]: bits 0-2 0 none; 1 flip a bit [2 bytes: bits 0-10
//       position, 13-15 bit]; 2 cut [2 bytes: the new length, modulo]; 3
//       extend [n] [n bytes]; 4 set the step byte [b]; 5 set the opcode [b];
//       6 set a byte [position] [b]; 7 two mutations that follow.
//
// One Phone lives for the whole run; after every input the harness resets
// it as fuzz_receive does, then moves the clock on so that every session and
// handshake goes. What differs between runs of one input is the phone's
// ephemeral keys (so its step 2 and step 3) and the timing of the engine
// threads the records start (an accept confirmation, a session's recheck)
// against the records that follow.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "audio/codec.h"
#include "engine/event_log.h"
#include "engine/phone.h"
#include "platform/manual_wave.h"
#include "secure/private_call.h"

using namespace kv;
using secure::Bytes;

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_private: %s\n", what.c_str());
    std::abort();
}

bool Verbose() {
    static const bool verbose = std::getenv("KV_FUZZ_VERBOSE") != nullptr;
    return verbose;
}

std::string Show(const PeerAddress& a) { return HostPortText(a); }

constexpr uint16_t OwnPort = DefaultPort;
const PeerAddress PeerP = MakeAddress(0x0A000002, 11676);
const PeerAddress PeerQ = MakeAddress(0x0A000003, 5000);
const PeerAddress StrangerS = MakeAddress(0x0A000009, 40000);
const PeerAddress OtherPortOfP = MakeAddress(0x0A000002, 11677);
const PeerAddress Ourselves = MakeAddress(0x7F000001, OwnPort);
PeerAddress Numbered(uint8_t k) { return MakeAddress(0x0A010000u | k, 11676); }

const char OwnKeyHex[] = "5d1f0c8a2b7e4f6093a1c2d3e4f5061728394a5b6c7d8e9fa0b1c2d3e4f50617";

uint64_t AddressKey(const PeerAddress& a) { return uint64_t(a.ip()) << 16 | a.port(); }

// ---- the clock of the stranger limits and the sessions: the input moves it ----

std::atomic<int64_t> gNow{1000000000};
int64_t FuzzClock() { return gNow.load(); }

// ---- the socket ----

enum class Kind { Datagram, Refused, Quiet };

struct Record {
    Kind kind = Kind::Datagram;
    PeerAddress from;
    Bytes bytes;  // over MaxDatagram: reported as too large, never handed on
};

struct Sent {
    PeerAddress to;
    Bytes bytes;
    bool onReceiveThread = false;
    Bytes answering;  // on the receive thread: the datagram it was handling
};

struct Feed {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Record> queue;
    bool drained = true;
    bool interrupted = false;
    Record current;  // the record the receive thread took last (its own)
    std::thread::id receiveThread;
    std::vector<Sent> outbox;
};

Feed& TheFeed() {
    static Feed* feed = new Feed;
    return *feed;
}

class FeedSocket final : public UdpSocket {
public:
    bool bind(uint16_t port) override {
        port_ = port;
        return true;
    }
    uint16_t localPort() const override { return port_; }
    WaitStatus waitReadable(int) override {
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
        Feed& f = TheFeed();
        std::lock_guard<std::mutex> guard(f.lock);
        ReceiveResult r;
        if (f.queue.empty() || f.queue.front().kind == Kind::Quiet) return r;  // Nothing
        f.current = std::move(f.queue.front());
        f.queue.pop_front();
        f.receiveThread = std::this_thread::get_id();
        r.from = f.current.from;
        if (f.current.kind == Kind::Refused) {
            r.status = ReceiveStatus::Refused;
        } else if (static_cast<int>(f.current.bytes.size()) > capacity) {
            r.status = ReceiveStatus::TooLarge;
        } else {
            if (!f.current.bytes.empty()) std::memcpy(buffer, f.current.bytes.data(), f.current.bytes.size());
            r.status = ReceiveStatus::Datagram;
            r.length = static_cast<int>(f.current.bytes.size());
        }
        return r;
    }
    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        if (!data) Fail("a datagram without bytes was sent");
        if (length < 1 || length > MaxDatagram) Fail("a datagram of " + std::to_string(length) + " bytes was sent");
        if (to.port() == 0) Fail("a datagram was sent to port 0");
        Feed& f = TheFeed();
        std::lock_guard<std::mutex> guard(f.lock);
        Sent s;
        s.to = to;
        s.bytes.assign(data, data + length);
        s.onReceiveThread = std::this_thread::get_id() == f.receiveThread;
        if (s.onReceiveThread) s.answering = f.current.kind == Kind::Datagram ? f.current.bytes : Bytes();
        if (data[0] == secure::OpHandshake && length >= 2) {
            if (data[1] == 1 && length != secure::Step1Length)
                Fail("the phone's step 1 to " + Show(to) + " is " + std::to_string(length) + " bytes, not 130");
            if (data[1] == 2) {
                // Only the receive thread answers, and only the step 1 it handles.
                const Record& q = f.current;
                if (!s.onReceiveThread || q.kind != Kind::Datagram || !SameAddress(q.from, to) || q.bytes.size() < 2 ||
                    q.bytes[0] != secure::OpHandshake || q.bytes[1] != 1)
                    Fail("a step 2 went to " + Show(to) + " that answers no step 1 from there");
                if (q.bytes.size() < static_cast<size_t>(secure::Step1Length))
                    Fail("a step 2 answered a step 1 of " + std::to_string(q.bytes.size()) + " bytes (under 130)");
                if (static_cast<size_t>(length) > q.bytes.size())
                    Fail("a step 2 of " + std::to_string(length) + " bytes answered a step 1 of " +
                         std::to_string(q.bytes.size()));
            }
        }
        f.outbox.push_back(std::move(s));
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

// Hands one record to the receive loop and waits until it has handled it.
void Push(Record r) {
    Feed& f = TheFeed();
    std::unique_lock<std::mutex> guard(f.lock);
    f.queue.push_back(std::move(r));
    f.drained = false;
    f.changed.notify_all();
    if (!f.changed.wait_for(guard, std::chrono::seconds(20), [&] { return f.drained && f.queue.empty(); }))
        Fail("the receive loop did not handle a record within 20 s");
}

std::vector<Sent> TakeOutbox() {
    Feed& f = TheFeed();
    std::lock_guard<std::mutex> guard(f.lock);
    std::vector<Sent> out;
    out.swap(f.outbox);
    return out;
}

class Sink final : public NotificationSink {
public:
    void post(int code, int) override { check(code); }
    void send(int code, int) override { check(code); }

private:
    static void check(int code) {
        // A speaker nobody plays here is reported as stopped.
        if (code == AudioDeviceChanged) return;
        if (code < IncomingCall || code > NotPrivate) Fail("unknown notification " + std::to_string(code));
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
        std::string d = std::string(base) + "/kv-fuzz-private-" + std::to_string(getpid());
        mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

// ---- keys ----

secure::KeyPair gOurKeys[2];      // the static keys of the sides we play
secure::KeyPair gPhoneKey;        // the phone's (from OwnKeyHex)
secure::KeyPair gEphemerals[256]; // ours, fixed so that an input repeats
int gNextEphemeral = 0;

const secure::KeyPair& NextEphemeral() { return gEphemerals[gNextEphemeral++ & 255]; }

void MakeKeys() {
    for (int k = 0; k < 2; ++k) {
        uint8_t secret[32];
        for (int i = 0; i < 32; ++i) secret[i] = static_cast<uint8_t>(0x31 + 17 * k + 3 * i);
        gOurKeys[k] = secure::KeyPair::FromPrivate(secret);
    }
    for (int e = 0; e < 256; ++e) {
        uint8_t secret[32];
        for (int i = 0; i < 32; ++i) secret[i] = static_cast<uint8_t>(0xE5 ^ (e + 7 * i));
        gEphemerals[e] = secure::KeyPair::FromPrivate(secret);
    }
    uint8_t own[32];
    for (int i = 0; i < 32; ++i) {
        unsigned v = 0;
        std::sscanf(OwnKeyHex + 2 * i, "%2x", &v);
        own[i] = static_cast<uint8_t>(v);
    }
    gPhoneKey = secure::KeyPair::FromPrivate(own);
}

// ---- the engine ----

struct Engine {
    ManualWaveDevices devices;
    Sink sink;
    Phone phone{OwnPort};
    int baselineThreads = 0;

    Engine() {
        if (!secure::Initialise()) Fail("libsodium does not start");
        MakeKeys();
        SetEventLogDirectory(LogDirectory());
        devices.refuseInput = true;
        devices.refuseOutput = true;
        phone.SetAudioDevices(&devices);
        phone.NotifyWindow = &sink;
        phone.CreateSocket = MakeFeedSocket;
        phone.LimitClock = FuzzClock;
        phone.Capture.inputThreshold = CaptureDevice::ThresholdOff;
        // A recheck gives up after 4 x 25 ms without an answer. An accepted
        // call waits for its confirmation as long as the input runs (the
        // reset ends it), so that only a confirmation ends it by itself.
        phone.Timings.handshakeIntervalMs = 25;
        phone.Timings.acceptIntervalMs = 60000;
        phone.Privacy = PrivacyWherePossible;
        if (!phone.SetPrivateKey(OwnKeyHex)) Fail("the phone does not take its key");
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

// ---- the sides we play ----

// One session of ours with an address, and the phone's side of it, stepped
// here as the phone steps its own, with a replay window of our own beside it.
struct Held {
    uint8_t sendKey[32] = {};
    uint8_t receiveKey[32] = {};
    uint32_t sas = 0;
    uint64_t next = 0;  // our next counter
    uint64_t last = 0;
    bool sentAny = false;
    std::unique_ptr<secure::Session> phoneSide;
    std::set<uint64_t> opened;
    uint64_t top = 0;
    bool any = false;
};

struct Side {
    PeerAddress address;
    const secure::KeyPair* key = &gOurKeys[0];
    // Ours as the initiator.
    std::unique_ptr<secure::HandshakeState> initiating;
    int ephemeral = 0;
    Bytes step1;
    Bytes pendingStep2;  // the phone's last step 2 to it, not yet read
    Bytes phoneStep2;    // the one read
    Bytes step3;
    Held* step3Session = nullptr;
    bool step3Delivered = false;  // intact
    // Ours as the responder to the phone's step 1.
    Bytes phoneStep1;  // the last one the phone sent here
    Bytes answered;    // the one our responder answers
    std::unique_ptr<secure::HandshakeState> responding;
    Bytes step2;
    std::vector<std::unique_ptr<Held>> sessions;
    std::deque<Bytes> fed;  // what came from here, the newest last
    std::vector<Bytes> phoneStep2s;  // the distinct step 2 the phone sent here
    // The step 1 that first drew each of them: a step 1 with the same
    // ephemeral key draws the same step 2 again, whatever else it carries.
    std::map<Bytes, Bytes> step2Origin;
    std::set<Bytes> phoneStep3s;  // the phone's step 3 read so far
    int64_t lostLeaveMs = -1;        // when the phone last sent a lost session's Leave here
};

std::map<uint64_t, Side> gSides;
std::vector<int64_t> gFreshStep2Ms;  // when each fresh step 2 went out, this input
int64_t gInputStartMs = 0;
uint64_t gDummyNext = 0;
const uint8_t NoKey[32] = {};

Side& SideOf(const PeerAddress& a) {
    Side& s = gSides[AddressKey(a)];
    s.address = a;
    return s;
}

Side* FindSide(const PeerAddress& a) {
    auto it = gSides.find(AddressKey(a));
    return it == gSides.end() ? nullptr : &it->second;
}

Bytes StepDatagram(uint8_t step, const Bytes& message) {
    Bytes d{secure::OpHandshake, step};
    d.insert(d.end(), message.begin(), message.end());
    return d;
}

Bytes OurFeatures() { return secure::BuildFeatures(secure::Features{{0, 1}}); }

Held* AddSession(Side& s, bool weInitiated, secure::HandshakeState& h) {
    uint8_t hash[secure::HashLength];
    std::memcpy(hash, h.handshakeHash(), sizeof hash);
    uint8_t k1[32], k2[32];
    if (!h.split(k1, k2)) Fail("harness: a finished handshake does not split");
    auto held = std::make_unique<Held>();
    held->sas = secure::ShortAuthenticationString(hash);
    std::memcpy(held->sendKey, weInitiated ? k1 : k2, 32);
    std::memcpy(held->receiveKey, weInitiated ? k2 : k1, 32);
    held->phoneSide = std::make_unique<secure::Session>(!weInitiated, k1, k2, hash, s.key->publicKey, secure::Features());
    s.sessions.push_back(std::move(held));
    return s.sessions.back().get();
}

void Initiate(Side& s, int ephemeral) {
    s.ephemeral = ephemeral;
    s.initiating = std::make_unique<secure::HandshakeState>(true, *s.key, secure::Prologue, sizeof secure::Prologue,
                                                            &gEphemerals[s.ephemeral]);
    const uint8_t padding[secure::Step1Padding] = {};
    Bytes message;
    if (!s.initiating->writeMessage(padding, sizeof padding, &message)) Fail("harness: step 1 not written");
    s.step1 = StepDatagram(1, message);
    s.pendingStep2.clear();
    s.phoneStep2.clear();
    s.step3.clear();
    s.step3Session = nullptr;
    s.step3Delivered = false;
}

void StartInitiating(Side& s) { Initiate(s, gNextEphemeral++ & 255); }

void CheckPhonesPayload(const Bytes& payload, const uint8_t* remoteStatic, const std::string& what) {
    secure::Features features;
    if (!secure::ParseFeatures(payload.data(), payload.size(), &features))
        Fail("the features record of the phone's " + what + " does not parse");
    if (!remoteStatic || std::memcmp(remoteStatic, gPhoneKey.publicKey, 32) != 0)
        Fail("the phone's " + what + " does not carry the phone's key");
}

// The phone's step 2 to our step 1 (it handled exactly that step 1).
void OnPhoneStep2(Side& s, const Bytes& d) {
    if (!s.initiating || s.phoneStep2 == d) return;  // the same answer again
    if (!s.phoneStep2.empty() || s.initiating->step() != 1) {
        // The phone answered our step 1 anew (its handshake went): ours starts over, with the same key.
        const Bytes before = s.step1;
        Initiate(s, s.ephemeral);
        if (s.step1 != before) Fail("harness: step 1 not made again alike");
    }
    Bytes payload;
    if (!s.initiating->readMessage(d.data() + 2, d.size() - 2, &payload))
        Fail("the phone's step 2 to our step 1 from " + Show(s.address) + " does not check");
    CheckPhonesPayload(payload, s.initiating->remoteStatic(), "step 2");
    s.phoneStep2 = d;
}

// Our step 3, written once it is needed (with its features record).
bool WriteStep3(Side& s, const Bytes& features) {
    if (!s.step3.empty()) return true;
    if (!s.initiating || s.pendingStep2.empty()) return false;
    if (s.phoneStep2 != s.pendingStep2) {
        const Bytes step2 = s.pendingStep2;
        OnPhoneStep2(s, step2);
        s.pendingStep2 = step2;
    }
    if (s.initiating->step() != 2 || s.initiating->failed()) return false;
    Bytes message;
    if (!s.initiating->writeMessage(features.data(), features.size(), &message)) Fail("harness: step 3 not written");
    s.step3 = StepDatagram(3, message);
    s.step3Session = AddSession(s, true, *s.initiating);
    return true;
}

// Our step 2 to the phone's last step 1 here.
bool WriteStep2(Side& s, const Bytes& features) {
    if (s.phoneStep1.empty()) return false;
    if (s.responding && s.answered == s.phoneStep1) return true;  // the same one again
    s.responding = std::make_unique<secure::HandshakeState>(false, *s.key, secure::Prologue, sizeof secure::Prologue,
                                                            &NextEphemeral());
    Bytes payload, message;
    if (!s.responding->readMessage(s.phoneStep1.data() + 2, s.phoneStep1.size() - 2, &payload))
        Fail("the phone's step 1 to " + Show(s.address) + " does not read");
    if (payload.size() != static_cast<size_t>(secure::Step1Padding) ||
        std::any_of(payload.begin(), payload.end(), [](uint8_t b) { return b != 0; }))
        Fail("the phone's step 1 does not carry 96 zero bytes");
    if (!s.responding->writeMessage(features.data(), features.size(), &message)) Fail("harness: step 2 not written");
    s.step2 = StepDatagram(2, message);
    s.answered = s.phoneStep1;
    return true;
}

// The phone's step 3 to our step 2 (it handled exactly that step 2).
void OnPhoneStep3(Side& s, const Bytes& d) {
    if (!s.responding || s.responding->step() != 2) return;
    Bytes payload;
    if (!s.responding->readMessage(d.data() + 2, d.size() - 2, &payload))
        Fail("the phone's step 3 to our step 2 from " + Show(s.address) + " does not check");
    CheckPhonesPayload(payload, s.responding->remoteStatic(), "step 3");
    AddSession(s, false, *s.responding);
}

// What the phone sent: our handshakes go on, and what it sealed must open.
void ProcessSends(const std::vector<Sent>& sent) {
    for (const Sent& x : sent) {
        const Bytes& d = x.bytes;
        Side& s = SideOf(x.to);
        if (d[0] == secure::OpHandshake && d.size() >= 2) {
            if (d[1] == 1) s.phoneStep1 = d;
            if (d[1] == 2) {
                // Read once our step 3 is needed (the probe needs few of them).
                const Bytes& origin = s.step2Origin.emplace(d, x.answering).first->second;
                if (origin == s.step1 && !s.step1.empty() && d != s.pendingStep2) {
                    s.pendingStep2 = d;
                    s.step3.clear();
                    s.step3Session = nullptr;
                    s.step3Delivered = false;
                }
            }
            // The step 3 to our step 2 goes out as the receive thread handles
            // that step 2, and again ahead of anything another thread seals
            // while the session is unconfirmed, which may come first.
            if (d[1] == 3 && !s.step2.empty() && !s.phoneStep3s.count(d) &&
                (x.onReceiveThread ? x.answering == s.step2 : s.responding && s.responding->step() == 2)) {
                s.phoneStep3s.insert(d);
                OnPhoneStep3(s, d);
            }
            continue;
        }
        if (d[0] != secure::OpSealed) continue;
        if (d.size() < static_cast<size_t>(secure::SealedOverhead) + 1)
            Fail("a sealed datagram of " + std::to_string(d.size()) + " bytes went to " + Show(x.to));
        uint64_t n = 0;
        for (int i = 7; i >= 0; --i) n = n << 8 | d[1 + i];
        Bytes inner(d.size() - secure::SealedOverhead);
        bool opened = false;
        for (auto& held : s.sessions)
            if (secure::Decrypt(held->receiveKey, n, d.data(), secure::SealedHeader, d.data() + secure::SealedHeader,
                                d.size() - secure::SealedHeader, inner.data())) {
                opened = true;
                break;
            }
        if (!opened) Fail("a datagram the phone sealed to " + Show(x.to) + " opens with none of our sessions there");
        if (inner[0] >= secure::OpHandshake) Fail("the phone sealed a datagram with opcode " + std::to_string(inner[0]));
    }
}

// ---- what the phone shows ----

struct LinkState {
    bool exists = false;
    uint32_t sas = 0;
    uint8_t key[32] = {};
    bool same(const LinkState& o) const { return exists && o.exists && sas == o.sas && !std::memcmp(key, o.key, 32); }
};

LinkState LinkOf(const PeerAddress& a) {
    LinkState l;
    PrivacyInfo info;
    if (a.port() == 0 || !ThePhone().PrivacyOf(a, &info)) return l;
    l.exists = info.privateLink;
    l.sas = info.sas;
    std::memcpy(l.key, info.key, 32);
    return l;
}

Held* Current(Side& s, const LinkState& l) {
    if (!l.exists || std::memcmp(l.key, s.key->publicKey, 32) != 0) return nullptr;
    for (auto& h : s.sessions)
        if (h->sas == l.sas) return h.get();
    return nullptr;
}

void CheckKnown(const PeerAddress& a) {
    if (a.port() == 0) return;
    const LinkState l = LinkOf(a);
    if (!l.exists) return;
    Side* s = FindSide(a);
    if (!s || !Current(*s, l))
        Fail("the phone has a session with " + Show(a) + " (SAS " + std::to_string(l.sas) +
             ") that no handshake of ours made");
}

struct Setup {
    int state = StateIdle;
    PeerAddress remote;
    char name[100] = {};
    int message = MsgIdle;
    PeerAddress messageTo;
    int workers = 0;
};

Setup TakeSetup() {
    Phone& p = ThePhone();
    Setup s;
    // A confirmation thread of an accepted setup may end it: whether one runs is noted first.
    s.workers = p.WorkerCount();
    s.state = p.CallState;
    s.remote = p.ReadAddress(p.RemoteAddress);
    p.ReadText(p.RemoteName, s.name, sizeof s.name);
    s.message = p.MessageState;
    s.messageTo = p.ReadAddress(p.MessageAddress);
    return s;
}

enum class Opens { No, Yes, Unknown };

bool Reaches(const Record& r) {
    return r.kind == Kind::Datagram && !r.bytes.empty() && r.bytes.size() <= static_cast<size_t>(MaxDatagram) &&
           r.from.port() != 0 && r.from.ip() != 0;
}

// Whether the phone opens the sealed datagram: its session with the sender,
// stepped here as the phone steps it, checked against our own window.
Opens PredictOpening(const Record& r, const LinkState& before) {
    if (!before.exists) return Opens::No;
    Side* s = FindSide(r.from);
    Held* h = s ? Current(*s, before) : nullptr;
    if (!h) return Opens::Unknown;
    const int length = static_cast<int>(r.bytes.size());
    Bytes out(r.bytes.size());
    const int n = h->phoneSide->open(r.bytes.data(), length, out.data());
    uint64_t counter = 0;
    bool authentic = false;
    if (length >= secure::SealedOverhead + 1 && length - secure::SealedOverhead <= secure::MaxInnerDatagram) {
        for (int i = 7; i >= 0; --i) counter = counter << 8 | r.bytes[1 + i];
        authentic = secure::Decrypt(h->sendKey, counter, r.bytes.data(), secure::SealedHeader,
                                    r.bytes.data() + secure::SealedHeader, r.bytes.size() - secure::SealedHeader,
                                    out.data());
    }
    const std::string which = "a sealed datagram with counter " + std::to_string(counter) + " from " + Show(r.from);
    if (!authentic && n >= 0) Fail(which + " that does not check opened");
    if (authentic && counter == secure::MaxNonce && n >= 0) Fail(which + " (2^64-1) opened");
    if (authentic && counter != secure::MaxNonce) {
        const bool seen = h->opened.count(counter) != 0;
        const bool inWindow = !h->any || counter > h->top || h->top - counter < 1024;
        if (seen && n >= 0) Fail(which + ", seen before, opened again");
        if (!seen && inWindow && n < 0)
            Fail(which + ", new and within 1024 of the highest (" + std::to_string(h->top) + "), did not open");
    }
    if (n >= 0) {
        h->opened.insert(counter);
        h->top = h->any ? std::max(h->top, counter) : counter;
        h->any = true;
    }
    return n >= 0 ? Opens::Yes : Opens::No;
}

// Whether the record may move a setup (or a message) with the peer.
bool MayMove(const Record& r, const PeerAddress& peer, const LinkState& before, const LinkState& after, Opens opens) {
    if (r.kind == Kind::Quiet || !SameAddress(r.from, peer)) return false;
    // A session dropped meanwhile (a recheck with no answer) leaves it open which rule held.
    const bool plainObeyed = !before.exists || !after.exists;
    if (r.kind == Kind::Refused) return plainObeyed;
    if (!Reaches(r)) return false;
    if (r.bytes[0] == secure::OpHandshake) return false;
    if (r.bytes[0] == secure::OpSealed) return opens != Opens::No;
    return plainObeyed;
}

std::string Describe(const Record& r) {
    if (r.kind == Kind::Quiet) return "a second without traffic";
    if (r.kind == Kind::Refused) return "port unreachable for " + Show(r.from);
    std::string s = std::to_string(r.bytes.size()) + " bytes from " + Show(r.from);
    if (!r.bytes.empty()) s += " (opcode " + std::to_string(r.bytes[0]) + ")";
    return s;
}

void CheckFreshStep2Rate() {
    // At most fifty in any second: the fiftieth answer before the newest is a second old or more.
    const size_t n = gFreshStep2Ms.size();
    const size_t most = static_cast<size_t>(PrivateLinks::Step1AnswersPerSecond);
    if (n <= most) return;
    const int64_t span = gFreshStep2Ms[n - 1] - gFreshStep2Ms[n - 1 - most];
    if (span < 1000)
        Fail(std::to_string(most + 1) + " fresh step 2 went out within " + std::to_string(span) + " ms");
}

// The checks on what the phone sent while it handled the record.
void CheckSends(const Record& r, const std::vector<Sent>& sent, const LinkState& before, const LinkState& after) {
    for (const Sent& x : sent) {
        const Bytes& d = x.bytes;
        if (!x.onReceiveThread) continue;
        Side& s = SideOf(x.to);
        if (d[0] == secure::OpHandshake && d.size() >= 2 && d[1] == 2 &&
            std::find(s.phoneStep2s.begin(), s.phoneStep2s.end(), d) == s.phoneStep2s.end()) {
            s.phoneStep2s.push_back(d);
            gFreshStep2Ms.push_back(gNow);
            CheckFreshStep2Rate();
        }
        if (!SameAddress(x.to, r.from)) continue;
        if (d[0] < secure::OpHandshake && before.same(after))
            Fail("a plain datagram (opcode " + std::to_string(d[0]) + ") went to " + Show(x.to) +
                 ", which has a session, in answer to " + Describe(r));
        if (d.size() == 1 && d[0] == protocol::Leave && Reaches(r) && r.bytes[0] == secure::OpSealed) {
            if (s.lostLeaveMs >= 0 && gNow - s.lostLeaveMs < PrivateLinks::LostSessionLeaveMs)
                Fail("a second lost session's Leave went to " + Show(x.to) + " within " +
                     std::to_string(gNow - s.lostLeaveMs) + " ms");
            s.lostLeaveMs = gNow;
        }
    }
}

void CheckSetup(const Record& r, const Setup& before, const Setup& after, const LinkState& remoteBefore,
                const LinkState& remoteAfter, const LinkState& messageBefore, const LinkState& messageAfter,
                Opens opens) {
    if (before.state != StateIdle) {
        const bool moved = before.state != after.state || !SameAddress(before.remote, after.remote) ||
                           std::strcmp(before.name, after.name) != 0;
        const bool workerEnded = after.state == StateIdle &&
                                 (before.state == StateIncomingAccepted || before.state == StateIncomingDone) &&
                                 before.workers > 0;
        if (moved && !workerEnded && !MayMove(r, before.remote, remoteBefore, remoteAfter, opens))
            Fail(Describe(r) + " moved the setup with " + Show(before.remote) + " from state " +
                 std::to_string(before.state) + " to " + std::to_string(after.state) +
                 (remoteBefore.exists ? " (a session there)" : " (no session there)"));
    }
    if (before.message == MsgSending && after.message != before.message &&
        !MayMove(r, before.messageTo, messageBefore, messageAfter, opens))
        Fail(Describe(r) + " moved the short message to " + Show(before.messageTo) + " to state " +
             std::to_string(after.message));
}

// Once a call was accepted here (its confirmation thread runs), the
// thread ends the setup soon after the confirmation comes: that is waited
// for, so that the next record finds the setup ended or not, not ending.
bool gConfirming = false;

void Settle() {
    Phone& p = ThePhone();
    if (p.CallState == StateIncomingAccepted) gConfirming = true;
    for (int i = 0; gConfirming && i < 500 && p.CallState == StateIncomingDone && p.WorkerCount() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
}

// One record through the receive loop, with every check around it.
void Deliver(Record r) {
    if (r.kind == Kind::Datagram && r.from.port() == 0) r.from.setPort(1);
    const Setup before = TakeSetup();
    const LinkState fromBefore = LinkOf(r.from), remoteBefore = LinkOf(before.remote),
                    messageBefore = LinkOf(before.messageTo);
    Opens opens = Opens::No;
    if (Reaches(r)) {
        Side& s = SideOf(r.from);
        s.fed.push_back(r.bytes);
        if (s.fed.size() > 64) s.fed.pop_front();
        if (r.bytes[0] == secure::OpSealed) opens = PredictOpening(r, fromBefore);
    }
    if (Verbose()) std::fprintf(stderr, "  %s%s\n", Describe(r).c_str(),
                                opens == Opens::Yes ? " opens" : "");
    Push(r);
    const Setup after = TakeSetup();
    const LinkState fromAfter = LinkOf(r.from), remoteAfter = LinkOf(before.remote),
                    messageAfter = LinkOf(before.messageTo);
    std::vector<Sent> sent = TakeOutbox();
    // A plain Leave or a port-unreachable report for an address with a
    // session makes the phone check it again from an engine thread: its first
    // step 1 is waited for (a little), so that what follows may answer it.
    const bool recheck = fromBefore.exists && (r.kind == Kind::Refused || (Reaches(r) && r.bytes[0] == protocol::Leave));
    auto step1Sent = [&] {
        return std::any_of(sent.begin(), sent.end(), [&](const Sent& x) {
            return SameAddress(x.to, r.from) && x.bytes.size() >= 2 && x.bytes[0] == secure::OpHandshake && x.bytes[1] == 1;
        });
    };
    for (int i = 0; recheck && i < 50 && !step1Sent(); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        for (Sent& x : TakeOutbox()) sent.push_back(std::move(x));
    }
    if (Verbose())
        for (const Sent& x : sent)
            std::fprintf(stderr, "    -> %zu bytes to %s (opcode %d%s)\n", x.bytes.size(), Show(x.to).c_str(), x.bytes[0],
                         x.onReceiveThread ? "" : ", another thread");
    CheckSends(r, sent, fromBefore, fromAfter);
    ProcessSends(sent);
    CheckSetup(r, before, after, remoteBefore, remoteAfter, messageBefore, messageAfter, opens);
    CheckKnown(r.from);
    CheckKnown(before.remote);
    CheckKnown(before.messageTo);
    Settle();
}

Record DatagramFrom(const PeerAddress& from, Bytes bytes) {
    Record r;
    r.from = from;
    r.bytes = std::move(bytes);
    return r;
}

// ---- reading the input ----

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool done() const { return at >= size; }
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint16_t u16() {
        const uint16_t hi = byte();
        return static_cast<uint16_t>(hi << 8 | byte());
    }
    Bytes bytes(size_t n) {
        const size_t take = std::min(n, size - std::min(at, size));
        Bytes b(data + at, data + at + take);
        at += take;
        return b;
    }
};

// Returns whether it changed anything.
bool Mutate(Reader& in, Bytes& d, int depth = 0) {
    const uint8_t m = in.byte();
    switch (m & 7) {
        case 0: return false;
        case 1: {
            const uint16_t v = in.u16();
            if (!d.empty()) d[(v & 0x7FF) % d.size()] ^= static_cast<uint8_t>(1u << (v >> 13));
            return true;
        }
        case 2: {
            const uint16_t v = in.u16();
            d.resize(d.empty() ? 0 : v % d.size());
            return true;
        }
        case 3: {
            const Bytes more = in.bytes(in.byte());
            d.insert(d.end(), more.begin(), more.end());
            return true;
        }
        case 4:
            if (d.size() >= 2) d[1] = in.byte();
            return true;
        case 5:
            if (!d.empty()) d[0] = in.byte();
            return true;
        case 6: {
            const uint8_t at = in.byte(), v = in.byte();
            if (!d.empty()) d[at % d.size()] = v;
            return true;
        }
        default: {
            if (depth >= 4) return false;
            const bool a = Mutate(in, d, depth + 1);
            const bool b = Mutate(in, d, depth + 1);
            return a || b;
        }
    }
}

Bytes Features(Reader& in) {
    const uint8_t f = in.byte();
    if (f < 0x80) return OurFeatures();
    return in.bytes(f & 31);
}

const uint64_t Jumps[32] = {1,    2,    3,    62,   63,    64,      65,      127,      128,     1000,      1022,
                            1023, 1024, 1025, 1983, 1984,  1985,    2046,    2047,     2048,    2049,      2111,
                            2112, 4096, 65536, 1u << 20, 1ull << 32, 1ull << 40, 1ull << 62, 1ull << 63, 5, 7};
const uint64_t Specials[32] = {0,       1,       2,       63,         64,         1023,       1024,
                               2047,    2048,    4095,    65535,      1ull << 31, 1ull << 32, 1ull << 48,
                               1ull << 63, (1ull << 63) + 1, secure::MaxNonce - 2048, secure::MaxNonce - 1024,
                               secure::MaxNonce - 2, secure::MaxNonce - 1, secure::MaxNonce, 100,
                               1000, 3000, 10000, 12345, 99999, 1ull << 20, 255, 256, 511, 512};

uint64_t Counter(Reader& in, Held* h) {
    const uint8_t c = in.byte();
    uint64_t& next = h ? h->next : gDummyNext;
    const int arg = c >> 3;
    uint64_t n;
    switch (c & 7) {
        case 1:
            next += Jumps[arg];
            n = next++;
            break;
        case 2: n = next > Jumps[arg] ? next - 1 - Jumps[arg] : 0; break;
        case 3:
            n = Specials[arg];
            if (n != secure::MaxNonce && n >= next) next = n + 1;
            break;
        case 4: n = h && h->sentAny ? h->last : next; break;
        default: n = next++; break;
    }
    if (h) {
        h->last = n;
        h->sentAny = true;
    }
    return n;
}

Bytes SealWith(Held* h, const Bytes& inner, uint64_t n) {
    Bytes d(secure::SealedOverhead + inner.size());
    d[0] = secure::OpSealed;
    for (int i = 0; i < 8; ++i) d[1 + i] = static_cast<uint8_t>(n >> (8 * i));
    const uint8_t none = 0;
    secure::Encrypt(h ? h->sendKey : NoKey, n, d.data(), secure::SealedHeader, inner.empty() ? &none : inner.data(),
                    inner.size(), d.data() + secure::SealedHeader);
    return d;
}

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    uint32_t x = 0x9E3779B9u ^ seed;
    for (auto& v : b) {
        x = x * 1103515245u + 12345u;
        v = static_cast<uint8_t>(x >> 16);
    }
    return b;
}

Bytes FromDatagram(const Datagram& d) { return Bytes(d.bytes, d.bytes + d.length); }

Bytes Audio(int codec, int frames, uint8_t seed) {
    Bytes d{static_cast<uint8_t>(codec)};
    const Bytes payload = Pattern(size_t(CodecTable[codec].codecBytesPerFrame) * size_t(frames), seed);
    d.insert(d.end(), payload.begin(), payload.end());
    return d;
}

// Plain datagrams of every kind, to go inside a sealed one (or plain).
Bytes Canned(uint8_t which) {
    using namespace protocol;
    switch (which % 32) {
        case 0: return FromDatagram(BuildCallRequest(0, "Pat"));
        case 1: return FromDatagram(BuildCallRequest(1, "Pat"));
        case 2: return FromDatagram(BuildAlerting(0, true, "Pat"));
        case 3: return FromDatagram(BuildAlerting(1, false, "Pat"));
        case 4: return FromDatagram(BuildAccepted(0, true, "Pat"));
        case 5: return FromDatagram(BuildAccepted(0, false, "Pat"));
        case 6: return FromDatagram(BuildRefused("Pat", nullptr));
        case 7: return FromDatagram(BuildRefused("Pat", "Back at 3"));
        case 8: return FromDatagram(BuildCodecUnsupported("Pat"));
        case 9: return FromDatagram(BuildBusy("Pat"));
        case 10: return FromDatagram(BuildAcceptConfirmed(0));
        case 11: return FromDatagram(BuildAcceptConfirmed(1));
        case 12: return FromDatagram(BuildLeave(LeaveHungUp));
        case 13: return FromDatagram(BuildLeave(LeaveNoCodec));
        case 14: return FromDatagram(BuildShortLeave());
        case 15: return FromDatagram(BuildChatMessage(ChatNewLine, "hello Fuzz"));
        case 16: return FromDatagram(BuildChatMessage(ChatEchoed, "hello"));
        case 17: return FromDatagram(BuildShortMessage("Pat", "Call me back"));
        case 18: return FromDatagram(BuildShortMessageReply(MessageStored));
        case 19: return FromDatagram(BuildShortMessageReply(MessageNotStored));
        case 20: return Audio(0, 4, which);
        case 21: return Audio(1, 2, which);
        case 22: return Audio(0, 1, which);
        case 23: return Bytes{0};
        case 24: return Bytes{secure::OpHandshake, 1};
        case 25: return Bytes{secure::OpSealed, 0, 0, 0, 0, 0, 0, 0, 0};
        case 26: return Bytes{0xFF, 0x01};
        case 27: return Bytes{CallReply, 0x7F, 'x', 0};
        case 28: {
            Bytes d = Audio(0, 1, which);
            d.resize(secure::MaxInnerDatagram, 0x5A);  // the longest that fits
            return d;
        }
        case 29: {
            Bytes d = Audio(0, 1, which);
            d.resize(secure::MaxInnerDatagram + 1, 0x5A);  // one too long
            return d;
        }
        case 30: return Bytes{CallRequest};
        default: return Bytes{ShortMessageReply};
    }
}

PeerAddress Sender(Reader& in, uint8_t head) {
    switch (head & 7) {
        case 1: return PeerQ;
        case 2: return StrangerS;
        case 3: return OtherPortOfP;
        case 4: return Numbered(in.byte());
        case 5: {
            const Bytes b = in.bytes(6);
            uint8_t v[6] = {};
            std::copy(b.begin(), b.end(), v);
            const uint16_t port = static_cast<uint16_t>(v[4] << 8 | v[5]);
            return MakeAddress(uint32_t(v[0]) << 24 | uint32_t(v[1]) << 16 | uint32_t(v[2]) << 8 | v[3],
                               port ? port : 1);
        }
        case 6: return Ourselves;
        default: return PeerP;
    }
}

// Delivers what a record made, mutated as the input says.
void DeliverMade(Reader& in, const PeerAddress& from, Bytes d, bool* intact = nullptr) {
    const Bytes made = d;
    Mutate(in, d);
    if (intact) *intact = d == made;
    Deliver(DatagramFrom(from, std::move(d)));
}

// ---- the half-open probe ----

// Completes every handshake of ours that the phone answered and is still
// waiting for step 3; the sessions they make are the half-open handshakes
// the phone kept.
void Probe() {
    std::vector<uint64_t> keys;
    for (auto& entry : gSides)
        if (!entry.second.pendingStep2.empty() && !entry.second.step3Delivered) keys.push_back(entry.first);
    // No more than the phone may keep are waiting: nothing to count.
    if (keys.size() <= static_cast<size_t>(PrivateLinks::HalfOpenKept)) return;
    int waiting = 0, completed = 0;
    for (uint64_t k : keys) {
        Side& s = gSides[k];
        if (s.step3Delivered || !WriteStep3(s, OurFeatures())) continue;
        ++waiting;
        Held* h = s.step3Session;
        const LinkState before = LinkOf(s.address);
        if (before.exists && before.sas == h->sas) continue;  // completed by a step 3 that came as it was
        Deliver(DatagramFrom(s.address, s.step3));
        s.step3Delivered = true;
        const LinkState l = LinkOf(s.address);
        if (l.exists && l.sas == h->sas) ++completed;
    }
    if (Verbose() && waiting) std::fprintf(stderr, "  probe: %d of %d waiting handshakes completed\n", completed, waiting);
    if (completed > PrivateLinks::HalfOpenKept)
        Fail(std::to_string(completed) + " half-open handshakes were kept (at most " +
             std::to_string(PrivateLinks::HalfOpenKept) + ")");
}

// ---- scenes, records, reset ----

// A whole handshake of ours with the address, as its peer would make it.
void Handshake(Side& s) {
    StartInitiating(s);
    Deliver(DatagramFrom(s.address, s.step1));
    if (!WriteStep3(s, OurFeatures())) Fail("the phone did not answer the scene's step 1 from " + Show(s.address));
    Deliver(DatagramFrom(s.address, s.step3));
    s.step3Delivered = true;
    const LinkState l = LinkOf(s.address);
    if (!l.exists || l.sas != s.step3Session->sas)
        Fail("the scene's handshake with " + Show(s.address) + " made no session");
}

void SetScene(Engine& e, uint8_t a, uint8_t b) {
    Phone& p = e.phone;
    const PeerAddress remote = (a & 0x20) ? PeerQ : PeerP;
    p.Peers.load("");
    if (b & 0x08) p.Peers.saw(gOurKeys[0].publicKey, PeerP, 1000);
    p.Privacy = (a & 0x40) ? PrivacyOnly : PrivacyWherePossible;
    p.Autoanswer = (a >> 3) & 3;
    p.Codec = (a >> 7) & 1;
    p.GenerateLog = (b >> 7) & 1;
    p.SetDelay(0);
    p.SetMaxDelay(250);
    SideOf(PeerP).key = &gOurKeys[(b & 0x04) ? 1 : 0];
    const PeerAddress withSessions[3] = {PeerP, PeerQ, StrangerS};
    for (int i = 0; i < (b & 3); ++i) Handshake(SideOf(withSessions[i]));

    switch ((b >> 4) & 3) {
        case 0: break;
        case 1:
            p.AddParty(PeerP, "Pat");
            p.ActivateParty(PeerP);
            break;
        case 2:
            p.AddParty(PeerP, "Pat");
            p.ActivateParty(PeerP);
            p.AddParty(PeerQ, "Quinn");
            p.ActivateParty(PeerQ);
            break;
        default:
            p.AddParty(PeerP, "Pat");
            p.ActivateParty(PeerP);
            p.AddParty(PeerQ, "Quinn");
            p.AddParty(StrangerS, "Sam");
            p.ActivateParty(StrangerS);
            break;
    }
    const int setup = a & 7;
    if (setup != StateIdle) {
        p.WriteAddress(p.RemoteAddress, remote);
        p.WriteText(p.RemoteName, sizeof p.RemoteName, setup == 1 ? "" : "Rita");
    }
    static const int states[8] = {StateIdle,             StateWaitingForRemote, StatePartyAlerted, StateIncoming,
                                  StateIncomingAccepted, StateIncomingDone,     StateCallAccepted, StateIdle};
    if (states[setup] == StateIncomingAccepted && p.FindParty(remote) < 0) p.AddParty(remote, "Rita");
    p.CallState = states[setup];
    if (b & 0x40) {
        p.WriteText(p.MessageText, sizeof p.MessageText, "Call me");
        p.WriteAddress(p.MessageAddress, PeerP);
        p.MessageState = MsgSending;
    }
}

void UserAction(bool answer, const PeerAddress& to) {
    Phone& p = ThePhone();
    if (answer)
        p.AnswerCall(1);
    else
        p.HangUp(&to, protocol::LeaveHungUp);
    ProcessSends(TakeOutbox());
    CheckKnown(to);
    Settle();
}

void Run(Reader& in) {
    while (!in.done()) {
        const uint8_t head = in.byte();
        const PeerAddress from = Sender(in, head);
        Side& s = SideOf(from);
        switch ((head >> 3) & 15) {
            case 0: {
                const size_t length = in.u16() & 0x7FF;
                Deliver(DatagramFrom(from, in.bytes(length)));
                break;
            }
            case 1:
                StartInitiating(s);
                DeliverMade(in, from, s.step1);
                break;
            case 2:
                if (s.step1.empty()) StartInitiating(s);
                DeliverMade(in, from, s.step1);
                break;
            case 3: {
                const Bytes features = Features(in);
                if (!WriteStep3(s, features)) {
                    Bytes none;
                    Mutate(in, none);  // read, with nothing to send
                    break;
                }
                bool intact = false;
                DeliverMade(in, from, s.step3, &intact);
                if (intact) s.step3Delivered = true;
                break;
            }
            case 4: {
                const Bytes features = Features(in);
                ProcessSends(TakeOutbox());  // a recheck's step 1 sent since
                if (!WriteStep2(s, features)) {
                    Bytes none;
                    Mutate(in, none);
                    break;
                }
                DeliverMade(in, from, s.step2);
                break;
            }
            case 5: {
                Held* h = Current(s, LinkOf(from));
                if (!h && !s.sessions.empty()) h = s.sessions.back().get();
                const uint64_t n = Counter(in, h);
                const Bytes inner = in.bytes(in.u16() & 0x7FF);
                DeliverMade(in, from, SealWith(h, inner, n));
                break;
            }
            case 6:
            case 7: {
                Held* h = Current(s, LinkOf(from));
                if (!h && !s.sessions.empty()) h = s.sessions.back().get();
                if (((head >> 3) & 15) == 7) {
                    const uint8_t which = in.byte();
                    h = s.sessions.empty() ? nullptr : s.sessions[which % s.sessions.size()].get();
                }
                const uint64_t n = Counter(in, h);
                const Bytes inner = Canned(in.byte());
                DeliverMade(in, from, SealWith(h, inner, n));
                break;
            }
            case 8: {
                const uint8_t k = in.byte();
                Bytes d = s.fed.empty() ? Bytes{secure::OpSealed} : s.fed[s.fed.size() - 1 - k % s.fed.size()];
                DeliverMade(in, from, d);
                break;
            }
            case 9: {
                Record r;
                r.kind = Kind::Refused;
                r.from = from;
                Deliver(r);
                break;
            }
            case 10: {
                Record r;
                r.kind = Kind::Quiet;
                r.from = from;
                Deliver(r);
                break;
            }
            case 11: {
                const uint16_t v = in.u16();
                gNow += (v & 0x8000) ? int64_t(v & 0x7FFF) * 100 : int64_t(v);
                break;
            }
            case 12: Probe(); break;
            case 13: DeliverMade(in, from, Canned(in.byte())); break;
            case 14: UserAction(true, from); break;
            default: UserAction(false, from); break;
        }
    }
    Probe();
}

void CheckPhone(Phone& p) {
    if (p.CallState < StateIdle || p.CallState > StateUnreachable) Fail("call state " + std::to_string(p.CallState));
    if (p.MessageState < MsgIdle || p.MessageState > MsgDelivered) Fail("message state " + std::to_string(p.MessageState));
    std::lock_guard<std::recursive_mutex> parties(p.PartyLock);
    if (p.PartyCount < 0 || p.PartyCount > MaxParties) Fail("party count " + std::to_string(p.PartyCount));
    for (int i = 0; i < p.PartyCount; ++i)
        if (!p.PartyChannel[i]) Fail("party " + std::to_string(i) + " has no channel");
}

void Quietly() {
    Record r;
    r.kind = Kind::Quiet;
    Push(r);
}

void Reset(Engine& e) {
    Phone& p = e.phone;
    p.CallState = StateIdle;
    p.MessageState = MsgIdle;
    p.ChatQueueCount = 0;
    p.RemoveParty(nullptr);
    // Nothing is in use any more: the sessions end on the next sweep, and a
    // recheck still under way ends with them.
    gNow += 600000;
    Quietly();
    p.StateChanged.notify();
    const auto start = std::chrono::steady_clock::now();
    while (ThreadCount() > e.baselineThreads) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20))
            Fail("an engine thread did not end within 20 s of the reset");
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    p.RemoveParty(nullptr);
    p.CallState = StateIdle;
    p.MessageState = MsgIdle;
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
    // Twenty minutes on: whatever a late thread began is gone too.
    gNow += 600000;
    Quietly();
    gNow += 2000;
    Quietly();
    TakeOutbox();
    for (auto& entry : gSides) {
        PrivacyInfo info;
        if (p.PrivacyOf(entry.second.address, &info))
            Fail("the session with " + Show(entry.second.address) + " outlived 20 minutes without use");
    }
    gSides.clear();
    gFreshStep2Ms.clear();
    gConfirming = false;
    gNextEphemeral = 0;
    gDummyNext = 0;
    p.Peers.load("");
    if (p.GenerateLog) {
        const std::string log = EventLogPath();
        if (!log.empty()) unlink(log.c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    Engine& e = TheEngine();
    gInputStartMs = gNow;
    SetScene(e, data[0], data[1]);
    Reader in{data + 2, size - 2};
    Run(in);
    CheckPhone(e.phone);
    Reset(e);
    return 0;
}
