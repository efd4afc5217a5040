#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "engine/phone.h"
#include "test_support.h"

using namespace kv;
using namespace kvtest;

TEST(Phone, ConstructionDefaults) {
    Phone p;
    EXPECT_EQ(p.Port(), DefaultPort);
    EXPECT_EQ(p.PartyCount, 0);
    EXPECT_EQ(p.FramesPerPacket, 4);
    EXPECT_EQ(p.Autoanswer, AnswerAsk);
    EXPECT_EQ(p.CallState, StateIdle);
    EXPECT_EQ(p.MessageState, MsgIdle);
    EXPECT_EQ(p.Codec, 0);
    EXPECT_EQ(p.GenerateLog, 0);
    EXPECT_EQ(p.ChatQueueCount, 0);
    EXPECT_EQ(p.SpeakerMuted, 0);
    EXPECT_EQ(p.MicMuted, 0);
    EXPECT_EQ(p.Socket.load(), nullptr);
    EXPECT_EQ(p.NotifyWindow.load(), nullptr);
    EXPECT_EQ(p.TransmitRunning, 0);
    EXPECT_EQ(p.ReceiveRunning, 0);
    EXPECT_STREQ(p.Identity, "");
    EXPECT_STREQ(p.RefusalMessage, "");
}

TEST(Phone, StartRunsBothThreadsAndShutdownStopsThem) {
    Phone p(0);
    ASSERT_EQ(p.Start(), 1);
    EXPECT_NE(p.Socket.load(), nullptr);
    EXPECT_EQ(p.FramesPerPacket, 7);
    EXPECT_EQ(p.ReceiveRunning, 1);
    EXPECT_EQ(p.TransmitRunning, 1);
    auto start = std::chrono::steady_clock::now();
    p.Shutdown();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(p.ReceiveRunning, 0);
    EXPECT_EQ(p.TransmitRunning, 0);
    EXPECT_EQ(p.Socket.load(), nullptr);
    // About one second at most without traffic; the margin is for slow machines.
    EXPECT_LT(took, std::chrono::seconds(5));
    p.Shutdown();  // a second call changes nothing
}

TEST(Phone, StartFailsWhenThePortIsTaken) {
    uint16_t port = FreePort();
    Phone first(port);
    ASSERT_EQ(first.Start(), 1);
    Phone second(port);
    EXPECT_EQ(second.Start(), 0);
    EXPECT_EQ(second.Socket.load(), nullptr);
    EXPECT_EQ(second.ReceiveRunning, 0);
    EXPECT_EQ(second.TransmitRunning, 0);
    second.Shutdown();
    // The first copy still answers: audio from a stranger draws a Leave.
    Peer peer;
    peer.sendTo(port, {0x00, 0x01});
    Received r;
    ASSERT_TRUE(peer.receive(&r));
    EXPECT_EQ(r.bytes, std::vector<uint8_t>{0x82});
}

TEST(Phone, ShutdownRightAfterStartAndWithoutStart) {
    for (int i = 0; i < 5; ++i) {
        Phone p(0);
        ASSERT_EQ(p.Start(), 1);
        p.Shutdown();
        EXPECT_EQ(p.ReceiveRunning, 0);
        EXPECT_EQ(p.TransmitRunning, 0);
    }
    Phone never;
    never.Shutdown();
}

TEST(Phone, PartyTableKeepsOrderOnRemoval) {
    Phone p;
    NotificationQueue q;
    p.NotifyWindow = &q;
    PeerAddress a = MakeAddress(Loopback, 1001), b = MakeAddress(Loopback, 1002), c = MakeAddress(Loopback, 1003);
    ASSERT_EQ(p.AddParty(a, "A"), 1);
    ASSERT_EQ(p.AddParty(b, "B"), 1);
    ASSERT_EQ(p.AddParty(c, "C"), 1);
    p.ActivateParty(c);
    MediaChannel* channelC = p.PartyChannel[2];
    EXPECT_EQ(p.RemoveParty(&b), 1);
    ASSERT_EQ(p.PartyCount, 2);
    EXPECT_STREQ(p.PartyName[1], "C");
    EXPECT_TRUE(SameAddress(p.PartyAddress[1], c));
    EXPECT_EQ(p.PartyActive[1], 1);
    EXPECT_EQ(p.PartyChannel[1], channelC);
    EXPECT_EQ(p.RemoveParty(&b), 0);
    EXPECT_EQ(p.FindParty(a), 0);
    EXPECT_EQ(p.FindParty(b), -1);
    int changes = 0;
    Notification n;
    while (q.next(&n, 0))
        if (n.code == PartiesChanged) ++changes;
    EXPECT_EQ(changes, 4);
}

TEST(Phone, ConcealReachesEveryPartysPlayoutAndNewOnes) {
    Phone p;
    EXPECT_EQ(p.Conceal, 1);
    ASSERT_EQ(p.AddParty(MakeAddress(Loopback, 1001), "A"), 1);
    EXPECT_EQ(p.PartyChannel[0]->playout.conceal, 1);
    p.SetConceal(0);
    EXPECT_EQ(p.PartyChannel[0]->playout.conceal, 0);
    ASSERT_EQ(p.AddParty(MakeAddress(Loopback, 1002), "B"), 1);
    EXPECT_EQ(p.PartyChannel[1]->playout.conceal, 0);
    p.SetConceal(-3);  // anything but 0 is on
    EXPECT_EQ(p.Conceal, 1);
    EXPECT_EQ(p.PartyChannel[0]->playout.conceal, 1);
    EXPECT_EQ(p.PartyChannel[1]->playout.conceal, 1);
}

TEST(Phone, TheHundredAndFirstPartyIsNotAdded) {
    Phone p;
    for (int i = 0; i < MaxParties; ++i) ASSERT_EQ(p.AddParty(MakeAddress(Loopback, uint16_t(2000 + i)), "x"), 1);
    EXPECT_EQ(p.AddParty(MakeAddress(Loopback, 3000), "late"), 0);
    EXPECT_EQ(p.PartyCount, MaxParties);
    EXPECT_EQ(p.FindParty(MakeAddress(Loopback, 3000)), -1);
}

// Every kind of change to a field the engine threads wait on wakes a thread
// asleep on StateChanged; a forgotten notification would leave it asleep for
// its whole minute.
TEST(PhoneWaits, EveryChangeOfAWatchedFieldWakesTheWaiter) {
    Phone p(0);
    auto wakes = [&](const std::function<bool()>& condition, const std::function<void()>& change) {
        std::atomic<bool> looked{false}, woke{false};
        std::thread waiter([&] {
            woke = p.StateChanged.waitFor(60000, [&] {
                looked = true;
                return condition();
            });
        });
        // The waiter has looked under the signal's lock, so the change's
        // notification (which takes that lock) finds it asleep.
        while (!looked) std::this_thread::yield();
        change();
        const bool ok = kvtest::WaitFor([&] { return woke.load(); }, 10000);
        if (!ok) p.StateChanged.notify();  // let the waiter go before failing
        waiter.join();
        return ok;
    };
    EXPECT_TRUE(wakes([&] { return p.CallState == StateIncoming; }, [&] { p.CallState = StateIncoming; }));
    EXPECT_TRUE(wakes([&] { return p.CallState == StateIdle; }, [&] {
        int incoming = StateIncoming;
        p.CallState.compare_exchange_strong(incoming, StateIdle);
    }));
    EXPECT_TRUE(wakes([&] { return p.MessageState == MsgSending; }, [&] { p.MessageState = MsgSending; }));
    EXPECT_TRUE(wakes([&] { return p.MicMuted == 1; }, [&] { p.MicMuted = 1; }));
    EXPECT_TRUE(wakes([&] { return p.PartyActive[3] == 1; }, [&] { p.PartyActive[3] = 1; }));
    EXPECT_TRUE(wakes([&] { return p.PartyCount == 2; }, [&] { p.PartyCount = 2; }));
    p.PartyCount = 0;
}
