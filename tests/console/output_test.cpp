#include "console/output.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/phone.h"

using namespace kv;
using namespace kv::console;

namespace {

// What a script reading our output would do: the first word names the event,
// then key=value fields separated by single spaces, quoted values decoded.
struct Line {
    std::string event;
    std::map<std::string, std::string> fields;
    std::vector<std::string> order;
    bool ok = true;
};

Line ParseLine(const std::string& text) {
    Line line;
    size_t i = text.find(' ');
    line.event = text.substr(0, i);
    while (i != std::string::npos && i < text.size()) {
        ++i;
        const size_t eq = text.find('=', i);
        if (eq == std::string::npos) {
            line.ok = false;
            break;
        }
        const std::string key = text.substr(i, eq - i);
        size_t end;
        std::string value;
        if (eq + 1 < text.size() && text[eq + 1] == '"') {
            end = eq + 2;
            while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
            if (end >= text.size() || !Unquote(text.substr(eq + 1, end - eq), &value)) {
                line.ok = false;
                break;
            }
            ++end;
        } else {
            end = text.find(' ', eq);
            if (end == std::string::npos) end = text.size();
            value = text.substr(eq + 1, end - eq - 1);
        }
        if (line.fields.count(key)) line.ok = false;
        line.fields[key] = value;
        line.order.push_back(key);
        i = end < text.size() ? end : std::string::npos;
        if (i != std::string::npos && text[i] != ' ') {
            line.ok = false;
            break;
        }
    }
    return line;
}

EngineEvent Event(int code, const std::string& name = "", uint32_t ip = 0, uint16_t port = 0, int value = 0) {
    EngineEvent e;
    e.code = code;
    e.name = name;
    e.address = MakeAddress(ip, port);
    e.value = value;
    return e;
}

const uint32_t Ann = 0x0A000002;  // 10.0.0.2

}  // namespace

TEST(ConsoleOutput, QuoteEscapesEverythingThatCouldBreakALine) {
    EXPECT_EQ(Quote("Ann"), "\"Ann\"");
    EXPECT_EQ(Quote(""), "\"\"");
    EXPECT_EQ(Quote("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(Quote("a\\b"), "\"a\\\\b\"");
    EXPECT_EQ(Quote("a\nb\rc\td"), "\"a\\nb\\rc\\td\"");
    EXPECT_EQ(Quote(std::string("\x01\x1f\x7f", 3)), "\"\\x01\\x1f\\x7f\"");
    EXPECT_EQ(Quote("J\xc3\xb6rg"), "\"J\\xc3\\xb6rg\"");
    EXPECT_EQ(Quote(std::string("a\0b", 3)), "\"a\\x00b\"");
}

TEST(ConsoleOutput, UnquoteReversesQuoteForEveryByte) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    std::string back;
    ASSERT_TRUE(Unquote(Quote(all), &back));
    EXPECT_EQ(back, all);
    for (const char* bad : {"", "\"", "abc", "\"a\"b\"", "\"a\\\"", "\"\\x4\"", "\"\\xzz\"", "\"\\q\""})
        EXPECT_FALSE(Unquote(bad, &back)) << bad;
}

TEST(ConsoleOutput, AddressesCarryThePort) {
    EXPECT_EQ(FormatAddress(MakeAddress(0x7F000001, 11676)), "127.0.0.1:11676");
    EXPECT_EQ(FormatAddress(MakeAddress(0xC0A80A01, 5000)), "192.168.10.1:5000");
}

TEST(ConsoleOutput, OneLinePerNotification) {
    EngineEvent refused = Event(CallRefused, "Bob", Ann, 11676);
    refused.text = "In a meeting";
    EngineEvent noAnswer = Event(NoAnswer, "", Ann, 11676);
    EngineEvent messageNoAnswer = noAnswer;
    messageNoAnswer.subject = Subject::Message;
    EngineEvent notActive = Event(NotActive, "", Ann, 5000);
    EngineEvent messageNotActive = notActive;
    messageNotActive.subject = Subject::Message;
    EngineEvent chat = Event(ChatLine);
    chat.text = "Bob> hello";
    EngineEvent parties = Event(PartiesChanged);
    parties.count = 2;
    EngineEvent log = Event(LogWritten);
    log.text = "/tmp/KestroVox.log";
    EngineEvent speaker = Event(AudioDeviceChanged, "", 0, 0, DeviceSpeakerFailed);
    speaker.text = "default";
    EngineEvent mic = Event(AudioDeviceChanged, "", 0, 0, DeviceMicrophoneWorks);
    mic.text = "/tmp/in.wav";

    const std::pair<EngineEvent, const char*> cases[] = {
        {Event(IncomingCall, "Ann", Ann, 11676), "incoming-call name=\"Ann\" address=10.0.0.2:11676 ring=aloud"},
        {Event(IncomingConnected, "Ann", Ann, 11676),
         "connected name=\"Ann\" address=10.0.0.2:11676 direction=incoming private=0"},
        {Event(CallSetupFailed, "Ann", Ann, 11676),
         "call-failed reason=setup-failed name=\"Ann\" address=10.0.0.2:11676"},
        {Event(CallerCancelled, "Ann", Ann, 11676, 0),
         "call-cancelled name=\"Ann\" address=10.0.0.2:11676 reason=hung-up"},
        {Event(CallerCancelled, "Ann", Ann, 11676, 1),
         "call-cancelled name=\"Ann\" address=10.0.0.2:11676 reason=no-codec"},
        {Event(PartyAlerted, "Bob", Ann, 11676), "alerted name=\"Bob\" address=10.0.0.2:11676"},
        {Event(CallConnected, "Bob", Ann, 11676),
         "connected name=\"Bob\" address=10.0.0.2:11676 direction=outgoing private=0"},
        {refused, "call-refused name=\"Bob\" address=10.0.0.2:11676 text=\"In a meeting\""},
        {Event(UnsupportedCodec, "Bob", Ann, 11676),
         "call-failed reason=unsupported-codec name=\"Bob\" address=10.0.0.2:11676"},
        {Event(RemoteCannotDecode, "Bob", Ann, 11676),
         "call-failed reason=remote-cannot-decode name=\"Bob\" address=10.0.0.2:11676"},
        {Event(RemoteBusy, "Bob", Ann, 11676), "call-failed reason=busy name=\"Bob\" address=10.0.0.2:11676"},
        {noAnswer, "call-failed reason=no-answer name=\"\" address=10.0.0.2:11676"},
        {messageNoAnswer, "message-failed reason=no-answer address=10.0.0.2:11676"},
        {notActive, "call-failed reason=not-active name=\"\" address=10.0.0.2:5000"},
        {messageNotActive, "message-failed reason=not-active address=10.0.0.2:5000"},
        {Event(PartyHungUp, "Bob", Ann, 11676, 0), "party-left name=\"Bob\" address=10.0.0.2:11676 reason=hung-up"},
        {Event(PartyHungUp, "Bob", Ann, 11676, 1), "party-left name=\"Bob\" address=10.0.0.2:11676 reason=no-codec"},
        {Event(PartyHungUp, "Bob", Ann, 11676, 7), "party-left name=\"Bob\" address=10.0.0.2:11676 reason=hung-up"},
        {Event(PartyDropped, "Bob", Ann, 11676), "party-left name=\"Bob\" address=10.0.0.2:11676 reason=dropped"},
        {chat, "chat line=\"Bob> hello\""},
        {parties, "parties-changed count=2"},
        {log, "log-written file=\"/tmp/KestroVox.log\""},
        {speaker, "device-failed device=speaker name=\"default\""},
        {mic, "device-works device=microphone name=\"/tmp/in.wav\""},
        {Event(MessageRefused, "", Ann, 11676), "message-refused address=10.0.0.2:11676"},
        {Event(MessageDelivered, "", Ann, 11676), "message-delivered address=10.0.0.2:11676"},
        {Event(42, "", 0, 0, 3), "notification code=42 value=3"},
    };
    for (const auto& c : cases) {
        const std::string line = FormatEvent(c.first);
        EXPECT_EQ(line, c.second);
        EXPECT_TRUE(ParseLine(line).ok) << line;
    }
}

TEST(ConsoleOutput, PrivacyOfCallsAndItsWarnings) {
    const std::string key = "K7QX2M4PABCDEFGHIJKLMNOP";
    EngineEvent connected = Event(CallConnected, "Bob", Ann, 11676);
    connected.privateLink = true;
    connected.sas = 42917;
    connected.key = key;
    EXPECT_EQ(FormatEvent(connected),
              "connected name=\"Bob\" address=10.0.0.2:11676 direction=outgoing private=1 sas=042917 key=" + key);
    connected.code = IncomingConnected;
    connected.sas = 7;  // always six digits
    EXPECT_EQ(FormatEvent(connected),
              "connected name=\"Bob\" address=10.0.0.2:11676 direction=incoming private=1 sas=000007 key=" + key);

    EngineEvent changed = Event(KeyChanged, "Bob", Ann, 11676, SubjectCall);
    changed.key = key;
    EXPECT_EQ(FormatEvent(changed),
              "call-failed reason=key-changed name=\"Bob\" address=10.0.0.2:11676 key=" + key);
    changed.subject = Subject::Message;
    EXPECT_EQ(FormatEvent(changed), "message-failed reason=key-changed address=10.0.0.2:11676 key=" + key);
    EngineEvent plain = Event(NotPrivate, "Bob", Ann, 5000, SubjectCall);
    EXPECT_EQ(FormatEvent(plain), "call-failed reason=not-private name=\"Bob\" address=10.0.0.2:5000");
    plain.subject = Subject::Message;
    EXPECT_EQ(FormatEvent(plain), "message-failed reason=not-private address=10.0.0.2:5000");

    // The value of a ring carries its warnings as flags beside RingQuiet.
    const std::pair<int, const char*> rings[] = {
        {RingKeyChanged, " ring=aloud warning=key-changed"},
        {RingQuiet | RingKeyChanged, " ring=quiet warning=key-changed"},
        {RingNotPrivate, " ring=aloud warning=not-private"},
        {RingQuiet | RingNotPrivate, " ring=quiet warning=not-private"},
        {RingQuiet, " ring=quiet"},
    };
    for (const auto& r : rings)
        EXPECT_EQ(FormatEvent(Event(IncomingCall, "Bob", Ann, 11676, r.first)),
                  std::string("incoming-call name=\"Bob\" address=10.0.0.2:11676") + r.second);
    for (const EngineEvent& e : {connected, changed, plain}) EXPECT_TRUE(ParseLine(FormatEvent(e)).ok);
}

// A peer chooses its own identity and chat text: whatever it sends, the line
// stays one line with the same fields, and the text comes back unchanged.
TEST(ConsoleOutput, HostileNamesCannotForgeLinesOrFields) {
    const std::string hostile[] = {
        "Eve\nconnected name=\"Bob\" address=1.2.3.4:11676 direction=outgoing",
        "Eve\" address=6.6.6.6:1 reason=hung-up",
        "Eve\\\" x=\"y",
        "Eve\r\x1b[2Kparty-left",
        std::string("Eve\0hidden", 10),
        "\"\"\"\\\\\\",
        "\xff\xfe\x80",
    };
    for (const std::string& name : hostile) {
        EngineEvent e = Event(PartyHungUp, name, Ann, 11676);
        const std::string line = FormatEvent(e);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(line.find('\r'), std::string::npos);
        for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << line;
        Line parsed = ParseLine(line);
        ASSERT_TRUE(parsed.ok) << line;
        EXPECT_EQ(parsed.event, "party-left");
        EXPECT_EQ(parsed.order, (std::vector<std::string>{"name", "address", "reason"})) << line;
        EXPECT_EQ(parsed.fields["name"], name);
        EXPECT_EQ(parsed.fields["address"], "10.0.0.2:11676");
        EXPECT_EQ(parsed.fields["reason"], "hung-up");

        EngineEvent chat = Event(ChatLine);
        chat.text = name + "> " + name;
        Line chatLine = ParseLine(FormatEvent(chat));
        ASSERT_TRUE(chatLine.ok);
        EXPECT_EQ(chatLine.fields["line"], chat.text);
    }
}

TEST(ConsoleOutput, ConsoleLines) {
    EXPECT_EQ(FormatReady("Ann", 11676), "ready name=\"Ann\" port=11676");
    EXPECT_EQ(FormatCalling(MakeAddress(Ann, 5000)), "calling address=10.0.0.2:5000");
    EXPECT_EQ(FormatMessageSending(MakeAddress(Ann, 11676)), "message-sending address=10.0.0.2:11676");
    EXPECT_EQ(FormatIncomingTimeout("A\"n", MakeAddress(Ann, 11676)),
              "incoming-timeout name=\"A\\\"n\" address=10.0.0.2:11676");

    StatusInfo s;
    s.text = "Connected to Bob (10.0.0.2), 120 ms";
    s.callState = 0;
    s.parties = 1;
    s.messageState = 1;
    s.transmitting = true;
    s.micMuted = true;
    s.inLevel = -2300;
    s.outLevel = -10000;
    s.identity = "Ann";
    s.port = 5000;
    s.answer = 2;
    s.codec = 1;
    s.log = true;
    s.playoutOpens = 3;
    s.concealed = 12;
    EXPECT_EQ(FormatStatus(s),
              "status text=\"Connected to Bob (10.0.0.2), 120 ms\" call-state=0 parties=1 message-state=1 "
              "transmitting=1 mic=off speaker=on in-level=-2300 out-level=-10000 name=\"Ann\" port=5000 "
              "answer=accept codec=1 log=1 playout-opens=3 concealed=12 echo-cancel=0 noise-suppress=0 external=none "
              "privacy=0 key=");
    s.privacy = 2;
    s.key = "K7QX2M4PABCDEFGHIJKLMNOP";
    EXPECT_EQ(FormatStatus(s).substr(FormatStatus(s).find(" external=")),
              " external=none privacy=2 key=K7QX2M4PABCDEFGHIJKLMNOP");
    s.mapping.status = MappingActive;
    s.mapping.externalIp = 0xC6336401;
    s.mapping.externalPort = 11677;
    EXPECT_NE(FormatStatus(s).find(" external=198.51.100.1:11677"), std::string::npos);
    s.echoCancel = true;
    EXPECT_NE(FormatStatus(s).find(" concealed=12 echo-cancel=1 noise-suppress=0"), std::string::npos);
    s.answer = 9;
    EXPECT_NE(FormatStatus(s).find(" answer=ignore "), std::string::npos);

    PartyInfo bob{"Bob", MakeAddress(Ann, 11676), true, 2, 5, 1, 250};
    PartyInfo eve{"E\nve", MakeAddress(0x0A000003, 5000), false};
    PartyInfo cid{"Cid", MakeAddress(0x0A000004, 11676), true, 1, 0, 0, 50};
    cid.privateLink = true;
    cid.sas = 42917;
    PartyInfo dan = cid;
    dan.sas = 999999;
    dan.verified = true;
    EXPECT_EQ(FormatParties({}), std::vector<std::string>{"parties count=0"});
    EXPECT_EQ(FormatParties({bob, eve, cid, dan}),
              (std::vector<std::string>{"parties count=4",
                                        "party index=0 name=\"Bob\" address=10.0.0.2:11676 active=1 opens=2 concealed=5 codec=1 played=250 private=0",
                                        "party index=1 name=\"E\\nve\" address=10.0.0.3:5000 active=0 opens=0 concealed=0 codec=none played=0 private=0",
                                        "party index=2 name=\"Cid\" address=10.0.0.4:11676 active=1 opens=1 concealed=0 codec=0 played=50 private=1 sas=042917 verified=0",
                                        "party index=3 name=\"Cid\" address=10.0.0.4:11676 active=1 opens=1 concealed=0 codec=0 played=50 private=1 sas=999999 verified=1"}));
}

TEST(ConsoleOutput, PortMappingLines) {
    EngineEvent e;
    e.code = PortMappingChanged;
    e.value = MappingMade;
    e.mapping.status = MappingActive;
    e.mapping.via = "natpmp";
    e.mapping.externalIp = 0xC6336401;
    e.mapping.externalPort = 11677;
    e.mapping.portTaken = 11676;
    e.mapping.privateRouterAddress = true;
    e.mapping.tookMs = 1012;
    EXPECT_EQ(FormatEvent(e),
              "mapped external=198.51.100.1:11677 via=natpmp took-ms=1012 port-taken=11676 router-address=private");
    e.value = MappingRenewed;
    EXPECT_EQ(FormatEvent(e), "mapping-renewed external=198.51.100.1:11677 via=natpmp");
    e.value = MappingMade;
    e.mapping.externalIp = 0;
    e.mapping.privateRouterAddress = false;
    EXPECT_EQ(FormatEvent(e), "mapped external=0.0.0.0:11677 via=natpmp took-ms=1012 port-taken=11676 router-address=unknown");
    e.value = MappingFailed;
    e.mapping.reason = "upnp: no \"gateway\"\n";  // the router's words stay on one line
    EXPECT_EQ(FormatEvent(e), "mapping-failed reason=\"upnp: no \\\"gateway\\\"\\n\"");

    const char own[] = "[2001:db8::7]:11676";
    ASSERT_TRUE(ParseAddressLiteral(own, sizeof own - 1, 0, &e.pinhole.address));
    e.pinhole.status = MappingActive;
    e.pinhole.via = "pcp";
    e.value = PinholeOpened;
    EXPECT_EQ(FormatEvent(e), "pinhole address=[2001:db8::7]:11676 via=pcp");
    e.value = PinholeRenewed;
    EXPECT_EQ(FormatEvent(e), "pinhole-renewed address=[2001:db8::7]:11676 via=pcp");
    e.pinhole.reason = "pcp: no IPv6 default route";
    e.value = PinholeFailed;
    EXPECT_EQ(FormatEvent(e), "pinhole-failed reason=\"pcp: no IPv6 default route\"");
    e.value = PinholeLost;
    EXPECT_EQ(FormatEvent(e), "pinhole-lost reason=\"pcp: no IPv6 default route\"");
}
