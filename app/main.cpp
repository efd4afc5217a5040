// KestroVox.exe: program entry. Starts Windows Sockets and the Phone, shows
// the main window and runs the message loop; shuts down in reverse order.
#include <windows.h>

#include <memory>

#include "engine/phone.h"
#include "platform/win32/window_notifier.h"

namespace {

const char kWindowClass[] = "KestroVoxMain";

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!kv::StartSocketLibrary()) return -1;
    auto phone = std::make_unique<kv::Phone>();
    if (!phone->Start()) {
        MessageBoxA(nullptr, "Error binding socket\nAnother session running?", "KestroVox", MB_OK | MB_ICONERROR);
        phone.reset();
        kv::StopSocketLibrary();
        return -1;
    }

    WNDCLASSA wc{};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);
    HWND window = CreateWindowA(kWindowClass, "KestroVox", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                                240, nullptr, nullptr, instance, nullptr);
    kv::WindowNotifier notifier(window);
    phone->NotifyWindow = &notifier;

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    phone->NotifyWindow = nullptr;
    phone->Shutdown();
    phone.reset();
    kv::StopSocketLibrary();
    return 0;
}
