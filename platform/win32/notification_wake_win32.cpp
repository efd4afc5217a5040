// The notification queue's wake-up on Windows: a manual-reset event. The
// console program reads its standard input on a thread of its own, which
// wakes the main loop through the queue, so only the event is waited on.
#include <windows.h>

#include "platform/notification_queue.h"

namespace kv {

namespace {
HANDLE AsHandle(long long h) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(h)); }
}  // namespace

QueueWake::QueueWake() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    handle_ = event ? static_cast<long long>(reinterpret_cast<intptr_t>(event)) : -1;
}

QueueWake::~QueueWake() {
    if (handle_ != -1) CloseHandle(AsHandle(handle_));
}

void QueueWake::signal() {
    if (handle_ != -1) SetEvent(AsHandle(handle_));
}

void QueueWake::clear() {
    if (handle_ != -1) ResetEvent(AsHandle(handle_));
}

int QueueWake::wait(int timeoutMs, bool) {
    if (handle_ == -1) {
        Sleep(timeoutMs < 0 ? 1000 : static_cast<DWORD>(timeoutMs));
        return 0;
    }
    const DWORD result = WaitForSingleObject(AsHandle(handle_), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    return result == WAIT_OBJECT_0 ? NotificationQueue::ReadyEvent : 0;
}

bool CanWatchInput() { return false; }

int ReadInput(char*, int) { return -1; }

}  // namespace kv
