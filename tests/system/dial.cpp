// Drives a running KestroVox.exe from outside, as a user would:
//   kv_dial ADDRESS   types the address and presses Call
//   kv_dial --hangup  presses Hangup
//   kv_dial --close   chooses "&Close" in the tray menu
//   kv_dial --ready   waits until the main dialog has finished starting (its
//                     settings are loaded) and its thread takes messages
// For screenshots (these wait up to a minute for the program's window):
//   kv_dial --show           opens the main window, as "&Open" in the tray menu
//   kv_dial --settings       presses Settings (the dialog opens; no wait for it)
//   kv_dial --chat           presses Chat
//   kv_dial --dismiss TITLE  cancels the program's window captioned TITLE
//                            (the incoming-call dialog refuses the call)
//   kv_dial --lines N        waits until the chat window holds N lines
//   kv_dial --rect [TITLE]   waits until the program shows a window captioned
//                            TITLE and prints its screen rectangle as
//                            "LEFT TOP WIDTH HEIGHT"; without TITLE, waits until
//                            the program is up, opens the main window unless a
//                            box (such as the identity prompt) is showing, and
//                            prints the rectangle around all its shown windows
// Exit code 0 when the window was found, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND FindDialog(HWND main) {
    HWND child = nullptr;
    EnumChildWindows(
        main,
        [](HWND w, LPARAM found) -> BOOL {
            if (GetDlgItem(w, 1002) && GetDlgItem(w, 1000)) {
                *reinterpret_cast<HWND*>(found) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&child));
    return child;
}

void Press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// ---- the commands for screenshots ----

constexpr int kPatienceMs = 60000;  // Wine on a busy machine starts slowly
constexpr int kPollMs = 100;

template <typename Condition>
bool WaitFor(Condition condition) {
    for (int waited = 0; waited < kPatienceMs; waited += kPollMs) {
        if (condition()) return true;
        Sleep(kPollMs);
    }
    return condition();
}

// The shown top-level windows of the program's process (captioned `title`, if given).
std::vector<HWND> ShownWindows(HWND main, const char* title) {
    struct Search {
        DWORD process;
        const char* title;
        std::vector<HWND> found;
    } search{0, title, {}};
    GetWindowThreadProcessId(main, &search.process);
    EnumWindows(
        [](HWND w, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            if (process != s->process || !IsWindowVisible(w)) return TRUE;
            char caption[256] = "";
            GetWindowTextA(w, caption, sizeof caption);
            if (!s->title || std::strcmp(caption, s->title) == 0) s->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Responds(HWND window) {
    DWORD_PTR result;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &result) != 0;
}

int PrintRectangle(const std::vector<HWND>& windows) {
    if (windows.empty()) return 1;
    RECT all;
    GetWindowRect(windows[0], &all);
    for (HWND w : windows) {
        RECT r;
        GetWindowRect(w, &r);
        UnionRect(&all, &all, &r);
    }
    std::printf("%ld %ld %ld %ld\n", static_cast<long>(all.left), static_cast<long>(all.top),
                static_cast<long>(all.right - all.left), static_cast<long>(all.bottom - all.top));
    return 0;
}

int ScreenshotCommand(int argc, char** argv) {
    const std::string command = argv[1];
    const char* title = argc > 2 ? argv[2] : nullptr;
    HWND main = nullptr;
    if (!WaitFor([&] { return (main = FindWindowA("KestroVox", nullptr)) != nullptr; })) return 1;
    if (command == "--show") {
        PostMessageA(main, WM_COMMAND, 100, 0);
        return 0;
    }
    if (command == "--rect" && title) {
        std::vector<HWND> shown;
        if (!WaitFor([&] { return !(shown = ShownWindows(main, title)).empty(); })) return 1;
        Responds(shown[0]);  // drawn once its thread is past the painting
        return PrintRectangle(shown);
    }
    if (command == "--dismiss" && title) {
        std::vector<HWND> shown = ShownWindows(main, title);
        if (shown.empty()) return 1;
        PostMessageA(shown[0], WM_COMMAND, IDCANCEL, 0);
        return WaitFor([&] { return ShownWindows(main, title).empty(); }) ? 0 : 1;
    }
    if (command == "--lines" && title) {
        const LRESULT lines = std::atoi(title);
        return WaitFor([&] {
                   std::vector<HWND> chat = ShownWindows(main, "Chat");
                   return !chat.empty() && SendDlgItemMessageA(chat[0], 1018, LB_GETCOUNT, 0, 0) >= lines;
               })
                   ? 0
                   : 1;
    }
    // The main dialog answers once its start is over, or once a box that the
    // start shows (the identity prompt) runs its own message loop; such a box
    // disables the main window.
    HWND dialog = nullptr;
    if (!WaitFor([&] { return (dialog = FindDialog(main)) != nullptr; }) || !Responds(dialog)) return 1;
    if (command == "--settings" || command == "--chat") {
        const int id = command == "--settings" ? 1016 : 1020;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
        return 0;
    }
    if (command != "--rect") return 1;
    if (IsWindowEnabled(main)) PostMessageA(main, WM_COMMAND, 100, 0);
    std::vector<HWND> shown;
    if (!WaitFor([&] { return !(shown = ShownWindows(main, nullptr)).empty(); })) return 1;
    for (HWND w : shown) Responds(w);
    return PrintRectangle(ShownWindows(main, nullptr));
}

bool IsScreenshotCommand(const char* argument) {
    for (const char* name : {"--show", "--settings", "--chat", "--dismiss", "--lines", "--rect"})
        if (std::strcmp(argument, name) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && argc <= 3 && IsScreenshotCommand(argv[1])) return ScreenshotCommand(argc, argv);
    HWND main = nullptr;
    for (int i = 0; i < 100 && !main; ++i) {
        main = FindWindowA("KestroVox", nullptr);
        if (!main) Sleep(100);
    }
    if (!main || argc != 2) return 1;
    if (std::strcmp(argv[1], "--ready") == 0) {
        // The dialog exists once it is created; a message sent to it is handled
        // only after its initialisation returned.
        HWND dialog = nullptr;
        for (int i = 0; i < 300 && !(dialog = FindDialog(main)); ++i) Sleep(100);
        DWORD_PTR result;
        return dialog && SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result) ? 0 : 1;
    }
    if (std::strcmp(argv[1], "--close") == 0) {
        PostMessageA(main, WM_COMMAND, 101, 0);
        return 0;
    }
    HWND dialog = FindDialog(main);
    if (!dialog) return 1;
    if (std::strcmp(argv[1], "--hangup") == 0) {
        Press(dialog, 1005);
        return 0;
    }
    SetDlgItemTextA(dialog, 1000, argv[1]);
    Press(dialog, 1002);
    return 0;
}
