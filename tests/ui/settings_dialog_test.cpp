// The settings dialog from its real template, driven inside its modal loop and
// checked through its controls, the Phone's fields and the registry.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell.h"
#include "engine/phone.h"
#include "platform/manual_wave.h"
#include "resource.h"
#include "ui/dialogs.h"
#include "ui/settings.h"
#include "ui_support.h"

using namespace kv;

namespace {

// ---- what the registry holds under HKCU\Software\Kestrovox ----

bool StoredValue(const char* name, DWORD* type, std::vector<BYTE>* bytes) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrovox", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    bool found = RegQueryValueExA(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        bytes->assign(size, 0);
        found = RegQueryValueExA(key, name, nullptr, type, bytes->data(), &size) == ERROR_SUCCESS;
        bytes->resize(size);
    }
    RegCloseKey(key);
    return found;
}

// The stored 32-bit number, or a note why there is none.
::testing::AssertionResult StoredNumberIs(const char* name, int expected) {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    if (!StoredValue(name, &type, &bytes)) return ::testing::AssertionFailure() << name << " is not stored";
    if (type != REG_DWORD || bytes.size() != 4)
        return ::testing::AssertionFailure() << name << " has type " << type << " and " << bytes.size() << " bytes";
    const int value = static_cast<int>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<unsigned>(bytes[3]) << 24);
    if (value != expected) return ::testing::AssertionFailure() << name << " is " << value << ", not " << expected;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult StoredTextIs(const char* name, const std::string& expected) {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    if (!StoredValue(name, &type, &bytes)) return ::testing::AssertionFailure() << name << " is not stored";
    if (type != REG_SZ) return ::testing::AssertionFailure() << name << " has type " << type;
    // Stored with its terminating zero.
    const std::string stored(bytes.begin(), bytes.end());
    if (stored != expected + '\0')
        return ::testing::AssertionFailure() << name << " holds \"" << stored << "\" (" << stored.size() << " bytes)";
    return ::testing::AssertionSuccess();
}

bool IsStored(const char* name) {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    return StoredValue(name, &type, &bytes);
}

// ---- running the modal dialog ----

int Pos(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0)); }

// The user drags a slider to a position: the slider moves, then tells the dialog.
void Drag(HWND dialog, int id, int pos) {
    HWND slider = GetDlgItem(dialog, id);
    SendMessageA(slider, TBM_SETPOS, TRUE, pos);
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, pos), reinterpret_cast<LPARAM>(slider));
}

using kvui::Command;

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::vector<std::pair<std::string, int>> CodecEntries(HWND dialog) {
    std::vector<std::pair<std::string, int>> entries;
    HWND list = GetDlgItem(dialog, IDC_CODEC);
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[300] = "";
        if (SendMessageA(list, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text, static_cast<int>(SendMessageA(list, CB_GETITEMDATA, i, 0)));
    }
    return entries;
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        kvui::ClearSettings();
        TheShell = Shell();
        TheShell.instance = GetModuleHandleA(nullptr);
        phone = std::make_unique<Phone>(0);
        phone->SetAudioDevices(&devices);
        TheShell.phone = phone.get();
        // What a first start loads.
        phone->WriteText(phone->Identity, sizeof phone->Identity, "Ann");
        phone->Capture.inputThreshold = -50;
        phone->FramesPerPacket = 4;
        phone->SetMaxDelay(1000);
        phone->SetDelay(100);
    }
    void TearDown() override {
        TheShell = Shell();
        phone.reset();
    }

    // Opens the dialog and runs drive() inside it; drive() ends it.
    void Open(std::function<void(HWND)> drive) {
        const INT_PTR result = kvui::RunModal(
            "KestroVox Settings",
            [] { return DialogBoxParamA(TheShell.instance, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsDialogProc, 0); },
            std::move(drive));
        EXPECT_EQ(result, 0);
    }

    ManualWaveDevices devices;
    std::unique_ptr<Phone> phone;
};

TEST_F(SettingsDialogTest, OpeningShowsTheEngineValuesAndStoresTheSliders) {
    phone->Capture.inputThreshold = -20;
    phone->FramesPerPacket = 3;
    phone->SetMaxDelay(1200);
    phone->SetDelay(200);
    phone->Capture.micGain = 1;
    phone->SetOutGain(0);
    phone->GenerateLog = 1;
    phone->Autoanswer = AnswerAccept;
    Open([&](HWND dialog) {
        EXPECT_EQ(kvui::WindowText(dialog), "KestroVox Settings");
        EXPECT_EQ(Pos(dialog, IDC_THRESHOLD), 20);
        EXPECT_EQ(Pos(dialog, IDC_FRAMES), 5);
        EXPECT_EQ(Pos(dialog, IDC_MIN_DELAY), 1800);
        EXPECT_EQ(Pos(dialog, IDC_MAX_DELAY), 800);
        EXPECT_EQ(kvui::ItemText(dialog, IDC_THRESHOLD_TEXT), "-20");
        EXPECT_EQ(kvui::ItemText(dialog, IDC_FRAMES_TEXT), "3");
        EXPECT_EQ(kvui::ItemText(dialog, IDC_MIN_DELAY_TEXT), "200");
        EXPECT_EQ(kvui::ItemText(dialog, IDC_MAX_DELAY_TEXT), "1200");
        EXPECT_EQ(kvui::ItemText(dialog, IDC_IDENTITY), "Ann");
        EXPECT_TRUE(Checked(dialog, IDC_MIC_GAIN));
        EXPECT_FALSE(Checked(dialog, IDC_OUT_GAIN));
        EXPECT_TRUE(Checked(dialog, IDC_GENERATE_LOG));
        EXPECT_FALSE(Checked(dialog, IDC_ASK));
        EXPECT_FALSE(Checked(dialog, IDC_REFUSE));
        EXPECT_TRUE(Checked(dialog, IDC_ACCEPT));
        EXPECT_FALSE(Checked(dialog, IDC_IGNORE));
        // The four slider values are stored as soon as the dialog is open.
        EXPECT_TRUE(StoredNumberIs("InputThreshold", -20));
        EXPECT_TRUE(StoredNumberIs("FramesPerPacket", 3));
        EXPECT_TRUE(StoredNumberIs("Delay", 200));
        EXPECT_TRUE(StoredNumberIs("MaxDelay", 1200));
        EXPECT_FALSE(IsStored("Identity"));
        EXPECT_FALSE(IsStored("Autoanswer"));
        Command(dialog, IDCANCEL);
    });
    EXPECT_EQ(phone->Delay, 200);
    EXPECT_EQ(phone->MaxDelay, 1200);
}

TEST_F(SettingsDialogTest, CancelStillStoresSliderValuesBroughtIntoRange) {
    phone->Capture.inputThreshold = -70;
    phone->FramesPerPacket = 0;
    phone->SetMaxDelay(2500);
    Open([](HWND dialog) {
        EXPECT_EQ(kvui::ItemText(dialog, IDC_THRESHOLD_TEXT), "-infinite");
        EXPECT_EQ(kvui::ItemText(dialog, IDC_FRAMES_TEXT), "1");
        EXPECT_EQ(kvui::ItemText(dialog, IDC_MAX_DELAY_TEXT), "2000");
        Command(dialog, IDCANCEL);
    });
    EXPECT_TRUE(StoredNumberIs("InputThreshold", -50));
    EXPECT_TRUE(StoredNumberIs("FramesPerPacket", 1));
    EXPECT_TRUE(StoredNumberIs("Delay", 100));
    EXPECT_TRUE(StoredNumberIs("MaxDelay", 2000));
    EXPECT_EQ(phone->Capture.inputThreshold, -50);
    EXPECT_EQ(phone->FramesPerPacket, 1);
    EXPECT_EQ(phone->MaxDelay, 2000);
    for (const char* name : {"Identity", "Autoanswer", "Codec", "OutGain", "InGain", "GenerateLog"})
        EXPECT_FALSE(IsStored(name)) << name;
}

TEST_F(SettingsDialogTest, TooManyFramesComeDownToSeven) {
    phone->FramesPerPacket = 9;
    Open([](HWND dialog) { Command(dialog, IDCANCEL); });
    EXPECT_TRUE(StoredNumberIs("FramesPerPacket", 7));
    EXPECT_EQ(phone->FramesPerPacket, 7);
}

TEST_F(SettingsDialogTest, MinimumAboveTheMaximumIsPulledBack) {
    Open([&](HWND dialog) {
        Drag(dialog, IDC_MIN_DELAY, 2000 - 1500);
        EXPECT_EQ(phone->Delay, 900);
        EXPECT_EQ(Pos(dialog, IDC_MIN_DELAY), 2000 - 900);
        EXPECT_EQ(kvui::ItemText(dialog, IDC_MIN_DELAY_TEXT), "1500");
        EXPECT_TRUE(StoredNumberIs("Delay", 1500));
        EXPECT_EQ(phone->MaxDelay, 1000);
        EXPECT_TRUE(StoredNumberIs("MaxDelay", 1000));
        // The next slider message shows where the slider is now.
        SendMessageA(dialog, WM_VSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_MIN_DELAY)));
        EXPECT_EQ(kvui::ItemText(dialog, IDC_MIN_DELAY_TEXT), "900");
        EXPECT_TRUE(StoredNumberIs("Delay", 900));
        Command(dialog, IDCANCEL);
    });
    EXPECT_EQ(phone->Delay, 900);
}

TEST_F(SettingsDialogTest, MaximumBelowTheMinimumIsPushedUp) {
    Open([&](HWND dialog) {
        Drag(dialog, IDC_MAX_DELAY, 2000 - 150);
        EXPECT_EQ(phone->MaxDelay, 200);
        EXPECT_EQ(Pos(dialog, IDC_MAX_DELAY), 2000 - 200);
        EXPECT_EQ(kvui::ItemText(dialog, IDC_MAX_DELAY_TEXT), "150");
        EXPECT_TRUE(StoredNumberIs("MaxDelay", 150));
        EXPECT_EQ(phone->Delay, 100);
        Command(dialog, IDCANCEL);
    });
    EXPECT_EQ(phone->MaxDelay, 200);
}

TEST_F(SettingsDialogTest, ThresholdAndFramesFollowTheirSliders) {
    phone->Capture.inputThreshold = -10;
    Open([&](HWND dialog) {
        Drag(dialog, IDC_THRESHOLD, 50);  // the bottom: no threshold
        EXPECT_EQ(kvui::ItemText(dialog, IDC_THRESHOLD_TEXT), "-infinite");
        EXPECT_EQ(phone->Capture.inputThreshold, -50);
        EXPECT_TRUE(StoredNumberIs("InputThreshold", -50));

        Drag(dialog, IDC_THRESHOLD, 49);
        EXPECT_EQ(kvui::ItemText(dialog, IDC_THRESHOLD_TEXT), "-49");
        EXPECT_EQ(phone->Capture.inputThreshold, -49);
        EXPECT_TRUE(StoredNumberIs("InputThreshold", -49));

        Drag(dialog, IDC_THRESHOLD, 0);
        EXPECT_EQ(kvui::ItemText(dialog, IDC_THRESHOLD_TEXT), "0");
        EXPECT_TRUE(StoredNumberIs("InputThreshold", 0));

        Drag(dialog, IDC_FRAMES, 1);  // the top: 7 frames
        EXPECT_EQ(kvui::ItemText(dialog, IDC_FRAMES_TEXT), "7");
        EXPECT_EQ(phone->FramesPerPacket, 7);
        EXPECT_TRUE(StoredNumberIs("FramesPerPacket", 7));
        Drag(dialog, IDC_FRAMES, 7);
        EXPECT_EQ(phone->FramesPerPacket, 1);
        EXPECT_TRUE(StoredNumberIs("FramesPerPacket", 1));
        Command(dialog, IDCANCEL);
    });
}

TEST_F(SettingsDialogTest, OkAppliesAndStoresTheRest) {
    Open([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_IDENTITY, "Bob");
        SendDlgItemMessageA(dialog, IDC_REFUSE, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, IDC_MIC_GAIN, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, IDC_OUT_GAIN, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, IDC_GENERATE_LOG, BM_CLICK, 0, 0);
        EXPECT_EQ(kvui::ItemText(dialog, IDC_HD_VOICE), "HD voice with KestroVox peers");
        EXPECT_TRUE(Checked(dialog, IDC_HD_VOICE));  // on by default
        SendDlgItemMessageA(dialog, IDC_HD_VOICE, BM_CLICK, 0, 0);
        EXPECT_TRUE(Checked(dialog, IDC_REFUSE));
        EXPECT_FALSE(Checked(dialog, IDC_ASK));
        Command(dialog, IDOK);
    });
    EXPECT_STREQ(phone->Identity, "Bob");
    EXPECT_EQ(phone->Autoanswer, AnswerRefuse);
    EXPECT_EQ(phone->Capture.micGain, 1);
    EXPECT_EQ(phone->OutGain, 1);
    EXPECT_EQ(phone->GenerateLog, 1);
    EXPECT_EQ(phone->Codec, 0);
    EXPECT_TRUE(StoredTextIs("Identity", "Bob"));
    EXPECT_TRUE(StoredNumberIs("Autoanswer", 1));
    EXPECT_TRUE(StoredNumberIs("Codec", 0));
    EXPECT_TRUE(StoredNumberIs("OutGain", 1));
    EXPECT_TRUE(StoredNumberIs("InGain", 1));
    EXPECT_TRUE(StoredNumberIs("GenerateLog", 1));
    EXPECT_EQ(phone->HDVoice, 0);
    EXPECT_TRUE(StoredNumberIs("HDVoice", 0));
}

TEST_F(SettingsDialogTest, CancelDropsEverythingButTheSliders) {
    phone->Autoanswer = AnswerAccept;
    Open([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_IDENTITY, "Bob");
        SendDlgItemMessageA(dialog, IDC_IGNORE, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, IDC_OUT_GAIN, BM_CLICK, 0, 0);
        Command(dialog, IDCANCEL);
    });
    EXPECT_STREQ(phone->Identity, "Ann");
    EXPECT_EQ(phone->Autoanswer, AnswerAccept);
    EXPECT_EQ(phone->OutGain, 0);
    EXPECT_FALSE(IsStored("Identity"));
    EXPECT_FALSE(IsStored("Autoanswer"));
    EXPECT_FALSE(IsStored("OutGain"));
}

TEST_F(SettingsDialogTest, UnknownAutoanswerShowsAskAndOkStoresAsk) {
    phone->Autoanswer = 7;
    Open([](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_ASK));
        EXPECT_FALSE(Checked(dialog, IDC_REFUSE));
        EXPECT_FALSE(Checked(dialog, IDC_ACCEPT));
        EXPECT_FALSE(Checked(dialog, IDC_IGNORE));
        Command(dialog, IDOK);
    });
    EXPECT_EQ(phone->Autoanswer, AnswerAsk);
    EXPECT_TRUE(StoredNumberIs("Autoanswer", 0));
}

TEST_F(SettingsDialogTest, ClearedIdentityIsStoredEmpty) {
    Open([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_IDENTITY, "");
        Command(dialog, IDOK);
    });
    EXPECT_STREQ(phone->Identity, "");
    EXPECT_TRUE(StoredTextIs("Identity", ""));
}

TEST_F(SettingsDialogTest, LongIdentityIsCutTo99Characters) {
    const std::string typed(150, 'n');
    Open([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_IDENTITY, typed.c_str());
        Command(dialog, IDOK);
    });
    EXPECT_EQ(std::string(phone->Identity), typed.substr(0, 99));
    EXPECT_TRUE(StoredTextIs("Identity", typed.substr(0, 99)));
}

TEST_F(SettingsDialogTest, CodecListOffersBothCodecsAndStoresTheChoice) {
    phone->Codec = 0;
    Open([&](HWND dialog) {
        EXPECT_EQ(CodecEntries(dialog), (std::vector<std::pair<std::string, int>>{{"GSM 6.10", 0}, {"Truespeech", 1}}));
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_CODEC, CB_GETCURSEL, 0, 0), 0);
        SendDlgItemMessageA(dialog, IDC_CODEC, CB_SETCURSEL, 1, 0);
        Command(dialog, IDOK);
    });
    EXPECT_EQ(phone->Codec, 1);
    EXPECT_TRUE(StoredNumberIs("Codec", 1));
}

std::vector<std::string> PrivacyEntries(HWND dialog) {
    std::vector<std::string> entries;
    HWND list = GetDlgItem(dialog, IDC_PRIVACY);
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[300] = "";
        if (SendMessageA(list, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

TEST_F(SettingsDialogTest, PrivacyIsStoredOnOkAndReadBackAndTheOwnKeyIsShownToBeRead) {
    phone->MakePrivateKey();
    phone->Privacy = PrivacyWherePossible;
    const std::string fingerprint = phone->OwnFingerprint(true);
    ASSERT_EQ(fingerprint.size(), 29u);  // six groups of four
    Open([&](HWND dialog) {
        EXPECT_EQ(PrivacyEntries(dialog),
                  (std::vector<std::string>{"Plain calls only", "Private where possible", "Private calls only"}));
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_PRIVACY, CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(kvui::ItemText(dialog, IDC_FINGERPRINT), fingerprint);
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_FINGERPRINT), GWL_STYLE) & ES_READONLY);
        SendDlgItemMessageA(dialog, IDC_PRIVACY, CB_SETCURSEL, 2, 0);
        Command(dialog, IDOK);
    });
    EXPECT_EQ(phone->Privacy, PrivacyOnly);
    EXPECT_TRUE(StoredNumberIs("Privacy", 2));

    // The next start reads it, and the dialog shows it; Cancel changes nothing.
    Phone next(0);
    LoadPrivacy(next);
    EXPECT_EQ(next.Privacy, PrivacyOnly);
    phone->Privacy = PrivacyPlain;
    LoadPrivacy(*phone);
    EXPECT_EQ(phone->Privacy, PrivacyOnly);
    Open([&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_PRIVACY, CB_GETCURSEL, 0, 0), 2);
        EXPECT_EQ(kvui::ItemText(dialog, IDC_FINGERPRINT), phone->OwnFingerprint(true));
        SendDlgItemMessageA(dialog, IDC_PRIVACY, CB_SETCURSEL, 0, 0);
        Command(dialog, IDCANCEL);
    });
    EXPECT_EQ(phone->Privacy, PrivacyOnly);
    EXPECT_TRUE(StoredNumberIs("Privacy", 2));

    Open([&](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_PRIVACY, CB_SETCURSEL, 0, 0);
        Command(dialog, IDOK);
    });
    EXPECT_EQ(phone->Privacy, PrivacyPlain);  // no call: at once
    EXPECT_TRUE(StoredNumberIs("Privacy", 0));
}

// A system whose conversion service offers GSM 6.10 only.
std::unique_ptr<ConversionStream> GsmOnly(const WaveFormatRecord& from, const WaveFormatRecord& to) {
    if (from.formatTag == FormatTagTrueSpeech || to.formatTag == FormatTagTrueSpeech) return nullptr;
    return OpenConversionStream(from, to);
}

TEST_F(SettingsDialogTest, OnlyGsmWithoutTruespeech) {
    SetConversionOpener(GsmOnly);
    ResetCodecAvailability();
    // Truespeech configured but missing: nothing is selected, and OK stores 0.
    phone->Codec = 1;
    Open([](HWND dialog) {
        EXPECT_EQ(CodecEntries(dialog), (std::vector<std::pair<std::string, int>>{{"GSM 6.10", 0}}));
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_CODEC, CB_GETCURSEL, 0, 0), CB_ERR);
        Command(dialog, IDOK);
    });
    SetConversionOpener(nullptr);
    ResetCodecAvailability();
    EXPECT_EQ(phone->Codec, 0);
    EXPECT_TRUE(StoredNumberIs("Codec", 0));
}

}  // namespace
