#include "console/setup.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/phone.h"
#include "platform/registry.h"
#include "test_support.h"
#include "ui/settings.h"

using namespace kv;
using namespace kv::console;

TEST(ConsoleSetup, IdentityPromptAsksUntilAUsableNameIsTyped) {
    std::istringstream in("\n   \n" + std::string(100, 'x') + "\nA\x01x\n  Ann Smith \r\nnext\n");
    std::ostringstream prompt;
    std::string identity;
    ASSERT_TRUE(PromptIdentity(in, prompt, &identity));
    EXPECT_EQ(identity, "Ann Smith");
    const std::string asked = prompt.str();
    size_t questions = 0;
    for (size_t at = 0; (at = asked.find("Please enter your identity", at)) != std::string::npos; ++at) ++questions;
    EXPECT_EQ(questions, 5u);
    EXPECT_NE(asked.find("at most 99"), std::string::npos);
    EXPECT_NE(asked.find("control characters"), std::string::npos);
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, "next");  // nothing read beyond the answer

    std::istringstream ended("\n\n");
    EXPECT_FALSE(PromptIdentity(ended, prompt, &identity));
    EXPECT_EQ(identity, "Ann Smith");
}

TEST(ConsoleSetup, WavDevicesForWavNamesAlsaForTheRest) {
    const std::string dir = kvtest::MakeTempDir("console-audio");
    const std::string speaker = dir + "/out.wav";
    const std::string speech = std::string(KV_TEST_DATA_DIR) + "/speech8k.wav";
    {
        Options o;
        o.mic = speech;
        o.speaker = speaker;
        AudioSetup audio;
        std::string error;
        ASSERT_TRUE(OpenAudio(o, &audio, &error)) << error;
        EXPECT_EQ(audio.devices, audio.files.get());
        EXPECT_FALSE(audio.system);
        EXPECT_TRUE(audio.devices->openInput(CoreRate) != nullptr);
        EXPECT_TRUE(audio.devices->openOutput(CoreRate) != nullptr);
    }
    EXPECT_TRUE(kvtest::FileExists(speaker));
    {
        Options o;
        o.speaker = speaker;
        AudioSetup audio;
        std::string error;
        ASSERT_TRUE(OpenAudio(o, &audio, &error)) << error;
        ASSERT_TRUE(audio.split && audio.files && audio.system);
        EXPECT_EQ(audio.devices, audio.split.get());
        EXPECT_TRUE(audio.devices->openOutput(CoreRate) != nullptr);  // the file
    }
    {
        Options o;
        AudioSetup audio;
        std::string error;
        ASSERT_TRUE(OpenAudio(o, &audio, &error)) << error;
        EXPECT_FALSE(audio.files);
        EXPECT_EQ(audio.devices, audio.system.get());
    }
    {
        Options o;
        o.mic = dir + "/missing.wav";
        AudioSetup audio;
        std::string error;
        EXPECT_FALSE(OpenAudio(o, &audio, &error));
        EXPECT_NE(error.find("missing.wav"), std::string::npos) << error;
    }
    {
        Options o;
        const std::string text = dir + "/text.wav";
        FILE* f = std::fopen(text.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fputs("not a wave file", f);
        std::fclose(f);
        o.mic = text;
        AudioSetup audio;
        std::string error;
        EXPECT_FALSE(OpenAudio(o, &audio, &error));
        EXPECT_FALSE(error.empty());
    }
    kvtest::RemoveTree(dir);
}

#ifndef _WIN32
// The settings store here is a file we point at a fresh directory.
class ConsoleSettings : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = kvtest::MakeTempDir("console-settings");
        UseRegistryFile(dir_ + "/KestroVox.reg");
    }
    void TearDown() override {
        UseRegistryFile("");
        kvtest::RemoveTree(dir_);
    }
    std::string identity(Phone& phone) {
        char text[100];
        phone.ReadText(phone.Identity, text, sizeof text);
        return text;
    }
    std::string dir_;
};

TEST_F(ConsoleSettings, StoredValuesLoadAndOptionsOverrideThemWithoutStoring) {
    WriteTextSetting(SettingsKey, "Identity", "Stored");
    WriteNumberSetting("Autoanswer", AnswerRefuse);
    WriteNumberSetting("Codec", 1);
    WriteNumberSetting("FramesPerPacket", 2);
    WriteNumberSetting("GenerateLog", 0);
    WriteNumberSetting("InputThreshold", -20);
    WriteNumberSetting("Conceal", 0);
    {
        Phone phone;
        Options none;
        std::istringstream in;
        std::ostringstream prompt;
        ASSERT_TRUE(LoadSettings(phone, none, in, prompt));
        EXPECT_EQ(identity(phone), "Stored");
        EXPECT_EQ(phone.Autoanswer, AnswerRefuse);
        EXPECT_EQ(phone.Codec, 1);
        EXPECT_EQ(phone.FramesPerPacket, 2);
        EXPECT_EQ(phone.Capture.inputThreshold, -20);
        EXPECT_EQ(phone.Delay, 100);
        EXPECT_EQ(phone.MaxDelay, 1000);
        EXPECT_EQ(phone.GenerateLog, 0);
        EXPECT_EQ(phone.Conceal, 0);
        EXPECT_TRUE(prompt.str().empty());
    }
    {
        Phone phone;
        Options o;
        o.identity = "Given";
        o.answer = AnswerAccept;
        o.codec = 0;
        o.frames = 6;
        o.threshold = -35;
        o.delay = 300;
        o.maxDelay = 600;
        o.refuseWith = "Away";
        o.log = true;
        o.conceal = 1;
        std::istringstream in;
        std::ostringstream prompt;
        ASSERT_TRUE(LoadSettings(phone, o, in, prompt));
        EXPECT_EQ(identity(phone), "Given");
        EXPECT_EQ(phone.Autoanswer, AnswerAccept);
        EXPECT_EQ(phone.Codec, 0);
        EXPECT_EQ(phone.FramesPerPacket, 6);
        EXPECT_EQ(phone.Capture.inputThreshold, -35);
        EXPECT_EQ(phone.Delay, 300);
        EXPECT_EQ(phone.MaxDelay, 600);
        EXPECT_EQ(phone.GenerateLog, 1);
        EXPECT_EQ(phone.Conceal, 1);
        char refusal[300];
        phone.ReadText(phone.RefusalMessage, refusal, sizeof refusal);
        EXPECT_STREQ(refusal, "Away");
    }
    // Nothing of the options was stored.
    char text[100];
    ASSERT_EQ(ReadTextSetting(SettingsKey, "Identity", text, sizeof text), 0);
    EXPECT_STREQ(text, "Stored");
    int value = -1;
    ASSERT_EQ(ReadNumberSetting("Autoanswer", &value), 0);
    EXPECT_EQ(value, AnswerRefuse);
    ASSERT_EQ(ReadNumberSetting("GenerateLog", &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_NE(ReadNumberSetting("Delay", &value), 0);
    ASSERT_EQ(ReadNumberSetting("Conceal", &value), 0);
    EXPECT_EQ(value, 0);
}

TEST_F(ConsoleSettings, PrivacyComesFromTheStoreAndTheOptionOverridesItWithoutStoring) {
    {
        // Nothing stored: private where the other side can.
        Phone phone;
        Options o;
        o.identity = "Ann";
        std::istringstream in;
        std::ostringstream prompt;
        ASSERT_TRUE(LoadSettings(phone, o, in, prompt));
        EXPECT_EQ(phone.Privacy, PrivacyWherePossible);
    }
    WriteNumberSetting("Privacy", PrivacyOnly);
    std::string key;
    {
        Phone phone;
        Options o;
        o.identity = "Ann";
        std::istringstream in;
        std::ostringstream prompt;
        ASSERT_TRUE(LoadSettings(phone, o, in, prompt));
        EXPECT_EQ(phone.Privacy, PrivacyOnly);
        key = phone.OwnFingerprint();
    }
    {
        Phone phone;
        Options o;
        o.identity = "Ann";
        o.privacy = PrivacyPlain;
        std::istringstream in;
        std::ostringstream prompt;
        ASSERT_TRUE(LoadSettings(phone, o, in, prompt));
        EXPECT_EQ(phone.Privacy, PrivacyPlain);
        EXPECT_EQ(phone.OwnFingerprint(), key);  // the stored key, not a new one
    }
    int value = -1;
    ASSERT_EQ(ReadNumberSetting("Privacy", &value), 0);
    EXPECT_EQ(value, PrivacyOnly);
}

TEST_F(ConsoleSettings, DelayOptionsKeepTheMaximumGivenAboveTheMinimum) {
    WriteNumberSetting("Delay", 900);
    WriteNumberSetting("MaxDelay", 2000);
    struct Case {
        std::optional<int> delay, maxDelay;
        int wantDelay, wantMax;
    };
    const Case cases[] = {
        {{}, {}, 900, 2000},       // stored
        {{}, 500, 400, 500},       // the stored minimum is kept below the maximum given
        {1500, {}, 1500, 2000},    // within the stored maximum
        {100, 50, 0, 100},         // a maximum of 100 ms or less leaves no room
        {700, 700, 600, 700},      // the maximum wins
        {0, 2000, 0, 2000},
    };
    for (const Case& c : cases) {
        Phone phone;
        Options o;
        o.identity = "Ann";
        o.delay = c.delay;
        o.maxDelay = c.maxDelay;
        std::istringstream in;
        std::ostringstream prompt;
        ASSERT_TRUE(LoadSettings(phone, o, in, prompt));
        EXPECT_EQ(phone.Delay, c.wantDelay);
        EXPECT_EQ(phone.MaxDelay, c.wantMax);
    }
}

TEST_F(ConsoleSettings, MissingIdentityIsAskedForAndStored) {
    {
        Phone phone;
        Options o;
        std::istringstream in("\nAnn\n");
        std::ostringstream prompt;
        ASSERT_TRUE(LoadSettings(phone, o, in, prompt));
        EXPECT_EQ(identity(phone), "Ann");
        EXPECT_NE(prompt.str().find("Please enter your identity"), std::string::npos);
    }
    char text[100];
    ASSERT_EQ(ReadTextSetting(SettingsKey, "Identity", text, sizeof text), 0);
    EXPECT_STREQ(text, "Ann");
    {
        Phone phone;  // the next start asks no more
        Options o;
        std::istringstream in;
        std::ostringstream prompt;
        ASSERT_TRUE(LoadSettings(phone, o, in, prompt));
        EXPECT_EQ(identity(phone), "Ann");
        EXPECT_TRUE(prompt.str().empty());
    }
}

TEST_F(ConsoleSettings, NoIdentityAndNoInputFails) {
    Phone phone;
    Options o;
    std::istringstream in("");
    std::ostringstream prompt;
    EXPECT_FALSE(LoadSettings(phone, o, in, prompt));
    char text[100];
    EXPECT_NE(ReadTextSetting(SettingsKey, "Identity", text, sizeof text), 0);
}
#endif
