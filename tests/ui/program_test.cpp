// KestroVox.exe as a process: hidden start, one copy per port, the close box,
// the tray's Close, and the window position across a restart. The program
// binds UDP port 11676, so these tests skip while something else holds it.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "engine/phone.h"
#include "platform/udp_socket.h"
#include "resource.h"
#include "ui/settings.h"
#include "ui_support.h"

namespace {

constexpr int kStartMs = 30000;  // a cold Wine start of a GUI program can be slow
constexpr DWORD kExitMs = 30000;

// build/<name>/KestroVox.exe, beside the tests folder that holds this program.
std::string ProgramPath() {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path = self;
    path = path.substr(0, path.rfind('\\'));  // .../tests
    path = path.substr(0, path.rfind('\\'));  // .../build/<name>
    return path + "\\KestroVox.exe";
}

bool PortFree(uint16_t port) {
    auto socket = kv::CreateUdpSocket();
    return socket && socket->bind(port);
}

bool Poll(const std::function<bool()>& cond, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return cond();
        Sleep(20);
    }
    return true;
}

std::string ClassOf(HWND window) {
    char name[128] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    char text[512] = "";
    // Another process's window: the text comes without a message to it.
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == s->pid) s->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The texts of a dialog's static controls (a message box's text is one of them).
std::vector<std::string> StaticTexts(HWND dialog) {
    std::vector<std::string> texts;
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM p) -> BOOL {
            if (ClassOf(w) == "Static") {
                char text[512] = "";
                SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000,
                                    nullptr);
                reinterpret_cast<std::vector<std::string>*>(p)->push_back(text);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

bool SubsystemIsWindowsGui(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> head(4096);
    DWORD got = 0;
    ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
    CloseHandle(file);
    if (got < sizeof(IMAGE_DOS_HEADER)) return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(head.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0 ||
        static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64) > got)
        return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(head.data() + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE && nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

// One run of the program; ended by force if a test leaves it running.
class Program {
public:
    Program() = default;
    ~Program() {
        if (info_.hProcess) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 99);
                WaitForSingleObject(info_.hProcess, 5000);
            }
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool start() {
        const std::string path = ProgramPath();
        const std::string dir = path.substr(0, path.rfind('\\'));
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine = "\"" + path + "\"";
        return CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                              &startup, &info_) != FALSE;
    }

    DWORD pid() const { return info_.dwProcessId; }
    bool running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

    // The main window (class "KestroVox") once it exists.
    HWND mainWindow(int timeoutMs = kStartMs) {
        HWND found = nullptr;
        Poll(
            [&] {
                for (HWND w : WindowsOf(pid()))
                    if (ClassOf(w) == "KestroVox") found = w;
                return found != nullptr || !running();
            },
            timeoutMs);
        return found;
    }

    // A dialog of the process holding a static with the text.
    HWND dialogWithText(const std::string& text, int timeoutMs = kStartMs) {
        HWND found = nullptr;
        Poll(
            [&] {
                for (HWND w : WindowsOf(pid()))
                    if (ClassOf(w) == "#32770")
                        for (const std::string& t : StaticTexts(w))
                            if (t == text) found = w;
                return found != nullptr || !running();
            },
            timeoutMs);
        return found;
    }

    // The exit code once the process has ended, or STILL_ACTIVE.
    DWORD exitCode(DWORD timeoutMs = kExitMs) {
        WaitForSingleObject(info_.hProcess, timeoutMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_{};
};

void Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    PostMessageA(window, message, wParam, lParam);
}

bool Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 10000, nullptr) != 0;
}

std::string ReadWindowPos() {
    char text[300] = "";
    if (kv::ReadTextSetting(kv::WindowKey, "WindowPos", text, sizeof text) != 0) return "<missing>";
    return text;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PortFree(kv::DefaultPort)) GTEST_SKIP() << "UDP port 11676 is in use; the program needs it";
        ASSERT_NE(GetFileAttributesA(ProgramPath().c_str()), INVALID_FILE_ATTRIBUTES) << "not found: " << ProgramPath();
        kvui::ClearSettings();
        kv::WriteTextSetting(kv::SettingsKey, "Identity", "Tester");
        kv::WriteNumberSetting("PortMapping", 0);  // the program asks no router of the test machine
    }
    void TearDown() override { kvui::ClearSettings(); }
};

TEST_F(ProgramTest, StartsHiddenWithoutConsoleAndTheCloseBoxOnlyHides) {
    EXPECT_TRUE(SubsystemIsWindowsGui(ProgramPath())) << "a console program would open a console window";
    Program program;
    ASSERT_TRUE(program.start());
    HWND window = program.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), "KestroVox v1.30");
    for (HWND w : WindowsOf(program.pid())) {
        EXPECT_FALSE(IsWindowVisible(w)) << ClassOf(w) << " \"" << TextOf(w) << "\" is visible";
        EXPECT_NE(ClassOf(w), "ConsoleWindowClass");
    }

    ASSERT_TRUE(Send(window, WM_COMMAND, IDM_OPEN));
    EXPECT_TRUE(IsWindowVisible(window));
    ASSERT_TRUE(Send(window, WM_CLOSE));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindow(window));
    Sleep(200);
    EXPECT_TRUE(program.running());
    ASSERT_TRUE(Send(window, WM_COMMAND, IDM_OPEN));  // back again
    EXPECT_TRUE(IsWindowVisible(window));

    Post(window, WM_COMMAND, IDM_CLOSE);
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(IsWindow(window));
}

// Without a window manager Wine keeps the notification area in a standalone
// window of its own, one child window per icon.
HWND StandaloneTray() { return FindWindowA("__winex11_standalone_tray", nullptr); }

std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    if (HWND tray = StandaloneTray())
        EnumChildWindows(
            tray,
            [](HWND w, LPARAM p) -> BOOL {
                if (ClassOf(w) == "__winex11_tray_icon" && IsWindowVisible(w))
                    reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&icons));
    return icons;
}

TEST_F(ProgramTest, TrayIconOpensTheWindowAndItsCloseEndsTheProgram) {
    Poll([] { return TrayIcons().empty(); }, 5000);  // icons of earlier runs go away
    const size_t before = TrayIcons().size();
    Program program;
    ASSERT_TRUE(program.start());
    HWND window = program.mainWindow();
    ASSERT_NE(window, nullptr);
    const bool added = Poll([&] { return TrayIcons().size() == before + 1; }, 10000);
    const bool observable = added || StandaloneTray() != nullptr;
    if (!observable) {
        std::cout << "[   NOTE   ] no standalone tray window here: the icon itself is not checked\n";
    } else {
        ASSERT_TRUE(added) << "no tray icon appeared";
        // A double click on the icon reaches the window through the icon's callback message.
        HWND icon = TrayIcons().back();
        Post(icon, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
        EXPECT_TRUE(Poll([&] { return IsWindowVisible(window) != FALSE; }, 10000));
        ASSERT_TRUE(Send(window, WM_CLOSE));
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(TrayIcons().size(), before + 1) << "hiding the window keeps the icon";
    }

    Post(window, WM_COMMAND, IDM_CLOSE);
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(IsWindow(window));
    if (observable) {
        EXPECT_TRUE(Poll([&] { return TrayIcons().size() == before; }, 10000)) << "the icon stays";
    }
}

TEST_F(ProgramTest, SecondCopyReportsTheTakenPortAndEndsWithMinusOne) {
    Program first;
    ASSERT_TRUE(first.start());
    HWND window = first.mainWindow();
    ASSERT_NE(window, nullptr);

    Program second;
    ASSERT_TRUE(second.start());
    HWND box = second.dialogWithText("Error binding socket\nAnother session running?");
    ASSERT_NE(box, nullptr) << "no binding error shown";
    EXPECT_EQ(TextOf(box), "KestroVox");
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    EXPECT_TRUE(second.running()) << "the box waits for the user";
    Post(box, WM_COMMAND, IDOK);
    EXPECT_EQ(second.exitCode(), static_cast<DWORD>(-1));

    // The first copy goes on.
    EXPECT_TRUE(first.running());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(Send(window, WM_COMMAND, IDM_OPEN));
    EXPECT_TRUE(IsWindowVisible(window));
    Post(window, WM_COMMAND, IDM_CLOSE);
    EXPECT_EQ(first.exitCode(), 0u);
}

TEST_F(ProgramTest, WindowComesBackWhereItWasLeft) {
    {
        Program program;
        ASSERT_TRUE(program.start());
        HWND window = program.mainWindow();
        ASSERT_NE(window, nullptr);
        RECT r{};
        GetWindowRect(window, &r);
        EXPECT_EQ(r.left, 0);  // nothing stored: the top-left corner
        EXPECT_EQ(r.top, 0);
        SetWindowPos(window, nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(Poll([] { return ReadWindowPos() == "150,90"; }, 10000)) << ReadWindowPos();
        Post(window, WM_COMMAND, IDM_CLOSE);
        EXPECT_EQ(program.exitCode(), 0u);
    }
    Program program;
    ASSERT_TRUE(program.start());
    HWND window = program.mainWindow();
    ASSERT_NE(window, nullptr);
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 150);
    EXPECT_EQ(r.top, 90);
    EXPECT_FALSE(IsWindowVisible(window));
    Post(window, WM_COMMAND, IDM_CLOSE);
    EXPECT_EQ(program.exitCode(), 0u);
}

TEST_F(ProgramTest, FirstStartAsksForTheIdentity) {
    kvui::ClearSettings();
    kv::WriteNumberSetting("PortMapping", 0);
    Program program;
    ASSERT_TRUE(program.start());
    HWND box = program.dialogWithText("Please enter your identity");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), "KestroVox");
    ASSERT_TRUE(Send(GetDlgItem(box, IDC_INPUT_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Quinn")));
    Post(box, WM_COMMAND, IDOK);
    HWND window = program.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Poll([] {
        char identity[100] = "";
        return kv::ReadTextSetting(kv::SettingsKey, "Identity", identity, sizeof identity) == 0 &&
               std::string(identity) == "Quinn";
    }, 10000));
    Post(window, WM_COMMAND, IDM_CLOSE);
    EXPECT_EQ(program.exitCode(), 0u);
}

}  // namespace
