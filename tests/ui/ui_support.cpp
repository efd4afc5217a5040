#include "ui_support.h"

#include <chrono>

namespace kvui {

void Pump(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& cond, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return cond();
        Pump(10);
    }
    return true;
}

void ClearSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Kestrovox");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestroVox");
}

std::string WindowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

}  // namespace kvui
