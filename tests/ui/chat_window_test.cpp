// The chat window from its real template: addressees, sending lines through
// the engine to test parties on loopback, closing, and copying lines to the
// clipboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
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

// The next chat line that reaches the peer within timeoutMs; the peer echoes
// it back, as a real party does, so the engine takes the next line.
bool ReceiveChat(Peer& peer, uint16_t phonePort, std::string* line, int timeoutMs = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        kvtest::Received r;
        if (left.count() <= 0 || !peer.receive(&r, static_cast<int>(left.count()))) return false;
        ChatFields chat;
        if (!ParseChatMessage(r.bytes.data(), static_cast<int>(r.bytes.size()), &chat)) continue;
        if (chat.echo != protocol::ChatNewLine) continue;
        line->assign(chat.line.chars, static_cast<size_t>(chat.line.length));
        const Datagram echo = BuildChatEcho(r.bytes.data(), static_cast<int>(r.bytes.size()));
        peer.sendTo(phonePort, echo.bytes, echo.length);
        return true;
    }
}

using kvui::Command;

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[300] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

// ---- the clipboard ----

bool PutOnClipboard(const std::string& text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool done = false;
    if (block) {
        std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        done = SetClipboardData(CF_TEXT, block) != nullptr;
        if (!done) GlobalFree(block);
    }
    CloseClipboard();
    return done;
}

// The clipboard's text, and the size of its block.
bool ClipboardText(std::string* text, SIZE_T* blockSize = nullptr) {
    if (!OpenClipboard(nullptr)) return false;
    bool done = false;
    if (HANDLE block = GetClipboardData(CF_TEXT)) {
        const SIZE_T size = GlobalSize(block);
        if (const char* bytes = static_cast<const char*>(GlobalLock(block))) {
            text->assign(bytes, strnlen(bytes, size));
            GlobalUnlock(block);
            if (blockSize) *blockSize = size;
            done = true;
        }
    }
    CloseClipboard();
    return done;
}

// ---- the window with three parties, two of them sharing an identity ----

class ChatWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        phone = kvui::StartShellPhone(devices);
        ASSERT_TRUE(phone->Socket.load());
        AddActiveParty(ann.address(), "Ann");
        AddActiveParty(bob.address(), "Bob");
        AddActiveParty(ann2.address(), "Ann");
        chat = CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_CHAT), nullptr, ChatWindowProc, 0);
        ASSERT_NE(chat, nullptr);
        TheShell.chatWindow = chat;
        to = GetDlgItem(chat, IDC_CHAT_TO);
        lines = GetDlgItem(chat, IDC_CHAT_LINES);
    }
    void TearDown() override {
        if (chat && IsWindow(chat)) DestroyWindow(chat);
        TheShell = Shell();
        phone.reset();
    }

    void AddActiveParty(const PeerAddress& address, const char* name) {
        ASSERT_EQ(phone->AddParty(address, name), 1);
        ASSERT_EQ(phone->ActivateParty(address), 1);
    }

    // Types the line and presses Enter as the shell's message loop delivers it.
    void Say(const std::string& text) {
        HWND edit = GetDlgItem(chat, IDC_CHAT_TEXT);
        SetWindowTextA(edit, text.c_str());
        SetFocus(edit);
        MSG enter{edit, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
        ASSERT_TRUE(IsDialogMessageA(chat, &enter));
    }

    bool Receives(Peer& peer, const std::string& expected) {
        std::string line;
        if (!ReceiveChat(peer, phone->Port(), &line)) return false;
        EXPECT_EQ(line, expected);
        return line == expected;
    }
    bool ReceivesNothing(Peer& peer, int ms) {
        std::string line;
        return !ReceiveChat(peer, phone->Port(), &line, ms);
    }

    // Selects line `index` of the list and double-clicks it.
    void DoubleClick(int index) {
        SendMessageA(lines, LB_SETCURSEL, index, 0);
        Command(chat, IDC_CHAT_LINES, LBN_DBLCLK);
    }

    ManualWaveDevices devices;
    std::unique_ptr<Phone> phone;
    Peer ann, bob, ann2;
    HWND chat = nullptr, to = nullptr, lines = nullptr;
};

TEST_F(ChatWindowTest, AddresseesAreEveryoneThenEachParty) {
    EXPECT_EQ(kvui::WindowText(chat), "Chat");
    EXPECT_TRUE(IsWindowVisible(chat));
    EXPECT_EQ(ComboItems(to), (std::vector<std::string>{"(Everyone)", "Ann", "Bob", "Ann"}));
    EXPECT_EQ(SendMessageA(to, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(lines, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(ChatWindowTest, RebuildResetsTheAddresseeAndKeepsTheLines) {
    SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Bob> hi"));
    SendMessageA(to, CB_SETCURSEL, 2, 0);
    Peer dee;
    AddActiveParty(dee.address(), "Dee");
    // What the shell does on PartiesChanged.
    PostMessageA(chat, WM_INITDIALOG, 0, 0);
    kvui::Pump(50);
    EXPECT_EQ(ComboItems(to), (std::vector<std::string>{"(Everyone)", "Ann", "Bob", "Ann", "Dee"}));
    EXPECT_EQ(SendMessageA(to, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(lines, LB_GETCOUNT, 0, 0), 1);
}

TEST_F(ChatWindowTest, EnterSendsTheLineToEveryone) {
    Say("hello all");
    EXPECT_EQ(kvui::ItemText(chat, IDC_CHAT_TEXT), "");
    // One line for every active party: each one gets it.
    EXPECT_TRUE(Receives(ann, "hello all"));
    EXPECT_TRUE(Receives(bob, "hello all"));
    EXPECT_TRUE(Receives(ann2, "hello all"));
    // The window does not show its own line.
    EXPECT_EQ(SendMessageA(lines, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(ChatWindowTest, EmptyLineIsQueuedLikeAnyOther) {
    Say("");
    EXPECT_EQ(phone->ChatQueueCount, 1);
    EXPECT_TRUE(Receives(bob, ""));
}

TEST_F(ChatWindowTest, LineIsCutTo99Characters) {
    const std::string typed(150, 'x');
    Say(typed);
    EXPECT_TRUE(Receives(ann, typed.substr(0, 99)));
}

TEST_F(ChatWindowTest, PartiesSharingTheIdentityBothGetTheLine) {
    SendMessageA(to, CB_SETCURSEL, 1, 0);  // "Ann"
    Say("just for Ann");
    EXPECT_EQ(phone->ChatQueueCount, 2);
    EXPECT_TRUE(Receives(ann, "just for Ann"));
    EXPECT_TRUE(Receives(ann2, "just for Ann"));
    EXPECT_TRUE(ReceivesNothing(bob, 300));
}

TEST_F(ChatWindowTest, AddresseeThatLeftGetsNothing) {
    SendMessageA(to, CB_SETCURSEL, 2, 0);  // "Bob"
    const PeerAddress gone = bob.address();
    ASSERT_EQ(phone->RemoveParty(&gone), 1);
    Say("anyone there?");
    EXPECT_EQ(phone->ChatQueueCount, 0);
    EXPECT_EQ(kvui::ItemText(chat, IDC_CHAT_TEXT), "");
    EXPECT_TRUE(ReceivesNothing(bob, 300));
}

TEST_F(ChatWindowTest, EscapeClosesTheWindow) {
    HWND edit = GetDlgItem(chat, IDC_CHAT_TEXT);
    SetFocus(edit);
    MSG escape{edit, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(chat, &escape));
    EXPECT_FALSE(IsWindow(chat));
    EXPECT_EQ(TheShell.chatWindow, nullptr);
}

TEST_F(ChatWindowTest, CloseBoxClosesTheWindowAndAReopenedOneIsEmpty) {
    SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Bob> hi"));
    Command(chat, 4711);  // not ours: nothing happens
    EXPECT_TRUE(IsWindow(chat));
    SendMessageA(chat, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(kvui::PumpUntil([&] { return !IsWindow(chat); }));
    EXPECT_EQ(TheShell.chatWindow, nullptr);
    chat = CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_CHAT), nullptr, ChatWindowProc, 0);
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(SendDlgItemMessageA(chat, IDC_CHAT_LINES, LB_GETCOUNT, 0, 0), 0);
}

// ---- copying a line ----

TEST_F(ChatWindowTest, DoubleClickCopiesTheTextAfterTheName) {
    SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Ann> hello there"));
    SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Bob> see a> b here"));
    SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("(Ann) plain line"));
    std::string copied;

    DoubleClick(0);
    ASSERT_TRUE(ClipboardText(&copied));
    EXPECT_EQ(copied, "hello there");
    EXPECT_EQ(SendMessageA(lines, LB_GETCURSEL, 0, 0), LB_ERR);  // the selection goes

    DoubleClick(1);  // only the first "> " counts
    ASSERT_TRUE(ClipboardText(&copied));
    EXPECT_EQ(copied, "see a> b here");

    DoubleClick(2);  // no "> ": the whole line
    ASSERT_TRUE(ClipboardText(&copied));
    EXPECT_EQ(copied, "(Ann) plain line");
    EXPECT_EQ(SendMessageA(lines, LB_GETCOUNT, 0, 0), 3);
}

TEST_F(ChatWindowTest, DoubleClickWithoutSelectionCopiesNothing) {
    SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Ann> hello"));
    ASSERT_TRUE(PutOnClipboard("before"));
    SendMessageA(lines, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Command(chat, IDC_CHAT_LINES, LBN_DBLCLK);
    std::string copied;
    ASSERT_TRUE(ClipboardText(&copied));
    EXPECT_EQ(copied, "before");
}

TEST_F(ChatWindowTest, LongLineIsCopiedWithinBounds) {
    const std::string text(700, 'y');
    const std::string line = "Ann> " + text;
    SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    DoubleClick(0);
    std::string copied;
    ASSERT_TRUE(ClipboardText(&copied));
    EXPECT_EQ(copied, text);
}

TEST(CopyToClipboardTest, HandsOverAMillionByteBlock) {
    TheShell = Shell();
    CopyToClipboard("short text");
    std::string copied;
    SIZE_T size = 0;
    ASSERT_TRUE(ClipboardText(&copied, &size));
    EXPECT_EQ(copied, "short text");
    EXPECT_GE(size, 1000000u);
}

// While another thread holds the clipboard, a copy shows "Cannot open
// clipboard" and leaves the clipboard's content alone.
void CALLBACK CloseClipboardBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA("#32770", "Copy to clipboard");
    if (!box) return;
    KillTimer(nullptr, timer);
    bool found = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (kvui::WindowText(child) == "Cannot open clipboard") found = true;
    EXPECT_TRUE(found);
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST(CopyToClipboardTest, BusyClipboardShowsAMessage) {
    TheShell = Shell();
    ASSERT_TRUE(PutOnClipboard("before"));
    std::atomic<int> stage{0};
    std::thread holder([&] {
        // Another program's window holds the clipboard open.
        HWND owner = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        if (owner && OpenClipboard(owner)) {
            stage = 1;
            while (stage == 1) Sleep(5);
            CloseClipboard();
        } else {
            stage = 3;
        }
        if (owner) DestroyWindow(owner);
    });
    while (stage == 0) Sleep(5);
    ASSERT_EQ(stage, 1) << "the helper thread could not open the clipboard";
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseClipboardBox);
    CopyToClipboard("not copied");  // returns once the box is dismissed
    KillTimer(nullptr, timer);
    stage = 2;
    holder.join();
    std::string copied;
    ASSERT_TRUE(ClipboardText(&copied));
    EXPECT_EQ(copied, "before");
}

}  // namespace
