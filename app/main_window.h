// The main window of KestroVox.exe (class "KestroVox"): hidden at start,
// fitted to the main dialog it holds, present as a tray icon, and the
// receiver of the engine's notifications (message 1024).
#pragma once

#include <windows.h>

#include <string>

namespace kv {

extern const char MainWindowClass[];  // "KestroVox"
extern const char MainWindowTitle[];  // "KestroVox v1.30"
extern const char HomePage[];         // offered by the About box

// The calls that reach the desktop beyond our own windows. Tests replace them
// to see what the program asked for without a modal box or a new process.
struct DesktopCalls {
    // MessageBoxA: returns the button chosen (IDOK, IDYES ...).
    int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
    // ShellExecuteA with the verb "open", an empty working directory and normal show state.
    void (*shellOpen)(HWND owner, const char* file, const char* parameters);
    // PlaySoundA of a file, once and asynchronously.
    void (*playSound)(const char* file);
    // MessageBeep.
    void (*beep)(UINT type);
};
extern DesktopCalls Desktop;

// Every message box of the program goes through here.
int ShowMessage(HWND owner, const char* text, const char* caption, UINT type);

// Registers the class and creates the hidden main window at the stored
// position; creating it creates the main dialog, which loads the settings
// and asks for an identity. Uses TheShell.phone. Null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// The tray icon of the window: add at start, delete at exit.
bool AddTrayIcon(HWND window);
void RemoveTrayIcon(HWND window);
// Its tip anew: a line with the external address while the router forwards
// our port, and one with our IPv6 address while the router's firewall has a
// pinhole open for it ("Call me at [2001:db8::7]:11676").
void UpdateTrayIcon(HWND window);
std::string TrayTip();

// Runs until the quit request; the chat window alone gets dialog keyboard
// handling. Returns the quit code.
int RunMessageLoop();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Resource 103, the modeless child of the main window.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kv
