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
    EXPECT_TRUE(WaitFor([&] { return b->devices.outputsOpened() > 0 && b->devices.output().queued >= 8; }));
    EXPECT_TRUE(WaitFor([&] { return a->devices.outputsOpened() > 0 && a->devices.output().queued >= 8; }));
    // Both remember each other now.
    RememberedPeer r;
    EXPECT_TRUE(a->phone.Peers.findByAddress(b->peer(), &r));
    EXPECT_EQ(std::string(r.name), "Bob");
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
