// Helpers for the tests of the main window, the main dialog and the program:
// a Phone on a free port with test audio devices, a recorder in place of the
// desktop calls (message boxes, shell open, sounds), and a thread that
// answers the input boxes the program shows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/shell.h"
#include "engine/phone.h"
#include "platform/manual_wave.h"
#include "platform/mixer_api.h"
#include "platform/udp_socket.h"
#include "resource.h"
#include "ui/settings.h"
#include "test_support.h"
#include "ui_support.h"

namespace shelltest {

using kvtest::FreePort;

// A mixer that is present but has no lines: the recording level is only kept.
class SilentMixer final : public kv::MixerApi {
public:
    unsigned deviceCount() override { return 1; }
    bool open(void*) override { return false; }
    bool destinationCount(uint32_t*) override { return false; }
    bool destination(uint32_t, kv::MixerLine*) override { return false; }
    bool source(uint32_t, uint32_t, kv::MixerLine*) override { return false; }
    kv::MixerResult control(uint32_t, uint32_t, kv::MixerControl*) override { return kv::MixerResult::Failed; }
    bool itemNames(const kv::MixerControl&, std::vector<std::string>*) override { return false; }
    bool setUniformValue(const kv::MixerControl&, uint32_t) override { return false; }
    bool setItemValues(const kv::MixerControl&, const std::vector<uint32_t>&) override { return false; }
    void close() override {}
};

// What the program asked of the desktop. Used on the user-interface thread only.
struct DesktopLog {
    struct Box {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
    };
    std::vector<Box> boxes;
    std::vector<std::string> opened;      // "file|parameters"
    std::vector<std::string> sounds;
    std::vector<UINT> beeps;
    int answer = IDOK;                    // what every message box returns
};

inline DesktopLog& Desktop() {
    static DesktopLog log;
    return log;
}

// Puts the recorder in place of the real desktop calls for its lifetime.
class FakeDesktop {
public:
    FakeDesktop() : saved_(kv::Desktop) {
        Desktop() = DesktopLog{};
        kv::Desktop.messageBox = [](HWND owner, const char* text, const char* caption, UINT type) {
            Desktop().boxes.push_back({owner, text ? text : "", caption ? caption : "", type});
            return Desktop().answer;
        };
        kv::Desktop.shellOpen = [](HWND, const char* file, const char* parameters) {
            Desktop().opened.push_back(std::string(file ? file : "") + "|" + (parameters ? parameters : ""));
        };
        kv::Desktop.playSound = [](const char* file) { Desktop().sounds.push_back(file ? file : ""); };
        kv::Desktop.beep = [](UINT type) { Desktop().beeps.push_back(type); };
    }
    ~FakeDesktop() { kv::Desktop = saved_; }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

private:
    kv::DesktopCalls saved_;
};

// Answers the modal dialogs that a thread shows (by default the input box:
// the dialogs with the edit 1001), from a thread of its own, with messages
// only: first the scripted answers, then OK with "fallback" so that a loop
// that keeps asking cannot hang the test.
class DialogAnswerer {
public:
    struct Answer {
        bool ok;
        std::string text;
    };
    struct Seen {
        std::string caption;
        std::string prompt;
    };

    DialogAnswerer(DWORD uiThread, std::vector<Answer> answers, int markerId = IDC_INPUT_TEXT)
        : uiThread_(uiThread), markerId_(markerId), answers_(std::move(answers)), thread_([this] { Run(); }) {}
    ~DialogAnswerer() {
        stop_ = true;
        thread_.join();
    }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    int answered() const { return answered_; }
    std::vector<Seen> seen() {
        std::lock_guard<std::mutex> guard(lock_);
        return seen_;
    }

private:
    struct Search {
        int markerId;
        HWND found;
    };
    // A visible dialog: the modal loop shows it once its initialisation is done.
    static BOOL CALLBACK Match(HWND window, LPARAM search) {
        auto* s = reinterpret_cast<Search*>(search);
        char cls[32] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (std::string(cls) == "#32770" && GetDlgItem(window, s->markerId) && IsWindowVisible(window)) {
            s->found = window;
            return FALSE;
        }
        return TRUE;
    }

    static std::string Text(HWND window) {
        char text[1024] = "";
        SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000,
                            nullptr);
        return text;
    }

    void Run() {
        while (!stop_) {
            Search search{markerId_, nullptr};
            EnumThreadWindows(uiThread_, Match, reinterpret_cast<LPARAM>(&search));
            HWND box = search.found;
            if (!box) {
                Sleep(10);
                continue;
            }
            {
                std::lock_guard<std::mutex> guard(lock_);
                seen_.push_back({Text(box), Text(GetDlgItem(box, IDC_INPUT_PROMPT))});
            }
            const size_t index = static_cast<size_t>(answered_);
            const Answer answer = index < answers_.size() ? answers_[index] : Answer{true, "fallback"};
            if (HWND edit = GetDlgItem(box, IDC_INPUT_TEXT))
                SendMessageTimeoutA(edit, WM_SETTEXT, 0,
                                reinterpret_cast<LPARAM>(answer.text.c_str()), SMTO_NORMAL, 2000, nullptr);
            const int id = answer.ok ? IDOK : IDCANCEL;
            // Counted before the answer goes: the test reads the count as soon as the dialog has ended.
            ++answered_;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
            // The next box is another window: wait until this one is gone.
            for (int i = 0; i < 3000 && IsWindow(box) && !stop_; ++i) Sleep(10);
        }
    }

    const DWORD uiThread_;
    const int markerId_;
    const std::vector<Answer> answers_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::mutex lock_;
    std::vector<Seen> seen_;
    std::thread thread_;
};

inline HINSTANCE Module() { return GetModuleHandleA(nullptr); }

inline std::string Setting(const char* key, const char* name) {
    char text[400] = "";
    if (kv::ReadTextSetting(key, name, text, sizeof text) != 0) return "<missing>";
    return text;
}

inline bool HasSetting(const char* name) {
    char bytes[400];
    return kv::ReadSetting(kv::SettingsKey, name, bytes, sizeof bytes) == 0;
}

inline int NumberSetting(const char* name) {
    int value = -12345;
    kv::ReadNumberSetting(name, &value);
    return value;
}

// A user's click on a button or check box of a dialog: an auto check box
// toggles first, then its parent gets the command.
inline void Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    const LONG_PTR type = GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX)
        SendMessageA(button, BM_SETCHECK, SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED
                                                                                               : BST_CHECKED,
                     0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

inline std::string ReadPhoneText(kv::Phone& phone, const char* field, int capacity) {
    std::vector<char> text(static_cast<size_t>(capacity), 0);
    phone.ReadText(field, text.data(), capacity);
    return text.data();
}

// The main window and dialog from the real template in this process, over a
// Phone on a free port with test audio devices. Settings start empty.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvui::ClearSettings();
        kv::TheShell = kv::Shell{};
        phone_ = std::make_unique<kv::Phone>(0);  // a port of the system's choice
        phone_->SetAudioDevices(&devices_);
        phone_->Capture.mixer = &mixer_;
        // The main dialog starts the port mapping: no router of the test machine is asked.
        phone_->CreateGateways = [] { return std::vector<std::unique_ptr<kv::PortGateway>>(); };
        phone_->CreatePinholes = [] { return std::vector<std::unique_ptr<kv::PinholeGateway>>(); };
        ASSERT_EQ(phone_->Start(), 1);
        kv::TheShell.phone = phone_.get();
        desktop_ = std::make_unique<FakeDesktop>();
    }

    void TearDown() override {
        DestroyMainWindow();
        phone_->Shutdown();
        phone_.reset();
        desktop_.reset();
        kv::TheShell = kv::Shell{};
        kvui::ClearSettings();
    }

    // Creates the main window with an identity already stored (no prompt).
    HWND CreateWithIdentity(const char* identity = "Tester") {
        kv::WriteTextSetting(kv::SettingsKey, "Identity", identity);
        return CreateMain();
    }

    HWND CreateMain() {
        window_ = kv::CreateMainWindow(Module());
        dialog_ = kv::TheShell.mainDialog;
        return window_;
    }

    // Destroys the window as the tray's Close does (unless the test did), and
    // takes the quit request off the queue so that no later modal loop sees it.
    void DestroyMainWindow() {
        if (window_) {
            if (IsWindow(window_)) DestroyWindow(window_);
            MSG msg;
            kvui::PumpUntil([&] { return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0; }, 2000);
            kvui::Pump(20);
        }
        window_ = nullptr;
        dialog_ = nullptr;
        UnregisterClassA(kv::MainWindowClass, Module());
        // Windows that went with the main window.
        kv::TheShell.chatWindow = nullptr;
        kv::TheShell.partyLeftNotice = nullptr;
        kv::TheShell.incomingCallDialog = nullptr;
    }

    // The notification as the engine delivers a sent one.
    void Notify(int code, int value = 0) { SendMessageA(window_, kv::NotificationMessage, code, value); }

    kv::ManualWaveDevices devices_;
    SilentMixer mixer_;
    std::unique_ptr<kv::Phone> phone_;
    std::unique_ptr<FakeDesktop> desktop_;
    HWND window_ = nullptr;
    HWND dialog_ = nullptr;
};

}  // namespace shelltest
