// The main window in this process: creation at the stored position, close
// and tray commands, the message loop, and its reactions to the engine's
// notifications.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/protocol.h"
#include "secure/private_call.h"
#include "shell_helpers.h"

using namespace shelltest;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

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

class MainWindowTest : public ShellTest {
protected:
    // The call from the peer rings, as the engine's fields say (no request on the wire).
    void Ringing(const kvtest::Peer& caller, const char* name) {
        phone_->WriteText(phone_->RemoteName, sizeof phone_->RemoteName, name);
        phone_->WriteAddress(phone_->RemoteAddress, caller.address());
        phone_->CallState = kv::StateIncoming;
    }

    // A real call request from the peer, which rings here (ask mode); nothing is pumped meanwhile.
    bool RequestRings(kvtest::Peer& caller, const char* name) {
        const kv::Datagram request = kv::BuildCallRequest(0, name);
        caller.sendTo(phone_->Port(), request.bytes, request.length);
        return kvtest::WaitFor(
            [&] {
                return phone_->CallState == kv::StateIncoming &&
                       kv::SameAddress(phone_->ReadAddress(phone_->RemoteAddress), caller.address());
            },
            10000);
    }

    // The incoming-call dialogs of this thread (top-level windows with that caption).
    static std::vector<HWND> IncomingCallDialogs() {
        std::vector<HWND> found;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND w, LPARAM list) -> BOOL {
                if (kvui::WindowText(w) == "Incoming call") reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }

    // Dispatches until no notification waits in the queue.
    void HandleNotifications() {
        MSG msg;
        EXPECT_TRUE(kvui::PumpUntil([&] {
            return !PeekMessageA(&msg, window_, kv::NotificationMessage, kv::NotificationMessage, PM_NOREMOVE);
        }));
    }
};

TEST_F(MainWindowTest, CreatedHiddenAtTheStoredPositionAndFittedToTheDialog) {
    kv::WriteTextSetting(kv::WindowKey, "WindowPos", "40,30");
    ASSERT_NE(CreateWithIdentity(), nullptr);
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_EQ(kv::TheShell.mainWindow, window_);
    EXPECT_EQ(kvui::WindowText(window_), "KestroVox v1.30");
    char cls[64] = "";
    GetClassNameA(window_, cls, sizeof cls);
    EXPECT_STREQ(cls, "KestroVox");
    const LONG style = GetWindowLongA(window_, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    const RECT r = WindowRect(window_);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    ASSERT_NE(dialog_, nullptr);
    EXPECT_EQ(GetParent(dialog_), window_);
    RECT client{}, dialog{};
    GetClientRect(window_, &client);
    GetClientRect(dialog_, &dialog);
    EXPECT_EQ(client.right, dialog.right);
    EXPECT_EQ(client.bottom, dialog.bottom);
    EXPECT_GT(dialog.right, 0);
    EXPECT_NE(phone_->NotifyWindow.load(), nullptr);
}

TEST_F(MainWindowTest, PositionThatDoesNotParseCountsAsZero) {
    const struct {
        const char* stored;
        int left, top;
    } cases[] = {{"nonsense", 0, 0}, {"25,oops", 25, 0}, {"x,60", 0, 0}, {" 7, 9", 7, 9}};
    for (const auto& c : cases) {
        kv::WriteTextSetting(kv::WindowKey, "WindowPos", c.stored);
        ASSERT_NE(CreateWithIdentity(), nullptr);
        const RECT r = WindowRect(window_);
        EXPECT_EQ(r.left, c.left) << c.stored;
        EXPECT_EQ(r.top, c.top) << c.stored;
        DestroyMainWindow();
    }
}

TEST_F(MainWindowTest, EveryMoveStoresTheRestoredPosition) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    EXPECT_EQ(Setting(kv::WindowKey, "WindowPos"), "0,0");  // the move of the creation
    SetWindowPos(window_, nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Setting(kv::WindowKey, "WindowPos"), "123,77");
    // Minimised, the restored rectangle is what counts.
    ShowWindow(window_, SW_MINIMIZE);
    kvui::Pump(50);
    EXPECT_EQ(Setting(kv::WindowKey, "WindowPos"), "123,77");
    // The key names differ in case only; the registry sees one key.
    EXPECT_EQ(Setting(kv::SettingsKey, "WindowPos"), "123,77");
}

TEST_F(MainWindowTest, CloseHidesAndTheTrayBringsTheWindowBack) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    SendMessageA(window_, WM_COMMAND, IDM_OPEN, 0);
    EXPECT_TRUE(IsWindowVisible(window_));
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_NE(phone_->NotifyWindow.load(), nullptr);

    SendMessageA(window_, KV_TRAY_MESSAGE, KV_TRAY_ICON_ID, WM_LBUTTONDOWN);  // ignored
    EXPECT_FALSE(IsWindowVisible(window_));
    SendMessageA(window_, KV_TRAY_MESSAGE, KV_TRAY_ICON_ID, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_FALSE(IsIconic(window_));

    // Only the low 16 bits name the command.
    SendMessageA(window_, WM_CLOSE, 0, 0);
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_OPEN, 1), 0);
    EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(MainWindowTest, TrayCloseDestroysTheWindowAndRequestsQuit) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    SendMessageA(window_, WM_COMMAND, IDM_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(kv::TheShell.mainWindow, nullptr);
    EXPECT_EQ(kv::TheShell.mainDialog, nullptr);
    EXPECT_EQ(phone_->NotifyWindow.load(), nullptr);  // the engine no longer reports to it
    MSG msg{};
    EXPECT_TRUE(kvui::PumpUntil([&] { return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0; }, 2000));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
    window_ = nullptr;
}

TEST_F(MainWindowTest, MessageLoopGivesTheChatWindowItsKeysAndReturnsTheQuitCode) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    SendMessageA(dialog_, WM_COMMAND, IDC_CHAT, 0);
    HWND chat = kv::TheShell.chatWindow;
    ASSERT_NE(chat, nullptr);
    // Escape in the chat window's edit is its cancel command, which closes it.
    PostMessageA(GetDlgItem(chat, IDC_CHAT_TEXT), WM_KEYDOWN, VK_ESCAPE, 0);
    PostQuitMessage(7);
    EXPECT_EQ(kv::RunMessageLoop(), 7);
    EXPECT_FALSE(IsWindow(chat));
    EXPECT_EQ(kv::TheShell.chatWindow, nullptr);
}

struct BoxCase {
    int code;
    const char* text;
    const char* caption;
    UINT icon;
};

TEST_F(MainWindowTest, NotificationsThatReportInAMessageBox) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    // The outcome names the setup it reports; another call may ring by then.
    phone_->WriteText(phone_->ReportName, sizeof phone_->ReportName, "Zoe");
    phone_->WriteText(phone_->RemoteName, sizeof phone_->RemoteName, "Ringing now");
    phone_->WriteText(phone_->RemoteRefusalText, sizeof phone_->RemoteRefusalText, "Not this one");
    const BoxCase cases[] = {
        {kv::CallSetupFailed, "Call setup failed", "Call", MB_ICONERROR},
        {kv::CallRefused, "The party Zoe did not accept the call", "Call", MB_ICONERROR},
        {kv::UnsupportedCodec,
         "A connection with the party Zoe\ncannot be established, because the remote\nparty uses an unsupported "
         "codec.",
         "Call", MB_ICONERROR},
        {kv::RemoteCannotDecode,
         "A connection with the party Zoe\ncannot be established, because the remote\nparty cannot decode "
         "transmitted data.\nTry changing codec.",
         "Call", MB_ICONERROR},
        {kv::RemoteBusy, "The party Zoe is setting up another call", "Call", MB_ICONERROR},
        {kv::NoAnswer, "No answer from remote KestroVox", "Call", MB_ICONERROR},
        {kv::NotActive, "KestroVox not active on remote host", "Call", MB_ICONERROR},
        {kv::MessageRefused, "The remote party cannot accept short messages", "Short message", MB_ICONERROR},
        {kv::MessageDelivered, "The message has been sent", "Short message", MB_ICONINFORMATION},
    };
    for (const BoxCase& c : cases) {
        Desktop().boxes.clear();
        Notify(c.code);
        ASSERT_EQ(Desktop().boxes.size(), 1u) << c.code;
        const auto& box = Desktop().boxes[0];
        EXPECT_EQ(box.text, c.text) << c.code;
        EXPECT_EQ(box.caption, c.caption) << c.code;
        EXPECT_EQ(box.owner, window_) << c.code;
        EXPECT_EQ(box.type & MB_ICONMASK, c.icon) << c.code;
        EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_OK)) << c.code;
    }

    Desktop().boxes.clear();
    phone_->WriteText(phone_->ReportRefusalText, sizeof phone_->ReportRefusalText, "In a meeting");
    Notify(kv::CallRefused);
    ASSERT_EQ(Desktop().boxes.size(), 1u);
    EXPECT_EQ(Desktop().boxes[0].text, "The party Zoe cannot accept the call and left a message:\nIn a meeting");

    // The notifications without a reaction of their own, and unknown codes.
    Desktop().boxes.clear();
    for (int code : {0, int(kv::IncomingConnected), int(kv::PartyAlerted), int(kv::CallConnected), 20, 1000}) Notify(code);
    EXPECT_TRUE(Desktop().boxes.empty());
    EXPECT_FALSE(IsWindowVisible(window_));
}

TEST_F(MainWindowTest, RefusalNamesTheCalledPartyWhileAnotherCallRings) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    kvtest::Peer zed, amy;
    const std::string address = "127.0.0.1:" + std::to_string(zed.port());
    ASSERT_EQ(phone_->PlaceCall(address.c_str()), kv::CallStarted);
    // Zed is a plain peer: it lets the private handshake's step 1 go unanswered.
    kvtest::Received request;
    do
        ASSERT_TRUE(zed.receive(&request, 10000));
    while (request.bytes[0] == kv::secure::OpHandshake);
    ASSERT_EQ(request.bytes[0], kv::protocol::CallRequest);
    const kv::Datagram refused = kv::BuildRefused("Zed", "Out to lunch");
    zed.sendTo(phone_->Port(), refused.bytes, refused.length);
    // The engine is idle before it tells the user; nothing is pumped, so Amy
    // rings before the refusal is shown.
    ASSERT_TRUE(kvtest::WaitFor([&] { return phone_->CallState == kv::StateIdle; }, 10000));
    ASSERT_TRUE(RequestRings(amy, "Amy"));
    ASSERT_TRUE(kvui::PumpUntil([&] { return !Desktop().boxes.empty() && kv::TheShell.incomingCallDialog; }, 10000));
    ASSERT_EQ(Desktop().boxes.size(), 1u);
    EXPECT_EQ(Desktop().boxes[0].text, "The party Zed cannot accept the call and left a message:\nOut to lunch");
    EXPECT_EQ(Desktop().boxes[0].caption, "Call");
    EXPECT_EQ(kvui::ItemText(kv::TheShell.incomingCallDialog, IDC_NOTICE_TEXT),
              "Incoming call from Amy (127.0.0.1).\nAccept ?");
}

// While a box reports a failed setup, the failures that follow show no box of their own.
HWND gBoxOwner = nullptr;
int ReenteringBox(HWND owner, const char* text, const char* caption, UINT type) {
    Desktop().boxes.push_back({owner, text, caption, type});
    if (Desktop().boxes.size() == 1) {
        // Handled inside the open box's own message loop, as a sent notification is.
        SendMessageA(gBoxOwner, kv::NotificationMessage, kv::CallSetupFailed, 0);
        SendMessageA(gBoxOwner, kv::NotificationMessage, kv::CallSetupFailed, 0);
        SendMessageA(gBoxOwner, kv::NotificationMessage, kv::NoAnswer, kv::SubjectCall);
    }
    return IDOK;
}

TEST_F(MainWindowTest, CallSetupFailedShowsOneBoxAtATime) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    gBoxOwner = window_;
    kv::Desktop.messageBox = ReenteringBox;
    Notify(kv::CallSetupFailed);
    std::vector<std::string> texts;
    for (const auto& box : Desktop().boxes) texts.push_back(box.text);
    // Other boxes are not held back.
    EXPECT_EQ(texts, (std::vector<std::string>{"Call setup failed", "No answer from remote KestroVox"}));
    // Once it is dismissed, the next failure has its box.
    Notify(kv::CallSetupFailed);
    ASSERT_EQ(Desktop().boxes.size(), 3u);
    EXPECT_EQ(Desktop().boxes[2].text, "Call setup failed");
}

TEST_F(MainWindowTest, LongTextsInMessageBoxesAreKeptWhole) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    const std::string name(99, 'n');
    const std::string refusal(299, 'r');
    phone_->WriteText(phone_->ReportName, sizeof phone_->ReportName, name.c_str());
    phone_->WriteText(phone_->ReportRefusalText, sizeof phone_->ReportRefusalText, refusal.c_str());
    Notify(kv::CallRefused);
    ASSERT_EQ(Desktop().boxes.size(), 1u);
    EXPECT_EQ(Desktop().boxes[0].text,
              "The party " + name + " cannot accept the call and left a message:\n" + refusal);
}

TEST_F(MainWindowTest, PartyLeftNoticeIsReusedWithTheNewestTextAndBeepsEachTime) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    phone_->WriteText(phone_->LeftPartyName, sizeof phone_->LeftPartyName, "Carl");
    phone_->WriteAddress(phone_->LeftPartyAddress, kv::MakeAddress(0x0A000007, kv::DefaultPort));
    Notify(kv::PartyHungUp, 0);
    HWND notice = kv::TheShell.partyLeftNotice;
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(kvui::ItemText(notice, IDC_NOTICE_TEXT), "The party Carl (10.0.0.7) has closed connection");

    phone_->WriteText(phone_->LeftPartyName, sizeof phone_->LeftPartyName, "Dora");
    phone_->WriteAddress(phone_->LeftPartyAddress, kv::MakeAddress(0x0A000008, 5000));
    Notify(kv::PartyHungUp, 0);
    EXPECT_EQ(kv::TheShell.partyLeftNotice, notice);
    EXPECT_EQ(kvui::ItemText(notice, IDC_NOTICE_TEXT), "The party Dora (10.0.0.8) has closed connection");
    EXPECT_EQ(Desktop().beeps, (std::vector<UINT>{MB_ICONHAND, MB_ICONHAND}));
    // Exactly one notice window of ours.
    int notices = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM n) -> BOOL {
            if (GetDlgItem(w, IDC_NOTICE_TEXT) && kvui::WindowText(w) == "KestroVox") ++*reinterpret_cast<int*>(n);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&notices));
    EXPECT_EQ(notices, 1);

    Notify(kv::PartyHungUp, 1);
    EXPECT_EQ(kvui::ItemText(notice, IDC_NOTICE_TEXT),
              "The party Dora (10.0.0.8) has been disconnected,\nbecause the appropriate codec could not be found");
    Notify(kv::PartyDropped, 0);
    EXPECT_EQ(kvui::ItemText(notice, IDC_NOTICE_TEXT), "The party Dora (10.0.0.8) has closed connection");
    EXPECT_EQ(Desktop().beeps.size(), 4u);
    EXPECT_FALSE(IsWindowVisible(window_));  // brought forward, not shown
    EXPECT_TRUE(Desktop().boxes.empty());

    // Dismissed, the next departure opens a new notice.
    SendMessageA(notice, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(notice));
    EXPECT_EQ(kv::TheShell.partyLeftNotice, nullptr);
    Notify(kv::PartyDropped, 0);
    ASSERT_NE(kv::TheShell.partyLeftNotice, nullptr);
    EXPECT_EQ(kvui::ItemText(kv::TheShell.partyLeftNotice, IDC_NOTICE_TEXT),
              "The party Dora (10.0.0.8) has closed connection");
}

TEST_F(MainWindowTest, IncomingCallRingsShowsTheWindowAndAsksUntilTheCallerGivesUp) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    phone_->WriteText(phone_->RemoteName, sizeof phone_->RemoteName, "Eve");
    phone_->WriteAddress(phone_->RemoteAddress, kv::MakeAddress(0xC0A80114, 4000));
    phone_->CallState = kv::StateIncoming;
    PostMessageA(window_, kv::NotificationMessage, kv::IncomingCall, 0);  // posted by the engine
    ASSERT_TRUE(kvui::PumpUntil([] { return kv::TheShell.incomingCallDialog != nullptr; }));
    HWND question = kv::TheShell.incomingCallDialog;
    EXPECT_EQ(kvui::ItemText(question, IDC_NOTICE_TEXT), "Incoming call from Eve (192.168.1.20).\nAccept ?");
    EXPECT_EQ(kvui::WindowText(question), "Incoming call");
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_EQ(Desktop().sounds, std::vector<std::string>{"ringin.wav"});

    phone_->CallState = kv::StateIdle;  // as the caller's Leave leaves it
    PostMessageA(window_, kv::NotificationMessage, kv::CallerCancelled, 0);
    EXPECT_TRUE(kvui::PumpUntil([&] { return !IsWindow(question); }, 10000));
    EXPECT_EQ(kv::TheShell.incomingCallDialog, nullptr);
    Notify(kv::CallerCancelled);  // nothing left to close
    EXPECT_EQ(kv::TheShell.incomingCallDialog, nullptr);
}

TEST_F(MainWindowTest, ANewerRingReplacesTheQuestionAboutAnOlderOne) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    kvtest::Peer eve, fay;
    Ringing(eve, "Eve");
    Notify(kv::IncomingCall, kv::RingAloud);
    HWND first = kv::TheShell.incomingCallDialog;
    ASSERT_NE(first, nullptr);
    Ringing(fay, "Fay");
    Notify(kv::IncomingCall, kv::RingAloud);
    const std::vector<HWND> dialogs = IncomingCallDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(dialogs[0], kv::TheShell.incomingCallDialog);
    EXPECT_EQ(kvui::ItemText(dialogs[0], IDC_NOTICE_TEXT), "Incoming call from Fay (127.0.0.1).\nAccept ?");
    // The question it replaced answered nothing.
    EXPECT_EQ(phone_->CallState, kv::StateIncoming);
    EXPECT_TRUE(eve.drain(200).empty());
    EXPECT_TRUE(fay.drain(100).empty());

    // The newer one answers its own call.
    SendMessageA(dialogs[0], WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IncomingCallDialogs().empty());
    EXPECT_EQ(phone_->CallState, kv::StateIdle);
    kvtest::Received refusal;
    ASSERT_TRUE(fay.receive(&refusal, 10000));
    EXPECT_EQ(refusal.bytes[0], kv::protocol::CallReply);
}

TEST_F(MainWindowTest, LateNotificationsLeaveTheQuestionAboutTheCallThatRings) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    kvtest::Peer eve;
    Ringing(eve, "Eve");
    Notify(kv::IncomingCall, kv::RingQuiet);
    HWND question = kv::TheShell.incomingCallDialog;
    ASSERT_NE(question, nullptr);
    // Behind a flood of short rings, their notifications arrive while Eve's call rings.
    for (int i = 0; i < 3; ++i) {
        Notify(kv::IncomingCall, kv::RingQuiet);
        Notify(kv::CallerCancelled);
    }
    EXPECT_EQ(IncomingCallDialogs(), std::vector<HWND>{question});
    EXPECT_EQ(kv::TheShell.incomingCallDialog, question);
    // The same address ringing under another name is another call.
    Ringing(eve, "Eve at home");
    Notify(kv::IncomingCall, kv::RingQuiet);
    EXPECT_FALSE(IsWindow(question));
    question = kv::TheShell.incomingCallDialog;
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(kvui::ItemText(question, IDC_NOTICE_TEXT), "Incoming call from Eve at home (127.0.0.1).\nAccept ?");
    // Its Yes still answers it.
    SendMessageA(question, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(phone_->CallState, kv::StateIncomingAccepted);
    phone_->CallState = kv::StateIdle;  // ends the accept confirmation quickly
    EXPECT_TRUE(IncomingCallDialogs().empty());
}

TEST_F(MainWindowTest, RingThatEndedBeforeItsNotificationAsksNothing) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    kvtest::Peer eve;
    // Eve calls and gives up before the window handles the ring.
    ASSERT_TRUE(RequestRings(eve, "Eve"));
    const kv::Datagram leave = kv::BuildShortLeave();
    eve.sendTo(phone_->Port(), leave.bytes, leave.length);
    ASSERT_TRUE(kvtest::WaitFor([&] { return phone_->CallState == kv::StateIdle; }, 10000));
    HandleNotifications();
    EXPECT_TRUE(IncomingCallDialogs().empty());
    EXPECT_EQ(kv::TheShell.incomingCallDialog, nullptr);
    EXPECT_TRUE(Desktop().sounds.empty());
    EXPECT_FALSE(IsWindowVisible(window_));
}

TEST_F(MainWindowTest, QuietRingAsksWithoutSoundOrFocusAndAnAloudOneComesForward) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    // Another program's window has the focus.
    HWND elsewhere = CreateWindowExA(0, "STATIC", "Elsewhere", WS_POPUP | WS_CAPTION | WS_VISIBLE, 500, 400, 200,
                                     100, nullptr, nullptr, Module(), nullptr);
    ASSERT_NE(elsewhere, nullptr);
    SetForegroundWindow(elsewhere);
    ASSERT_TRUE(kvui::PumpUntil([&] { return GetForegroundWindow() == elsewhere; }));

    kvtest::Peer eve, fay;
    Ringing(eve, "Eve");
    Notify(kv::IncomingCall, kv::RingQuiet);
    HandleNotifications();
    HWND quiet = kv::TheShell.incomingCallDialog;
    ASSERT_NE(quiet, nullptr);
    EXPECT_TRUE(IsWindowVisible(quiet));
    EXPECT_EQ(kvui::ItemText(quiet, IDC_NOTICE_TEXT), "Incoming call from Eve (127.0.0.1).\nAccept ?");
    EXPECT_TRUE(Desktop().sounds.empty());
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_EQ(GetForegroundWindow(), elsewhere);

    Ringing(fay, "Fay");
    Notify(kv::IncomingCall, kv::RingAloud);
    HandleNotifications();
    HWND aloud = kv::TheShell.incomingCallDialog;
    ASSERT_NE(aloud, nullptr);
    EXPECT_EQ(IncomingCallDialogs(), std::vector<HWND>{aloud});
    EXPECT_EQ(Desktop().sounds, std::vector<std::string>{"ringin.wav"});
    EXPECT_TRUE(IsWindowVisible(window_));
    const HWND front = GetForegroundWindow();
    EXPECT_TRUE(front == aloud || front == window_) << front;
    DestroyWindow(elsewhere);
}

TEST_F(MainWindowTest, PartyListAndChatAddresseesFollowTheTable) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    SendMessageA(dialog_, WM_COMMAND, IDC_CHAT, 0);
    ASSERT_NE(kv::TheShell.chatWindow, nullptr);
    HWND addressees = GetDlgItem(kv::TheShell.chatWindow, IDC_CHAT_TO);
    const LRESULT before = SendMessageA(addressees, CB_GETCOUNT, 0, 0);

    phone_->AddParty(kv::MakeAddress(kLoopback, kv::DefaultPort), "Ann");
    phone_->AddParty(kv::MakeAddress(kLoopback, 5000), "Ben (work)");
    uint8_t loopback6[16] = {};
    loopback6[15] = 1;
    phone_->AddParty(kv::MakeIPv6Address(loopback6, kv::DefaultPort), "Cy");
    phone_->AddParty(kv::MakeIPv6Address(loopback6, 5000), "Di");
    HWND list = GetDlgItem(dialog_, IDC_PARTIES);
    EXPECT_TRUE(kvui::PumpUntil([&] { return ListLines(list).size() == 4; }));
    EXPECT_EQ(ListLines(list), (std::vector<std::string>{"[plain] Ann (127.0.0.1)", "[plain] Ben (work) (127.0.0.1:5000)",
                                                         "[plain] Cy (::1)", "[plain] Di ([::1]:5000)"}));
    // The chat window was told to rebuild its addressees.
    EXPECT_TRUE(kvui::PumpUntil([&] { return SendMessageA(addressees, CB_GETCOUNT, 0, 0) == before + 4; }));

    phone_->RemoveParty(nullptr);
    EXPECT_TRUE(kvui::PumpUntil([&] { return ListLines(list).empty(); }));
    EXPECT_TRUE(kvui::PumpUntil([&] { return SendMessageA(addressees, CB_GETCOUNT, 0, 0) == before; }));
}

namespace {

class OpeningPinhole final : public kv::PinholeGateway {
public:
    const char* protocol() const override { return "pcp"; }
    kv::GatewayPinhole open(const kv::PeerAddress&, uint32_t) override {
        kv::GatewayPinhole p;
        p.reply = kv::GatewayReply::Done;
        p.leaseSeconds = 3600;
        return p;
    }
    bool close(const kv::PeerAddress&) override { return true; }
};

}  // namespace

TEST_F(MainWindowTest, TheTrayTipTellsThePinholesAddress) {
    phone_->CreatePinholes = [] {
        std::vector<std::unique_ptr<kv::PinholeGateway>> gateways;
        gateways.push_back(std::make_unique<OpeningPinhole>());
        return gateways;
    };
    phone_->OwnIPv6Address = [](kv::PeerAddress* out) { return kv::ParseAddressLiteral("2001:db8::7", 11, 1, out); };
    ASSERT_NE(CreateWithIdentity(), nullptr);  // its settings say PortMapping 1: the mapping starts
    const std::string expected = "KestroVox\nCall me at [2001:db8::7]:" + std::to_string(phone_->Port());
    EXPECT_TRUE(kvui::PumpUntil([&] { return kv::TrayTip() == expected; })) << kv::TrayTip();
}

// The tray menu runs its own modal loop; a thread timer inside it reads the
// menu and picks an item by its mnemonic, as a user's key press would.
struct MenuSeen {
    std::vector<std::pair<UINT, std::string>> items;
    WPARAM key = 0;
    bool done = false;
};
MenuSeen gMenu;

void CALLBACK PickFromMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup || !IsWindowVisible(popup) || gMenu.done) return;
    gMenu.done = true;
    KillTimer(nullptr, timer);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        gMenu.items.push_back({GetMenuItemID(menu, i), text});
    }
    PostMessageA(popup, WM_CHAR, gMenu.key, 0);
}

TEST_F(MainWindowTest, TrayMenuOffersOpenAndClose) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    gMenu = MenuSeen{};
    gMenu.key = 'o';
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, PickFromMenu);
    SendMessageA(window_, KV_TRAY_MESSAGE, KV_TRAY_ICON_ID, WM_RBUTTONUP);
    KillTimer(nullptr, timer);
    kvui::Pump(50);
    ASSERT_TRUE(gMenu.done) << "no pop-up menu";
    EXPECT_EQ(gMenu.items, (std::vector<std::pair<UINT, std::string>>{{IDM_OPEN, "&Open"}, {IDM_CLOSE, "&Close"}}));
    EXPECT_TRUE(kvui::PumpUntil([&] { return IsWindowVisible(window_) != FALSE; }, 10000));
    EXPECT_FALSE(FindWindowA("#32768", nullptr) && IsWindowVisible(FindWindowA("#32768", nullptr)));

    gMenu = MenuSeen{};
    gMenu.key = 'c';
    const UINT_PTR again = SetTimer(nullptr, 0, 50, PickFromMenu);
    SendMessageA(window_, KV_TRAY_MESSAGE, KV_TRAY_ICON_ID, WM_RBUTTONUP);
    KillTimer(nullptr, again);
    EXPECT_TRUE(gMenu.done);
    EXPECT_TRUE(kvui::PumpUntil([&] { return !IsWindow(window_); }, 10000));
}

TEST_F(MainWindowTest, ChatLinesArrivingTogetherAreAllShown) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    auto peer = kv::CreateUdpSocket();
    ASSERT_TRUE(peer && peer->bind(0));
    phone_->AddParty(kv::MakeAddress(kLoopback, peer->localPort()), "Bob");
    EXPECT_EQ(kv::TheShell.chatWindow, nullptr);
    // More lines than the list shows, in one burst.
    const kv::PeerAddress phoneAddress = kv::MakeAddress(kLoopback, phone_->Port());
    std::vector<std::string> expected;
    for (int i = 0; i < 24; ++i) {
        const std::string line = "line " + std::to_string(i);
        const kv::Datagram d = kv::BuildChatMessage(kv::protocol::ChatNewLine, line.c_str());
        peer->sendTo(phoneAddress, d.bytes, d.length);
        expected.push_back("Bob> " + line);
    }
    auto lines = [&] {
        HWND chat = kv::TheShell.chatWindow;
        return chat ? ListLines(GetDlgItem(chat, IDC_CHAT_LINES)) : std::vector<std::string>{};
    };
    EXPECT_TRUE(kvui::PumpUntil([&] { return lines().size() >= expected.size(); }, 15000));
    EXPECT_EQ(lines(), expected);
    HWND chat = kv::TheShell.chatWindow;
    ASSERT_NE(chat, nullptr);
    // Scrolled to the end: the last line is in view.
    HWND list = GetDlgItem(chat, IDC_CHAT_LINES);
    EXPECT_GT(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 0);
    RECT client{}, last{};
    GetClientRect(list, &client);
    SendMessageA(list, LB_GETITEMRECT, expected.size() - 1, reinterpret_cast<LPARAM>(&last));
    EXPECT_LE(last.bottom, client.bottom);
    EXPECT_GE(last.top, client.top);
    EXPECT_FALSE(GetWindowLongA(chat, GWL_EXSTYLE) & WS_EX_TOPMOST);  // raised, not left on top
}

}  // namespace
