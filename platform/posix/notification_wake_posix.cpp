// The notification queue's wake-up on Linux: an eventfd, polled together
// with standard input by the console peer's main loop.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/notification_queue.h"

namespace kv {

QueueWake::QueueWake() : handle_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

QueueWake::~QueueWake() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void QueueWake::signal() {
    if (handle_ < 0) return;
    const uint64_t one = 1;
    // Fails only when the counter is full, and then it is signalled anyway.
    ssize_t written = ::write(static_cast<int>(handle_), &one, sizeof one);
    (void)written;
}

void QueueWake::clear() {
    if (handle_ < 0) return;
    uint64_t count;
    ssize_t got = ::read(static_cast<int>(handle_), &count, sizeof count);
    (void)got;
}

int QueueWake::wait(int timeoutMs, bool watchInput) {
    pollfd fds[2] = {{static_cast<int>(handle_), POLLIN, 0}, {0, POLLIN, 0}};
    const nfds_t count = watchInput ? 2 : 1;
    if (poll(fds, count, timeoutMs < 0 ? -1 : timeoutMs) <= 0) return 0;
    int ready = 0;
    if (fds[0].revents & POLLIN) ready |= NotificationQueue::ReadyEvent;
    // A closed or failed input is readable too: the read reports its end.
    if (watchInput && (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) ready |= NotificationQueue::ReadyInput;
    return ready;
}

bool CanWatchInput() { return true; }

int ReadInput(char* out, int capacity) {
    const ssize_t n = ::read(0, out, static_cast<size_t>(capacity));
    if (n >= 0) return static_cast<int>(n);
    if (errno == EAGAIN || errno == EINTR) return -1;
    return 0;  // an input that fails is over
}

}  // namespace kv
