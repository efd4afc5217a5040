// The dialogs of ui/: the input box, the incoming-call dialog, the
// party-left notice, the disconnect dialog, the chat window and the settings
// dialog. The shell and the main dialog create them from the templates of
// resources/kestrovox.rc with these procedures.
#pragma once

#include <windows.h>

namespace kv {

// Centres a window on the space a maximised window would get.
void CenterWindow(HWND window);

// Modal one-line question: 1 on OK (the answer, at most capacity - 1
// characters, in buffer), 0 on Cancel (buffer untouched), or the platform's
// failure value when the box cannot be created.
INT_PTR InputBox(HWND owner, const char* caption, const char* prompt, char* buffer, int capacity);

// Resource 111, modeless: asks about the call that rings when it is created
// (the caller's name and address, read together) and answers that call only,
// once (Yes, No, close box, or No after the phone's Timings.ringTimeoutMs),
// then destroys itself; when that caller no longer rings it answers nothing.
// The creation parameter is the ring's RingKind with its RingWarning flags:
// RingQuiet shows the dialog without activating it; RingKeyChanged and
// RingNotPrivate add a line that warns of the caller.
INT_PTR CALLBACK IncomingCallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Whether that dialog asks about the call that rings now: the phone rings
// from the caller it shows, under the name it shows.
bool AsksAboutTheRingingCall(HWND dialog);
// Resource 110, modeless; the shell sets its text.
INT_PTR CALLBACK PartyLeftNoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Resource 113, modal; hangs up the parties chosen.
INT_PTR CALLBACK DisconnectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Resource 106, modeless; the shell adds the chat lines.
INT_PTR CALLBACK ChatWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Resource 104, modal.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Puts the text on the clipboard as plain text, owned by the main window.
void CopyToClipboard(const char* text);

}  // namespace kv
