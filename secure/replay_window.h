// Which counters of sealed datagrams were seen, as in RFC 6479: the highest
// counter so far and a bitmap of 32 words of 64 counters up to it, so at
// least the last 1985 counters (the contract asks for at least 1024). A counter above the highest is new; one within the
// window is new once; one below it is too old. The check and the update are
// apart so that only a datagram whose tag checks out moves the window.
#pragma once

#include <cstdint>

namespace kv {
namespace secure {

class ReplayWindow {
public:
    static constexpr uint64_t Size = 2048;

    // Whether a datagram with counter n may be new.
    bool fresh(uint64_t n) const;
    // Records n as seen (call after the datagram opened).
    void mark(uint64_t n);

private:
    static constexpr int Words = Size / 64;
    bool bit(uint64_t n) const { return bits_[(n / 64) % Words] >> (n % 64) & 1; }

    uint64_t top_ = 0;
    bool any_ = false;
    uint64_t bits_[Words] = {};
};

}  // namespace secure
}  // namespace kv
