// A NotificationSink that queues events for a reader thread. A sent event
// holds its sender until the reader has taken it with next(); close() lets
// every waiting sender go and makes later events go nowhere.
//
// A reader with more to watch than the queue (the console peer's main loop
// and its standard input) sleeps in waitReady: the queue signals a descriptor
// (an eventfd; on Windows an event object) that is waited on together with
// standard input.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/notify.h"

namespace kv {

struct Notification {
    int code = 0;
    int value = 0;
    bool sent = false;  // true when the engine thread waits for it
};

// The descriptor or handle that a queue signals, and the wait on it.
class QueueWake {
public:
    QueueWake();
    ~QueueWake();
    QueueWake(const QueueWake&) = delete;
    QueueWake& operator=(const QueueWake&) = delete;
    // Safe in a signal handler.
    void signal();
    void clear();
    // Waits at most timeoutMs (negative: no limit) for the signal, and for
    // standard input to be readable when watchInput: ReadyEvent and ReadyInput
    // bits, 0 when the time ran out or a system signal interrupted the wait.
    int wait(int timeoutMs, bool watchInput);

private:
    long long handle_ = -1;
};

// Whether QueueWake::wait can watch standard input on this system (not on
// Windows, where a reader thread calls wake() for each line instead).
bool CanWatchInput();
// Reads what standard input holds right now: bytes read, 0 at its end, -1
// when nothing could be read (try again after the next wait).
int ReadInput(char* out, int capacity);

class NotificationQueue final : public NotificationSink {
public:
    static constexpr int ReadyEvent = 1;
    static constexpr int ReadyInput = 2;

    void post(int code, int value) override;
    void send(int code, int value) override;
    // Takes the oldest event, waiting up to timeoutMs; false when none came.
    bool next(Notification* out, int timeoutMs);
    // Events waiting to be taken.
    int pending();
    void close();

    // Sleeps until an event is queued, wake() or wakeFromSignal() is called,
    // or (watchInput) standard input is readable, at most timeoutMs (negative:
    // no limit). ReadyEvent and ReadyInput bits; 0 on time-out or interruption.
    // The reader then takes every event with next(..., 0).
    int waitReady(int timeoutMs, bool watchInput);
    // Ends the reader's waitReady without an event (another thread has
    // something for it).
    void wake();
    // The same from a signal handler: takes no lock.
    void wakeFromSignal() { wake_.signal(); }

private:
    struct Entry {
        Notification n;
        uint64_t ticket;
    };
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Entry> entries_;
    uint64_t nextTicket_ = 1;
    uint64_t takenUpTo_ = 0;  // highest ticket taken by the reader
    bool closed_ = false;
    bool woken_ = false;
    QueueWake wake_;
};

}  // namespace kv
