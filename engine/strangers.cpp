#include "engine/strangers.h"

#include <algorithm>
#include <chrono>

namespace kv {
namespace {

constexpr int64_t Never = INT64_MIN / 4;
constexpr int64_t MinuteMs = 60000;

// Bytes refilled at ratePerSecond over elapsedMs.
int64_t Refilled(int64_t elapsedMs, int ratePerSecond) { return elapsedMs * ratePerSecond / 1000; }

// A source is an IPv4 address, or an IPv6 /64: one user has a whole /64 and
// could send from any address in it. The top bit tells the families apart.
uint64_t SourceKey(const PeerAddress& from) {
    if (from.isIPv4()) return from.ip();
    uint64_t prefix = 0;
    for (int i = 0; i < 8; ++i) prefix = prefix << 8 | from.bytes[i];
    return prefix | 1ull << 63;
}

uint64_t SlotHash(uint64_t key) {
    // Multiplicative hashing: neighbouring addresses land far apart.
    return (key * 0x9E3779B97F4A7C15ull) >> 32;
}

}  // namespace

int64_t SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

uint64_t StrangerGuard::Hash(const void* bytes, int length, uint64_t seed) {
    uint64_t h = seed;
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (int i = 0; i < length; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

StrangerGuard::StrangerGuard(const StrangerLimits& limits)
    : limits_(limits),
      sources_(static_cast<size_t>(std::max(1, limits.sourcesKept))),
      pool_(limits.replyPoolBytes),
      replyCredit_(1000LL * limits.replyBurstTotal) {
    std::fill(std::begin(rings_), std::end(rings_), Never);
}

void StrangerGuard::setLimits(const StrangerLimits& limits) {
    std::lock_guard<std::mutex> guard(lock_);
    limits_ = limits;
    sources_.assign(static_cast<size_t>(std::max(1, limits.sourcesKept)), Source());
    pool_ = limits.replyPoolBytes;
    replyCredit_ = 1000LL * limits.replyBurstTotal;
    poolStarted_ = false;
    std::fill(std::begin(rings_), std::end(rings_), Never);
    logStarted_ = false;
    logLines_ = 0;
}

StrangerGuard::Source& StrangerGuard::source(const PeerAddress& from, int64_t nowMs) {
    const uint64_t key = SourceKey(from);
    Source& s = sources_[SlotHash(key) % sources_.size()];
    if (!s.used || s.key != key) {
        s = Source();
        s.used = true;
        s.key = key;
        s.seenMs = nowMs;
        s.allowance = limits_.replyAllowanceBytes;
        s.replyCredit = 1000LL * limits_.repliesPerSourcePerSecond;
        std::fill(std::begin(s.rings), std::end(s.rings), Never);
        std::fill(std::begin(s.recentMs), std::end(s.recentMs), Never);
        s.logWindowMs = nowMs;
        return s;
    }
    if (nowMs > s.seenMs) {
        s.allowance = std::min<int64_t>(limits_.replyAllowanceBytes,
                                        s.allowance + Refilled(nowMs - s.seenMs, limits_.replyAllowanceRefillBytesPerSecond));
        s.replyCredit = std::min<int64_t>(1000LL * limits_.repliesPerSourcePerSecond,
                                          s.replyCredit + (nowMs - s.seenMs) * limits_.repliesPerSourcePerSecond);
        s.seenMs = nowMs;
    }
    return s;
}

void StrangerGuard::refill(int64_t nowMs) {
    if (!poolStarted_) {
        poolStarted_ = true;
        poolMs_ = nowMs;
    }
    if (nowMs > poolMs_) {
        pool_ = std::min<int64_t>(limits_.replyPoolBytes,
                                  pool_ + Refilled(nowMs - poolMs_, limits_.replyPoolRefillBytesPerSecond));
        replyCredit_ = std::min<int64_t>(1000LL * limits_.replyBurstTotal,
                                         replyCredit_ + (nowMs - poolMs_) * limits_.repliesTotalPerSecond);
        poolMs_ = nowMs;
    }
}

void StrangerGuard::received(const PeerAddress& from, int bytes, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    Source& s = source(from, nowMs);
    // What a source earns is capped by the allowance: credit saved up by a
    // long flood must not pay for a burst of replies later.
    s.earnedHalves = std::min<int64_t>(2LL * limits_.replyAllowanceBytes, s.earnedHalves + std::max(0, bytes));
}

bool StrangerGuard::mayReply(const PeerAddress& from, int bytes, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    refill(nowMs);
    Source& s = source(from, nowMs);
    if (s.replyCredit < 1000 || replyCredit_ < 1000) return false;
    const int64_t earned = s.earnedHalves / 2;
    if (earned >= bytes) {
        s.earnedHalves -= 2LL * bytes;
    } else {
        const int64_t beyond = bytes - earned;
        if (s.allowance < beyond || pool_ < beyond) return false;
        s.allowance -= beyond;
        pool_ -= beyond;
        s.earnedHalves -= 2 * earned;
    }
    s.replyCredit -= 1000;
    replyCredit_ -= 1000;
    return true;
}

bool StrangerGuard::countRing(int64_t* times, int kept, int* next, int limit, int64_t nowMs) {
    limit = std::min(limit, kept);
    int recent = 0;
    for (int i = 0; i < kept; ++i)
        if (nowMs - times[i] < limits_.ringWindowMs) ++recent;
    if (recent >= limit) return false;
    times[*next] = nowMs;
    *next = (*next + 1) % kept;
    return true;
}

bool StrangerGuard::ringAloud(const PeerAddress& from, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    Source& s = source(from, nowMs);
    const int kept = static_cast<int>(std::size(s.rings));
    int recent = 0;
    for (int i = 0; i < kept; ++i)
        if (s.ringPorts[i] == from.port() && nowMs - s.rings[i] < limits_.ringWindowMs) ++recent;
    if (recent >= std::min(limits_.ringsAloudPerSource, kept)) return false;
    if (!countRing(rings_, static_cast<int>(std::size(rings_)), &ringNext_, limits_.ringsAloudTotal, nowMs))
        return false;
    s.rings[s.ringNext] = nowMs;
    s.ringPorts[s.ringNext] = from.port();
    s.ringNext = (s.ringNext + 1) % kept;
    return true;
}

StrangerGuard::LogVerdict StrangerGuard::mayLog(const PeerAddress& from, uint64_t contentHash, int64_t nowMs) {
    std::lock_guard<std::mutex> guard(lock_);
    Source& s = source(from, nowMs);
    const uint64_t key = Hash(from.portBytes, sizeof from.portBytes, contentHash);
    for (int i = 0; i < RecentKept; ++i)
        if (s.recent[i] == key && nowMs - s.recentMs[i] < limits_.logRepeatWindowMs) return LogRepeat;
    if (nowMs - s.logWindowMs >= MinuteMs) {
        s.logWindowMs = nowMs;
        s.logLines = 0;
    }
    if (!logStarted_ || nowMs - logWindowMs_ >= MinuteMs) {
        logStarted_ = true;
        logWindowMs_ = nowMs;
        logLines_ = 0;
    }
    if (s.logLines >= limits_.logLinesPerSource || logLines_ >= limits_.logLinesTotal) return LogOverLimit;
    ++s.logLines;
    ++logLines_;
    s.recent[s.recentNext] = key;
    s.recentMs[s.recentNext] = nowMs;
    s.recentNext = (s.recentNext + 1) % RecentKept;
    return LogWrite;
}

}  // namespace kv
