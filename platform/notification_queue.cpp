#include "platform/notification_queue.h"

#include <chrono>

namespace kv {

void NotificationQueue::post(int code, int value) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return;
    entries_.push_back({{code, value, false}, nextTicket_++});
    changed_.notify_all();
    wake_.signal();
}

void NotificationQueue::send(int code, int value) {
    std::unique_lock<std::mutex> guard(lock_);
    if (closed_) return;
    uint64_t ticket = nextTicket_++;
    entries_.push_back({{code, value, true}, ticket});
    changed_.notify_all();
    wake_.signal();
    changed_.wait(guard, [&] { return closed_ || takenUpTo_ >= ticket; });
}

bool NotificationQueue::next(Notification* out, int timeoutMs) {
    std::unique_lock<std::mutex> guard(lock_);
    if (!changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return !entries_.empty(); }))
        return false;
    *out = entries_.front().n;
    takenUpTo_ = entries_.front().ticket;
    entries_.pop_front();
    changed_.notify_all();
    return true;
}

int NotificationQueue::pending() {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(entries_.size());
}

void NotificationQueue::close() {
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
    entries_.clear();
    changed_.notify_all();
}

int NotificationQueue::waitReady(int timeoutMs, bool watchInput) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!entries_.empty() || woken_) {
            // What signalled is in view already: no empty wake-up later.
            woken_ = false;
            wake_.clear();
            return ReadyEvent;
        }
    }
    // The signal is cleared only after the wait: one given before it (even
    // from a signal handler) ends the wait at once. An event queued after the
    // clear is in entries_, where the reader takes it next.
    const int ready = wake_.wait(timeoutMs, watchInput);
    wake_.clear();
    std::lock_guard<std::mutex> guard(lock_);
    woken_ = false;
    return ready;
}

void NotificationQueue::wake() {
    std::lock_guard<std::mutex> guard(lock_);
    woken_ = true;
    wake_.signal();
}

}  // namespace kv
