// The shell state of the Windows program: the one Phone and the windows the
// shell keeps track of. Dialogs clear their own handle here when they go away.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/phone.h"

namespace kv {

struct Shell {
    Phone* phone = nullptr;
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HWND mainDialog = nullptr;
    HWND chatWindow = nullptr;          // none while the chat window is closed
    HWND incomingCallDialog = nullptr;  // none while no call rings
    HWND partyLeftNotice = nullptr;     // none while no notice is shown
    // "Privacy" chosen while a call was private or being set up, applied once
    // it is over (ApplyPrivacy); -1 when none waits.
    int pendingPrivacy = -1;
};

extern Shell TheShell;

// One party as the dialogs show it.
struct PartyView {
    std::string name;
    PeerAddress address;
    PrivacyInfo privacy;  // privateLink false: a plain party
    bool hd = false;      // it hears our voice in Opus (HD voice)
};

// The party table in table order, with each party's privacy (the table is
// read under its lock, the sessions after it).
std::vector<PartyView> PartyViews(Phone& phone);

// "a.b.c.d", or "a.b.c.d:port" when the port is not 11676.
std::string AddressText(const PeerAddress& address);
// The party's name, or its address when it gave none.
std::string Who(const PartyView& party);
// "[private] name (a.b.c.d)" or "[plain] name (a.b.c.d:port)": the address is
// always in the line's last parentheses.
std::string PartyLine(const PartyView& party);

// Empties the list box and adds one line per party, in table order (PartyLine).
void FillPartyList(HWND listBox);
// The same, only when a line differs from what the list shows; the selected
// line stays selected when it is still there.
void UpdatePartyList(HWND listBox);

// Sets "Privacy" on the phone, except plain only while a call is private or
// being set up (its sealed datagrams would no longer be read): that waits in
// TheShell.pendingPrivacy until ApplyPendingPrivacy finds the call over.
void ApplyPrivacy(Phone& phone, int privacy);
void ApplyPendingPrivacy(Phone& phone);

}  // namespace kv
