#include "console/options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using namespace kv::console;

namespace {

struct Parsed {
    ParseStatus status;
    Options options;
    std::string error;
};

Parsed Parse(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{"kestrovox"};
    argv.insert(argv.end(), args.begin(), args.end());
    Parsed p;
    p.status = ParseOptions(static_cast<int>(argv.size()), argv.data(), &p.options, &p.error);
    return p;
}

}  // namespace

TEST(ConsoleOptions, NoOptionsLeaveEverythingToTheStoredSettings) {
    Parsed p = Parse({});
    ASSERT_EQ(p.status, ParseStatus::Run);
    const Options& o = p.options;
    EXPECT_FALSE(o.identity || o.port || o.answer || o.codec || o.refuseWith || o.frames || o.delay || o.maxDelay ||
                 o.threshold || o.call || o.hangupAfterMs || o.messageAddress);
    EXPECT_FALSE(o.log);
    EXPECT_FALSE(o.noInput);
    EXPECT_EQ(o.mic, "default");
    EXPECT_EQ(o.speaker, "default");
}

TEST(ConsoleOptions, EveryOptionTakesItsValue) {
    Parsed p = Parse({"--identity", "Ann Smith", "--port", "5000", "--answer", "accept", "--codec", "1",
                      "--refuse-with", "Out for lunch", "--log", "--frames", "7", "--delay", "250", "--max-delay",
                      "1500", "--threshold", "-30", "--mic", "in.wav", "--speaker", "hw:1", "--call",
                      "Bob <10.0.0.2:6000>", "--hangup-after", "2.5", "--no-input"});
    ASSERT_EQ(p.status, ParseStatus::Run) << p.error;
    const Options& o = p.options;
    EXPECT_EQ(*o.identity, "Ann Smith");
    EXPECT_EQ(*o.port, 5000);
    EXPECT_EQ(*o.answer, 2);
    EXPECT_EQ(*o.codec, 1);
    EXPECT_EQ(*o.refuseWith, "Out for lunch");
    EXPECT_TRUE(o.log);
    EXPECT_EQ(*o.frames, 7);
    EXPECT_EQ(*o.delay, 250);
    EXPECT_EQ(*o.maxDelay, 1500);
    EXPECT_EQ(*o.threshold, -30);
    EXPECT_EQ(o.mic, "in.wav");
    EXPECT_EQ(o.speaker, "hw:1");
    EXPECT_EQ(*o.call, "Bob <10.0.0.2:6000>");
    EXPECT_EQ(*o.hangupAfterMs, 2500);
    EXPECT_TRUE(o.noInput);
}

TEST(ConsoleOptions, InlineValuesAndLaterOptionsWin) {
    Parsed p = Parse({"--port=6000", "--answer=ask", "--port", "7000", "--identity=a=b"});
    ASSERT_EQ(p.status, ParseStatus::Run) << p.error;
    EXPECT_EQ(*p.options.port, 7000);
    EXPECT_EQ(*p.options.answer, 0);
    EXPECT_EQ(*p.options.identity, "a=b");
}

TEST(ConsoleOptions, AnswerModesMapToTheEngineModes) {
    const std::pair<const char*, int> modes[] = {{"ask", 0}, {"refuse", 1}, {"accept", 2}, {"ignore", 3}};
    for (const auto& m : modes) {
        Parsed p = Parse({"--answer", m.first});
        ASSERT_EQ(p.status, ParseStatus::Run) << m.first;
        EXPECT_EQ(*p.options.answer, m.second) << m.first;
    }
}

TEST(ConsoleOptions, MessageTakesAnAddressAndAText) {
    Parsed p = Parse({"--message", "10.0.0.2", "Call me back", "--log"});
    ASSERT_EQ(p.status, ParseStatus::Run) << p.error;
    EXPECT_EQ(*p.options.messageAddress, "10.0.0.2");
    EXPECT_EQ(p.options.messageText, "Call me back");
    EXPECT_TRUE(p.options.log);

    Parsed empty = Parse({"--message", "10.0.0.2", ""});
    ASSERT_EQ(empty.status, ParseStatus::Run) << empty.error;
    EXPECT_EQ(empty.options.messageText, "");
}

TEST(ConsoleOptions, HangupAfterReadsWholeAndFractionalSeconds) {
    const std::pair<const char*, int> cases[] = {{"0", 0}, {"3", 3000}, {"0.25", 250}, {"1.5", 1500}, {".5", 500},
                                                 {"2.", 2000}, {"1.23456", 1234}};
    for (const auto& c : cases) {
        Parsed p = Parse({"--hangup-after", c.first});
        ASSERT_EQ(p.status, ParseStatus::Run) << c.first << ": " << p.error;
        EXPECT_EQ(*p.options.hangupAfterMs, c.second) << c.first;
    }
}

TEST(ConsoleOptions, HelpAndVersion) {
    EXPECT_EQ(Parse({"--help"}).status, ParseStatus::Help);
    EXPECT_EQ(Parse({"-h"}).status, ParseStatus::Help);
    EXPECT_EQ(Parse({"--port", "5000", "--version"}).status, ParseStatus::Version);
    const std::string usage = UsageText();
    for (const char* option : {"--identity", "--port", "--answer", "--codec", "--refuse-with", "--log", "--frames",
                               "--delay", "--max-delay", "--threshold", "--mic", "--speaker", "--call",
                               "--hangup-after", "--message", "--no-input", "--help", "--version"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

TEST(ConsoleOptions, ConcealTakesZeroOrOne) {
    EXPECT_FALSE(Parse({}).options.conceal);
    Parsed off = Parse({"--conceal", "0"});
    ASSERT_EQ(off.status, ParseStatus::Run) << off.error;
    EXPECT_EQ(*off.options.conceal, 0);
    Parsed on = Parse({"--conceal=1"});
    ASSERT_EQ(on.status, ParseStatus::Run) << on.error;
    EXPECT_EQ(*on.options.conceal, 1);
    for (const char* bad : {"2", "-1", "yes", ""}) {
        Parsed p = Parse({"--conceal", bad});
        EXPECT_EQ(p.status, ParseStatus::Error) << bad;
        EXPECT_NE(p.error.find("--conceal: '" + std::string(bad) + "' is not 0 (off) or 1 (on)"), std::string::npos)
            << p.error;
    }
    EXPECT_EQ(Parse({"--conceal"}).status, ParseStatus::Error);  // a value is needed
    EXPECT_NE(UsageText().find("--conceal 0|1"), std::string::npos);
}

TEST(ConsoleOptions, PortMappingTakesZeroOrOne) {
    EXPECT_FALSE(Parse({}).options.portMapping);
    Parsed off = Parse({"--port-mapping", "0"});
    ASSERT_EQ(off.status, ParseStatus::Run) << off.error;
    EXPECT_EQ(*off.options.portMapping, 0);
    Parsed bad = Parse({"--port-mapping=on"});
    EXPECT_EQ(bad.status, ParseStatus::Error);
    EXPECT_NE(bad.error.find("--port-mapping: 'on' is not 0 (off) or 1 (on)"), std::string::npos) << bad.error;
    EXPECT_NE(UsageText().find("--port-mapping 0|1"), std::string::npos);
}

TEST(ConsoleOptions, PrivacyTakesZeroOneOrTwo) {
    EXPECT_FALSE(Parse({}).options.privacy);
    for (int mode = 0; mode <= 2; ++mode) {
        const std::string value = std::to_string(mode);
        Parsed p = Parse({"--privacy", value.c_str()});
        ASSERT_EQ(p.status, ParseStatus::Run) << p.error;
        EXPECT_EQ(*p.options.privacy, mode);
    }
    EXPECT_EQ(*Parse({"--privacy=2"}).options.privacy, 2);
    for (const char* bad : {"3", "-1", "on", ""}) {
        Parsed p = Parse({"--privacy", bad});
        EXPECT_EQ(p.status, ParseStatus::Error) << bad;
        EXPECT_NE(p.error.find("--privacy: '" + std::string(bad) + "' is not 0 (plain), 1 (private where possible) or 2 (private only)"),
                  std::string::npos)
            << p.error;
    }
    EXPECT_NE(UsageText().find("--privacy 0|1|2"), std::string::npos);
    EXPECT_NE(UsageText().find("trust ADDRESS"), std::string::npos);
    EXPECT_NE(UsageText().find("verify ADDRESS"), std::string::npos);
}

TEST(ConsoleOptions, EchoCancelNoiseSuppressAndRoom) {
    Parsed p = Parse({"--echo-cancel", "0", "--noise-suppress=1", "--mic", "near.wav", "--room", "ir.WAV"});
    ASSERT_EQ(p.status, ParseStatus::Run) << p.error;
    EXPECT_EQ(*p.options.echoCancel, 0);
    EXPECT_EQ(*p.options.noiseSuppress, 1);
    EXPECT_EQ(*p.options.room, "ir.WAV");
    EXPECT_FALSE(Parse({}).options.echoCancel);
    for (const char* option : {"--echo-cancel", "--noise-suppress"}) {
        Parsed bad = Parse({option, "2"});
        EXPECT_EQ(bad.status, ParseStatus::Error);
        EXPECT_NE(bad.error.find(std::string(option) + ": '2' is not 0 (off) or 1 (on)"), std::string::npos) << bad.error;
        EXPECT_NE(UsageText().find(std::string(option) + " 0|1"), std::string::npos);
    }
    EXPECT_NE(Parse({"--room", "ir.wav"}).error.find("--room needs a .wav file as --mic"), std::string::npos);
    EXPECT_NE(Parse({"--mic", "a.wav", "--room", "ir.txt"}).error.find("--room: 'ir.txt' is not a .wav file"),
              std::string::npos);
}

// Each bad value is refused with a message that names the option.
TEST(ConsoleOptions, BadValuesAreRefusedNamingTheOption) {
    const std::string tooLongName(100, 'x');
    const std::string tooLongText(300, 'x');
    struct Case {
        std::vector<const char*> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--port", "0"}, "--port"},
        {{"--port", "65536"}, "--port"},
        {{"--port", "12ab"}, "--port"},
        {{"--port", ""}, "--port"},
        {{"--port", "-5"}, "--port"},
        {{"--port", "99999999999999999999"}, "--port"},
        {{"--answer", "maybe"}, "--answer"},
        {{"--answer", "ACCEPT"}, "--answer"},
        {{"--codec", "2"}, "--codec"},
        {{"--codec", "-1"}, "--codec"},
        {{"--frames", "0"}, "--frames"},
        {{"--frames", "8"}, "--frames"},
        {{"--delay", "2001"}, "--delay"},
        {{"--delay", "-1"}, "--delay"},
        {{"--max-delay", "3000"}, "--max-delay"},
        {{"--threshold", "-51"}, "--threshold"},
        {{"--threshold", "1"}, "--threshold"},
        {{"--identity", ""}, "--identity"},
        {{"--identity", tooLongName.c_str()}, "--identity"},
        {{"--identity", "Ann\nready name=\"x\""}, "--identity"},
        {{"--refuse-with", tooLongText.c_str()}, "--refuse-with"},
        {{"--mic", ""}, "--mic"},
        {{"--speaker", ""}, "--speaker"},
        {{"--call", ""}, "--call"},
        {{"--hangup-after", "soon"}, "--hangup-after"},
        {{"--hangup-after", "-1"}, "--hangup-after"},
        {{"--hangup-after", "1.2.3"}, "--hangup-after"},
        {{"--hangup-after", "."}, "--hangup-after"},
        {{"--hangup-after", "99999999"}, "--hangup-after"},
        {{"--message", "10.0.0.2"}, "--message"},
        {{"--message", "", "text"}, "--message"},
        {{"--message", "10.0.0.2", tooLongText.c_str()}, "--message"},
        {{"--message", "10.0.0.2", "hi", "--call", "10.0.0.3"}, "--message"},
        {{"--port"}, "--port"},
        {{"--log=1"}, "--log"},
        {{"--help=yes"}, "--help"},
        {{"--colour", "red"}, "--colour"},
        {{"-p", "5000"}, "-p"},
        {{"10.0.0.2"}, "10.0.0.2"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"kestrovox"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        Options o;
        std::string error;
        EXPECT_EQ(ParseOptions(static_cast<int>(argv.size()), argv.data(), &o, &error), ParseStatus::Error)
            << c.mentions;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << "error: " << error;
    }
}

TEST(ConsoleOptions, LimitsAreInclusive) {
    const std::string longestName(99, 'n');
    const std::string longestText(299, 't');
    Parsed p = Parse({"--port", "65535", "--frames", "1", "--delay", "2000", "--max-delay", "0", "--threshold",
                      "-50", "--identity", longestName.c_str(), "--refuse-with", longestText.c_str(), "--codec",
                      "0"});
    ASSERT_EQ(p.status, ParseStatus::Run) << p.error;
    EXPECT_EQ(*p.options.port, 65535);
    EXPECT_EQ(p.options.identity->size(), 99u);
    EXPECT_EQ(p.options.refuseWith->size(), 299u);
}

TEST(ConsoleOptions, WavPathsSelectTheFileDevices) {
    EXPECT_TRUE(IsWavPath("speech.wav"));
    EXPECT_TRUE(IsWavPath("/tmp/OUT.WAV"));
    EXPECT_TRUE(IsWavPath(".wav"));
    EXPECT_FALSE(IsWavPath("default"));
    EXPECT_FALSE(IsWavPath("hw:0,0"));
    EXPECT_FALSE(IsWavPath("wav"));
    EXPECT_FALSE(IsWavPath("speech.wav.bak"));
}
