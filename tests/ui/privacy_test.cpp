// Private calls in the Windows program: the party list's marks, the privacy
// line with its short authentication string and the Verify button, the
// warnings of a changed key and of a peer that no longer answers privately,
// the incoming-call dialog's warning lines, a privacy change during a call,
// and the private key kept sealed in the settings store. The calls are real,
// between this process's phone and peers on loopback ports.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/secret.h"
#include "secure/private_call.h"
#include "shell_helpers.h"

using namespace shelltest;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
constexpr int kCallMs = 20000;  // a call setup under Wine on a busy machine

// Another KestroVox on a loopback port that accepts every call by itself.
struct Peer {
    Peer(const char* name, int privacy) : phone(0) {
        phone.SetAudioDevices(&devices);
        phone.WriteText(phone.Identity, sizeof phone.Identity, name);
        phone.Autoanswer = kv::AnswerAccept;
        phone.Privacy = privacy;
        phone.Capture.inputThreshold = kv::CaptureDevice::ThresholdOff;
        EXPECT_EQ(phone.Start(), 1);
    }
    ~Peer() { phone.Shutdown(); }
    kv::PeerAddress address() const { return kv::MakeAddress(kLoopback, phone.Port()); }
    // What the user types to call it, and how the program shows its address.
    std::string shown() const { return "127.0.0.1:" + std::to_string(phone.Port()); }

    kv::ManualWaveDevices devices;
    kv::Phone phone;
};

std::vector<std::string> ListLines(HWND list) {
    std::vector<std::string> lines;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[400] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}

std::string Grouped(uint32_t sas) {
    char digits[8];
    kv::secure::FormatSas(sas, digits, true);
    return digits;
}

std::string FingerprintOf(const uint8_t key[32]) {
    char text[32];
    kv::secure::Fingerprint(key, text, true);
    return text;
}

bool EndsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// "PrivateKey" as stored (a sealed key is some hundred hex digits long).
// Whether the static control's text fits it, wrapped as the control wraps it.
bool TextFits(HWND control) {
    RECT client{};
    GetClientRect(control, &client);
    const std::string text = kvui::WindowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, client.right, 0};
    DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return needed.bottom <= client.bottom && needed.right <= client.right;
}

std::string StoredKey() {
    std::vector<char> text(8192, 0);
    if (kv::ReadTextSetting(kv::SettingsKey, "PrivateKey", text.data(), static_cast<int>(text.size())) != 0)
        return "<missing>";
    return text.data();
}

class PrivacyTest : public ShellTest {
protected:
    // The main window over settings with "Privacy" as given.
    void Create(int privacy) {
        kv::WriteNumberSetting("Privacy", privacy);
        ASSERT_NE(CreateWithIdentity("Me"), nullptr);
        ASSERT_EQ(phone_->Privacy, privacy);
    }

    HWND Parties() { return GetDlgItem(dialog_, IDC_PARTIES); }
    std::string PrivacyLine() { return kvui::ItemText(dialog_, IDC_PRIVACY_LINE); }
    bool VerifyEnabled() { return IsWindowEnabled(GetDlgItem(dialog_, IDC_VERIFY)) != FALSE; }

    // Calls the peer from the main dialog, as the user types its address and presses Call.
    void Dial(const Peer& peer) {
        SetDlgItemTextA(dialog_, IDC_ADDRESS, peer.shown().c_str());
        Click(dialog_, IDC_CALL);
    }

    // Pumps until the peer is an active party here, and this phone one there.
    bool Connected(Peer& peer) {
        return kvui::PumpUntil(
            [&] {
                if (phone_->CallState != kv::StateIdle) return false;
                std::lock_guard<std::recursive_mutex> guard(phone_->PartyLock);
                const int index = phone_->FindParty(peer.address());
                return index >= 0 && phone_->PartyActive[index] != 0 && peer.phone.PartyCount == 1;
            },
            kCallMs);
    }

    // Pumps until the call setup is over (idle again).
    bool SetupOver() {
        return kvui::PumpUntil([&] { return phone_->CallState == kv::StateIdle; }, kCallMs);
    }

    // Pumps until the privacy line says text.
    bool LineShows(const std::string& text) {
        return kvui::PumpUntil([&] { return PrivacyLine() == text; }, 5000);
    }

    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (const auto& box : Desktop().boxes) captions.push_back(box.caption);
        return captions;
    }
};

TEST_F(PrivacyTest, PartyListMarksPrivateAndPlainPartiesAndTheUserVerifiesTheDigits) {
    Create(kv::PrivacyWherePossible);
    EXPECT_EQ(PrivacyLine(), "");
    EXPECT_FALSE(VerifyEnabled());

    Peer bob("Bob", kv::PrivacyWherePossible);
    Dial(bob);
    ASSERT_TRUE(Connected(bob)) << kvui::ItemText(dialog_, IDC_STATUS);
    const std::string bobLine = "[private, HD] Bob (" + bob.shown() + ")";
    EXPECT_TRUE(kvui::PumpUntil([&] { return ListLines(Parties()) == std::vector<std::string>{bobLine}; }))
        << ListLines(Parties()).size();

    // Both sides have the same digits; this side shows them.
    kv::PrivacyInfo here, there;
    ASSERT_TRUE(phone_->PrivacyOf(bob.address(), &here));
    ASSERT_TRUE(bob.phone.PrivacyOf(kv::MakeAddress(kLoopback, phone_->Port()), &there));
    EXPECT_EQ(here.sas, there.sas);
    const std::string sas = Grouped(here.sas);
    EXPECT_TRUE(LineShows("Bob: " + sas + " (not verified)")) << PrivacyLine();
    EXPECT_TRUE(TextFits(GetDlgItem(dialog_, IDC_PRIVACY_LINE)));
    EXPECT_TRUE(VerifyEnabled());

    // The digits Bob reads differ (or were not compared): nothing is marked.
    Desktop().answer = IDNO;
    Click(dialog_, IDC_VERIFY);
    ASSERT_EQ(Desktop().boxes.size(), 2u);
    EXPECT_EQ(Desktop().boxes[0].caption, "Verify");
    EXPECT_EQ(Desktop().boxes[0].text, "Ask Bob to read you the six digits shown on the other side for this call.\n\n"
                                       "Do they match " + sas + "?");
    EXPECT_EQ(Desktop().boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(Desktop().boxes[1].text, "Not marked verified.\nIf the digits Bob reads differ from " + sas +
                                           ", someone may be listening in: hang up and call again.");
    ASSERT_TRUE(phone_->PrivacyOf(bob.address(), &here));
    EXPECT_FALSE(here.verified);
    EXPECT_EQ(PrivacyLine(), "Bob: " + sas + " (not verified)");

    // They match: verified, remembered, and the button has done its work.
    Desktop().answer = IDYES;
    Click(dialog_, IDC_VERIFY);
    ASSERT_EQ(Desktop().boxes.size(), 3u);
    ASSERT_TRUE(phone_->PrivacyOf(bob.address(), &here));
    EXPECT_TRUE(here.verified);
    EXPECT_EQ(PrivacyLine(), "Bob: " + sas + " (verified)");
    EXPECT_FALSE(VerifyEnabled());
    kv::RememberedPeer remembered;
    ASSERT_TRUE(phone_->Peers.findByAddress(bob.address(), &remembered));
    EXPECT_TRUE(remembered.verified);
    EXPECT_EQ(std::memcmp(remembered.key, here.key, 32), 0);
    EXPECT_NE(Setting(kv::SettingsKey, "RememberedPeers"), "<missing>");

    // A plain peer joins the call (it never answers a handshake).
    Peer cy("Cy", kv::PrivacyPlain);
    Dial(cy);
    ASSERT_TRUE(kvui::PumpUntil([&] { return phone_->PartyCount == 2 && phone_->CallState == kv::StateIdle; },
                                kCallMs));
    const std::string cyLine = "[plain] Cy (" + cy.shown() + ")";
    EXPECT_TRUE(kvui::PumpUntil([&] { return ListLines(Parties()) == std::vector<std::string>{bobLine, cyLine}; }));
    EXPECT_FALSE(phone_->PrivacyOf(cy.address(), &here));
    EXPECT_EQ(PrivacyLine(), "Bob: " + sas + " (verified)");  // no selection: the private party

    // Choosing Cy in the list shows Cy.
    SendMessageA(Parties(), LB_SETCURSEL, 1, 0);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_PARTIES, LBN_SELCHANGE), reinterpret_cast<LPARAM>(Parties()));
    EXPECT_EQ(PrivacyLine(), "Cy: plain, not private");
    EXPECT_FALSE(VerifyEnabled());
    kvui::Pump(300);  // the timer keeps the selection
    EXPECT_EQ(SendMessageA(Parties(), LB_GETCURSEL, 0, 0), 1);

    // The disconnect dialog still finds the address in the marked lines.
    std::vector<std::string> offered;
    kvui::RunModal(
        "Disconnect",
        [&] {
            Click(dialog_, IDC_HANGUP);
            return INT_PTR(0);
        },
        [&](HWND disconnect) {
            offered = ListLines(GetDlgItem(disconnect, IDC_DISCONNECT_LIST));
            SendDlgItemMessageA(disconnect, IDC_DISCONNECT_LIST, LB_SETSEL, TRUE, 2);
            kvui::Command(disconnect, IDOK);
        });
    EXPECT_EQ(offered, (std::vector<std::string>{"(Everyone)", bobLine, cyLine}));
    EXPECT_TRUE(kvui::PumpUntil([&] { return phone_->PartyCount == 1; }));
    EXPECT_GE(phone_->FindParty(bob.address()), 0);
    EXPECT_TRUE(kvui::PumpUntil([&] { return ListLines(Parties()) == std::vector<std::string>{bobLine}; }));
    EXPECT_TRUE(LineShows("Bob: " + sas + " (verified)"));
}

TEST_F(PrivacyTest, ChangedKeyAsksAndYesGoesOnWithTheNewKeyWhileNoEndsTheCall) {
    Create(kv::PrivacyWherePossible);
    Peer bob("Bob", kv::PrivacyWherePossible);
    // Bob's address is remembered with another key, as after Bob reinstalled.
    uint8_t before[32];
    for (int i = 0; i < 32; ++i) before[i] = static_cast<uint8_t>(i + 1);
    phone_->Peers.accept(before, bob.address(), "Bob", static_cast<int64_t>(std::time(nullptr)));

    Desktop().answer = IDNO;
    Dial(bob);
    ASSERT_TRUE(kvui::PumpUntil([&] { return !Desktop().boxes.empty(); }, kCallMs));
    ASSERT_TRUE(SetupOver());
    kvui::Pump(300);
    ASSERT_EQ(Desktop().boxes.size(), 1u) << "No ends the call without another message";
    const auto box = Desktop().boxes[0];
    EXPECT_EQ(box.caption, "Call");
    EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(box.type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2));
    EXPECT_EQ(box.text, "The party Bob (" + bob.shown() +
                            ") has another key than before.\nThis is expected if Bob reinstalled KestroVox or uses "
                            "another computer; otherwise someone may be listening in.\nThe new key: " +
                            bob.phone.OwnFingerprint(true) + "\nCall anyway?");
    EXPECT_EQ(phone_->PartyCount, 0);
    EXPECT_EQ(bob.phone.PartyCount, 0);
    kv::RememberedPeer remembered;
    ASSERT_TRUE(phone_->Peers.findByAddress(bob.address(), &remembered));
    EXPECT_EQ(std::memcmp(remembered.key, before, 32), 0) << "No keeps the remembered key";

    Desktop().answer = IDYES;
    Dial(bob);
    ASSERT_TRUE(Connected(bob));
    ASSERT_EQ(Desktop().boxes.size(), 2u);
    EXPECT_EQ(Desktop().boxes[1].text, box.text);
    kv::PrivacyInfo here;
    ASSERT_TRUE(phone_->PrivacyOf(bob.address(), &here));
    EXPECT_EQ(FingerprintOf(here.key), bob.phone.OwnFingerprint(true));
    ASSERT_TRUE(phone_->Peers.findByAddress(bob.address(), &remembered));
    EXPECT_EQ(std::memcmp(remembered.key, here.key, 32), 0) << "Yes remembers the new key";
    EXPECT_TRUE(kvui::PumpUntil([&] {
        return ListLines(Parties()) == std::vector<std::string>{"[private, HD] Bob (" + bob.shown() + ")"};
    }));
}

TEST_F(PrivacyTest, PeerThatNoLongerAnswersPrivatelyIsCalledInPlainOnlyAfterYes) {
    Create(kv::PrivacyWherePossible);
    Peer cy("Cy", kv::PrivacyPlain);
    uint8_t key[32];
    std::memset(key, 7, sizeof key);
    phone_->Peers.accept(key, cy.address(), "Cy", static_cast<int64_t>(std::time(nullptr)));
    // The handshake's second round, at the call request's pace, kept short here
    // (the call thread that reads it starts after this).
    phone_->Timings.callIntervalMs = 100;

    Desktop().answer = IDYES;
    Dial(cy);
    ASSERT_TRUE(Connected(cy));
    ASSERT_EQ(Desktop().boxes.size(), 1u);
    EXPECT_EQ(Desktop().boxes[0].caption, "Call");
    EXPECT_EQ(Desktop().boxes[0].text, "No private answer came from Cy (" + cy.shown() +
                                           "), who was private before.\nThe peer may be offline, or something on the "
                                           "way may be blocking private calls.\nCall without privacy?");
    EXPECT_EQ(Desktop().boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(kvui::PumpUntil(
        [&] { return ListLines(Parties()) == std::vector<std::string>{"[plain] Cy (" + cy.shown() + ")"}; }));
    EXPECT_TRUE(LineShows(""));
}

TEST_F(PrivacyTest, WarningTextsForMessagesUnnamedPeersAndPrivateOnly) {
    Create(kv::PrivacyWherePossible);
    const kv::PeerAddress dora = kv::MakeAddress(0x0A000002, kv::DefaultPort);
    uint8_t key[32];
    std::memset(key, 9, sizeof key);
    phone_->Peers.accept(key, dora, "Dora", static_cast<int64_t>(std::time(nullptr)));
    auto warn = [&](const char* name, const kv::PeerAddress& address) {
        std::lock_guard<std::mutex> guard(phone_->FieldLock);
        std::snprintf(phone_->WarnName, sizeof phone_->WarnName, "%s", name);
        phone_->WarnAddress = address;
        std::memcpy(phone_->WarnKey, key, sizeof key);
    };

    // A short message to a peer whose key changed, and that gave no name.
    warn("", dora);
    phone_->ProceedAnyway = 0;
    Desktop().answer = IDYES;
    Notify(kv::KeyChanged, kv::SubjectMessage);
    EXPECT_EQ(phone_->ProceedAnyway, 1);
    ASSERT_EQ(Desktop().boxes.size(), 1u);
    EXPECT_EQ(Desktop().boxes[0].caption, "Short message");
    EXPECT_EQ(Desktop().boxes[0].text,
              "The party 10.0.0.2 has another key than before.\nThis is expected if the party reinstalled KestroVox "
              "or uses another computer; otherwise someone may be listening in.\nThe new key: " +
                  FingerprintOf(key) + "\nSend the message anyway?");

    // No private answer to a message: No does not go on.
    warn("Dora", dora);
    phone_->ProceedAnyway = 0;
    Desktop().answer = IDNO;
    Notify(kv::NotPrivate, kv::SubjectMessage);
    EXPECT_EQ(phone_->ProceedAnyway, 0);
    ASSERT_EQ(Desktop().boxes.size(), 2u);
    EXPECT_EQ(Desktop().boxes[1].text, "No private answer came from Dora (10.0.0.2), who was private before.\n"
                                       "The peer may be offline, or something on the way may be blocking private "
                                       "calls.\nSend the message without privacy?");

    // Private only: the box only tells, about a remembered peer or any other.
    phone_->Privacy = kv::PrivacyOnly;
    Desktop().answer = IDYES;
    Notify(kv::NotPrivate, kv::SubjectCall);
    EXPECT_EQ(phone_->ProceedAnyway, 0);
    warn("", kv::MakeAddress(0x0A000003, 5000));
    Notify(kv::NotPrivate, kv::SubjectCall);
    EXPECT_EQ(phone_->ProceedAnyway, 0);
    ASSERT_EQ(Desktop().boxes.size(), 4u);
    for (size_t i : {2u, 3u}) {
        EXPECT_EQ(Desktop().boxes[i].caption, "Call");
        EXPECT_EQ(Desktop().boxes[i].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    }
    EXPECT_EQ(Desktop().boxes[2].text, "No private answer came from Dora (10.0.0.2), who was private before.\n"
                                       "The peer may be offline, or something on the way may be blocking private "
                                       "calls.\nYour settings allow private calls only, so the call was not made.");
    EXPECT_EQ(Desktop().boxes[3].text, "No private answer came from 10.0.0.3:5000.\nThe peer may be offline, may be "
                                       "a KestroVox without private calls, or something on the way may be blocking "
                                       "private calls.\nYour settings allow private calls only, so the call was not "
                                       "made.");
}

TEST_F(PrivacyTest, IncomingCallDialogWarnsOfAChangedKeyAndOfAPlainCallFromAPrivatePeer) {
    Create(kv::PrivacyWherePossible);
    kvtest::Peer eve;
    phone_->WriteText(phone_->RemoteName, sizeof phone_->RemoteName, "Eve");
    phone_->WriteAddress(phone_->RemoteAddress, eve.address());
    phone_->CallState = kv::StateIncoming;
    Notify(kv::IncomingCall, kv::RingAloud | kv::RingKeyChanged);
    HWND question = kv::TheShell.incomingCallDialog;
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(kvui::ItemText(question, IDC_NOTICE_TEXT),
              "Incoming call from Eve (127.0.0.1).\nEve has another key than before: expected after a reinstall or "
              "on another computer, otherwise someone else may be calling.\nAccept ?");
    EXPECT_TRUE(TextFits(GetDlgItem(question, IDC_NOTICE_TEXT)));
    EXPECT_EQ(Desktop().sounds.size(), 1u);
    DestroyWindow(question);
    kv::TheShell.incomingCallDialog = nullptr;

    // Quiet, and plain from a name remembered as private.
    Notify(kv::IncomingCall, kv::RingQuiet | kv::RingNotPrivate);
    question = kv::TheShell.incomingCallDialog;
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(kvui::ItemText(question, IDC_NOTICE_TEXT),
              "Incoming call from Eve (127.0.0.1).\nEve called privately before, but this call is not private: "
              "someone else may be calling.\nAccept ?");
    EXPECT_TRUE(TextFits(GetDlgItem(question, IDC_NOTICE_TEXT)));
    EXPECT_EQ(Desktop().sounds.size(), 1u) << "a quiet ring has no sound";
    SendMessageA(question, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(phone_->CallState, kv::StateIdle);
}

TEST_F(PrivacyTest, PlainOnlyChosenDuringAPrivateCallWaitsForItsEnd) {
    Create(kv::PrivacyWherePossible);
    Peer bob("Bob", kv::PrivacyWherePossible);
    Dial(bob);
    ASSERT_TRUE(Connected(bob));
    std::vector<std::string> choices;
    std::string fingerprint;
    kvui::RunModal(
        "KestroVox Settings",
        [&] {
            Click(dialog_, IDC_SETTINGS);
            return INT_PTR(0);
        },
        [&](HWND settings) {
            fingerprint = kvui::ItemText(settings, IDC_FINGERPRINT);
            EXPECT_EQ(SendDlgItemMessageA(settings, IDC_PRIVACY, CB_GETCURSEL, 0, 0), 1);
            SendDlgItemMessageA(settings, IDC_PRIVACY, CB_SETCURSEL, 0, 0);
            kvui::Command(settings, IDOK);
        });
    EXPECT_EQ(fingerprint, phone_->OwnFingerprint(true));
    EXPECT_EQ(NumberSetting("Privacy"), 0);
    EXPECT_EQ(phone_->Privacy, kv::PrivacyWherePossible) << "the private call goes on";
    EXPECT_EQ(kv::TheShell.pendingPrivacy, 0);
    kvui::Pump(300);
    EXPECT_EQ(phone_->PartyCount, 1);
    EXPECT_EQ(phone_->Privacy, kv::PrivacyWherePossible);

    // Reopened meanwhile, the dialog shows the choice that waits.
    kvui::RunModal(
        "KestroVox Settings",
        [&] {
            Click(dialog_, IDC_SETTINGS);
            return INT_PTR(0);
        },
        [&](HWND settings) {
            EXPECT_EQ(SendDlgItemMessageA(settings, IDC_PRIVACY, CB_GETCURSEL, 0, 0), 0);
            kvui::Command(settings, IDCANCEL);
        });

    Click(dialog_, IDC_HANGUP);
    EXPECT_TRUE(kvui::PumpUntil([&] { return phone_->Privacy == kv::PrivacyPlain; }, 5000));
    EXPECT_EQ(kv::TheShell.pendingPrivacy, -1);
}

// ---- the private key in the settings store ----

// 64 hex digits of a key, as an older build or the console peer stores it.
const char kClearKey[] = "4142434445464748494a4b4c4d4e4f505152535455565758595a5b5c5d5e5f60";

TEST(PrivateKeyStore, FirstStartStoresTheKeySealedAndTheNextStartReadsItBack) {
    kvui::ClearSettings();
    ASSERT_TRUE(kv::SecretsSealed()) << "the data protection API is there (Windows, Wine)";
    kv::Phone first(0);
    EXPECT_EQ(kv::LoadPrivacy(first), kv::KeyMade);
    const std::string stored = StoredKey();
    ASSERT_EQ(stored.rfind(kv::SealedKeyPrefix, 0), 0u) << stored;
    EXPECT_EQ(stored.find(first.PrivateKeyHex()), std::string::npos) << "the key is not in the clear";

    kv::Phone again(0);
    EXPECT_EQ(kv::LoadPrivacy(again), kv::KeyLoaded);
    EXPECT_EQ(again.PrivateKeyHex(), first.PrivateKeyHex());
    EXPECT_EQ(StoredKey(), stored) << "a key read is not stored again";
    kvui::ClearSettings();
}

TEST(PrivateKeyStore, KeyInTheClearIsReadAndStoredSealed) {
    kvui::ClearSettings();
    kv::WriteTextSetting(kv::SettingsKey, "PrivateKey", kClearKey);
    kv::Phone phone(0);
    EXPECT_EQ(kv::LoadPrivacy(phone), kv::KeyLoaded);
    EXPECT_EQ(phone.PrivateKeyHex(), kClearKey);
    const std::string stored = StoredKey();
    EXPECT_EQ(stored.rfind(kv::SealedKeyPrefix, 0), 0u) << stored;
    kv::Phone again(0);
    EXPECT_EQ(kv::LoadPrivacy(again), kv::KeyLoaded);
    EXPECT_EQ(again.PrivateKeyHex(), kClearKey);
    kvui::ClearSettings();
}

TEST(PrivateKeyStore, SealedKeyThatDoesNotOpenIsKeptAndTheRunHasAKeyOfItsOwn) {
    std::string sealed;
    ASSERT_TRUE(kv::ProtectSecret(kClearKey, &sealed));
    std::string damaged;
    static const char digits[] = "0123456789abcdef";
    for (unsigned char b : sealed) {
        damaged += digits[b >> 4];
        damaged += digits[b & 15];
    }
    damaged[damaged.size() - 10] = damaged[damaged.size() - 10] == '0' ? '1' : '0';  // one bit of the blob
    for (const std::string& value : {std::string(kv::SealedKeyPrefix) + damaged,
                                     std::string(kv::SealedKeyPrefix) + "00ff00ff", std::string(kv::SealedKeyPrefix),
                                     std::string(kv::SealedKeyPrefix) + "not hex at all"}) {
        kvui::ClearSettings();
        kv::WriteTextSetting(kv::SettingsKey, "PrivateKey", value.c_str());
        kv::Phone first(0), second(0);
        EXPECT_EQ(kv::LoadPrivacy(first), kv::KeyUnreadable) << value;
        EXPECT_EQ(StoredKey(), value) << "never replaced without the user";
        EXPECT_EQ(kv::LoadPrivacy(second), kv::KeyUnreadable);
        EXPECT_EQ(StoredKey(), value);
        EXPECT_NE(first.PrivateKeyHex(), std::string(64, '0'));
        EXPECT_NE(first.PrivateKeyHex(), second.PrivateKeyHex()) << "a new key each run";
        EXPECT_NE(first.PrivateKeyHex(), kClearKey);
    }
    kvui::ClearSettings();
}

TEST(PrivateKeyStore, TextThatIsNoKeyIsReplacedAsBefore) {
    kvui::ClearSettings();
    kv::WriteTextSetting(kv::SettingsKey, "PrivateKey", "hello");
    kv::Phone phone(0);
    EXPECT_EQ(kv::LoadPrivacy(phone), kv::KeyMade);
    kv::Phone again(0);
    EXPECT_EQ(kv::LoadPrivacy(again), kv::KeyLoaded);
    EXPECT_EQ(again.PrivateKeyHex(), phone.PrivateKeyHex());
    kvui::ClearSettings();
}

TEST_F(PrivacyTest, UnreadableKeyAsksAtStartWhetherToKeepTheNewOne) {
    const std::string unreadable = std::string(kv::SealedKeyPrefix) + "00ff00ff";
    kv::WriteTextSetting(kv::SettingsKey, "PrivateKey", unreadable.c_str());
    Desktop().answer = IDNO;
    Create(kv::PrivacyWherePossible);
    ASSERT_EQ(Desktop().boxes.size(), 1u);
    EXPECT_EQ(Desktop().boxes[0].caption, "KestroVox");
    EXPECT_EQ(Desktop().boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(Desktop().boxes[0].text.rfind("Your private key is stored in a form that this Windows user cannot "
                                            "open",
                                            0),
              0u);
    EXPECT_TRUE(EndsWith(Desktop().boxes[0].text, "Keep the new key from now on? (No keeps the stored key and tries "
                                                  "it again at the next start.)"));
    EXPECT_EQ(StoredKey(), unreadable);

    DestroyMainWindow();
    Desktop().answer = IDYES;
    ASSERT_NE(CreateMain(), nullptr);
    ASSERT_EQ(Desktop().boxes.size(), 2u);
    const std::string stored = StoredKey();
    EXPECT_EQ(stored.rfind(kv::SealedKeyPrefix, 0), 0u);
    EXPECT_NE(stored, unreadable);
    kv::Phone next(0);
    EXPECT_EQ(kv::LoadPrivacy(next), kv::KeyLoaded);
    EXPECT_EQ(next.PrivateKeyHex(), phone_->PrivateKeyHex());
}

}  // namespace
