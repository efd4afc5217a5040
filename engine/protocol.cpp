#include "engine/protocol.h"

#include <cstring>

namespace kv {
namespace {

using namespace protocol;

WireText TextAt(const uint8_t* d, int length, int offset) {
    WireText t;
    if (offset >= length) return t;
    const char* start = reinterpret_cast<const char*>(d + offset);
    const void* nul = std::memchr(start, 0, static_cast<size_t>(length - offset));
    t.chars = start;
    t.length = nul ? static_cast<int>(static_cast<const char*>(nul) - start) : length - offset;
    return t;
}

// Offset just past a text that starts at offset (past its NUL).
int After(int offset, WireText t) { return offset + t.length + 1; }

class Writer {
public:
    explicit Writer(Datagram& d) : d_(d) { d_.length = 0; }
    void byte(int b) {
        if (d_.length < MaxDatagram) d_.bytes[d_.length++] = static_cast<uint8_t>(b);
    }
    void text(const char* s, int maxChars) {
        if (!s) s = "";
        int n = 0;
        while (n < maxChars && s[n] && d_.length < MaxDatagram - 1) d_.bytes[d_.length++] = static_cast<uint8_t>(s[n++]);
        byte(0);
    }

private:
    Datagram& d_;
};

Datagram CodecReply(int subCode, int codec, bool noParties, const char* identity) {
    Datagram d;
    Writer w(d);
    w.byte(CallReply);
    w.byte(subCode);
    w.byte((codec & 0x7F) | (noParties ? CodecByteNoParties : 0));
    w.text(identity, MaxIdentityChars);
    return d;
}

Datagram IdentityReply(int subCode, const char* identity) {
    Datagram d;
    Writer w(d);
    w.byte(CallReply);
    w.byte(subCode);
    w.text(identity, MaxIdentityChars);
    return d;
}

}  // namespace

void CopyWireText(char* field, int capacity, WireText text) {
    if (capacity <= 0) return;
    int n = text.length < capacity - 1 ? text.length : capacity - 1;
    if (n > 0) std::memcpy(field, text.chars, static_cast<size_t>(n));
    field[n > 0 ? n : 0] = 0;
}

bool WireTextEquals(WireText text, const char* s) {
    return std::strlen(s) == static_cast<size_t>(text.length) &&
           std::memcmp(s, text.chars, static_cast<size_t>(text.length)) == 0;
}

Datagram BuildCallRequest(int codec, const char* identity) {
    Datagram d;
    Writer w(d);
    w.byte(CallRequest);
    w.byte(codec & 0x7F);
    w.text(identity, MaxIdentityChars);
    return d;
}

Datagram BuildAlerting(int codec, bool noParties, const char* identity) {
    return CodecReply(Alerting, codec, noParties, identity);
}

Datagram BuildAccepted(int codec, bool noParties, const char* identity) {
    return CodecReply(Accepted, codec, noParties, identity);
}

Datagram BuildRefused(const char* identity, const char* refusalText) {
    Datagram d;
    Writer w(d);
    w.byte(CallReply);
    w.byte(Refused);
    w.text(identity, MaxIdentityChars);
    if (refusalText) w.text(refusalText, MaxLongTextChars);
    return d;
}

Datagram BuildCodecUnsupported(const char* identity) { return IdentityReply(CodecUnsupported, identity); }
Datagram BuildBusy(const char* identity) { return IdentityReply(Busy, identity); }

Datagram BuildAcceptConfirmed(int fallback) {
    Datagram d;
    Writer w(d);
    w.byte(CallReply);
    w.byte(AcceptConfirmed);
    w.byte(fallback);
    return d;
}

Datagram BuildLeave(int reason) {
    Datagram d;
    Writer w(d);
    w.byte(Leave);
    w.byte(reason);
    return d;
}

Datagram BuildShortLeave() {
    Datagram d;
    Writer w(d);
    w.byte(Leave);
    return d;
}

Datagram BuildChatMessage(int echo, const char* line) {
    Datagram d;
    Writer w(d);
    w.byte(ChatMessage);
    w.byte(echo);
    w.text(line, MaxChatLineChars);
    return d;
}

Datagram BuildChatEcho(const uint8_t* received, int length) {
    Datagram d;
    d.length = length < 0 ? 0 : (length > MaxDatagram ? MaxDatagram : length);
    std::memcpy(d.bytes, received, static_cast<size_t>(d.length));
    if (d.length >= 2) d.bytes[1] = ChatEchoed;
    return d;
}

Datagram BuildShortMessage(const char* identity, const char* text) {
    Datagram d;
    Writer w(d);
    w.byte(ShortMessage);
    w.text(identity, MaxIdentityChars);
    w.text(text, MaxLongTextChars);
    return d;
}

Datagram BuildShortMessageReply(int result) {
    Datagram d;
    Writer w(d);
    w.byte(ShortMessageReply);
    w.byte(result);
    return d;
}

bool ParseCallRequest(const uint8_t* d, int length, CallRequestFields* out) {
    if (length < 2 || d[0] != CallRequest) return false;
    out->codec = d[1] & 0x7F;
    out->identity = TextAt(d, length, 2);
    return true;
}

bool ParseCallReply(const uint8_t* d, int length, CallReplyFields* out) {
    if (length < 2 || d[0] != CallReply) return false;
    *out = CallReplyFields();
    out->subCode = d[1];
    switch (out->subCode) {
        case Alerting:
        case Accepted:
            if (length < 3) return false;
            out->codec = d[2] & 0x7F;
            out->noParties = (d[2] & CodecByteNoParties) != 0;
            out->identity = TextAt(d, length, 3);
            break;
        case Refused:
            out->identity = TextAt(d, length, 2);
            // The refusal text is there exactly when the datagram is longer
            // than identity length + 3.
            if (length > out->identity.length + 3) {
                out->hasRefusalText = true;
                out->refusalText = TextAt(d, length, After(2, out->identity));
            }
            break;
        case CodecUnsupported:
        case Busy:
            out->identity = TextAt(d, length, 2);
            break;
        case AcceptConfirmed:
            if (length < 3) return false;
            out->fallback = d[2];
            break;
        default:
            break;
    }
    return true;
}

int ParseLeaveReason(const uint8_t* d, int length) { return length >= 2 ? d[1] : 0; }

bool ParseChatMessage(const uint8_t* d, int length, ChatFields* out) {
    if (length < 2 || d[0] != ChatMessage) return false;
    out->echo = d[1];
    out->line = TextAt(d, length, 2);
    return true;
}

bool ParseShortMessage(const uint8_t* d, int length, ShortMessageFields* out) {
    if (length < 1 || d[0] != ShortMessage) return false;
    out->identity = TextAt(d, length, 1);
    out->text = TextAt(d, length, After(1, out->identity));
    return true;
}

bool ParseShortMessageReply(const uint8_t* d, int length, int* result) {
    if (length < 2 || d[0] != ShortMessageReply) return false;
    *result = d[1];
    return true;
}

}  // namespace kv
