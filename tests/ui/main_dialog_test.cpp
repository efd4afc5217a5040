// The main dialog from the real template inside the real main window:
// settings load and identity prompt, address history, buttons, sliders, timer.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "shell_helpers.h"
#include "engine/event_log.h"

using namespace shelltest;

namespace {

using Answer = DialogAnswerer::Answer;

std::vector<std::string> HistoryEntries(HWND dialog) {
    std::vector<std::string> entries;
    HWND combo = GetDlgItem(dialog, IDC_ADDRESS);
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[400] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

int SliderPosition(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0)); }

// The trackbar moved to the position and its scroll code sent, as a drag or a key does.
void Slide(HWND dialog, int id, int position, int code) {
    HWND slider = GetDlgItem(dialog, id);
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(slider));
}

int CountBoxes(const std::string& text) {
    int n = 0;
    for (const auto& box : Desktop().boxes) n += box.text == text;
    return n;
}

class MainDialogTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        silent_ = kv::CreateUdpSocket();
        ASSERT_TRUE(silent_ && silent_->bind(0));
    }

    // An address that resolves without a name lookup and where nobody answers.
    std::string Named(const char* name) {
        char text[100];
        std::snprintf(text, sizeof text, "%s <127.0.0.1:%u>", name, static_cast<unsigned>(silent_->localPort()));
        return text;
    }

    void Call(const std::string& address) {
        SetDlgItemTextA(dialog_, IDC_ADDRESS, address.c_str());
        Click(dialog_, IDC_CALL);
    }

    std::unique_ptr<kv::UdpSocket> silent_;
};

TEST_F(MainDialogTest, FirstStartAsksUntilAnIdentityIsGivenThenAppliesTheDefaults) {
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {{false, "ignored"}, {true, ""}, {true, "Ann"}});
        ASSERT_NE(CreateMain(), nullptr);
        ASSERT_NE(dialog_, nullptr);
        EXPECT_EQ(answerer.answered(), 3) << "Cancel and an empty OK must both ask again";
        for (const auto& seen : answerer.seen()) {
            EXPECT_EQ(seen.caption, "KestroVox");
            EXPECT_EQ(seen.prompt, "Please enter your identity");
        }
    }
    EXPECT_EQ(ReadPhoneText(*phone_, phone_->Identity, 100), "Ann");
    EXPECT_EQ(Setting(kv::SettingsKey, "Identity"), "Ann");

    // The defaults of a store that does not exist (Start left 7 frames per packet).
    EXPECT_EQ(phone_->FramesPerPacket, 4);
    EXPECT_EQ(phone_->Delay, 100);
    EXPECT_EQ(phone_->MaxDelay, 1000);
    EXPECT_EQ(phone_->Volume, 500);
    EXPECT_EQ(phone_->Codec, 0);
    EXPECT_EQ(phone_->Autoanswer, kv::AnswerAsk);
    EXPECT_EQ(phone_->OutGain, 0);
    EXPECT_EQ(phone_->GenerateLog, 0);
    EXPECT_EQ(phone_->Capture.inputThreshold, -50);
    EXPECT_EQ(phone_->Capture.micGain, 0);
    EXPECT_EQ(phone_->Capture.recordingLevel, 500);
    EXPECT_EQ(phone_->Capture.sourceType, kv::CaptureDevice::MicrophoneSource);
    EXPECT_EQ(SliderPosition(dialog_, IDC_REC_LEVEL), 500);
    EXPECT_EQ(SliderPosition(dialog_, IDC_VOLUME), 500);
    // Only the identity was written.
    for (const char* name : {"Codec", "Volume", "RecLevel", "Delay", "MaxDelay", "FramesPerPacket", "Address1"})
        EXPECT_FALSE(HasSetting(name)) << name;

    // VOL and MIC pressed without a command: nothing muted.
    EXPECT_TRUE(Checked(dialog_, IDC_VOL));
    EXPECT_TRUE(Checked(dialog_, IDC_MIC));
    EXPECT_EQ(phone_->SpeakerMuted, 0);
    EXPECT_EQ(phone_->MicMuted, 0);
    EXPECT_TRUE(HistoryEntries(dialog_).empty());
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_TRUE(Desktop().boxes.empty());
}

TEST_F(MainDialogTest, StoredSettingsLoadWithoutPrompt) {
    kv::WriteNumberSetting("Volume", 800);
    kv::WriteNumberSetting("RecLevel", 200);
    kv::WriteNumberSetting("MaxDelay", 50);
    kv::WriteNumberSetting("Delay", 100);
    kv::WriteNumberSetting("FramesPerPacket", 9);
    kv::WriteNumberSetting("GenerateLog", 1);
    kv::WriteNumberSetting("Autoanswer", 2);
    kv::WriteTextSetting(kv::SettingsKey, "Address1", "zed");
    kv::WriteTextSetting(kv::SettingsKey, "Address3", "Amy");  // Address2 missing
    DialogAnswerer answerer(GetCurrentThreadId(), {});
    ASSERT_NE(CreateWithIdentity("Bea"), nullptr);
    EXPECT_EQ(answerer.answered(), 0);
    EXPECT_EQ(ReadPhoneText(*phone_, phone_->Identity, 100), "Bea");
    EXPECT_EQ(SliderPosition(dialog_, IDC_VOLUME), 200);  // top is loudest
    EXPECT_EQ(SliderPosition(dialog_, IDC_REC_LEVEL), 800);
    EXPECT_EQ(phone_->Volume, 800);
    EXPECT_EQ(phone_->Capture.recordingLevel, 200);
    EXPECT_EQ(phone_->MaxDelay, 100);
    EXPECT_EQ(phone_->Delay, 0);
    EXPECT_EQ(phone_->FramesPerPacket, 9);
    EXPECT_EQ(phone_->GenerateLog, 1);
    EXPECT_EQ(phone_->Autoanswer, kv::AnswerAccept);
    EXPECT_EQ(HistoryEntries(dialog_), (std::vector<std::string>{"Amy", "zed"}));
}

TEST_F(MainDialogTest, HistoryKeepsNamesOnceAndNeverNumbers) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    char numeric[40];
    std::snprintf(numeric, sizeof numeric, "127.0.0.1:%u", static_cast<unsigned>(silent_->localPort()));
    Call(numeric);
    EXPECT_TRUE(HistoryEntries(dialog_).empty());
    EXPECT_FALSE(HasSetting("Address1"));

    const std::string alpha = Named("Alpha");
    Call(alpha);  // a call setup may now be under way: the history is updated all the same
    EXPECT_EQ(HistoryEntries(dialog_), std::vector<std::string>{alpha});
    EXPECT_EQ(Setting(kv::SettingsKey, "Address1"), alpha);

    Call(Named("ALPHA"));  // the same in other letters
    EXPECT_EQ(HistoryEntries(dialog_), std::vector<std::string>{alpha});
    EXPECT_EQ(kvui::ItemText(dialog_, IDC_ADDRESS), alpha);

    const std::string beginning = Named("alpha").substr(0, alpha.size() - 3);
    Call(beginning);  // a shorter beginning selects the listed name
    EXPECT_EQ(HistoryEntries(dialog_), std::vector<std::string>{alpha});
    EXPECT_EQ(SendDlgItemMessageA(dialog_, IDC_ADDRESS, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(kvui::ItemText(dialog_, IDC_ADDRESS), alpha);

    const std::string beta = Named("beta");
    Call(beta);
    EXPECT_EQ(HistoryEntries(dialog_), (std::vector<std::string>{alpha, beta}));
    EXPECT_EQ(Setting(kv::SettingsKey, "Address2"), beta);
    // An IPv6 address is kept, even one that begins with a digit.
    char ipv6[60];
    std::snprintf(ipv6, sizeof ipv6, "[::1]:%u", static_cast<unsigned>(silent_->localPort()));
    Call(ipv6);
    Call("0:0:0:0:0:0:0:1");
    std::vector<std::string> entries = HistoryEntries(dialog_), expected = {"0:0:0:0:0:0:0:1", ipv6, alpha, beta};
    std::sort(entries.begin(), entries.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(CountBoxes("Unable to resolve address"), 0);
}

TEST_F(MainDialogTest, FiftyNamesLeaveTheFirstFortyNineAfterARestart) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < 50; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "name%02d", i);
        names.push_back(Named(name));
    }
    for (int i = 49; i >= 0; --i) Call(names[static_cast<size_t>(i)]);  // not in sorted order
    ASSERT_EQ(HistoryEntries(dialog_), names);
    EXPECT_EQ(Setting(kv::SettingsKey, "Address1"), names[0]);
    EXPECT_EQ(Setting(kv::SettingsKey, "Address50"), names[49]);  // written, never read back

    DestroyMainWindow();
    ASSERT_NE(CreateMain(), nullptr);
    EXPECT_EQ(HistoryEntries(dialog_), std::vector<std::string>(names.begin(), names.begin() + 49));
}

TEST_F(MainDialogTest, UnresolvableAddressIsReportedAndStaysOutOfTheHistory) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    Call("");  // nothing at all
    EXPECT_TRUE(Desktop().boxes.empty());
    EXPECT_EQ(phone_->CallState, kv::StateIdle);

    Call("Nowhere <127.0.0.1:0>");
    ASSERT_EQ(Desktop().boxes.size(), 1u);
    EXPECT_EQ(Desktop().boxes[0].text, "Unable to resolve address");
    EXPECT_EQ(Desktop().boxes[0].caption, "Connect");
    EXPECT_EQ(Desktop().boxes[0].owner, dialog_);
    EXPECT_EQ(Desktop().boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(HistoryEntries(dialog_).empty());
    EXPECT_FALSE(HasSetting("Address1"));

    // A short message to it: asked for its text, then the same report.
    DialogAnswerer answerer(GetCurrentThreadId(), {{true, "hello"}});
    Click(dialog_, IDC_MSG);
    EXPECT_EQ(answerer.answered(), 1);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].caption, "Send short message");
    EXPECT_EQ(answerer.seen()[0].prompt, "Send short message\nMessage text:");
    EXPECT_EQ(CountBoxes("Unable to resolve address"), 2);
    EXPECT_TRUE(HistoryEntries(dialog_).empty());
}

TEST_F(MainDialogTest, OffButtonAndRefusalMessageMoveTogether) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {{false, "typed but cancelled"}});
        Click(dialog_, IDC_OFF);
        EXPECT_EQ(answerer.answered(), 1);
        ASSERT_EQ(answerer.seen().size(), 1u);
        EXPECT_EQ(answerer.seen()[0].caption, "Off");
        EXPECT_EQ(answerer.seen()[0].prompt, "All calls will be refused with a message.\nPlease enter the message:");
    }
    EXPECT_FALSE(Checked(dialog_, IDC_OFF));
    EXPECT_EQ(ReadPhoneText(*phone_, phone_->RefusalMessage, 300), "");

    {
        DialogAnswerer answerer(GetCurrentThreadId(), {{true, "Back at five"}});
        Click(dialog_, IDC_OFF);
        EXPECT_EQ(answerer.answered(), 1);
    }
    EXPECT_TRUE(Checked(dialog_, IDC_OFF));
    EXPECT_EQ(ReadPhoneText(*phone_, phone_->RefusalMessage, 300), "Back at five");

    {
        DialogAnswerer answerer(GetCurrentThreadId(), {});
        Click(dialog_, IDC_OFF);  // released: no question
        EXPECT_EQ(answerer.answered(), 0);
    }
    EXPECT_FALSE(Checked(dialog_, IDC_OFF));
    EXPECT_EQ(ReadPhoneText(*phone_, phone_->RefusalMessage, 300), "");

    {
        DialogAnswerer answerer(GetCurrentThreadId(), {{true, ""}});
        Click(dialog_, IDC_OFF);  // OK on an empty text: pressed, yet calls are handled as usual
        EXPECT_EQ(answerer.answered(), 1);
    }
    EXPECT_TRUE(Checked(dialog_, IDC_OFF));
    EXPECT_EQ(ReadPhoneText(*phone_, phone_->RefusalMessage, 300), "");
}

TEST_F(MainDialogTest, LogButtonShowsNewEntriesAndOpensTheLogBesideTheProgram) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    EXPECT_EQ(kvui::ItemText(dialog_, IDC_LOG), "Log");
    PostMessageA(window_, kv::NotificationMessage, kv::LogWritten, 0);  // as the engine delivers it
    EXPECT_TRUE(kvui::PumpUntil([&] { return kvui::ItemText(dialog_, IDC_LOG) == "Log!!!"; }));

    Click(dialog_, IDC_LOG);
    EXPECT_EQ(kvui::ItemText(dialog_, IDC_LOG), "Log");
    ASSERT_EQ(Desktop().opened.size(), 1u);
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string expected = program;
    expected = expected.substr(0, expected.rfind('\\') + 1) + "KestroVox.log";
    EXPECT_EQ(Desktop().opened[0], "notepad|" + expected);
}

TEST_F(MainDialogTest, AboutOffersTheHomePage) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    Desktop().answer = IDNO;
    Click(dialog_, IDC_ABOUT);
    ASSERT_EQ(Desktop().boxes.size(), 1u);
    const auto& box = Desktop().boxes[0];
    EXPECT_EQ(box.caption, "About KestroVox");
    EXPECT_EQ(box.owner, dialog_);
    EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(box.text.rfind("KestroVox\n\n", 0), 0u);
    EXPECT_NE(box.text.find(kv::HomePage), std::string::npos);
    const std::string ending = "\n\nOpen the web page?";
    ASSERT_GE(box.text.size(), ending.size());
    EXPECT_EQ(box.text.substr(box.text.size() - ending.size()), ending);
    EXPECT_TRUE(Desktop().opened.empty());

    Desktop().answer = IDYES;
    Click(dialog_, IDC_ABOUT);
    ASSERT_EQ(Desktop().opened.size(), 1u);
    EXPECT_EQ(Desktop().opened[0], std::string(kv::HomePage) + "|");
    EXPECT_EQ(std::string(kv::HomePage), "https://kestrovox.org");
}

TEST_F(MainDialogTest, OnlyDraggingTheSlidersSetsAndStoresTheLevels) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    Slide(dialog_, IDC_VOLUME, 0, TB_THUMBTRACK);
    EXPECT_EQ(phone_->Volume, 1000);
    EXPECT_EQ(NumberSetting("Volume"), 1000);
    Slide(dialog_, IDC_VOLUME, 1000, TB_THUMBTRACK);
    EXPECT_EQ(phone_->Volume, 0);
    EXPECT_EQ(NumberSetting("Volume"), 0);

    Slide(dialog_, IDC_REC_LEVEL, 250, TB_THUMBTRACK);
    EXPECT_EQ(phone_->Capture.recordingLevel, 750);
    EXPECT_EQ(NumberSetting("RecLevel"), 750);

    // Keys, clicks on the channel and the end of a drag move the slider only.
    for (int code : {TB_LINEDOWN, TB_PAGEUP, TB_THUMBPOSITION, TB_ENDTRACK, TB_BOTTOM}) {
        Slide(dialog_, IDC_VOLUME, 400, code);
        Slide(dialog_, IDC_REC_LEVEL, 600, code);
        EXPECT_EQ(phone_->Volume, 0) << code;
        EXPECT_EQ(NumberSetting("Volume"), 0) << code;
        EXPECT_EQ(phone_->Capture.recordingLevel, 750) << code;
        EXPECT_EQ(NumberSetting("RecLevel"), 750) << code;
    }
}

TEST_F(MainDialogTest, VolAndMicButtonsMuteSpeakerAndMicrophone) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    Click(dialog_, IDC_VOL);
    EXPECT_EQ(phone_->SpeakerMuted, 1);
    EXPECT_EQ(phone_->MicMuted, 0);
    Click(dialog_, IDC_MIC);
    EXPECT_EQ(phone_->MicMuted, 1);
    Click(dialog_, IDC_VOL);
    Click(dialog_, IDC_MIC);
    EXPECT_EQ(phone_->SpeakerMuted, 0);
    EXPECT_EQ(phone_->MicMuted, 0);
}

TEST_F(MainDialogTest, TimerShowsStatusAndMeters) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    SetDlgItemTextA(dialog_, IDC_STATUS, "stale");
    SendDlgItemMessageA(dialog_, IDC_IN_METER, PBM_SETPOS, 77, 0);
    SendDlgItemMessageA(dialog_, IDC_OUT_METER, PBM_SETPOS, 77, 0);
    EXPECT_TRUE(kvui::PumpUntil([&] { return kvui::ItemText(dialog_, IDC_STATUS) == "Idle"; }));
    // No capture and no playout open: both meters at 0.
    EXPECT_EQ(SendDlgItemMessageA(dialog_, IDC_IN_METER, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog_, IDC_OUT_METER, PBM_GETPOS, 0, 0), 0);
    EXPECT_FALSE(Checked(dialog_, IDC_TX));

    phone_->AddParty(kv::MakeAddress(0x7F000001, silent_->localPort()), "Bob");
    EXPECT_TRUE(kvui::PumpUntil([&] { return kvui::ItemText(dialog_, IDC_STATUS) == "Connected to Bob (127.0.0.1)"; }))
        << kvui::ItemText(dialog_, IDC_STATUS);
}

TEST_F(MainDialogTest, HangupEndsOnePartyAndAsksWhichOfSeveral) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    const uint16_t port = silent_->localPort();
    phone_->AddParty(kv::MakeAddress(0x7F000001, port), "Bob");
    phone_->AddParty(kv::MakeAddress(0x7F000001, static_cast<uint16_t>(port + 1)), "Cy");
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {{false, ""}}, IDC_DISCONNECT_LIST);
        Click(dialog_, IDC_HANGUP);
        EXPECT_EQ(answerer.answered(), 1);
        ASSERT_EQ(answerer.seen().size(), 1u);
        EXPECT_EQ(answerer.seen()[0].caption, "Disconnect");
    }
    EXPECT_EQ(phone_->PartyCount, 2);

    phone_->RemoveParty(nullptr);
    phone_->AddParty(kv::MakeAddress(0x7F000001, port), "Bob");
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {}, IDC_DISCONNECT_LIST);
        Click(dialog_, IDC_HANGUP);  // one party: no question
        EXPECT_EQ(answerer.answered(), 0);
    }
    EXPECT_EQ(phone_->PartyCount, 0);
}

TEST_F(MainDialogTest, ChatAndSettingsButtonsOpenTheirWindows) {
    ASSERT_NE(CreateWithIdentity(), nullptr);
    Click(dialog_, IDC_CHAT);
    HWND chat = kv::TheShell.chatWindow;
    ASSERT_NE(chat, nullptr);
    EXPECT_TRUE(IsWindow(chat));
    Click(dialog_, IDC_CHAT);  // open already: the same window
    EXPECT_EQ(kv::TheShell.chatWindow, chat);

    DialogAnswerer answerer(GetCurrentThreadId(), {{false, ""}}, IDC_IDENTITY);
    Click(dialog_, IDC_SETTINGS);
    EXPECT_EQ(answerer.answered(), 1);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].caption, "KestroVox Settings");
}

}  // namespace
