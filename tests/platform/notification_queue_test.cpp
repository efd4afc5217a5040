#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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
