#include "secure/replay_window.h"

namespace kv {
namespace secure {

bool ReplayWindow::fresh(uint64_t n) const {
    if (!any_ || n > top_) return true;
    // Whole words: the window holds the last 1985 to 2048 counters.
    if (top_ / 64 - n / 64 >= Words) return false;
    return !bit(n);
}

void ReplayWindow::mark(uint64_t n) {
    if (!any_ || n > top_) {
        // Clears the words between the old top and the new one, whole words
        // at a time (the window then covers a little more than Size).
        const uint64_t from = any_ ? top_ / 64 + 1 : n / 64;
        const uint64_t to = n / 64;
        if (!any_ || to - from + 1 >= Words) {
            for (uint64_t& w : bits_) w = 0;
        } else {
            for (uint64_t w = from; w <= to; ++w) bits_[w % Words] = 0;
        }
        top_ = n;
        any_ = true;
    }
    bits_[(n / 64) % Words] |= uint64_t(1) << (n % 64);
}

}  // namespace secure
}  // namespace kv
