#include "ui_support.h"

#include <gtest/gtest.h>

#include <chrono>

#include "app/shell.h"
#include "test_support.h"

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

std::unique_ptr<kv::Phone> StartShellPhone(kv::ManualWaveDevices& devices) {
    ClearSettings();
    kv::TheShell = kv::Shell();
    kv::TheShell.instance = GetModuleHandleA(nullptr);
    auto phone = std::make_unique<kv::Phone>(0);
    phone->SetAudioDevices(&devices);
    // The main dialog starts the port mapping: no router of the test machine is asked.
    phone->CreateGateways = [] { return std::vector<std::unique_ptr<kv::PortGateway>>(); };
    phone->CreatePinholes = [] { return std::vector<std::unique_ptr<kv::PinholeGateway>>(); };
    EXPECT_EQ(phone->Start(), 1);
    phone->WriteText(phone->Identity, sizeof phone->Identity, "Me");
    kv::TheShell.phone = phone.get();
    return phone;
}

void Command(HWND dialog, int id, int code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace {

struct ModalDriver {
    const char* caption;
    std::function<void(HWND)> drive;
    HWND dialog = nullptr;
    int ticks = 0;
};
ModalDriver* gDriver = nullptr;

void CALLBACK DriveModal(HWND, UINT, UINT_PTR, DWORD) {
    ModalDriver& d = *gDriver;
    ++d.ticks;
    if (!d.dialog) {
        // Driven once the modal loop has shown it, as a user would see it.
        HWND found = FindWindowA("#32770", d.caption);
        if (found && IsWindowVisible(found)) {
            d.dialog = found;
            d.drive(found);
            return;
        }
    }
    if (d.ticks > 500) {
        HWND stuck = d.dialog ? d.dialog : FindWindowA("#32770", d.caption);
        if (stuck && IsWindow(stuck)) {
            ADD_FAILURE() << "dialog \"" << d.caption << "\" was left open";
            EndDialog(stuck, -2);
        }
    }
}

}  // namespace

INT_PTR RunModal(const char* caption, const std::function<INT_PTR()>& open, std::function<void(HWND)> drive) {
    ModalDriver driver{caption, std::move(drive)};
    gDriver = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, DriveModal);
    const INT_PTR result = open();
    KillTimer(nullptr, timer);
    Pump(10);  // a tick already queued finds gDriver still valid
    gDriver = nullptr;
    EXPECT_NE(driver.dialog, nullptr) << "dialog \"" << caption << "\" never appeared";
    return result;
}

}  // namespace kvui
