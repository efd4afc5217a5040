// Drives a running KestroVox.exe from outside, as a user would:
//   kv_dial ADDRESS   types the address and presses Call
//   kv_dial --hangup  presses Hangup
//   kv_dial --close   chooses "&Close" in the tray menu
//   kv_dial --ready   waits until the main dialog has finished starting (its
//                     settings are loaded) and its thread takes messages
// Exit code 0 when the window was found, 1 otherwise.
#include <windows.h>

#include <cstring>

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

}  // namespace

int main(int argc, char** argv) {
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
