// The reply budget: how many bytes a phone sends back to strangers for each
// byte they send it, under floods of each kind of request a stranger can
// send, from forged source addresses. Prints its figures; asserts nothing.
//
// A real Phone runs with its socket replaced (Phone::CreateSocket) by one that
// hands the flood to the receive loop and counts what the phone sends to each
// address, and with the clock of its stranger limits (Phone::LimitClock) the
// flood's own: it advances 10 ms at a time, once the receive loop has handled
// what the flood sent in those 10 ms. So the figures do not depend on the
// speed of the machine, and a minute of flood takes well under a second.
//
// Each kind is sent as its attacker would: the shortest datagram that draws
// the reply (a call request without an identity, "80 00"), from many forged
// addresses (a new random one for each datagram) and from a single forged
// victim address (all replies go to it), at 1,000 requests a second for 10 s
// and at 10 a second for 60 s. In ask and accept mode each request is
// followed by a one-byte Leave from the same address, so that the next one
// finds the phone idle again (else it would draw Busy, measured on its own).
// In accept mode the thread that sends the Accepted of one request ends
// before the next request comes, as it does in the microseconds after the
// Leave on a real machine: so each run is the same.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/event_log.h"
#include "engine/phone.h"
#include "platform/manual_wave.h"

using namespace kv;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int StepMs = 10;
const char Identity[] = "Bob Example";

// ---- the flood's side of the socket ----

struct Record {
    PeerAddress from;
    Bytes bytes;
};

struct Sent {
    long datagrams = 0;
    long bytes = 0;
};

uint64_t Key(const PeerAddress& a) { return uint64_t(a.ip()) << 16 | a.port(); }

struct Feed {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Record> queue;
    bool drained = true;
    bool interrupted = false;
    std::map<uint64_t, Sent> sent;  // by address
    std::map<std::string, long> kinds;
};

Feed* gFeed = nullptr;
std::atomic<int64_t> gNowMs{0};
int64_t FloodClock() { return gNowMs.load(); }

const char* ReplyKind(const uint8_t* d, int length) {
    using namespace protocol;
    if (length < 1) return "empty";
    switch (d[0]) {
        case CallReply:
            switch (length > 1 ? d[1] : 0) {
                case Alerting: return "Alerting";
                case Accepted: return "Accepted";
                case Refused: return "Refused";
                case CodecUnsupported: return "CodecUnsupported";
                case Busy: return "Busy";
                case AcceptConfirmed: return "AcceptConfirmed";
                default: return "CallReply";
            }
        case Leave: return "Leave";
        case ChatMessage: return "chat echo";
        case ShortMessageReply: return "ShortMessageReply";
        default: return d[0] < 0x80 ? "audio" : "other";
    }
}

class FloodSocket final : public UdpSocket {
public:
    bool bind(uint16_t port) override {
        port_ = port;
        return true;
    }
    uint16_t localPort() const override { return port_; }
    WaitStatus waitReadable(int timeoutMs) override {
        Feed& f = *gFeed;
        std::unique_lock<std::mutex> guard(f.lock);
        if (f.queue.empty()) {
            f.drained = true;
            f.changed.notify_all();
            f.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                               [&] { return f.interrupted || !f.queue.empty(); });
        }
        if (f.interrupted) return WaitStatus::TimedOut;
        return f.queue.empty() ? WaitStatus::TimedOut : WaitStatus::Readable;
    }
    ReceiveResult receive(uint8_t* buffer, int capacity) override {
        Feed& f = *gFeed;
        std::lock_guard<std::mutex> guard(f.lock);
        ReceiveResult r;
        if (f.queue.empty() || f.interrupted) return r;  // Nothing
        Record record = std::move(f.queue.front());
        f.queue.pop_front();
        const int length = static_cast<int>(record.bytes.size());
        if (length > capacity) {
            r.status = ReceiveStatus::TooLarge;
            return r;
        }
        std::memcpy(buffer, record.bytes.data(), record.bytes.size());
        r.status = ReceiveStatus::Datagram;
        r.length = length;
        r.from = record.from;
        return r;
    }
    int sendTo(const PeerAddress& to, const uint8_t* data, int length) override {
        Feed& f = *gFeed;
        std::lock_guard<std::mutex> guard(f.lock);
        Sent& s = f.sent[Key(to)];
        ++s.datagrams;
        s.bytes += length;
        ++f.kinds[ReplyKind(data, length)];
        return length;
    }
    void interrupt() override {
        Feed& f = *gFeed;
        std::lock_guard<std::mutex> guard(f.lock);
        f.interrupted = true;
        f.changed.notify_all();
    }

private:
    uint16_t port_ = 0;
};

std::unique_ptr<UdpSocket> MakeFloodSocket() { return std::make_unique<FloodSocket>(); }

// Notifications are dropped: nobody answers a ring or reads a message.
class Sink final : public NotificationSink {
public:
    void post(int, int) override {}
    void send(int, int) override {}
};

// ---- the kinds of request ----

struct Kind {
    const char* name;
    int answer;
    bool log;
    bool refusalText;
    bool ringing;  // a genuine caller rings throughout: every request draws Busy
    // The datagrams of request n (the flood's random number r to vary them).
    std::vector<Bytes> (*datagrams)(long n, uint64_t r);
};

std::vector<Bytes> PlainRequest(long, uint64_t) { return {{0x80, 0x00}}; }
std::vector<Bytes> RequestThenLeave(long, uint64_t) { return {{0x80, 0x00}, {0x82}}; }
std::vector<Bytes> UnknownCodec(long, uint64_t) { return {{0x80, 0x7F, 0x00}}; }
std::vector<Bytes> ShortMessage(long, uint64_t) { return {{0x84}}; }
std::vector<Bytes> NewChatLine(long, uint64_t) { return {{0x83, 0x00}}; }
std::vector<Bytes> StrayAudio(long, uint64_t) { return {{0x00}}; }
std::vector<Bytes> Junk(long n, uint64_t r) {
    // Every CallReply sub-code (and unknown ones), with and without an
    // identity, and both forms of Leave.
    switch (n % 4) {
        case 0: return {{0x81, static_cast<uint8_t>(r % 9)}};
        case 1: return {{0x81, static_cast<uint8_t>(r % 9), 0x00, 'E', 'v', 'e', 0x00}};
        case 2: return {{0x82}};
        default: return {{0x82, static_cast<uint8_t>(r % 2)}};
    }
}

const Kind Kinds[] = {
    {"CallRequest, ask mode (then Leave)", AnswerAsk, false, false, false, RequestThenLeave},
    {"CallRequest, accept mode (then Leave)", AnswerAccept, false, false, false, RequestThenLeave},
    {"CallRequest, refuse mode", AnswerRefuse, false, false, false, PlainRequest},
    {"CallRequest, refuse mode, 299-char text", AnswerRefuse, false, true, false, PlainRequest},
    {"CallRequest, unknown codec (80 7F 00)", AnswerAsk, false, false, false, UnknownCodec},
    {"CallRequest while a call rings (Busy)", AnswerAsk, false, false, true, PlainRequest},
    {"ShortMessage, log on", AnswerAsk, true, false, false, ShortMessage},
    {"ShortMessage, log off", AnswerAsk, false, false, false, ShortMessage},
    {"chat line (83 00)", AnswerAsk, false, false, false, NewChatLine},
    {"audio from a non-party (00)", AnswerAsk, false, false, false, StrayAudio},
    {"junk CallReply and Leave", AnswerAsk, false, false, false, Junk},
};

struct Flood {
    int rate;     // requests a second
    int seconds;
};
const Flood Floods[] = {{1000, 10}, {10, 60}};

const PeerAddress Victim = MakeAddress(0xC6336407, 11676);         // 198.51.100.7
const PeerAddress GenuineCaller = MakeAddress(0xC0000201, 11676);  // 192.0.2.1

struct Random {
    uint64_t state;
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

struct Result {
    long inDatagrams = 0, inBytes = 0;
    Sent out;
    size_t answered = 0;  // addresses that got anything
    long most = 0;        // bytes to the address that got the most
    std::map<std::string, long> kinds;
    long logLines = 0;
};

std::string LogDirectory() {
    static std::string dir = [] {
        char pattern[] = "/tmp/kv-reply-budget-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

void RemoveLogs() {
    unlink(EventLogPath().c_str());
    unlink(OldEventLogPath().c_str());
}

long LogLines() {
    long lines = 0;
    for (const std::string& path : {OldEventLogPath(), EventLogPath()}) {
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            for (int c; (c = std::fgetc(f)) != EOF;) lines += c == '\n';
            std::fclose(f);
        }
    }
    return lines;
}

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

// Waits until the threads a request started have ended (10 s at most).
void AwaitThreads(int baseline) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ThreadCount() > baseline && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

// Hands the records to the receive loop and waits until it has handled them all.
void Deliver(Feed& feed, std::vector<Record>& records) {
    std::unique_lock<std::mutex> guard(feed.lock);
    for (Record& r : records) feed.queue.push_back(std::move(r));
    records.clear();
    feed.drained = false;
    feed.changed.notify_all();
    feed.changed.wait(guard, [&] { return feed.drained && feed.queue.empty(); });
}

Result Run(const Kind& kind, bool victim, const Flood& flood, uint64_t seed) {
    Feed feed;
    gFeed = &feed;
    gNowMs = 1000000;
    RemoveLogs();
    Result result;
    {
        ManualWaveDevices devices;
        devices.refuseInput = true;
        devices.refuseOutput = true;
        Sink sink;
        Phone phone(DefaultPort);
        phone.CreateSocket = MakeFloodSocket;
        phone.LimitClock = FloodClock;
        phone.SetAudioDevices(&devices);
        phone.NotifyWindow = &sink;
        phone.MicMuted = 1;
        phone.WriteText(phone.Identity, sizeof phone.Identity, Identity);
        phone.Autoanswer = kind.answer;
        phone.GenerateLog = kind.log ? 1 : 0;
        const std::string text(protocol::MaxLongTextChars, 'r');
        phone.WriteText(phone.RefusalMessage, sizeof phone.RefusalMessage, kind.refusalText ? text.c_str() : "");
        if (phone.Start() != 1) {
            std::fprintf(stderr, "reply_budget: the phone did not start\n");
            std::exit(1);
        }
        std::vector<Record> records;
        if (kind.ringing) {
            const Datagram ring = BuildCallRequest(0, "Carol");
            records.push_back({GenuineCaller, Bytes(ring.bytes, ring.bytes + ring.length)});
            Deliver(feed, records);
        }

        const bool oneByOne = kind.answer == AnswerAccept;
        const int baseline = ThreadCount();
        Random random{seed | 1};
        const long total = long(flood.rate) * flood.seconds;
        const int steps = flood.seconds * 1000 / StepMs;
        long n = 0;
        for (int step = 0; step < steps; ++step) {
            const long due = long(flood.rate) * (step + 1) * StepMs / 1000;
            for (; n < due && n < total; ++n) {
                PeerAddress from = Victim;
                if (!victim) {
                    // Anywhere in 10.0.0.0/8 and any port but 0.
                    const uint64_t r = random.next();
                    from = MakeAddress(0x0A000000u | uint32_t(r & 0xFFFFFF),
                                       static_cast<uint16_t>(1 + (r >> 24) % 65535));
                }
                for (Bytes& d : kind.datagrams(n, random.next())) {
                    ++result.inDatagrams;
                    result.inBytes += static_cast<long>(d.size());
                    records.push_back({from, std::move(d)});
                }
                if (oneByOne) {
                    Deliver(feed, records);
                    AwaitThreads(baseline);
                }
            }
            if (!records.empty()) Deliver(feed, records);
            gNowMs += StepMs;
        }
        phone.Shutdown();
        // The phone's destructor waits for its call threads (their last Accepted).
    }
    for (const auto& [key, s] : feed.sent) {
        if (key == Key(GenuineCaller)) continue;  // the call that rings is not the flood's
        result.out.datagrams += s.datagrams;
        result.out.bytes += s.bytes;
        ++result.answered;
        if (s.bytes > result.most) result.most = s.bytes;
    }
    result.kinds = feed.kinds;
    if (kind.ringing) {
        // The genuine caller's one Alerting is not the flood's.
        if (--result.kinds["Alerting"] == 0) result.kinds.erase("Alerting");
    }
    if (kind.log) result.logLines = LogLines();
    gFeed = nullptr;
    return result;
}

std::string KindsText(const Result& r) {
    std::string text;
    for (const auto& [name, count] : r.kinds) text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + name;
    return text.empty() ? "nothing" : text;
}

}  // namespace

int main() {
    SetEventLogDirectory(LogDirectory());
    std::printf("Reply budget: bytes sent back to strangers per byte received, goal at most 1 (a flood gets back less\n"
                "than it sent). A real Phone (identity \"%s\", %zu characters), its socket fed by the flood, its\n"
                "stranger limits on the flood's clock; each request the shortest that draws the reply.\n",
                Identity, std::strlen(Identity));
    const StrangerLimits limits;
    std::printf("Limits: a source earns half what it sends, plus an allowance of %d bytes refilled at %d a second;\n"
                "allowances together come out of a pool of %d bytes refilled at %d a second; at most %d replies a\n"
                "second to one host, %d to all (%d at once). A trickle gets up to the allowance back, a flood less\n"
                "than it sent.\n",
                limits.replyAllowanceBytes, limits.replyAllowanceRefillBytesPerSecond, limits.replyPoolBytes,
                limits.replyPoolRefillBytesPerSecond, limits.repliesPerSourcePerSecond, limits.repliesTotalPerSecond,
                limits.replyBurstTotal);
    uint64_t seed = 0x9E3779B97F4A7C15ull;
    for (const Flood& flood : Floods) {
        std::printf("\n%d requests a second for %d s:\n", flood.rate, flood.seconds);
        std::printf("  %-41s %-7s %9s %10s %9s %10s %7s %6s  %s\n", "kind", "sources", "datagrams", "bytes in",
                    "replies", "bytes out", "ratio", "goal", "to how many addresses; replies");
        for (const Kind& kind : Kinds) {
            for (bool victim : {false, true}) {
                const Result r = Run(kind, victim, flood, seed++);
                const double ratio = r.inBytes > 0 ? double(r.out.bytes) / double(r.inBytes) : 0.0;
                std::string extra = std::to_string(r.answered) + (r.answered == 1 ? " address" : " addresses");
                if (r.answered > 1) extra += ", at most " + std::to_string(r.most) + " B to one";
                extra += "; " + KindsText(r);
                if (kind.log) extra += "; " + std::to_string(r.logLines) + " log lines";
                std::printf("  %-41s %-7s %9ld %10ld %9ld %10ld %7.3f %6s  %s\n", victim ? "" : kind.name,
                            victim ? "victim" : "many", r.inDatagrams, r.inBytes, r.out.datagrams, r.out.bytes, ratio,
                            ratio <= 1.0 ? "<= 1" : "> 1 !", extra.c_str());
                std::fflush(stdout);
            }
        }
    }
    RemoveLogs();
    rmdir(LogDirectory().c_str());
    return 0;
}
