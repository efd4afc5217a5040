// The notification seam: how the engine tells the user interface about an
// event. post() queues the event and returns at once; send() returns only once
// the interface has handled it (for instance closed the message box it shows).
// Windows: PostMessageA / SendMessageA with message 1024 to the main window.
// Console peer and tests: NotificationQueue.
#pragma once

namespace kv {

constexpr unsigned NotificationMessage = 1024;  // WM_USER

class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void post(int code, int value) = 0;
    virtual void send(int code, int value) = 0;
};

}  // namespace kv
