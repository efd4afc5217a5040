// The main window: creation at the stored position, the tray icon and its
// menu, the message loop, and the reactions to the engine's notifications.
#include "app/main_window.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#include "app/shell.h"
#include "engine/phone.h"
#include "platform/os.h"
#include "platform/win32/window_notifier.h"
#include "resource.h"
#include "secure/private_call.h"
#include "ui/dialogs.h"
#include "ui/settings.h"

namespace kv {

const char MainWindowClass[] = "KestroVox";
const char MainWindowTitle[] = "KestroVox v1.30";

namespace {

constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return MessageBoxA(owner, text, caption, type);
}

void SystemShellOpen(HWND owner, const char* file, const char* parameters) {
    ShellExecuteA(owner, "open", file, parameters, "", SW_SHOWNORMAL);
}

// Not SND_NODEFAULT: a missing file still gives the system's sound. A sound
// that is not in the current directory is taken from beside the executable
// when it is there: started at log-on, or from a shortcut without a working
// directory, the program runs elsewhere and would ring with the default sound.
void SystemPlaySound(const char* file) {
    char path[MAX_PATH];
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES && ExecutablePath(path, sizeof path)) {
        char* slash = std::strrchr(path, '\\');
        if (slash && static_cast<size_t>(slash + 1 - path) + std::strlen(file) < sizeof path) {
            std::strcpy(slash + 1, file);
            if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) file = path;
        }
    }
    PlaySoundA(file, nullptr, SND_FILENAME | SND_ASYNC);
}

void SystemBeep(UINT type) { MessageBeep(type); }

// The engine may hold a notifier pointer a moment after a window is gone, so
// notifiers live until the program ends.
std::deque<WindowNotifier>& Notifiers() {
    static std::deque<WindowNotifier> notifiers;
    return notifiers;
}

// One integer as "%d" reads it: leading blanks, a sign, digits. Advances the
// text; a text without a number gives 0. Out-of-range numbers are clamped.
int ParseInt(const char*& text) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text) return 0;
    text = end;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// "left,top" of the stored position; (0, 0) when missing.
void StoredPosition(int* left, int* top) {
    *left = 0;
    *top = 0;
    char text[300] = "";
    if (ReadTextSetting(WindowKey, "WindowPos", text, sizeof text) != 0) return;
    const char* p = text;
    const char* before = p;
    *left = ParseInt(p);
    if (p == before || *p != ',') return;
    ++p;
    *top = ParseInt(p);
}

void StorePosition(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return;
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d", static_cast<int>(placement.rcNormalPosition.left),
                  static_cast<int>(placement.rcNormalPosition.top));
    WriteTextSetting(WindowKey, "WindowPos", text);
}

void ShowTrayMenu(HWND window) {
    SetForegroundWindow(window);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuA(menu, MF_STRING, IDM_OPEN, "&Open");
    AppendMenuA(menu, MF_STRING, IDM_CLOSE, "&Close");
    POINT cursor{};
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
    DestroyMenu(menu);
}

// Codes 13 and 14: one notice, reused while it is open, with the newest text.
void PartyLeft(HWND window, Phone& phone, int value) {
    SetForegroundWindow(window);
    if (!TheShell.partyLeftNotice)
        TheShell.partyLeftNotice = CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_PARTY_LEFT),
                                                      TheShell.mainDialog, PartyLeftNoticeProc, 0);
    char name[100], text[300];
    phone.ReadText(phone.LeftPartyName, name, sizeof name);
    const std::string host = HostText(phone.ReadAddress(phone.LeftPartyAddress));
    const char* dotted = host.c_str();
    if (value == 1)
        std::snprintf(text, sizeof text,
                      "The party %s (%s) has been disconnected,\nbecause the appropriate codec could not be found",
                      name, dotted);
    else
        std::snprintf(text, sizeof text, "The party %s (%s) has closed connection", name, dotted);
    if (TheShell.partyLeftNotice) SetDlgItemTextA(TheShell.partyLeftNotice, IDC_NOTICE_TEXT, text);
    Desktop.beep(MB_ICONHAND);
}

// Code 1: one question at a time, about the call that rings when it is handled.
void IncomingCallArrived(HWND window, Phone& phone, int kind) {
    // The ring ended before its notification came through: nothing to ask.
    if (phone.CallState != StateIncoming) return;
    // A newer ring replaces the question about an older one, which answers
    // nothing. The question about the call that rings now stays: its
    // notifications may come late, behind those of many short rings.
    HWND open = TheShell.incomingCallDialog;
    const bool asked = open && AsksAboutTheRingingCall(open);
    if (open && !asked) {
        TheShell.incomingCallDialog = nullptr;
        DestroyWindow(open);
    }
    // A source (or everyone together) that rang too often lately rings quietly:
    // the question shows, without the sound and without the window to the front.
    const bool quiet = (kind & RingQuiet) != 0;
    if (!quiet) {
        Desktop.playSound("ringin.wav");
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    }
    if (!asked)
        TheShell.incomingCallDialog = CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_INCOMING_CALL),
                                                         TheShell.mainDialog, IncomingCallDialogProc,
                                                         kind & (RingQuiet | RingKeyChanged | RingNotPrivate));
}

// One line per notification, so that lines arriving together all show.
void ChatLineArrived(Phone& phone) {
    if (!TheShell.chatWindow)
        TheShell.chatWindow = CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_CHAT), TheShell.mainDialog,
                                                 ChatWindowProc, 0);
    char line[sizeof phone.LastChatLine];
    if (!phone.NextChatLine(line, sizeof line)) return;
    HWND chat = TheShell.chatWindow;
    if (!chat) return;
    HWND list = GetDlgItem(chat, IDC_CHAT_LINES);
    SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(line));
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
    // To the top without staying there.
    SetWindowPos(chat, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(chat, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CallError(HWND window, const char* text) { ShowMessage(window, text, "Call", MB_OK | MB_ICONERROR); }

// Code 3: one box at a time. A stranger can make a phone that accepts calls
// fail a setup every few seconds; while the box waits for its click, the
// failures that follow show none.
bool setupFailedShown = false;

void SetupFailed(HWND window) {
    if (setupFailedShown) return;
    setupFailedShown = true;
    CallError(window, "Call setup failed");
    setupFailedShown = false;
}

// The subject of a KeyChanged or NotPrivate notification, read together.
struct Warning {
    std::string name;
    PeerAddress address;
    uint8_t key[32];
};

Warning ReadWarning(Phone& phone) {
    Warning w;
    std::lock_guard<std::mutex> guard(phone.FieldLock);
    char name[sizeof phone.WarnName];
    std::memcpy(name, phone.WarnName, sizeof name);
    name[sizeof name - 1] = 0;
    w.name = name;
    w.address = phone.WarnAddress;
    std::memcpy(w.key, phone.WarnKey, sizeof w.key);
    return w;
}

// "Bob (10.0.0.2)", or "10.0.0.2" for a peer that gave no name.
std::string Party(const Warning& w) {
    return w.name.empty() ? AddressText(w.address) : w.name + " (" + AddressText(w.address) + ")";
}

const char* Caption(int subject) { return subject == SubjectMessage ? "Short message" : "Call"; }

// Code 21, sent while the call or message waits: Yes goes on with the new key.
void KeyChangedWarning(HWND window, Phone& phone, int subject) {
    const Warning w = ReadWarning(phone);
    const std::string who = w.name.empty() ? "the party" : w.name;
    char fingerprint[32];
    secure::Fingerprint(w.key, fingerprint, true);
    const std::string text = "The party " + Party(w) + " has another key than before.\nThis is expected if " + who +
                             " reinstalled KestroVox or uses another computer; otherwise someone may be listening "
                             "in.\nThe new key: " + fingerprint + "\n" +
                             (subject == SubjectMessage ? "Send the message anyway?" : "Call anyway?");
    if (ShowMessage(window, text.c_str(), Caption(subject), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
        phone.ProceedAnyway = 1;
}

// Code 22, sent while the call or message waits: Yes goes on in plain, except
// under "private only", where the box only tells.
void NotPrivateWarning(HWND window, Phone& phone, int subject) {
    const Warning w = ReadWarning(phone);
    RememberedPeer remembered;
    const bool wasPrivate = phone.Peers.findByAddress(w.address, &remembered);
    std::string text = "No private answer came from " + Party(w) + (wasPrivate ? ", who was private before" : "") +
                       ".\nThe peer may be offline, " +
                       (wasPrivate ? "" : "may be a KestroVox without private calls, ") +
                       "or something on the way may be blocking private calls.\n";
    const bool message = subject == SubjectMessage;
    if (phone.Privacy == PrivacyOnly) {
        text += message ? "Your settings allow private calls only, so the message was not sent."
                        : "Your settings allow private calls only, so the call was not made.";
        ShowMessage(window, text.c_str(), Caption(subject), MB_OK | MB_ICONWARNING);
        return;
    }
    text += message ? "Send the message without privacy?" : "Call without privacy?";
    if (ShowMessage(window, text.c_str(), Caption(subject), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
        phone.ProceedAnyway = 1;
}

void OnNotification(HWND window, int code, int value) {
    Phone* phone = TheShell.phone;
    if (!phone) return;
    // The setup that an outcome (codes 7 to 10) reports: CallState is idle by
    // the time it is sent, and another call may already ring.
    char name[sizeof phone->ReportName];
    phone->ReadText(phone->ReportName, name, sizeof name);
    char text[600];
    switch (code) {
        case IncomingCall:
            IncomingCallArrived(window, *phone, value);
            break;
        case CallSetupFailed:
            SetupFailed(window);
            break;
        case CallerCancelled:
            // The caller gave up. One that came late, behind a newer ring,
            // leaves the question about the call that rings now.
            if (HWND dialog = TheShell.incomingCallDialog; dialog && !AsksAboutTheRingingCall(dialog)) {
                TheShell.incomingCallDialog = nullptr;
                DestroyWindow(dialog);
            }
            break;
        case CallRefused: {
            char refusal[sizeof phone->ReportRefusalText];
            phone->ReadText(phone->ReportRefusalText, refusal, sizeof refusal);
            if (refusal[0])
                std::snprintf(text, sizeof text, "The party %s cannot accept the call and left a message:\n%s", name,
                              refusal);
            else
                std::snprintf(text, sizeof text, "The party %s did not accept the call", name);
            CallError(window, text);
            break;
        }
        case UnsupportedCodec:
            std::snprintf(text, sizeof text,
                          "A connection with the party %s\ncannot be established, because the remote\n"
                          "party uses an unsupported codec.",
                          name);
            CallError(window, text);
            break;
        case RemoteCannotDecode:
            std::snprintf(text, sizeof text,
                          "A connection with the party %s\ncannot be established, because the remote\n"
                          "party cannot decode transmitted data.\nTry changing codec.",
                          name);
            CallError(window, text);
            break;
        case RemoteBusy:
            std::snprintf(text, sizeof text, "The party %s is setting up another call", name);
            CallError(window, text);
            break;
        case NoAnswer:
            CallError(window, "No answer from remote KestroVox");
            break;
        case NotActive:
            CallError(window, "KestroVox not active on remote host");
            break;
        case PartyHungUp:
        case PartyDropped:
            PartyLeft(window, *phone, value);
            break;
        case ChatLine:
            ChatLineArrived(*phone);
            break;
        case KeyChanged:
            KeyChangedWarning(window, *phone, value);
            break;
        case NotPrivate:
            NotPrivateWarning(window, *phone, value);
            break;
        case PartiesChanged:
            if (TheShell.mainDialog) UpdatePartyList(GetDlgItem(TheShell.mainDialog, IDC_PARTIES));
            if (TheShell.chatWindow) PostMessageA(TheShell.chatWindow, WM_INITDIALOG, 0, 0);
            break;
        case PortMappingChanged:
            UpdateTrayIcon(window);
            break;
        case LogWritten:
            if (TheShell.mainDialog) SetDlgItemTextA(TheShell.mainDialog, IDC_LOG, "Log!!!");
            break;
        case MessageRefused:
            ShowMessage(window, "The remote party cannot accept short messages", "Short message",
                        MB_OK | MB_ICONERROR);
            break;
        case MessageDelivered:
            ShowMessage(window, "The message has been sent", "Short message", MB_OK | MB_ICONINFORMATION);
            break;
        default:  // IncomingConnected, PartyAlerted, CallConnected: the status line shows them
            break;
    }
}

}  // namespace

DesktopCalls Desktop = {SystemMessageBox, SystemShellOpen, SystemPlaySound, SystemBeep};

int ShowMessage(HWND owner, const char* text, const char* caption, UINT type) {
    return Desktop.messageBox(owner, text, caption, type);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            TheShell.mainWindow = window;
            if (Phone* phone = TheShell.phone) {
                Notifiers().emplace_back(window);
                WindowNotifier* notifier = &Notifiers().back();
                SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(notifier));
                phone->NotifyWindow = notifier;
            }
            HWND dialog =
                CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_MAIN), window, MainDialogProc, 0);
            if (dialog) {
                RECT r;
                GetClientRect(dialog, &r);
                AdjustWindowRect(&r, kWindowStyle, FALSE);
                SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                             SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
            }
            return 0;
        }
        case WM_DESTROY: {
            auto* notifier = reinterpret_cast<NotificationSink*>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (Phone* phone = TheShell.phone; phone && notifier) phone->NotifyWindow.compare_exchange_strong(notifier, nullptr);
            if (TheShell.mainWindow == window) TheShell.mainWindow = nullptr;
            PostQuitMessage(0);
            return 0;
        }
        case WM_MOVE:
            StorePosition(window);
            return 0;
        case WM_CLOSE:  // the close box only hides; the tray menu ends the program
            ShowWindow(window, SW_HIDE);
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_OPEN:
                    ShowWindow(window, SW_SHOW);
                    SetForegroundWindow(window);
                    break;
                case IDM_CLOSE:
                    DestroyWindow(window);
                    break;
                default:
                    break;
            }
            return 0;
        case KV_TRAY_MESSAGE:
            switch (static_cast<UINT>(lParam)) {
                case WM_LBUTTONDBLCLK:
                    ShowWindow(window, SW_SHOWNORMAL);
                    SetForegroundWindow(window);
                    break;
                case WM_RBUTTONUP:
                    ShowTrayMenu(window);
                    break;
                default:
                    break;
            }
            return 0;
        case NotificationMessage:
            OnNotification(window, static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND CreateMainWindow(HINSTANCE instance) {
    TheShell.instance = instance;
    WNDCLASSA wc{};
    wc.style = 0;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = MainWindowClass;
    if (!RegisterClassA(&wc)) return nullptr;

    int left, top;
    StoredPosition(&left, &top);
    HWND window = CreateWindowExA(0, MainWindowClass, MainWindowTitle, kWindowStyle, left, top, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    UpdateWindow(window);
    return window;
}

std::string TrayTip() {
    std::string tip = "KestroVox";
    Phone* phone = TheShell.phone;
    if (!phone) return tip;
    // A line for each way in: the router's forwarded port (its own word,
    // nothing has checked that calls to it arrive) and the IPv6 pinhole.
    const PortMappingState mapping = phone->MappingState();
    if (mapping.status == MappingActive && mapping.externalIp != 0) {
        tip += "\nThe router says: call me at " + HostPortText(MakeAddress(mapping.externalIp, mapping.externalPort));
        if (mapping.privateRouterAddress) tip += " (router behind another NAT?)";
    }
    const PinholeState pinhole = phone->PinholeInfo();
    if (pinhole.status == MappingActive) tip += "\nCall me at " + HostPortText(pinhole.address);
    return tip;
}

namespace {
NOTIFYICONDATAA TrayRecord(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = KV_TRAY_ICON_ID;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = KV_TRAY_MESSAGE;
    data.hIcon = LoadIconA(TheShell.instance, MAKEINTRESOURCEA(IDI_APP));
    lstrcpynA(data.szTip, TrayTip().c_str(), sizeof data.szTip);
    return data;
}
}  // namespace

void UpdateTrayIcon(HWND window) {
    NOTIFYICONDATAA data = TrayRecord(window);
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

bool AddTrayIcon(HWND window) {
    NOTIFYICONDATAA data = TrayRecord(window);
    return Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

void RemoveTrayIcon(HWND window) {
    NOTIFYICONDATAA data = TrayRecord(window);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

int RunMessageLoop() {
    MSG msg{};
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return 0;
        HWND chat = TheShell.chatWindow;
        if (chat && IsDialogMessageA(chat, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace kv
