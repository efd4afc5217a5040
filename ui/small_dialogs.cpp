// The small dialogs: the input box (its template built here in memory), the
// incoming-call question, the party-left notice and the disconnect dialog.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "app/shell.h"
#include "engine/phone.h"
#include "resource.h"
#include "ui/dialogs.h"

namespace kv {

namespace {

constexpr UINT_PTR AnswerTimerId = 1;

// What an incoming-call dialog keeps (its window's user data): the caller it
// asks about, the only one it ever answers, and the name it shows.
struct IncomingCallRecord {
    PeerAddress caller;
    char name[sizeof Phone::RemoteName];
};

IncomingCallRecord* RecordOf(HWND dialog) {
    return reinterpret_cast<IncomingCallRecord*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

HINSTANCE ModuleInstance() { return TheShell.instance ? TheShell.instance : GetModuleHandleA(nullptr); }

// ---- the input box ----

struct InputBoxRecord {
    const char* caption;
    const char* prompt;
    char* buffer;
    int capacity;
};

// An in-memory dialog template: the header, then one item per control.
class TemplateBuilder {
public:
    TemplateBuilder(DWORD style, short cx, short cy, WORD pointSize, const wchar_t* font) {
        words_.reserve(256);
        PutDword(style);
        PutDword(0);  // extended style
        countIndex_ = words_.size();
        words_.push_back(0);  // number of items, filled in as they come
        PutWord(0);           // x
        PutWord(0);           // y
        PutWord(static_cast<WORD>(cx));
        PutWord(static_cast<WORD>(cy));
        PutWord(0);  // no menu
        PutWord(0);  // the standard dialog class
        PutWord(0);  // no caption in the template
        PutWord(pointSize);
        PutText(font);
    }

    void Add(WORD classAtom, WORD id, DWORD style, short x, short y, short cx, short cy, const wchar_t* text) {
        if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
        PutDword(style | WS_CHILD | WS_VISIBLE);
        PutDword(0);
        PutWord(static_cast<WORD>(x));
        PutWord(static_cast<WORD>(y));
        PutWord(static_cast<WORD>(cx));
        PutWord(static_cast<WORD>(cy));
        PutWord(id);
        PutWord(0xFFFF);
        PutWord(classAtom);
        PutText(text);
        PutWord(0);  // no creation data
        ++words_[countIndex_];
    }

    const DLGTEMPLATE* Template() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void PutWord(WORD w) { words_.push_back(w); }
    void PutDword(DWORD d) {
        words_.push_back(LOWORD(d));
        words_.push_back(HIWORD(d));
    }
    void PutText(const wchar_t* text) {
        for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    size_t countIndex_ = 0;
};

constexpr WORD ButtonAtom = 0x0080;
constexpr WORD EditAtom = 0x0081;
constexpr WORD StaticAtom = 0x0082;

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            CenterWindow(dialog);
            auto* record = reinterpret_cast<InputBoxRecord*>(lParam);
            SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
            SetWindowTextA(dialog, record->caption ? record->caption : "");
            SetDlgItemTextA(dialog, IDC_INPUT_PROMPT, record->prompt ? record->prompt : "");
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: {
                    auto* record = reinterpret_cast<InputBoxRecord*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
                    if (record && record->buffer && record->capacity > 0)
                        GetDlgItemTextA(dialog, IDC_INPUT_TEXT, record->buffer, record->capacity);
                    EndDialog(dialog, 1);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                default:
                    return TRUE;
            }
        default:
            return FALSE;
    }
}

// ---- the modeless dialogs: each forgets itself in the shell when it goes ----

void ForgetIncomingCallDialog(HWND dialog) {
    // A newer dialog may have taken the shell's handle meanwhile; that one stays.
    if (TheShell.incomingCallDialog == dialog) TheShell.incomingCallDialog = nullptr;
}

// Answers the call the dialog shows; when that caller no longer rings (its
// ring ended, another call rings now), nothing is answered.
void AnswerAndClose(HWND dialog, int accept) {
    KillTimer(dialog, AnswerTimerId);
    if (IncomingCallRecord* record = RecordOf(dialog); record && TheShell.phone)
        TheShell.phone->AnswerCall(accept, record->caller);
    DestroyWindow(dialog);
    ForgetIncomingCallDialog(dialog);
}

// The caller that rings now, name and address read together, as the dialog's
// text, with a line for each warning of the ring; the address is kept for the answer.
void AskAboutTheCaller(HWND dialog, LPARAM ring) {
    auto* record = new IncomingCallRecord{};
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    if (Phone* phone = TheShell.phone) {
        std::lock_guard<std::mutex> guard(phone->FieldLock);
        std::memcpy(record->name, phone->RemoteName, sizeof record->name);
        record->caller = phone->RemoteAddress;
    }
    record->name[sizeof record->name - 1] = 0;
    char text[700];
    const std::string host = HostText(record->caller);
    const char* who = record->name[0] ? record->name : "The caller";
    char warning[300] = "";
    if (ring & RingKeyChanged)
        std::snprintf(warning, sizeof warning,
                      "%s has another key than before: expected after a reinstall or on another computer, "
                      "otherwise someone else may be calling.\n",
                      who);
    else if (ring & RingNotPrivate)
        std::snprintf(warning, sizeof warning,
                      "%s called privately before, but this call is not private: someone else may be calling.\n",
                      who);
    std::snprintf(text, sizeof text, "Incoming call from %s (%s).\n%sAccept ?", record->name, host.c_str(), warning);
    SetDlgItemTextA(dialog, IDC_NOTICE_TEXT, text);
}

}  // namespace

void CenterWindow(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    const int x = (GetSystemMetrics(SM_CXFULLSCREEN) - (r.right - r.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYFULLSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR InputBox(HWND owner, const char* caption, const char* prompt, char* buffer, int capacity) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT, 250, 60, 8, L"MS Sans Serif");
    // The answer comes first in the tab order, so it has the focus.
    t.Add(EditAtom, IDC_INPUT_TEXT, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, 10, 30, 170, 12, L"");
    t.Add(StaticAtom, IDC_INPUT_PROMPT, SS_LEFT, 10, 10, 170, 16, L"");
    t.Add(ButtonAtom, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 190, 10, 50, 14, L"OK");
    t.Add(ButtonAtom, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 190, 30, 50, 14, L"Cancel");
    InputBoxRecord record{caption, prompt, buffer, capacity};
    return DialogBoxIndirectParamA(ModuleInstance(), t.Template(), owner, InputBoxProc,
                                   reinterpret_cast<LPARAM>(&record));
}

bool AsksAboutTheRingingCall(HWND dialog) {
    const IncomingCallRecord* record = RecordOf(dialog);
    Phone* phone = TheShell.phone;
    if (!record || !phone) return false;
    std::lock_guard<std::mutex> guard(phone->FieldLock);
    return phone->CallState == StateIncoming && SameAddress(record->caller, phone->RemoteAddress) &&
           std::strncmp(record->name, phone->RemoteName, sizeof record->name) == 0;
}

INT_PTR CALLBACK IncomingCallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            AskAboutTheCaller(dialog, lParam);
            SendDlgItemMessageA(dialog, IDC_NOTICE_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_QUESTION)), 0);
            const int timeoutMs =
                TheShell.phone ? TheShell.phone->Timings.ringTimeoutMs : ProtocolTimings{}.ringTimeoutMs;
            SetTimer(dialog, AnswerTimerId, static_cast<UINT>(timeoutMs > 0 ? timeoutMs : 1), nullptr);
            if (lParam & RingQuiet) {
                // Shown as it is, without taking the focus from whatever has it.
                ShowWindow(dialog, SW_SHOWNOACTIVATE);
                return FALSE;
            }
            return TRUE;
        }
        case WM_DESTROY:
            delete RecordOf(dialog);
            SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
            return FALSE;
        case WM_COMMAND:
            // The close box arrives as IDCANCEL.
            if (LOWORD(wParam) == IDOK) AnswerAndClose(dialog, 1);
            else if (LOWORD(wParam) == IDCANCEL) AnswerAndClose(dialog, 0);
            return TRUE;
        case WM_TIMER:
            if (wParam != AnswerTimerId) return FALSE;
            AnswerAndClose(dialog, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK PartyLeftNoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageA(dialog, IDC_NOTICE_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_INFORMATION)), 0);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                DestroyWindow(dialog);
                if (TheShell.partyLeftNotice == dialog) TheShell.partyLeftNotice = nullptr;
            }
            return TRUE;
        default:
            return FALSE;
    }
}

namespace {

// Hangs up the party of one list line "name (a.b.c.d)" or "name (a.b.c.d:port)".
// The name may hold parentheses itself, so the address follows the last "(".
void HangUpLine(Phone& phone, std::vector<char>& line) {
    size_t length = std::strlen(line.data());
    if (length == 0) return;
    line[length - 1] = 0;  // the closing parenthesis
    char* open = std::strrchr(line.data(), '(');
    if (!open) return;
    PeerAddress address;
    // A line that does not resolve names no party; an unfilled address (port
    // 0) would mean every party to HangUp.
    if (!ResolveAddress(open + 1, &address)) return;
    phone.HangUp(&address, 0);
}

}  // namespace

INT_PTR CALLBACK DisconnectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            HWND list = GetDlgItem(dialog, IDC_DISCONNECT_LIST);
            FillPartyList(list);
            SendMessageA(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("(Everyone)"));
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: {
                    HWND list = GetDlgItem(dialog, IDC_DISCONNECT_LIST);
                    Phone* phone = TheShell.phone;
                    if (phone) {
                        if (SendMessageA(list, LB_GETSEL, 0, 0) > 0) {
                            phone->HangUp(nullptr, 0);
                        } else {
                            const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
                            for (int i = 1; i < count; ++i) {
                                if (SendMessageA(list, LB_GETSEL, i, 0) <= 0) continue;
                                const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
                                if (length < 0) continue;
                                std::vector<char> line(static_cast<size_t>(length) + 1, 0);
                                SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
                                line.back() = 0;
                                HangUpLine(*phone, line);
                            }
                        }
                    }
                    EndDialog(dialog, 0);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                default:
                    return TRUE;
            }
        default:
            return FALSE;
    }
}

}  // namespace kv
