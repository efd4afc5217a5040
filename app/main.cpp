// KestroVox.exe: program entry. Starts Windows Sockets and the one Phone,
// creates the hidden main window (whose dialog loads the settings), adds the
// tray icon and runs the message loop; then shuts down in a fixed order.
#include <windows.h>
#include <commctrl.h>

#include "app/main_window.h"
#include "app/shell.h"
#include "engine/phone.h"
#include "platform/udp_socket.h"

namespace {

void EndEngine() {
    kv::Phone* phone = kv::TheShell.phone;
    kv::TheShell.phone = nullptr;
    if (!phone) return;
    phone->Shutdown();  // closes the socket and waits for both engine threads
    delete phone;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const bool sockets = kv::StartSocketLibrary();

    kv::TheShell.instance = instance;
    kv::TheShell.phone = new kv::Phone();
    kv::TheShell.phone->SettingsLoaded = 0;  // until the main dialog has loaded them
    if (!kv::TheShell.phone->Start()) {
        kv::ShowMessage(nullptr, "Error binding socket\nAnother session running?", "KestroVox", MB_OK | MB_ICONERROR);
        EndEngine();
        if (sockets) kv::StopSocketLibrary();
        return -1;
    }

    HWND window = kv::CreateMainWindow(instance);
    if (!window) {
        EndEngine();
        if (sockets) kv::StopSocketLibrary();
        return 0;
    }
    kv::AddTrayIcon(window);

    const int code = kv::RunMessageLoop();

    EndEngine();
    kv::RemoveTrayIcon(window);
    if (sockets) kv::StopSocketLibrary();
    return code;
}
