// The wire protocol: every datagram that crosses UDP port 11676, built and
// parsed byte for byte. Byte 0 tells the kind: below 0x80 audio (byte 0 is the
// codec index of the frames behind it), 0x80 and above a control datagram.
// Texts are single-byte characters and one NUL; a parser never reads past the
// datagram's length, and a text whose NUL is missing ends at the datagram's end.
#pragma once

#include <cstdint>

namespace kv {

constexpr int MaxDatagram = 1500;

namespace protocol {

enum Opcode : uint8_t {
    CallRequest = 0x80,
    CallReply = 0x81,
    Leave = 0x82,
    ChatMessage = 0x83,
    ShortMessage = 0x84,
    ShortMessageReply = 0x85,
};

// Sub-codes of CallReply (byte 1).
enum ReplyCode : uint8_t {
    Alerting = 1,
    Accepted = 2,
    Refused = 3,
    CodecUnsupported = 4,
    Busy = 5,
    AcceptConfirmed = 6,
};

enum LeaveReason : uint8_t { LeaveHungUp = 0, LeaveNoCodec = 1 };
enum ChatEcho : uint8_t { ChatNewLine = 0, ChatEchoed = 1 };
enum MessageResult : uint8_t { MessageStored = 2, MessageNotStored = 3 };

// Top bit of the codec byte in Alerting and Accepted: the sender had no party.
constexpr uint8_t CodecByteNoParties = 0x80;

// Longest texts a builder puts on the wire (the engine's field sizes less the NUL).
constexpr int MaxIdentityChars = 99;
constexpr int MaxLongTextChars = 299;  // refusal texts and short messages
constexpr int MaxChatLineChars = 99;

}  // namespace protocol

struct Datagram {
    uint8_t bytes[MaxDatagram];
    int length = 0;
};

// A text inside a received datagram: its characters up to the NUL, or up to
// the datagram's end when the NUL is missing. Not NUL-terminated itself.
struct WireText {
    const char* chars = "";
    int length = 0;
};

// Copies a wire text into a fixed field of capacity bytes, cut to capacity-1
// characters, always NUL-terminated.
void CopyWireText(char* field, int capacity, WireText text);
bool WireTextEquals(WireText text, const char* s);

// ---- builders (texts longer than the limits above are cut) ----
Datagram BuildCallRequest(int codec, const char* identity);
Datagram BuildAlerting(int codec, bool noParties, const char* identity);
Datagram BuildAccepted(int codec, bool noParties, const char* identity);
Datagram BuildRefused(const char* identity, const char* refusalText);  // refusalText null: none
Datagram BuildCodecUnsupported(const char* identity);
Datagram BuildBusy(const char* identity);
Datagram BuildAcceptConfirmed(int fallback);
Datagram BuildLeave(int reason);
Datagram BuildShortLeave();  // the one-byte form
Datagram BuildChatMessage(int echo, const char* line);
Datagram BuildChatEcho(const uint8_t* received, int length);  // same bytes, byte 1 set to 1
Datagram BuildShortMessage(const char* identity, const char* text);
Datagram BuildShortMessageReply(int result);

// ---- parsers: false when the datagram is too short to carry its fixed bytes ----
struct CallRequestFields {
    int codec = 0;  // low 7 bits of the codec byte
    WireText identity;
};
bool ParseCallRequest(const uint8_t* d, int length, CallRequestFields* out);

struct CallReplyFields {
    int subCode = 0;
    int codec = 0;           // Alerting, Accepted: low 7 bits of the codec byte
    bool noParties = false;  // Alerting, Accepted: top bit of the codec byte
    WireText identity;       // every sub-code but AcceptConfirmed
    bool hasRefusalText = false;
    WireText refusalText;    // Refused, when the datagram is longer than identity length + 3
    int fallback = 0;        // AcceptConfirmed
};
// Unknown sub-codes parse (subCode set, nothing else) so the caller can ignore them.
bool ParseCallReply(const uint8_t* d, int length, CallReplyFields* out);

// Reason of a Leave: byte 1, or 0 for the one-byte form.
int ParseLeaveReason(const uint8_t* d, int length);

struct ChatFields {
    int echo = 0;
    WireText line;
};
bool ParseChatMessage(const uint8_t* d, int length, ChatFields* out);

struct ShortMessageFields {
    WireText identity;
    WireText text;
};
bool ParseShortMessage(const uint8_t* d, int length, ShortMessageFields* out);

bool ParseShortMessageReply(const uint8_t* d, int length, int* result);

inline bool IsControl(const uint8_t* d, int length) { return length >= 1 && d[0] >= 0x80; }

}  // namespace kv
