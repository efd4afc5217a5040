// The input box, the incoming-call dialog, the party-left notice and the
// disconnect dialog, created from their real templates and driven by messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell.h"
#include "engine/phone.h"
#include "engine/protocol.h"
#include "platform/manual_wave.h"
#include "platform/udp_socket.h"
#include "resource.h"
#include "ui/dialogs.h"
#include "test_support.h"
#include "ui_support.h"

using namespace kv;

namespace {

using kvtest::FreePort;
using Peer = kvtest::Peer;
using Datagrams = std::vector<kvtest::Received>;

int CountReplies(const Datagrams& datagrams, int subCode) {
    int n = 0;
    for (const auto& d : datagrams) {
        CallReplyFields reply;
        if (ParseCallReply(d.bytes.data(), static_cast<int>(d.bytes.size()), &reply) && reply.subCode == subCode) ++n;
    }
    return n;
}

int CountLeaves(const Datagrams& datagrams) {
    int n = 0;
    for (const auto& d : datagrams)
        if (!d.bytes.empty() && d.bytes[0] == protocol::Leave) ++n;
    return n;
}

using kvui::Command;
using kvui::RunModal;

void Type(HWND edit, const std::string& text) {
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

// ---- the input box ----

class InputBoxTest : public ::testing::Test {
protected:
    void SetUp() override { TheShell = Shell(); }

    // Opens the box with the caption, types text into it and presses key
    // (VK_RETURN or VK_ESCAPE) through the box's own keyboard handling.
    INT_PTR Answer(char* buffer, int capacity, const std::string& text, WPARAM key) {
        return RunModal(
            "Send short message",
            [&] { return InputBox(nullptr, "Send short message", "Send short message\nMessage text:", buffer, capacity); },
            [&](HWND box) {
                HWND edit = GetDlgItem(box, IDC_INPUT_TEXT);
                Type(edit, text);
                PostMessageA(edit, WM_KEYDOWN, key, 0);
                PostMessageA(edit, WM_KEYUP, key, 0);
            });
    }
};

TEST_F(InputBoxTest, ShowsCaptionPromptAndEmptyAnswerCentred) {
    char buffer[260] = "old text";
    RunModal(
        "Off", [&] { return InputBox(nullptr, "Off", "All calls will be refused.\nPlease enter the message:", buffer, 260); },
        [](HWND box) {
            EXPECT_EQ(kvui::WindowText(box), "Off");
            EXPECT_EQ(kvui::ItemText(box, IDC_INPUT_PROMPT), "All calls will be refused.\nPlease enter the message:");
            EXPECT_EQ(kvui::ItemText(box, IDC_INPUT_TEXT), "");
            EXPECT_EQ(kvui::ItemText(box, IDOK), "OK");
            EXPECT_EQ(kvui::ItemText(box, IDCANCEL), "Cancel");
            const LONG style = GetWindowLongA(box, GWL_STYLE);
            EXPECT_TRUE(style & WS_CAPTION);
            EXPECT_TRUE(style & WS_SYSMENU);
            EXPECT_EQ(GetWindowLongA(GetDlgItem(box, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            // The answer is the first control in the tab order.
            EXPECT_EQ(GetNextDlgTabItem(box, nullptr, FALSE), GetDlgItem(box, IDC_INPUT_TEXT));
            RECT r;
            GetWindowRect(box, &r);
            EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXFULLSCREEN) - (r.right - r.left)) / 2);
            EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYFULLSCREEN) - (r.bottom - r.top)) / 2);
            Command(box, IDCANCEL);
        });
}

TEST_F(InputBoxTest, OkReturnsTheTypedText) {
    char buffer[260] = "old text";
    EXPECT_EQ(Answer(buffer, sizeof buffer, "hello there", VK_RETURN), 1);
    EXPECT_STREQ(buffer, "hello there");
}

TEST_F(InputBoxTest, LongAnswerIsCutToTheBuffer) {
    const std::string typed = [] {
        std::string s;
        for (int i = 0; i < 300; ++i) s += static_cast<char>('a' + i % 26);
        return s;
    }();
    // Bytes behind the buffer stay as they were.
    char storage[320];
    std::memset(storage, '#', sizeof storage);
    EXPECT_EQ(Answer(storage, 260, typed, VK_RETURN), 1);
    EXPECT_EQ(std::string(storage), typed.substr(0, 259));
    for (size_t i = 260; i < sizeof storage; ++i) ASSERT_EQ(storage[i], '#') << i;

    // The identity's 100 bytes take 99 characters.
    std::memset(storage, '#', sizeof storage);
    EXPECT_EQ(Answer(storage, 100, typed, VK_RETURN), 1);
    EXPECT_EQ(std::string(storage), typed.substr(0, 99));
    for (size_t i = 100; i < sizeof storage; ++i) ASSERT_EQ(storage[i], '#') << i;
}

TEST_F(InputBoxTest, CancelLeavesTheBufferUntouched) {
    char buffer[260] = "old text";
    EXPECT_EQ(Answer(buffer, sizeof buffer, "new text", VK_ESCAPE), 0);
    EXPECT_STREQ(buffer, "old text");
}

TEST_F(InputBoxTest, OtherCommandsDoNothing) {
    char buffer[260] = "old text";
    const INT_PTR result = RunModal(
        "Send short message",
        [&] { return InputBox(nullptr, "Send short message", "prompt", buffer, sizeof buffer); },
        [](HWND box) {
            SetDlgItemTextA(box, IDC_INPUT_TEXT, "typed");
            Command(box, IDC_INPUT_PROMPT);
            Command(box, 4711);
            EXPECT_TRUE(IsWindowVisible(box));
            Command(box, IDOK);
        });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(buffer, "typed");
}

// ---- the phone behind the dialogs ----

class WithPhone : public ::testing::Test {
protected:
    void SetUp() override {
        phone = kvui::StartShellPhone(devices);
        ASSERT_TRUE(phone->Socket.load());
    }
    void TearDown() override {
        for (HWND w : {TheShell.incomingCallDialog, TheShell.partyLeftNotice})
            if (w && IsWindow(w)) DestroyWindow(w);
        TheShell = Shell();
        phone.reset();
    }

    void AddActiveParty(const PeerAddress& address, const char* name) {
        ASSERT_EQ(phone->AddParty(address, name), 1);
        ASSERT_EQ(phone->ActivateParty(address), 1);
    }

    std::vector<std::string> PartyNames() {
        std::vector<std::string> names;
        std::lock_guard<std::recursive_mutex> guard(phone->PartyLock);
        for (int i = 0; i < phone->PartyCount; ++i) names.push_back(phone->PartyName[i]);
        return names;
    }

    ManualWaveDevices devices;
    std::unique_ptr<Phone> phone;
};

// ---- the incoming-call dialog ----

class IncomingCallDialogTest : public WithPhone {
protected:
    void TearDown() override {
        phone->CallState = StateIdle;  // ends the accept confirmation quickly
        WithPhone::TearDown();
    }

    // A call from the peer rings; the shell opens the dialog.
    HWND Ring() {
        phone->WriteAddress(phone->RemoteAddress, caller.address());
        phone->WriteText(phone->RemoteName, sizeof phone->RemoteName, "Caller");
        phone->CallState = StateIncoming;
        return Open();
    }

    // The dialog as the shell opens it for the call that rings now.
    HWND Open() {
        HWND dialog = CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_INCOMING_CALL), nullptr,
                                         IncomingCallDialogProc, RingAloud);
        TheShell.incomingCallDialog = dialog;
        return dialog;
    }

    // A real call request from the peer to the phone, which rings (ask mode).
    bool RingsFrom(Peer& peer, const char* name) {
        const Datagram request = BuildCallRequest(0, name);
        peer.sendTo(phone->Port(), request.bytes, request.length);
        return kvtest::WaitFor(
            [&] {
                return phone->CallState == StateIncoming &&
                       SameAddress(phone->ReadAddress(phone->RemoteAddress), peer.address());
            },
            10000);
    }

    // The peer gives up: its ring ends.
    bool HangsUp(Peer& peer) {
        const Datagram leave = BuildShortLeave();
        peer.sendTo(phone->Port(), leave.bytes, leave.length);
        return kvtest::WaitFor([&] { return phone->CallState == StateIdle; }, 10000);
    }

    // The call was refused exactly once and the dialog is gone.
    void ExpectRefusedAndClosed(HWND dialog) {
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(TheShell.incomingCallDialog, nullptr);
        EXPECT_EQ(phone->CallState, StateIdle);
        const auto datagrams = caller.drain(300);
        EXPECT_EQ(CountReplies(datagrams, protocol::Refused), 1);
        EXPECT_EQ(CountReplies(datagrams, protocol::Accepted), 0);
        EXPECT_EQ(phone->PartyCount, 0);
    }

    Peer caller;
};

TEST_F(IncomingCallDialogTest, ShowsQuestionIconAndWaits) {
    HWND dialog = Ring();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(kvui::WindowText(dialog), "Incoming call");
    EXPECT_EQ(kvui::ItemText(dialog, IDC_NOTICE_TEXT), "Incoming call from Caller (127.0.0.1).\nAccept ?");
    EXPECT_NE(SendDlgItemMessageA(dialog, IDC_NOTICE_ICON, STM_GETICON, 0, 0), 0);
    kvui::Pump(200);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(phone->CallState, StateIncoming);
    EXPECT_TRUE(caller.drain(100).empty());
}

TEST_F(IncomingCallDialogTest, YesAcceptsTheCall) {
    HWND dialog = Ring();
    ASSERT_NE(dialog, nullptr);
    Command(dialog, IDOK);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(TheShell.incomingCallDialog, nullptr);
    EXPECT_EQ(phone->CallState, StateIncomingAccepted);
    EXPECT_EQ(PartyNames(), std::vector<std::string>{"Caller"});
    const auto datagrams = caller.drain(300);
    EXPECT_GE(CountReplies(datagrams, protocol::Accepted), 1);
    EXPECT_EQ(CountReplies(datagrams, protocol::Refused), 0);
}

TEST_F(IncomingCallDialogTest, NoRefusesTheCall) {
    HWND dialog = Ring();
    ASSERT_NE(dialog, nullptr);
    Command(dialog, IDCANCEL);
    ExpectRefusedAndClosed(dialog);
}

TEST_F(IncomingCallDialogTest, CloseBoxRefusesTheCall) {
    HWND dialog = Ring();
    ASSERT_NE(dialog, nullptr);
    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(kvui::PumpUntil([&] { return !IsWindow(dialog); }));
    ExpectRefusedAndClosed(dialog);
}

TEST_F(IncomingCallDialogTest, EnterDoesNotAnswer) {
    HWND dialog = Ring();
    ASSERT_NE(dialog, nullptr);
    // Straight to the dialog, and through the shell's loop (no dialog keyboard
    // handling) to its default button.
    SendMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(dialog, WM_KEYUP, VK_RETURN, 0);
    PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYUP, VK_RETURN, 0);
    kvui::Pump(200);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(TheShell.incomingCallDialog, dialog);
    EXPECT_EQ(phone->CallState, StateIncoming);
    EXPECT_TRUE(caller.drain(100).empty());
    // Other commands do nothing either.
    Command(dialog, IDC_NOTICE_TEXT);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(phone->CallState, StateIncoming);
}

TEST_F(IncomingCallDialogTest, UnansweredCallIsRefusedWhenTheTimerFires) {
    phone->Timings.ringTimeoutMs = 200;
    HWND dialog = Ring();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(kvui::PumpUntil([&] { return !IsWindow(dialog); }, 10000));
    ExpectRefusedAndClosed(dialog);
    // The timer went with the dialog: a call ringing now is left alone.
    phone->CallState = StateIncoming;
    kvui::Pump(600);
    EXPECT_EQ(phone->CallState, StateIncoming);
    EXPECT_TRUE(caller.drain(100).empty());
}

TEST_F(IncomingCallDialogTest, AnsweringAnOlderDialogKeepsTheNewerHandle) {
    HWND older = Ring();
    HWND newer = Ring();
    ASSERT_NE(older, nullptr);
    ASSERT_NE(newer, nullptr);
    Command(older, IDCANCEL);
    EXPECT_FALSE(IsWindow(older));
    EXPECT_EQ(TheShell.incomingCallDialog, newer);
    EXPECT_TRUE(IsWindow(newer));
}

TEST_F(IncomingCallDialogTest, DialogOfACallerThatNoLongerRingsAnswersNothing) {
    Peer ann, bob, cat;
    ASSERT_TRUE(RingsFrom(ann, "Ann"));
    HWND annDialog = Open();
    ASSERT_NE(annDialog, nullptr);
    EXPECT_EQ(kvui::ItemText(annDialog, IDC_NOTICE_TEXT), "Incoming call from Ann (127.0.0.1).\nAccept ?");
    // Ann gives up and Bob rings before her dialog goes: its Yes answers nobody.
    ASSERT_TRUE(HangsUp(ann));
    ASSERT_TRUE(RingsFrom(bob, "Bob"));
    EXPECT_EQ(CountReplies(bob.drain(200), protocol::Alerting), 1);
    Command(annDialog, IDOK);
    EXPECT_FALSE(IsWindow(annDialog));
    EXPECT_EQ(TheShell.incomingCallDialog, nullptr);
    EXPECT_EQ(phone->CallState, StateIncoming);
    EXPECT_TRUE(SameAddress(phone->ReadAddress(phone->RemoteAddress), bob.address()));
    EXPECT_EQ(phone->PartyCount, 0);
    EXPECT_TRUE(bob.drain(300).empty());
    EXPECT_EQ(CountReplies(ann.drain(100), protocol::Accepted), 0);

    // Nor does its timer: Bob's dialog outlives his ring while Cat rings.
    phone->Timings.ringTimeoutMs = 200;
    HWND bobDialog = Open();
    ASSERT_NE(bobDialog, nullptr);
    EXPECT_EQ(kvui::ItemText(bobDialog, IDC_NOTICE_TEXT), "Incoming call from Bob (127.0.0.1).\nAccept ?");
    ASSERT_TRUE(HangsUp(bob));
    ASSERT_TRUE(RingsFrom(cat, "Cat"));
    EXPECT_EQ(CountReplies(cat.drain(200), protocol::Alerting), 1);
    EXPECT_TRUE(kvui::PumpUntil([&] { return !IsWindow(bobDialog); }, 10000));
    EXPECT_EQ(phone->CallState, StateIncoming);
    EXPECT_TRUE(SameAddress(phone->ReadAddress(phone->RemoteAddress), cat.address()));
    EXPECT_TRUE(cat.drain(300).empty());
    EXPECT_EQ(CountReplies(bob.drain(100), protocol::Refused), 0);
}

// ---- the party-left notice ----

class PartyLeftNoticeTest : public WithPhone {
protected:
    HWND Open() {
        HWND notice = CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_PARTY_LEFT), nullptr,
                                         PartyLeftNoticeProc, 0);
        TheShell.partyLeftNotice = notice;
        if (notice) SetDlgItemTextA(notice, IDC_NOTICE_TEXT, "The party Ann (127.0.0.1) has closed connection");
        return notice;
    }
};

TEST_F(PartyLeftNoticeTest, OkClosesTheNotice) {
    HWND notice = Open();
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(kvui::WindowText(notice), "KestroVox");
    EXPECT_NE(SendDlgItemMessageA(notice, IDC_NOTICE_ICON, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(kvui::ItemText(notice, IDC_NOTICE_TEXT), "The party Ann (127.0.0.1) has closed connection");
    Command(notice, IDC_NOTICE_TEXT);  // not a button: nothing happens
    EXPECT_TRUE(IsWindow(notice));
    Command(notice, IDOK);
    EXPECT_FALSE(IsWindow(notice));
    EXPECT_EQ(TheShell.partyLeftNotice, nullptr);
}

TEST_F(PartyLeftNoticeTest, CloseBoxClosesTheNotice) {
    HWND notice = Open();
    ASSERT_NE(notice, nullptr);
    SendMessageA(notice, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(kvui::PumpUntil([&] { return !IsWindow(notice); }));
    EXPECT_EQ(TheShell.partyLeftNotice, nullptr);
}

// ---- the disconnect dialog ----

class DisconnectDialogTest : public WithPhone {
protected:
    void SetUp() override {
        WithPhone::SetUp();
        AddActiveParty(ann.address(), "Ann");
        AddActiveParty(bob.address(), "Bob (work) (2)");
        AddActiveParty(cat.address(), "Cat");
    }

    // Opens the dialog, selects the list entries and presses the button.
    void Choose(std::vector<int> entries, int button) {
        RunModal(
            "Disconnect", [] { return DialogBoxParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_DISCONNECT), nullptr, DisconnectDialogProc, 0); },
            [&](HWND dialog) {
                for (int entry : entries) SendDlgItemMessageA(dialog, IDC_DISCONNECT_LIST, LB_SETSEL, TRUE, entry);
                Command(dialog, button);
            });
    }

    // Plain parties (the peers do not handshake): marked so, the address in the last parentheses.
    std::string Line(const char* name, const Peer& peer) {
        return std::string("[plain] ") + name + " (127.0.0.1:" + std::to_string(peer.port()) + ")";
    }

    Peer ann, bob, cat;
};

TEST_F(DisconnectDialogTest, ListsEveryoneThenEachParty) {
    std::vector<std::string> lines;
    RunModal(
        "Disconnect", [] { return DialogBoxParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_DISCONNECT), nullptr, DisconnectDialogProc, 0); },
        [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_DISCONNECT_LIST);
            const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                char text[300] = "";
                if (SendMessageA(list, LB_GETTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
                    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                lines.push_back(text);
            }
            EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), 0);
            Command(dialog, 4711);  // not a button: nothing happens
            EXPECT_TRUE(IsWindow(dialog));
            Command(dialog, IDCANCEL);
        });
    EXPECT_EQ(lines, (std::vector<std::string>{"(Everyone)", Line("Ann", ann), Line("Bob (work) (2)", bob), Line("Cat", cat)}));
    // Cancel hangs nobody up.
    EXPECT_EQ(PartyNames().size(), 3u);
    EXPECT_EQ(CountLeaves(ann.drain(200)), 0);
}

TEST_F(DisconnectDialogTest, EveryoneBesideSinglePartiesHangsUpEveryoneOnce) {
    Choose({0, 2}, IDOK);
    EXPECT_TRUE(PartyNames().empty());
    EXPECT_EQ(CountLeaves(ann.drain(300)), 1);
    EXPECT_EQ(CountLeaves(bob.drain(100)), 1);
    EXPECT_EQ(CountLeaves(cat.drain(100)), 1);
}

TEST_F(DisconnectDialogTest, SinglePartiesAreHungUpByAddress) {
    Choose({1, 3}, IDOK);
    EXPECT_EQ(PartyNames(), std::vector<std::string>{"Bob (work) (2)"});
    EXPECT_EQ(CountLeaves(ann.drain(300)), 1);
    EXPECT_EQ(CountLeaves(cat.drain(100)), 1);
    EXPECT_EQ(CountLeaves(bob.drain(100)), 0);
}

TEST_F(DisconnectDialogTest, IdentityWithParenthesesKeepsAddressAndPort) {
    Choose({2}, IDOK);
    EXPECT_EQ(PartyNames(), (std::vector<std::string>{"Ann", "Cat"}));
    EXPECT_EQ(CountLeaves(bob.drain(300)), 1);
    EXPECT_EQ(CountLeaves(ann.drain(100)), 0);
    EXPECT_EQ(CountLeaves(cat.drain(100)), 0);
}

TEST_F(DisconnectDialogTest, PartyOnTheDefaultPortIsFoundWithoutAPort) {
    // Shown as "Dan (192.0.2.7)", a documentation address: its Leave goes nowhere.
    const PeerAddress dan = MakeAddress(0xC0000207, DefaultPort);
    ASSERT_EQ(phone->AddParty(dan, "Dan"), 1);
    Choose({4}, IDOK);
    EXPECT_EQ(PartyNames(), (std::vector<std::string>{"Ann", "Bob (work) (2)", "Cat"}));
}

TEST_F(DisconnectDialogTest, NothingSelectedOrCancelHangsUpNobody) {
    Choose({}, IDOK);
    Choose({1, 2}, IDCANCEL);
    EXPECT_EQ(PartyNames().size(), 3u);
    EXPECT_EQ(CountLeaves(ann.drain(300)), 0);
    EXPECT_EQ(CountLeaves(bob.drain(100)), 0);
}

}  // namespace
