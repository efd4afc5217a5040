#include "console/commands.h"

#include <gtest/gtest.h>

#include <string>

using namespace kv;
using namespace kv::console;

namespace {

Command Parse(const std::string& line) {
    Command c;
    std::string error;
    EXPECT_TRUE(ParseCommand(line, &c, &error)) << line << ": " << error;
    return c;
}

std::string ParseError(const std::string& line) {
    Command c;
    std::string error;
    EXPECT_FALSE(ParseCommand(line, &c, &error)) << line;
    EXPECT_FALSE(error.empty()) << line;
    return error;
}

}  // namespace

TEST(ConsoleCommands, CallTakesTheRestOfTheLineAsAddress) {
    Command c = Parse("call 10.0.0.2:5000");
    EXPECT_EQ(c.kind, CommandKind::Call);
    EXPECT_EQ(c.address, "10.0.0.2:5000");
    EXPECT_EQ(Parse("  CALL   Bob <10.0.0.2>  \r").address, "Bob <10.0.0.2>");
    EXPECT_NE(ParseError("call").find("address"), std::string::npos);
}

TEST(ConsoleCommands, HangupWithAndWithoutAddress) {
    Command all = Parse("hangup");
    EXPECT_EQ(all.kind, CommandKind::HangUp);
    EXPECT_EQ(all.address, "");
    EXPECT_EQ(Parse("hangup 10.0.0.2").address, "10.0.0.2");
}

TEST(ConsoleCommands, WordsWithoutArguments) {
    EXPECT_EQ(Parse("accept").kind, CommandKind::Accept);
    EXPECT_EQ(Parse("refuse").kind, CommandKind::Refuse);
    EXPECT_EQ(Parse("status").kind, CommandKind::Status);
    EXPECT_EQ(Parse("Parties").kind, CommandKind::Parties);
    EXPECT_EQ(Parse("quit\r").kind, CommandKind::Quit);
    EXPECT_EQ(Parse("help").kind, CommandKind::Help);
    EXPECT_EQ(Parse("").kind, CommandKind::Empty);
    EXPECT_EQ(Parse(" \t ").kind, CommandKind::Empty);
    for (const char* line : {"accept now", "refuse 1", "status x", "parties all", "quit please", "help me"})
        EXPECT_NE(ParseError(line).find("no arguments"), std::string::npos) << line;
}

TEST(ConsoleCommands, ChatToEveryoneOrToTheDottedAddressOfAParty) {
    Command all = Parse("chat  hello   there ");
    EXPECT_EQ(all.kind, CommandKind::Chat);
    EXPECT_FALSE(all.party);
    EXPECT_EQ(all.text, "hello   there");

    Command one = Parse("chat 10.0.0.2:5000 hi you");
    ASSERT_TRUE(one.party);
    EXPECT_TRUE(SameAddress(*one.party, MakeAddress(0x0A000002, 5000)));
    EXPECT_EQ(one.text, "hi you");
    EXPECT_EQ(Parse("chat 10.0.0.2 hi").party->port(), 11676);

    // Words that only look a bit like addresses are text.
    for (const char* line : {"chat 3 apples", "chat 1.2.3 go", "chat 10.0.0.256 x", "chat bob hi", "chat 1.2.3.4: x"}) {
        Command c = Parse(line);
        EXPECT_FALSE(c.party) << line;
        EXPECT_EQ("chat " + c.text, line);
    }

    EXPECT_NE(ParseError("chat").find("text"), std::string::npos);
    EXPECT_NE(ParseError("chat 10.0.0.2").find("text"), std::string::npos);
    EXPECT_EQ(Parse("chat " + std::string(99, 'x')).text.size(), 99u);
    EXPECT_NE(ParseError("chat " + std::string(100, 'x')).find("99"), std::string::npos);
}

TEST(ConsoleCommands, MsgTakesAnAddressWordAndTheRest) {
    Command c = Parse("msg host.example:5000 Call me  back");
    EXPECT_EQ(c.kind, CommandKind::Msg);
    EXPECT_EQ(c.address, "host.example:5000");
    EXPECT_EQ(c.text, "Call me  back");
    EXPECT_EQ(Parse("msg 10.0.0.2").text, "");
    EXPECT_NE(ParseError("msg").find("address"), std::string::npos);
    EXPECT_EQ(Parse("msg a " + std::string(299, 'x')).text.size(), 299u);
    EXPECT_NE(ParseError("msg a " + std::string(300, 'x')).find("299"), std::string::npos);
}

TEST(ConsoleCommands, MuteAndUnmute) {
    Command mic = Parse("mute mic");
    EXPECT_EQ(mic.kind, CommandKind::Mute);
    EXPECT_TRUE(mic.mic);
    Command speaker = Parse("unmute SPEAKER");
    EXPECT_EQ(speaker.kind, CommandKind::Unmute);
    EXPECT_FALSE(speaker.mic);
    for (const char* line : {"mute", "mute all", "unmute mic speaker"})
        EXPECT_NE(ParseError(line).find("mic or speaker"), std::string::npos) << line;
}

TEST(ConsoleCommands, TrustAndVerifyTakeOneAddress) {
    Command trust = Parse("TRUST 10.0.0.2:5000");
    EXPECT_EQ(trust.kind, CommandKind::Trust);
    EXPECT_EQ(trust.address, "10.0.0.2:5000");
    Command verify = Parse("  verify   host.example \r");
    EXPECT_EQ(verify.kind, CommandKind::Verify);
    EXPECT_EQ(verify.address, "host.example");
    EXPECT_EQ(ParseError("trust"), "trust: the address is missing");
    EXPECT_EQ(ParseError("verify  "), "verify: the address is missing");
    EXPECT_EQ(ParseError("trust 10.0.0.2 10.0.0.3"), "trust takes one address");
    EXPECT_EQ(ParseError("verify 10.0.0.2 now"), "verify takes one address");
    const std::string help = CommandHelp();
    EXPECT_NE(help.find("trust ADDRESS"), std::string::npos);
    EXPECT_NE(help.find("verify ADDRESS"), std::string::npos);
}

TEST(ConsoleCommands, UnknownCommandsAreNamed) {
    EXPECT_NE(ParseError("dial 10.0.0.2").find("'dial'"), std::string::npos);
    EXPECT_NE(ParseError("calling 10.0.0.2").find("'calling'"), std::string::npos);
}

TEST(ConsoleCommands, AddressWords) {
    PeerAddress a;
    ASSERT_TRUE(ParseAddressWord("127.0.0.1", &a));
    EXPECT_TRUE(SameAddress(a, MakeAddress(0x7F000001, 11676)));
    ASSERT_TRUE(ParseAddressWord("255.255.255.255:65535", &a));
    EXPECT_TRUE(SameAddress(a, MakeAddress(0xFFFFFFFF, 65535)));
    ASSERT_TRUE(ParseAddressWord("010.0.0.1", &a));  // decimal, not octal
    EXPECT_EQ(a.ip(), 0x0A000001u);
    ASSERT_TRUE(ParseAddressWord("2001:db8::7", &a));
    EXPECT_EQ(HostPortText(a), "[2001:db8::7]:11676");
    ASSERT_TRUE(ParseAddressWord("[2001:db8::7]:5000", &a));
    EXPECT_EQ(a.port(), 5000);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", "1.2.3.4:", "1.2.3.4:0", "1.2.3.4:65536",
                            "1.2.3.4:5x", "a.b.c.d", "1..2.3", " 1.2.3.4", "1.2.3.4 ", "123456.1.1.1", "hello",
                            "[2001:db8::7]:", "2001:db8::7:", "[2001:db8::7", "[2001:db8::7]5000"})
        EXPECT_FALSE(ParseAddressWord(bad, &a)) << bad;
}
