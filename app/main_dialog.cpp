// The main dialog (resource 103): settings load and identity prompt at
// start, the buttons, the two sliders, and a 100 ms timer for the status
// line, the party list's privacy marks, the privacy line under the status
// (the short authentication string of the party shown, and its Verify
// button), the TX indicator and the level meters. Keeps the address history.
#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/meter.h"
#include "app/shell.h"
#include "engine/phone.h"
#include "resource.h"
#include "secure/private_call.h"
#include "ui/dialogs.h"
#include "engine/event_log.h"
#include "ui/settings.h"
#include "ui/slider.h"

namespace kv {

const char HomePage[] = "https://kestrovox.org";

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 100;
constexpr int kTextCapacity = 300;      // address texts and composed strings
constexpr int kAnswerCapacity = 260;    // what the input box hands back, with the zero
constexpr int kSliderTop = 1000;        // a slider's value is kSliderTop minus its position

void ShowResolveError(HWND dialog) {
    ShowMessage(dialog, "Unable to resolve address", "Connect", MB_OK | MB_ICONERROR);
}

void StoreHistory(HWND combo) {
    std::vector<std::string> entries;
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string entry;
        if (length > 0) {
            std::vector<char> text(static_cast<size_t>(length) + 1, 0);
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
            entry = text.data();
        }
        entries.push_back(entry);
    }
    StoreAddressHistory(entries);
}

// No way past without a non-empty identity; stored every time.
void AskIdentity(HWND dialog, Phone& phone) {
    char identity[sizeof phone.Identity];
    phone.ReadText(phone.Identity, identity, sizeof identity);
    while (!identity[0]) {
        const INT_PTR answer = InputBox(dialog, "KestroVox", "Please enter your identity", identity, sizeof identity);
        if (answer != 0 && answer != 1) break;  // the box cannot be shown at all: asking again would never end
    }
    phone.WriteText(phone.Identity, sizeof phone.Identity, identity);
    WriteTextSetting(SettingsKey, "Identity", identity);
}

// A sealed key that does not open here: this run has a new one. Kept only
// when the user says so; else the stored key is tried again at the next start.
void OfferNewKey(HWND dialog, Phone& phone) {
    const int answer = ShowMessage(
        dialog,
        "Your private key is stored in a form that this Windows user cannot open: it may come from another user "
        "or another computer.\nFor now KestroVox uses a new key, and parties who know your old one will be told "
        "that your key changed.\n\nKeep the new key from now on? (No keeps the stored key and tries it again at "
        "the next start.)",
        "KestroVox", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer == IDYES && StorePrivateKey(phone) != 0)
        ShowMessage(dialog, "The new key could not be stored.", "KestroVox", MB_OK | MB_ICONERROR);
}

BOOL OnInit(HWND dialog) {
    TheShell.mainDialog = dialog;
    for (const std::string& entry : LoadAddressHistory())
        SendDlgItemMessageA(dialog, IDC_ADDRESS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SetTimer(dialog, kTimerId, kTimerPeriodMs, nullptr);
    SendDlgItemMessageA(dialog, IDC_REC_LEVEL, TBM_SETRANGE, FALSE, MAKELPARAM(0, kSliderTop));
    SendDlgItemMessageA(dialog, IDC_VOLUME, TBM_SETRANGE, FALSE, MAKELPARAM(0, kSliderTop));
    SendDlgItemMessageA(dialog, IDC_IN_METER, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(dialog, IDC_OUT_METER, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    if (Phone* phone = TheShell.phone) {
        const LoadedSettings loaded = LoadEngineSettings(*phone);
        SendDlgItemMessageA(dialog, IDC_REC_LEVEL, TBM_SETPOS, TRUE,
                            SliderPosition(kSliderTop, loaded.recLevel, 0, kSliderTop));
        SendDlgItemMessageA(dialog, IDC_VOLUME, TBM_SETPOS, TRUE,
                            SliderPosition(kSliderTop, loaded.volume, 0, kSliderTop));
        AskIdentity(dialog, *phone);
        if (loaded.privateKey == KeyUnreadable) OfferNewKey(dialog, *phone);
        LoadGenerateLog(*phone);
        phone->SettingsLoaded = 1;
        phone->StartPortMapping();  // in the background: nothing waits for the router
    }
    // From code: no command, so the mute flags keep their value.
    CheckDlgButton(dialog, IDC_VOL, BST_CHECKED);
    CheckDlgButton(dialog, IDC_MIC, BST_CHECKED);
    return TRUE;
}

void OnCall(HWND dialog, Phone& phone) {
    char text[kTextCapacity] = "";
    GetDlgItemTextA(dialog, IDC_ADDRESS, text, sizeof text);
    if (!text[0]) return;
    if (phone.PlaceCall(text) == CallUnresolved) {
        ShowResolveError(dialog);
        return;
    }
    // Numeric IPv4 addresses stay out of the history; IPv6 ones, long to
    // type, are kept like names.
    const char* colon = std::strchr(text, ':');
    const bool ipv6 = colon && std::strchr(colon + 1, ':');
    if (std::isdigit(static_cast<unsigned char>(text[0])) && !ipv6) return;
    HWND combo = GetDlgItem(dialog, IDC_ADDRESS);
    // A listed entry that begins with the text, in any case, is taken instead.
    const LRESULT found = SendMessageA(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    if (found != CB_ERR) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
        return;
    }
    const LRESULT added = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (added >= 0) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(added), 0);
    StoreHistory(combo);
}

void OnHangup(HWND dialog, Phone& phone) {
    if (phone.CallState != StateIdle || phone.PartyCount <= 1)
        phone.HangUp(nullptr, 0);
    else
        DialogBoxParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_DISCONNECT), dialog, DisconnectDialogProc, 0);
}

void OnAbout(HWND dialog) {
    char text[kTextCapacity];
    std::snprintf(text, sizeof text,
                  "KestroVox\n\nVersion 1.30, a peer-to-peer internet telephone.\nHome page: %s\n\nOpen the web page?",
                  HomePage);
    if (ShowMessage(dialog, text, "About KestroVox", MB_YESNO | MB_ICONINFORMATION) == IDYES)
        Desktop.shellOpen(dialog, HomePage, nullptr);
}

void OnLog(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_LOG, "Log");
    const std::string path = EventLogPath();  // beside the executable
    if (path.empty()) return;
    Desktop.shellOpen(dialog, "notepad", path.c_str());
}

void OnMsg(HWND dialog, Phone& phone) {
    char address[kTextCapacity] = "";
    GetDlgItemTextA(dialog, IDC_ADDRESS, address, sizeof address);
    if (!address[0]) return;
    char message[kTextCapacity] = "";
    if (InputBox(dialog, "Send short message", "Send short message\nMessage text:", message, kAnswerCapacity) == 0)
        return;
    if (phone.SendShortMessage(address, message) == MessageUnresolved) ShowResolveError(dialog);
}

// The click has already toggled the button.
void OnOff(HWND dialog, Phone& phone) {
    if (IsDlgButtonChecked(dialog, IDC_OFF) == BST_CHECKED) {
        char text[kTextCapacity] = "";
        if (InputBox(dialog, "Off", "All calls will be refused with a message.\nPlease enter the message:", text,
                     kAnswerCapacity) != 0) {
            phone.WriteText(phone.RefusalMessage, sizeof phone.RefusalMessage, text);
            return;
        }
        CheckDlgButton(dialog, IDC_OFF, BST_UNCHECKED);
    }
    phone.WriteText(phone.RefusalMessage, sizeof phone.RefusalMessage, "");
}

// The party the privacy line is about: the one selected in the party list,
// else the first private party; false when there is none.
bool ShownParty(HWND dialog, Phone& phone, PartyView* out) {
    const std::vector<PartyView> parties = PartyViews(phone);
    HWND list = GetDlgItem(dialog, IDC_PARTIES);
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR && static_cast<size_t>(selected) < parties.size()) {
        *out = parties[static_cast<size_t>(selected)];
        return true;
    }
    for (const PartyView& party : parties)
        if (party.privacy.privateLink) {
            *out = party;
            return true;
        }
    return false;
}

std::string Sas(const PartyView& party) {
    char digits[8];
    secure::FormatSas(party.privacy.sas, digits, true);
    return digits;
}

// "Bob: 042 917 (not verified)", "Bob: 042 917 (verified)", "Ann: plain, not
// private", or nothing without a party; Verify only for a private party not
// yet verified.
void ShowPrivacy(HWND dialog, Phone& phone) {
    UpdatePartyList(GetDlgItem(dialog, IDC_PARTIES));
    PartyView party;
    std::string line;
    bool verifiable = false;
    if (ShownParty(dialog, phone, &party)) {
        if (party.privacy.privateLink) {
            line = Who(party) + ": " + Sas(party) + (party.privacy.verified ? " (verified)" : " (not verified)");
            verifiable = !party.privacy.verified;
        } else {
            line = Who(party) + ": plain, not private";
        }
    }
    char shown[kTextCapacity] = "";
    GetDlgItemTextA(dialog, IDC_PRIVACY_LINE, shown, sizeof shown);
    if (line != shown) SetDlgItemTextA(dialog, IDC_PRIVACY_LINE, line.c_str());
    HWND verify = GetDlgItem(dialog, IDC_VERIFY);
    if ((IsWindowEnabled(verify) != FALSE) != verifiable) EnableWindow(verify, verifiable ? TRUE : FALSE);
}

// The user compares the digits with the party aloud; a match marks it verified.
void OnVerify(HWND dialog, Phone& phone) {
    PartyView party;
    if (!ShownParty(dialog, phone, &party) || !party.privacy.privateLink) return;
    const std::string who = Who(party), sas = Sas(party);
    const std::string question =
        "Ask " + who + " to read you the six digits shown on the other side for this call.\n\nDo they match " + sas +
        "?";
    if (ShowMessage(dialog, question.c_str(), "Verify", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        phone.MarkVerified(party.address);
    } else {
        const std::string warning = "Not marked verified.\nIf the digits " + who + " reads differ from " + sas +
                                    ", someone may be listening in: hang up and call again.";
        ShowMessage(dialog, warning.c_str(), "Verify", MB_OK | MB_ICONWARNING);
    }
    ShowPrivacy(dialog, phone);
}

void OnCommand(HWND dialog, int id) {
    Phone* phone = TheShell.phone;
    if (!phone) return;
    switch (id) {
        case IDC_CALL:
            OnCall(dialog, *phone);
            break;
        case IDC_HANGUP:
            OnHangup(dialog, *phone);
            break;
        case IDC_SETTINGS:
            DialogBoxParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_SETTINGS), dialog, SettingsDialogProc, 0);
            break;
        case IDC_ABOUT:
            OnAbout(dialog);
            break;
        case IDC_CHAT:
            if (!TheShell.chatWindow)
                TheShell.chatWindow =
                    CreateDialogParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_CHAT), dialog, ChatWindowProc, 0);
            break;
        case IDC_LOG:
            OnLog(dialog);
            break;
        case IDC_MSG:
            OnMsg(dialog, *phone);
            break;
        case IDC_OFF:
            OnOff(dialog, *phone);
            break;
        case IDC_VOL:
            phone->SpeakerMuted = IsDlgButtonChecked(dialog, IDC_VOL) != BST_CHECKED;
            break;
        case IDC_MIC:
            phone->MicMuted = IsDlgButtonChecked(dialog, IDC_MIC) != BST_CHECKED;
            break;
        case IDC_VERIFY:
            OnVerify(dialog, *phone);
            break;
        default:
            break;
    }
}

void OnTimer(HWND dialog) {
    Phone* phone = TheShell.phone;
    if (!phone) return;
    char status[kTextCapacity], shown[kTextCapacity] = "";
    phone->StatusText(status, sizeof status);
    GetDlgItemTextA(dialog, IDC_STATUS, shown, sizeof shown);
    if (std::strcmp(status, shown) != 0) SetDlgItemTextA(dialog, IDC_STATUS, status);  // no flicker when unchanged
    ShowPrivacy(dialog, *phone);
    ApplyPendingPrivacy(*phone);
    CheckDlgButton(dialog, IDC_TX, phone->Transmitting ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(dialog, IDC_IN_METER, PBM_SETPOS, static_cast<WPARAM>(MeterPosition(phone->Capture.inputLevel())),
                        0);
    SendDlgItemMessageA(dialog, IDC_OUT_METER, PBM_SETPOS, static_cast<WPARAM>(MeterPosition(phone->OutputLevel())), 0);
}

// Only dragging the thumb changes a level; keys and clicks on the channel move the slider alone.
void OnVerticalScroll(HWND dialog, int code, HWND control) {
    Phone* phone = TheShell.phone;
    if (!phone || code != TB_THUMBTRACK || !control) return;
    const int value = kSliderTop - static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
    if (control == GetDlgItem(dialog, IDC_REC_LEVEL)) {
        phone->Capture.setRecordingSource(CaptureDevice::MicrophoneSource, value);
        WriteNumberSetting("RecLevel", value);
    } else if (control == GetDlgItem(dialog, IDC_VOLUME)) {
        phone->SetVolume(value);
        WriteNumberSetting("Volume", value);
    }
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInit(dialog);
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_PARTIES) {
                // Another party chosen: the privacy line is about it at once.
                if (HIWORD(wParam) == LBN_SELCHANGE && TheShell.phone) ShowPrivacy(dialog, *TheShell.phone);
                return TRUE;
            }
            OnCommand(dialog, LOWORD(wParam));
            return TRUE;
        case WM_TIMER:
            OnTimer(dialog);
            return TRUE;
        case WM_VSCROLL:
            OnVerticalScroll(dialog, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_DESTROY:
            if (TheShell.mainDialog == dialog) TheShell.mainDialog = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace kv
