// A NotificationSink that queues events for a reader thread. A sent event
// holds its sender until the reader has taken it with next(); close() lets
// every waiting sender go and makes later events go nowhere.
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

class NotificationQueue final : public NotificationSink {
public:
    void post(int code, int value) override;
    void send(int code, int value) override;
    // Takes the oldest event, waiting up to timeoutMs; false when none came.
    bool next(Notification* out, int timeoutMs);
    // Events waiting to be taken.
    int pending();
    void close();

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
};

}  // namespace kv
