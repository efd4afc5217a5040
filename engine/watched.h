// The engine's one waiting primitive. A ChangeSignal is notified whenever one
// of the fields that engine threads wait on changes; a thread waits on it for
// a condition over those fields, with a deadline. Watched<T> is such a field:
// an atomic whose every store, exchange and successful compare-exchange
// notifies the signal it is bound to, so that no change can be forgotten.
//
// No wake-up is lost: a waiter evaluates its condition under the signal's
// mutex and the notifier takes that mutex after storing, so the notification
// comes either before the waiter looks (and the waiter sees the new value) or
// after it sleeps (and wakes it). Conditions read atomics only and must not
// take any other lock.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kv {

class ChangeSignal {
public:
    using Clock = std::chrono::steady_clock;

    void notify() {
        std::lock_guard<std::mutex> guard(lock_);
        changed_.notify_all();
    }

    // Waits until condition() holds or the deadline passes; the condition's last value.
    template <class Condition>
    bool waitUntil(Clock::time_point deadline, Condition condition) {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_until(guard, deadline, condition);
    }

    template <class Condition>
    bool waitFor(int ms, Condition condition) {
        return waitUntil(Clock::now() + std::chrono::milliseconds(ms), condition);
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
};

template <class T>
class Watched {
public:
    Watched() = default;
    Watched(T value) : value_(value) {}  // NOLINT: initialised like the atomic it replaces
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;

    // The signal notified on every change; bound once, before any thread runs.
    void bind(ChangeSignal* signal) { signal_ = signal; }

    T load() const { return value_.load(); }
    operator T() const { return value_.load(); }  // NOLINT: read like the atomic it replaces

    void store(T value) {
        value_.store(value);
        changed();
    }
    Watched& operator=(T value) {
        store(value);
        return *this;
    }
    T exchange(T value) {
        T old = value_.exchange(value);
        changed();
        return old;
    }
    bool compare_exchange_strong(T& expected, T desired) {
        if (!value_.compare_exchange_strong(expected, desired)) return false;
        changed();
        return true;
    }

private:
    void changed() {
        if (signal_) signal_->notify();
    }

    std::atomic<T> value_{};
    ChangeSignal* signal_ = nullptr;
};

}  // namespace kv
