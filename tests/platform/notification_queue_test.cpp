#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/notification_queue.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

TEST(NotificationQueue, PostedEventsComeInOrder) {
    NotificationQueue q;
    q.post(16, 0);
    q.post(13, 1);
    Notification n;
    ASSERT_TRUE(q.next(&n, 100));
    EXPECT_EQ(n.code, 16);
    EXPECT_FALSE(n.sent);
    ASSERT_TRUE(q.next(&n, 100));
    EXPECT_EQ(n.code, 13);
    EXPECT_EQ(n.value, 1);
    EXPECT_FALSE(q.next(&n, 20));
}

TEST(NotificationQueue, SendWaitsUntilTheReaderTookIt) {
    NotificationQueue q;
    std::atomic<bool> returned{false};
    std::thread sender([&] {
        q.send(6, 0);
        returned = true;
    });
    ASSERT_TRUE(WaitFor([&] { return q.pending() == 1; }));
    SleepMs(50);
    EXPECT_FALSE(returned);
    Notification n;
    ASSERT_TRUE(q.next(&n, 100));
    EXPECT_TRUE(n.sent);
    EXPECT_EQ(n.code, 6);
    sender.join();
    EXPECT_TRUE(returned);
}

TEST(NotificationQueue, CloseReleasesAWaitingSender) {
    NotificationQueue q;
    std::thread sender([&] { q.send(11, 0); });
    ASSERT_TRUE(WaitFor([&] { return q.pending() == 1; }));
    q.close();
    sender.join();
    q.post(1, 0);
    EXPECT_EQ(q.pending(), 0);
}

TEST(NotificationQueue, WaitReadyWakesForAnEventFromAnotherThread) {
    NotificationQueue q;
    EXPECT_EQ(q.waitReady(0, false), 0);  // nothing yet
    std::atomic<bool> waiting{false};
    std::thread poster([&] {
        while (!waiting) std::this_thread::yield();
        q.post(16, 3);
    });
    waiting = true;
    // No limit: only the event can end this wait.
    EXPECT_NE(q.waitReady(-1, false) & NotificationQueue::ReadyEvent, 0);
    poster.join();
    Notification n;
    ASSERT_TRUE(q.next(&n, 0));
    EXPECT_EQ(n.code, 16);
    // Taken: the next wait runs into its time-out.
    EXPECT_EQ(q.waitReady(20, false), 0);
}

TEST(NotificationQueue, WakeAndASignalGivenBeforeTheWaitAreNotLost) {
    NotificationQueue q;
    q.wake();
    EXPECT_EQ(q.waitReady(-1, false), NotificationQueue::ReadyEvent);
    EXPECT_EQ(q.waitReady(0, false), 0);  // used up
    q.wakeFromSignal();
    EXPECT_EQ(q.waitReady(-1, false), NotificationQueue::ReadyEvent);
    EXPECT_EQ(q.waitReady(0, false), 0);
    std::thread waker([&] { q.wake(); });
    EXPECT_EQ(q.waitReady(-1, false), NotificationQueue::ReadyEvent);
    waker.join();
}

TEST(NotificationQueue, StandardInputIsWatchedWhereTheSystemCan) {
    if (!CanWatchInput()) GTEST_SKIP() << "here a reader thread wakes the queue for each typed line";
#ifndef _WIN32
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int saved = dup(0);
    ASSERT_GE(dup2(fds[0], 0), 0);
    NotificationQueue q;
    EXPECT_EQ(q.waitReady(0, true), 0);
    ASSERT_EQ(write(fds[1], "hi\n", 3), 3);
    EXPECT_EQ(q.waitReady(-1, true), NotificationQueue::ReadyInput);
    char buffer[8];
    EXPECT_EQ(ReadInput(buffer, sizeof buffer), 3);
    EXPECT_EQ(q.waitReady(0, true), 0);  // all read
    close(fds[1]);
    EXPECT_EQ(q.waitReady(-1, true), NotificationQueue::ReadyInput);
    EXPECT_EQ(ReadInput(buffer, sizeof buffer), 0);  // the end of the input
    dup2(saved, 0);
    close(saved);
    close(fds[0]);
#endif
}
