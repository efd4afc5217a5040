// What a stranger can make us do, bounded per source and in all. A stranger
// is an address that is not a party: anyone on the internet can send us a
// datagram, with any source address it likes, so whatever it draws from us
// (a reply, a ring, a line in the event log) is paid for by what it sent.
//
//   replies   a source earns half the bytes it sends; a reply beyond what
//             it earned comes out of a slowly refilled allowance of its own
//             and out of one pool shared by every source. A reply that is
//             not covered is not sent (a reflector with a forged source
//             address then gets less back than it sent).
//   rings     an address, and everyone together, rings aloud only a few
//             times a minute; later rings are shown quietly.
//   log lines a source, and everyone together, gets a bounded number of
//             lines a minute, and the same request again is not logged twice.
//
// Sources are kept in a fixed table, one slot per hash of the IPv4 address
// (the port is not part of it: a forger picks ports freely). A source that
// takes the slot of another starts afresh; its allowance still comes out of
// the shared pool, so many forged sources cannot add up. No allocation after
// construction. Thread-safe; the clock is the caller's (milliseconds, any epoch).
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/timings.h"
#include "platform/peer_address.h"

namespace kv {

// The steady clock in milliseconds: the default clock of the limits.
int64_t SteadyMilliseconds();

class StrangerGuard {
public:
    explicit StrangerGuard(const StrangerLimits& limits);
    // New limits, with every source forgotten.
    void setLimits(const StrangerLimits& limits);

    // A datagram of this many bytes came from the source.
    void received(const PeerAddress& from, int bytes, int64_t nowMs);
    // Whether a reply of this many bytes may go to the source; when it may,
    // it is taken from the source's budget.
    bool mayReply(const PeerAddress& from, int bytes, int64_t nowMs);
    // Whether a ring from the source may sound and take the focus; counts it.
    bool ringAloud(const PeerAddress& from, int64_t nowMs);
    // What becomes of a line for the event log about the source, whose
    // content (the request, the message) hashes to contentHash.
    enum LogVerdict { LogWrite, LogRepeat, LogOverLimit };
    LogVerdict mayLog(const PeerAddress& from, uint64_t contentHash, int64_t nowMs);

    // FNV-1a, for contentHash.
    static uint64_t Hash(const void* bytes, int length, uint64_t seed = 14695981039346656037ull);

private:
    static constexpr int RecentKept = 8;  // repeats recognised per source
    struct Source {
        uint64_t key = 0;  // SourceKey
        bool used = false;
        int64_t seenMs = 0;
        int64_t earnedHalves = 0;  // half bytes earned, not yet spent
        int64_t allowance = 0;     // bytes
        int64_t replyCredit = 0;   // replies, in thousandths
        int64_t rings[8] = {};     // times of the latest rings aloud, a ring buffer,
        uint16_t ringPorts[8] = {};  // and the port of each: a ring's source is the whole address
        int ringNext = 0;
        int64_t logWindowMs = 0;
        int logLines = 0;
        uint64_t recent[RecentKept] = {};
        int64_t recentMs[RecentKept] = {};
        int recentNext = 0;
    };

    Source& source(const PeerAddress& from, int64_t nowMs);
    void refill(int64_t nowMs);
    // True when fewer than `limit` of the times lie within the window; then
    // the time is recorded in place of the oldest.
    bool countRing(int64_t* times, int kept, int* next, int limit, int64_t nowMs);

    StrangerLimits limits_;
    std::mutex lock_;
    std::vector<Source> sources_;
    int64_t pool_;
    int64_t replyCredit_;  // replies to anyone, in thousandths
    int64_t poolMs_ = 0;
    bool poolStarted_ = false;
    int64_t rings_[16] = {};
    int ringNext_ = 0;
    bool logStarted_ = false;
    int64_t logWindowMs_ = 0;
    int logLines_ = 0;
};

}  // namespace kv
