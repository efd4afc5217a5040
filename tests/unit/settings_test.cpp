#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "engine/phone.h"
#include "platform/registry.h"
#include "test_support.h"
#include "ui/settings.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace kv;
using namespace kvtest;

namespace {

// A settings store of the test's own: a file in a fresh directory on Linux,
// the (Wine) registry's key, emptied, on Windows.
class Settings : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Kestrovox");
#else
        dir = MakeTempDir("settings");
        UseRegistryFile(dir + "/KestroVox.reg");
#endif
    }
    void TearDown() override {
#ifdef _WIN32
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Kestrovox");
#else
        UseRegistryFile("");
        RemoveTree(dir);
#endif
    }
    std::string dir;
};

}  // namespace

TEST_F(Settings, ValuesRoundTripAndMissingOnesLeaveTheDestination) {
    int number = 77;
    EXPECT_EQ(ReadSetting(SettingsKey, "Codec", &number, 4), -1);
    EXPECT_EQ(number, 77);
    int one = 1;
    EXPECT_EQ(WriteSetting(SettingsKey, "Codec", &one, SettingNumber), 0);
    EXPECT_EQ(ReadSetting(SettingsKey, "Codec", &number, 4), 0);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(WriteTextSetting(SettingsKey, "Identity", "Ann \"the\" \\ caller"), 0);
    char text[100] = "";
    EXPECT_EQ(ReadTextSetting(SettingsKey, "Identity", text, sizeof text), 0);
    EXPECT_STREQ(text, "Ann \"the\" \\ caller");
    EXPECT_EQ(WriteNumberSetting("Volume", -123456), 0);
    EXPECT_EQ(ReadNumberSetting("Volume", &number), 0);
    EXPECT_EQ(number, -123456);
    // Overwriting keeps one value.
    EXPECT_EQ(WriteNumberSetting("Volume", 250), 0);
    EXPECT_EQ(ReadNumberSetting("Volume", &number), 0);
    EXPECT_EQ(number, 250);
}

TEST_F(Settings, KeyAndValueNamesAreComparedWithoutCase) {
    WriteTextSetting(WindowKey, "WindowPos", "10,20");
    char text[300];
    EXPECT_EQ(ReadTextSetting(SettingsKey, "windowpos", text, sizeof text), 0);
    EXPECT_STREQ(text, "10,20");
}

TEST_F(Settings, AValueLargerThanItsDestinationCountsAsMissing) {
    std::string id(150, 'x');
    WriteTextSetting(SettingsKey, "Identity", id.c_str());
    char text[100];
    std::strcpy(text, "before");
    EXPECT_EQ(ReadSetting(SettingsKey, "Identity", text, sizeof text), -1);
    EXPECT_EQ(ReadTextSetting(SettingsKey, "Identity", text, sizeof text), -1);
    EXPECT_STREQ(text, "before");
    WriteTextSetting(SettingsKey, "Identity", std::string(99, 'y').c_str());
    EXPECT_EQ(ReadTextSetting(SettingsKey, "Identity", text, sizeof text), 0);
    EXPECT_EQ(std::strlen(text), 99u);
}

TEST_F(Settings, ATypedReadRefusesAValueOfAnotherKind) {
    WriteTextSetting(SettingsKey, "Codec", "abc");  // four bytes, but a text
    int codec = 5;
    EXPECT_EQ(ReadNumberSetting("Codec", &codec), -1);
    EXPECT_EQ(codec, 5);
    // The plain read copies the stored bytes as they are.
    char raw[4];
    EXPECT_EQ(ReadSetting(SettingsKey, "Codec", raw, 4), 0);
    EXPECT_EQ(std::memcmp(raw, "abc", 4), 0);
    WriteNumberSetting("Identity", 42);
    char text[100] = "kept";
    EXPECT_EQ(ReadTextSetting(SettingsKey, "Identity", text, sizeof text), -1);
    EXPECT_STREQ(text, "kept");
}

TEST_F(Settings, AFirstStartLoadsEveryDefault) {
    Phone p;
    p.Capture.inputThreshold = 0;
    LoadedSettings loaded = LoadEngineSettings(p);
    LoadGenerateLog(p);
    EXPECT_EQ(loaded.recLevel, 500);
    EXPECT_EQ(loaded.volume, 500);
    EXPECT_EQ(p.Volume, 500);
    EXPECT_EQ(p.Capture.recordingLevel, 500);
    EXPECT_EQ(p.Capture.inputThreshold, -50);
    EXPECT_EQ(p.FramesPerPacket, 4);
    EXPECT_EQ(p.MaxDelay, 1000);
    EXPECT_EQ(p.Delay, 100);
    EXPECT_EQ(p.Codec, 0);
    EXPECT_EQ(p.Autoanswer, AnswerAsk);
    EXPECT_EQ(p.OutGain, 0);
    EXPECT_EQ(p.Capture.micGain, 0);
    EXPECT_EQ(p.GenerateLog, 0);
    EXPECT_STREQ(p.Identity, "");
}

TEST_F(Settings, StoredValuesLoadWithTheEnginesAdjustments) {
    WriteNumberSetting("MaxDelay", 50);
    WriteNumberSetting("Delay", 100);
    WriteNumberSetting("InputThreshold", -70);
    WriteNumberSetting("FramesPerPacket", 9);
    WriteNumberSetting("Autoanswer", 5);
    WriteNumberSetting("Codec", 7);
    WriteNumberSetting("OutGain", 1);
    WriteNumberSetting("InGain", 1);
    WriteNumberSetting("GenerateLog", 1);
    WriteNumberSetting("RecLevel", 800);
    WriteNumberSetting("Volume", 300);
    WriteTextSetting(SettingsKey, "Identity", "Ann");
    Phone p;
    LoadedSettings loaded = LoadEngineSettings(p);
    LoadGenerateLog(p);
    EXPECT_EQ(p.MaxDelay, 100);  // raised to the minimum delay (0 then) + 100
    EXPECT_EQ(p.Delay, 0);       // lowered: the maximum is 100 or less
    EXPECT_EQ(p.Capture.inputThreshold, -70);
    EXPECT_EQ(p.FramesPerPacket, 9);
    EXPECT_EQ(p.Autoanswer, 5);
    EXPECT_EQ(p.Codec, 0);
    EXPECT_EQ(p.OutGain, 1);
    EXPECT_EQ(p.Capture.micGain, 1);
    EXPECT_EQ(p.GenerateLog, 1);
    EXPECT_EQ(loaded.recLevel, 800);
    EXPECT_EQ(loaded.volume, 300);
    EXPECT_STREQ(p.Identity, "Ann");

    WriteNumberSetting("MaxDelay", 1000);
    WriteNumberSetting("Delay", 950);
    Phone q;
    LoadEngineSettings(q);
    EXPECT_EQ(q.MaxDelay, 1000);
    EXPECT_EQ(q.Delay, 900);
}

TEST_F(Settings, ConcealIsOnUnlessStoredAsZero) {
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {7, 1}, {-1, 1}};  // stored, loaded
    {
        Phone p;
        p.Conceal = 0;
        LoadEngineSettings(p);
        EXPECT_EQ(p.Conceal, 1);  // nothing stored
    }
    for (const auto& c : cases) {
        WriteNumberSetting("Conceal", c.first);
        Phone p;
        LoadEngineSettings(p);
        EXPECT_EQ(p.Conceal, c.second) << c.first;
    }
}

TEST_F(Settings, EchoCancelAndNoiseSuppressAreOnUnlessStoredAsZero) {
    {
        Phone p;
        LoadEngineSettings(p);
        EXPECT_EQ(p.Capture.echoCancel, 1);  // nothing stored
        EXPECT_EQ(p.Capture.noiseSuppress, 1);
    }
    WriteNumberSetting("EchoCancel", 0);
    WriteNumberSetting("NoiseSuppress", 3);
    Phone p;
    LoadEngineSettings(p);
    EXPECT_EQ(p.Capture.echoCancel, 0);
    EXPECT_EQ(p.Capture.noiseSuppress, 1);
    WriteNumberSetting("EchoCancel", 1);
    WriteNumberSetting("NoiseSuppress", 0);
    LoadEngineSettings(p);
    EXPECT_EQ(p.Capture.echoCancel, 1);
    EXPECT_EQ(p.Capture.noiseSuppress, 0);
}

TEST_F(Settings, AnIdentityTooLongForItsFieldBringsThePromptBack) {
    WriteTextSetting(SettingsKey, "Identity", std::string(100, 'n').c_str());
    Phone p;
    LoadEngineSettings(p);
    EXPECT_STREQ(p.Identity, "");
}

TEST_F(Settings, AddressHistory) {
    WriteTextSetting(SettingsKey, "Address1", "alpha.example");
    WriteTextSetting(SettingsKey, "Address3", "gamma.example");
    EXPECT_EQ(LoadAddressHistory(), (std::vector<std::string>{"alpha.example", "gamma.example"}));
    std::vector<std::string> fifty;
    for (int i = 0; i < 50; ++i) fifty.push_back("host" + std::to_string(100 + i));
    StoreAddressHistory(fifty);
    std::vector<std::string> back = LoadAddressHistory();
    ASSERT_EQ(back.size(), 49u);
    EXPECT_EQ(back.front(), "host100");
    EXPECT_EQ(back.back(), "host148");
    char fiftieth[300];
    EXPECT_EQ(ReadTextSetting(SettingsKey, "Address50", fiftieth, sizeof fiftieth), 0);  // written, never read back
}
