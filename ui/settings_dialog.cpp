// The settings dialog. The four sliders (input threshold, frames per packet,
// minimum and maximum delay) apply and store their values at once; the
// identity, codec, incoming-call choice, gains and privacy only on OK. It
// also shows the fingerprint of the user's own key, to be read to others.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "app/shell.h"
#include "engine/phone.h"
#include "resource.h"
#include "ui/dialogs.h"
#include "ui/settings.h"
#include "ui/slider.h"

namespace kv {

namespace {

// Slider ranges; the top of each slider is its minimum position, so values are
// mirrored to put the larger value (the less strict setting) at the top.
constexpr int ThresholdSteps = 50;  // position p: -p dB; the bottom (-50) is no threshold
constexpr int NoThreshold = -50;
constexpr int FramesMin = 1, FramesMax = 7;  // position p: 8 - p frames
constexpr int DelayRange = 2000;             // position p: 2000 - p ms
constexpr int CodecSlots = 10;               // codec indices offered to the probe

int SliderPos(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0)); }

void SetSliderPos(HWND dialog, int id, int pos) { SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, pos); }

void SetSliderRange(HWND dialog, int id, int low, int high) {
    SendDlgItemMessageA(dialog, id, TBM_SETRANGEMIN, FALSE, low);
    SendDlgItemMessageA(dialog, id, TBM_SETRANGEMAX, FALSE, high);
}

int ThresholdFromSlider(HWND dialog) { return -SliderPos(dialog, IDC_THRESHOLD); }
int FramesFromSlider(HWND dialog) { return 8 - SliderPos(dialog, IDC_FRAMES); }
int DelayFromSlider(HWND dialog, int id) { return DelayRange - SliderPos(dialog, id); }

void ShowSigned(HWND dialog, int id, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(dialog, id, text);
}

void ShowUnsigned(HWND dialog, int id, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
    SetDlgItemTextA(dialog, id, text);
}

// Runs on every slider message and once when the dialog opens: shows what the
// sliders say, then applies and stores each value. The engine keeps the two
// delays 100 ms apart; a slider it overruled moves to the engine's value, while
// the store keeps what the slider asked for.
void UpdateSliders(HWND dialog, Phone& phone) {
    const int shownThreshold = ThresholdFromSlider(dialog);
    if (shownThreshold > NoThreshold)
        ShowSigned(dialog, IDC_THRESHOLD_TEXT, shownThreshold);
    else
        SetDlgItemTextA(dialog, IDC_THRESHOLD_TEXT, "-infinite");
    ShowUnsigned(dialog, IDC_FRAMES_TEXT, FramesFromSlider(dialog));
    ShowUnsigned(dialog, IDC_MIN_DELAY_TEXT, DelayFromSlider(dialog, IDC_MIN_DELAY));
    ShowUnsigned(dialog, IDC_MAX_DELAY_TEXT, DelayFromSlider(dialog, IDC_MAX_DELAY));

    const int threshold = ThresholdFromSlider(dialog);
    phone.Capture.inputThreshold = threshold;
    WriteNumberSetting("InputThreshold", threshold);

    const int frames = FramesFromSlider(dialog);
    phone.FramesPerPacket = frames;
    WriteNumberSetting("FramesPerPacket", frames);

    const int delay = DelayFromSlider(dialog, IDC_MIN_DELAY);
    phone.SetDelay(delay);
    if (phone.Delay != delay)
        SetSliderPos(dialog, IDC_MIN_DELAY, SliderPosition(DelayRange, phone.Delay, 0, DelayRange));
    WriteNumberSetting("Delay", delay);

    const int maxDelay = DelayFromSlider(dialog, IDC_MAX_DELAY);
    phone.SetMaxDelay(maxDelay);
    if (phone.MaxDelay != maxDelay)
        SetSliderPos(dialog, IDC_MAX_DELAY, SliderPosition(DelayRange, phone.MaxDelay, 0, DelayRange));
    WriteNumberSetting("MaxDelay", maxDelay);
}

void FillCodecList(HWND dialog, Phone& phone) {
    HWND list = GetDlgItem(dialog, IDC_CODEC);
    for (int codec = 0; codec < CodecSlots; ++codec) {
        char name[100];
        if (!phone.ProbeCodec(codec, name)) continue;
        const LRESULT entry = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (entry >= 0) SendMessageA(list, CB_SETITEMDATA, entry, codec);
    }
    char configured[100];
    if (phone.ProbeCodec(phone.Codec, configured)) {
        // The first entry that begins with the name, in any case.
        const LRESULT entry = SendMessageA(list, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(configured));
        if (entry != CB_ERR) SendMessageA(list, CB_SETCURSEL, entry, 0);
    }
}

int RadioFromAnswerMode(int mode) {
    switch (mode) {
        case AnswerRefuse: return IDC_REFUSE;
        case AnswerAccept: return IDC_ACCEPT;
        case AnswerIgnore: return IDC_IGNORE;
        default: return IDC_ASK;  // also any value the store should not hold
    }
}

int AnswerModeFromRadios(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_REFUSE) == BST_CHECKED) return AnswerRefuse;
    if (IsDlgButtonChecked(dialog, IDC_ACCEPT) == BST_CHECKED) return AnswerAccept;
    if (IsDlgButtonChecked(dialog, IDC_IGNORE) == BST_CHECKED) return AnswerIgnore;
    return AnswerAsk;
}

int Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0; }

// The privacy choices, in the list's order, with the "Privacy" each stores.
struct PrivacyChoice {
    const char* text;
    int privacy;
};
constexpr PrivacyChoice PrivacyChoices[] = {
    {"Plain calls only", PrivacyPlain},
    {"Private where possible", PrivacyWherePossible},
    {"Private calls only", PrivacyOnly},
};

void FillPrivacyList(HWND dialog, Phone& phone) {
    HWND list = GetDlgItem(dialog, IDC_PRIVACY);
    // A choice still waiting for the call to end is the one shown.
    const int current = TheShell.pendingPrivacy >= 0 ? TheShell.pendingPrivacy : phone.Privacy.load();
    for (const PrivacyChoice& choice : PrivacyChoices) {
        const LRESULT entry = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.text));
        if (entry < 0) continue;
        SendMessageA(list, CB_SETITEMDATA, entry, choice.privacy);
        if (choice.privacy == current) SendMessageA(list, CB_SETCURSEL, entry, 0);
    }
}

void Initialise(HWND dialog, Phone& phone) {
    SetSliderRange(dialog, IDC_FRAMES, FramesMin, FramesMax);
    SetSliderRange(dialog, IDC_MIN_DELAY, 0, DelayRange);
    SetSliderRange(dialog, IDC_MAX_DELAY, 0, DelayRange);
    SetSliderRange(dialog, IDC_THRESHOLD, 0, ThresholdSteps);
    // The sliders bring values outside their ranges to the nearest end.
    SetSliderPos(dialog, IDC_THRESHOLD, SliderPosition(0, phone.Capture.inputThreshold, 0, ThresholdSteps));
    SetSliderPos(dialog, IDC_FRAMES, SliderPosition(8, phone.FramesPerPacket, FramesMin, FramesMax));
    SetSliderPos(dialog, IDC_MIN_DELAY, SliderPosition(DelayRange, phone.Delay, 0, DelayRange));
    SetSliderPos(dialog, IDC_MAX_DELAY, SliderPosition(DelayRange, phone.MaxDelay, 0, DelayRange));

    char identity[100];
    phone.ReadText(phone.Identity, identity, sizeof identity);
    SetDlgItemTextA(dialog, IDC_IDENTITY, identity);

    CheckDlgButton(dialog, IDC_MIC_GAIN, phone.Capture.micGain ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_OUT_GAIN, phone.OutGain ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_GENERATE_LOG, phone.GenerateLog ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_HD_VOICE, phone.HDVoice ? BST_CHECKED : BST_UNCHECKED);

    FillCodecList(dialog, phone);
    CheckRadioButton(dialog, IDC_ASK, IDC_IGNORE, RadioFromAnswerMode(phone.Autoanswer));
    FillPrivacyList(dialog, phone);
    SetDlgItemTextA(dialog, IDC_FINGERPRINT, phone.OwnFingerprint(true).c_str());

    // Opening the dialog applies and stores the slider values, as a slider move would.
    UpdateSliders(dialog, phone);
}

void Apply(HWND dialog, Phone& phone) {
    phone.GenerateLog = Checked(dialog, IDC_GENERATE_LOG);
    phone.Autoanswer = AnswerModeFromRadios(dialog);
    phone.Capture.micGain = Checked(dialog, IDC_MIC_GAIN);
    phone.SetOutGain(Checked(dialog, IDC_OUT_GAIN));

    HWND list = GetDlgItem(dialog, IDC_CODEC);
    const LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    phone.Codec = selected == CB_ERR ? 0 : static_cast<int>(SendMessageA(list, CB_GETITEMDATA, selected, 0));

    WriteNumberSetting("Autoanswer", phone.Autoanswer);

    // An empty identity is stored as it is; the next start asks for one.
    char identity[100] = "";
    GetDlgItemTextA(dialog, IDC_IDENTITY, identity, sizeof identity);
    phone.WriteText(phone.Identity, sizeof phone.Identity, identity);
    WriteTextSetting(SettingsKey, "Identity", identity);

    WriteNumberSetting("Codec", phone.Codec);
    WriteNumberSetting("OutGain", phone.OutGain);
    WriteNumberSetting("InGain", phone.Capture.micGain);
    WriteNumberSetting("GenerateLog", phone.GenerateLog);
    phone.HDVoice = Checked(dialog, IDC_HD_VOICE);
    WriteNumberSetting("HDVoice", phone.HDVoice);

    HWND privacyList = GetDlgItem(dialog, IDC_PRIVACY);
    const LRESULT privacyEntry = SendMessageA(privacyList, CB_GETCURSEL, 0, 0);
    if (privacyEntry != CB_ERR) {
        const int privacy = static_cast<int>(SendMessageA(privacyList, CB_GETITEMDATA, privacyEntry, 0));
        ApplyPrivacy(phone, privacy);
        WriteNumberSetting("Privacy", privacy);
    }
}

}  // namespace

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    Phone* phone = TheShell.phone;
    switch (message) {
        case WM_INITDIALOG:
            if (phone) Initialise(dialog, *phone);
            return TRUE;  // the focus goes to the identity
        case WM_VSCROLL:
            // Any scroll code from any of the four sliders.
            if (phone) UpdateSliders(dialog, *phone);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    if (phone) Apply(dialog, *phone);
                    EndDialog(dialog, 0);
                    return TRUE;
                case IDCANCEL:
                    // Slider values already applied and stored stay.
                    EndDialog(dialog, 0);
                    return TRUE;
                default:
                    return TRUE;  // the radio buttons and check boxes keep their own state
            }
        default:
            return FALSE;
    }
}

}  // namespace kv
