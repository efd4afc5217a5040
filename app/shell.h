// The shell state of the Windows program: the one Phone and the windows the
// shell keeps track of. Dialogs clear their own handle here when they go away.
#pragma once

#include <windows.h>

namespace kv {

class Phone;

struct Shell {
    Phone* phone = nullptr;
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HWND mainDialog = nullptr;
    HWND chatWindow = nullptr;          // none while the chat window is closed
    HWND incomingCallDialog = nullptr;  // none while no call rings
    HWND partyLeftNotice = nullptr;     // none while no notice is shown
};

extern Shell TheShell;

// Empties the list box and adds one line per party, in table order:
// "name (a.b.c.d)", or "name (a.b.c.d:port)" when the port is not 11676.
void FillPartyList(HWND listBox);

}  // namespace kv
