// Private calls between two phones on loopback: the handshake before the
// call, everything after it sealed, and the rules for what is not.
#include <gtest/gtest.h>

#include <cmath>

#include "call_harness.h"
#include "secure/private_call.h"

using namespace kv;
using namespace kvtest;
using Bytes = std::vector<uint8_t>;

namespace {

class PrivateCalls : public ::testing::Test {
protected:
    void SetUp() override {
        SetConversionOpener(WithoutTrueSpeech);
        ResetCodecAvailability();
        a->phone.Privacy = PrivacyWherePossible;
        b->phone.Privacy = PrivacyWherePossible;
        b->phone.Autoanswer = AnswerAccept;
    }
    void TearDown() override {
        a.reset();
        b.reset();
        SetConversionOpener(nullptr);
        ResetCodecAvailability();
    }
    void Connect() {
        ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
        ASSERT_TRUE(a->next(CallConnected));
        ASSERT_TRUE(b->next(IncomingConnected));
        ASSERT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle && b->phone.CallState == StateIdle; }));
    }
    std::unique_ptr<Side> a = std::make_unique<Side>("Ann");
    std::unique_ptr<Side> b = std::make_unique<Side>("Bob");
};

}  // namespace

TEST_F(PrivateCalls, ACallBetweenTwoOfOursIsPrivateWithOneSasAndCarriesVoice) {
    Connect();
    PrivacyInfo ann, bob;
    ASSERT_TRUE(a->phone.PrivacyOf(b->peer(), &ann));
    ASSERT_TRUE(b->phone.PrivacyOf(a->peer(), &bob));
    EXPECT_EQ(ann.sas, bob.sas);
    // Each side holds the other's public key: the one behind its fingerprint.
    PrivacyInfo none;
    EXPECT_FALSE(a->phone.PrivacyOf(a->peer(), &none));
    std::vector<int16_t> tone(320);
    for (int i = 0; i < 320; ++i) tone[i] = static_cast<int16_t>(9000 * std::sin(i * 0.2));
    for (int n = 0; n < 8; ++n) {
        ASSERT_TRUE(WaitFor([&] { return a->devices.fillInput(tone); }));
        ASSERT_TRUE(WaitFor([&] { return b->devices.fillInput(tone); }));
    }
    EXPECT_TRUE(b->hears());
    EXPECT_TRUE(a->hears());
    // Both remember each other now.
    RememberedPeer r;
    EXPECT_TRUE(a->phone.Peers.findByAddress(b->peer(), &r));
    EXPECT_EQ(std::string(r.name), "Bob");
}

TEST_F(PrivateCalls, AnotherKeyOfOurOwnForgetsTheSessionsOfTheOldOne) {
    Connect();
    PrivacyInfo ann;
    ASSERT_TRUE(a->phone.PrivacyOf(b->peer(), &ann));
    a->phone.SetPrivateKey(a->phone.PrivateKeyHex().c_str());  // the same key: nothing changes
    EXPECT_TRUE(a->phone.PrivacyOf(b->peer(), &ann));
    a->phone.MakePrivateKey();
    EXPECT_FALSE(a->phone.PrivacyOf(b->peer(), &ann));
}

TEST_F(PrivateCalls, APlainLeaveFromThePartysAddressLeavesThePrivateCallUp) {
    Connect();
    // A forger with Ann's address: its plain Leave reaches Bob as if from her.
    const Datagram leave = BuildLeave(0);
    b->phone.HandleDatagram(a->peer(), leave.bytes, leave.length);
    EXPECT_FALSE(b->next(PartyHungUp, nullptr, 1500));
    EXPECT_EQ(b->phone.PartyCount, 1);
    // The recheck it caused renewed the session; the call is still private.
    PrivacyInfo bob;
    EXPECT_TRUE(b->phone.PrivacyOf(a->peer(), &bob));
}

TEST_F(PrivateCalls, APlainPeerIsCalledInPlainAfterFourStep1) {
    b->phone.Privacy = PrivacyPlain;
    const auto start = std::chrono::steady_clock::now();
    Connect();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    PrivacyInfo info;
    EXPECT_FALSE(a->phone.PrivacyOf(b->peer(), &info));
    EXPECT_GE(ms, 900);  // four step 1, 250 ms apart, then plain
}

TEST_F(PrivateCalls, PrivateOnlyRefusesAPlainCallerAndNeverCallsInPlain) {
    b->phone.Privacy = PrivacyOnly;
    a->phone.Privacy = PrivacyPlain;
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(CallRefused));
    EXPECT_STREQ(a->phone.ReportRefusalText, PrivateOnlyText);
    // Bob calls Ann, who answers no handshake: nothing goes in plain, and Bob is told.
    a->phone.Autoanswer = AnswerAccept;
    b->phone.Timings.callIntervalMs = 100;
    Peer watcher;  // stands in for a plain peer: it never answers a step 1
    ASSERT_EQ(b->phone.PlaceCall(("127.0.0.1:" + std::to_string(watcher.port())).c_str()), 0);
    Notification n;
    ASSERT_TRUE(b->next(NotPrivate, &n, 5000));
    EXPECT_EQ(n.value, SubjectCall);
    for (const Received& r : watcher.drain(300)) EXPECT_EQ(r.bytes[0], secure::OpHandshake);
    EXPECT_TRUE(WaitFor([&] { return b->phone.CallState == StateIdle; }));
}

TEST_F(PrivateCalls, AChangedKeyWarnsAndTheCallGoesOnOnlyWhenTheUserSays) {
    Connect();
    a->phone.HangUp(nullptr, 0);
    ASSERT_TRUE(b->next(PartyHungUp));
    const uint16_t port = b->phone.Port();
    b.reset();  // Bob comes back on his port with another key
    b = std::make_unique<Side>("Bob", AnswerAccept, nullptr, port);
    b->phone.Privacy = PrivacyWherePossible;
    ASSERT_EQ(a->phone.PlaceCall(b->address().c_str()), 0);
    ASSERT_TRUE(a->next(KeyChanged, nullptr, 5000));  // refused: nobody set ProceedAnyway
    EXPECT_TRUE(WaitFor([&] { return a->phone.CallState == StateIdle; }));
    EXPECT_EQ(b->phone.PartyCount, 0);
    // Once the new key is accepted, the call goes through.
    EXPECT_EQ(a->phone.AcceptKey(b->peer()), 1);
    Connect();
}

TEST_F(PrivateCalls, AFloodOfStep1GetsAtMostFiftyAnswersAndSixteenHalfOpen) {
    secure::KeyPair key = secure::KeyPair::Generate();
    Peer flooder;
    for (int i = 0; i < 200; ++i) {
        auto h = secure::PrivateHandshake::Initiate(key, secure::Features());
        flooder.sendTo(b->phone.Port(), h->answer().data(), static_cast<int>(h->answer().size()));
    }
    const std::vector<Received> answers = flooder.drain(500);
    EXPECT_LE(answers.size(), 50u);  // fifty in any second, none beyond
    EXPECT_GT(answers.size(), 0u);
    for (const Received& r : answers) EXPECT_LE(r.bytes.size(), static_cast<size_t>(secure::Step1Length));
    // A step 1 again (the same ephemeral key) draws the very same step 2.
    auto again = secure::PrivateHandshake::Initiate(key, secure::Features());
    ASSERT_TRUE(WaitFor([&] {
        flooder.sendTo(b->phone.Port(), again->answer().data(), static_cast<int>(again->answer().size()));
        Received r;
        return flooder.receive(&r, 300);
    }, 5000));
    flooder.sendTo(b->phone.Port(), again->answer().data(), static_cast<int>(again->answer().size()));
    Received first, second;
    ASSERT_TRUE(flooder.receive(&first));
    flooder.sendTo(b->phone.Port(), again->answer().data(), static_cast<int>(again->answer().size()));
    ASSERT_TRUE(flooder.receive(&second));
    EXPECT_EQ(first.bytes, second.bytes);
}

TEST(PeerBook, StoredWholeReadBackAndDamageCostsOnlyTheEntry) {
    PeerBook book;
    uint8_t k1[32] = {1}, k2[32] = {2};
    const PeerAddress one = MakeAddress(0x0A000001, 11676), two = MakeAddress(0x0A000002, 5000);
    book.saw(k1, one, 100);
    book.named(k1, "Ann; \"x\",y");
    book.saw(k2, two, 200);
    book.markVerified(k2, true);
    std::string text = book.save();
    // A half-written value: the last entry cut, and junk between entries.
    const std::string damaged = text.substr(0, text.size() - 10) + ";nonsense;";
    PeerBook back;
    back.load(text);
    RememberedPeer r;
    ASSERT_TRUE(back.findByAddress(one, &r));
    EXPECT_EQ(r.name, "Ann; \"x\",y");
    EXPECT_TRUE(back.verified(k2));
    back.load(damaged);
    EXPECT_EQ(back.size(), 1u);
    EXPECT_TRUE(back.findByName("Ann; \"x\",y", &r));
    // Bounded: the least recently seen goes.
    PeerBook full;
    for (int i = 0; i < static_cast<int>(PeerBook::Capacity) + 5; ++i) {
        uint8_t k[32] = {};
        k[0] = static_cast<uint8_t>(i);
        k[1] = static_cast<uint8_t>(i >> 8);
        full.saw(k, MakeAddress(0x0B000000 + static_cast<uint32_t>(i), 1), 1000 + i);
    }
    EXPECT_EQ(full.size(), PeerBook::Capacity);
    EXPECT_FALSE(full.findByAddress(MakeAddress(0x0B000000, 1), nullptr));
    // Accepting a new key for an address forgets the old one there.
    book.accept(k1, two, "Bob", 300);
    ASSERT_TRUE(book.findByAddress(two, &r));
    EXPECT_EQ(r.key[0], 1);
}

TEST(PeerBook, SessionsAgainWithinTheHourStoreNothingAndAMoveIsStoredAtOnce) {
    PeerBook book;
    int stores = 0;
    book.onChange([&](const std::string&) { ++stores; });
    uint8_t k[32] = {7};
    const PeerAddress home = MakeAddress(0x0A000001, 11676), away = MakeAddress(0x0A000009, 11676);
    book.saw(k, home, 1000);
    book.saw(k, home, 1000 + PeerBook::SeenResolution - 1);
    EXPECT_EQ(stores, 1);
    book.saw(k, away, 1001);
    EXPECT_EQ(stores, 2);
    book.saw(k, away, 1001 + PeerBook::SeenResolution);
    EXPECT_EQ(stores, 3);
    RememberedPeer r;
    ASSERT_TRUE(book.findByAddress(away, &r));
    EXPECT_EQ(r.seen, 1001 + PeerBook::SeenResolution);
}

TEST(PrivateLinksUnit, ASealedDatagramThatOvertakesStep3DrawsNoLeave) {
    PrivateLinks links;
    links.configure(secure::KeyPair::Generate());
    const secure::KeyPair peerKey = secure::KeyPair::Generate();
    const PeerAddress peer = MakeAddress(0x0A000002, 11676), other = MakeAddress(0x0A000003, 11676);
    auto initiator = secure::PrivateHandshake::Initiate(peerKey, secure::Features{{0}});
    Bytes reply;
    const Bytes step1 = initiator->answer();
    ASSERT_EQ(links.onHandshake(peer, step1.data(), static_cast<int>(step1.size()), true, &reply, 1000),
              PrivateLinks::Handshake::Answered);
    ASSERT_TRUE(initiator->onStep2(reply.data(), static_cast<int>(reply.size())));
    // The peer's first sealed datagram comes before its step 3: no session
    // yet, and no Leave either, since the session is on its way.
    EXPECT_FALSE(links.mayAnswerLostSession(peer, 1010));
    const Bytes step3 = initiator->answer();
    EXPECT_EQ(links.onHandshake(peer, step3.data(), static_cast<int>(step3.size()), true, &reply, 1020),
              PrivateLinks::Handshake::Established);
    // An address with nothing under way learns that its session is gone.
    EXPECT_TRUE(links.mayAnswerLostSession(other, 1030));
}
