// Notifications as message 1024 to a window: posted with PostMessageA, sent
// with SendMessageA (the engine thread waits for the window procedure).
#pragma once

#include <windows.h>

#include "platform/notify.h"

namespace kv {

class WindowNotifier final : public NotificationSink {
public:
    explicit WindowNotifier(HWND window) : window_(window) {}
    void post(int code, int value) override { PostMessageA(window_, NotificationMessage, code, value); }
    void send(int code, int value) override { SendMessageA(window_, NotificationMessage, code, value); }

private:
    HWND window_;
};

}  // namespace kv
