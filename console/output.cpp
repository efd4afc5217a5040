#include "console/output.h"

#include <cstdio>

#include "engine/phone.h"
#include "secure/private_call.h"

namespace kv {
namespace console {
namespace {

std::string Number(int n) { return std::to_string(n); }

std::string Named(const char* event, const EngineEvent& e) {
    return std::string(event) + " name=" + Quote(e.name) + " address=" + FormatAddress(e.address);
}

std::string CallFailed(const char* reason, const EngineEvent& e) {
    return std::string("call-failed reason=") + reason + " name=" + Quote(e.name) +
           " address=" + FormatAddress(e.address);
}

// " private=1 sas=042917 key=FINGERPRINT" or " private=0".
std::string Privacy(const EngineEvent& e) {
    if (!e.privateLink) return " private=0";
    return " private=1 sas=" + FormatSas(e.sas) + " key=" + e.key;
}

// The warning an incoming call carries, if any.
std::string RingWarning(int value) {
    if (value & RingKeyChanged) return " warning=key-changed";
    if (value & RingNotPrivate) return " warning=not-private";
    return "";
}

// The reason byte of a Leave: 1 means the codec could not be found, anything else a plain hang-up.
const char* LeaveReason(int value) { return value == 1 ? "no-codec" : "hung-up"; }

// "a.b.c.d:port" of the router's external side (0.0.0.0 when the router named no address).
std::string External(const PortMappingState& m) {
    return FormatAddress(MakeAddress(m.externalIp, m.externalPort));
}

std::string ExternalAddress(const PortMappingState& m) { return m.status == MappingActive ? External(m) : "none"; }

std::string FormatPinhole(int event, const PinholeState& p) {
    switch (event) {
        case PinholeOpened: return "pinhole address=" + FormatAddress(p.address) + " via=" + p.via;
        case PinholeRenewed: return "pinhole-renewed address=" + FormatAddress(p.address) + " via=" + p.via;
        case PinholeLost: return "pinhole-lost reason=" + Quote(p.reason);
        default: return "pinhole-failed reason=" + Quote(p.reason);
    }
}

std::string FormatMapping(int event, const PortMappingState& m, const PinholeState& p) {
    if (event >= PinholeOpened && event <= PinholeFailed) return FormatPinhole(event, p);
    switch (event) {
        case MappingMade: {
            std::string line = "mapped external=" + External(m) + " via=" + m.via + " took-ms=" +
                               std::to_string(m.tookMs);
            if (m.portTaken) line += " port-taken=" + Number(m.portTaken);
            if (m.privateRouterAddress) line += " router-address=private";
            if (m.externalIp == 0) line += " router-address=unknown";  // it named none we could read
            return line;
        }
        case MappingRenewed: return "mapping-renewed external=" + External(m) + " via=" + m.via;
        case MappingLost: return "mapping-lost reason=" + Quote(m.reason);
        case MappingFailed: return "mapping-failed reason=" + Quote(m.reason);
        default: return "notification code=" + Number(PortMappingChanged) + " value=" + Number(event);
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Quote(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c > 0x7E) {
                    out += "\\x";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}

bool Unquote(const std::string& quoted, std::string* text) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
    std::string out;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        char c = quoted[i];
        if (c == '"') return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 2 >= quoted.size()) return false;
        char e = quoted[++i];
        switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (i + 3 >= quoted.size()) return false;
                int hi = HexDigit(quoted[i + 1]), lo = HexDigit(quoted[i + 2]);
                if (hi < 0 || lo < 0) return false;
                out += static_cast<char>(hi << 4 | lo);
                i += 2;
                break;
            }
            default: return false;
        }
    }
    *text = out;
    return true;
}

std::string FormatSas(uint32_t sas) {
    char digits[8];
    secure::FormatSas(sas, digits);
    return digits;
}

std::string FormatAddress(const PeerAddress& address) { return HostPortText(address); }

const char* AnswerModeName(int mode) {
    switch (mode) {
        case AnswerAsk: return "ask";
        case AnswerRefuse: return "refuse";
        case AnswerAccept: return "accept";
        default: return "ignore";
    }
}

std::string FormatEvent(const EngineEvent& e) {
    switch (e.code) {
        case IncomingCall:
            return Named("incoming-call", e) + ((e.value & RingQuiet) ? " ring=quiet" : " ring=aloud") +
                   RingWarning(e.value);
        case IncomingConnected: return Named("connected", e) + " direction=incoming" + Privacy(e);
        case CallSetupFailed: return CallFailed("setup-failed", e);
        case CallerCancelled: return Named("call-cancelled", e) + " reason=" + LeaveReason(e.value);
        case PartyAlerted: return Named("alerted", e);
        case CallConnected: return Named("connected", e) + " direction=outgoing" + Privacy(e);
        case CallRefused: return Named("call-refused", e) + " text=" + Quote(e.text);
        case UnsupportedCodec: return CallFailed("unsupported-codec", e);
        case RemoteCannotDecode: return CallFailed("remote-cannot-decode", e);
        case RemoteBusy: return CallFailed("busy", e);
        case NoAnswer:
        case NotActive: {
            const char* reason = e.code == NoAnswer ? "no-answer" : "not-active";
            if (e.subject == Subject::Message)
                return std::string("message-failed reason=") + reason + " address=" + FormatAddress(e.address);
            return CallFailed(reason, e);
        }
        case KeyChanged:
        case NotPrivate: {
            const char* reason = e.code == KeyChanged ? "key-changed" : "not-private";
            const std::string key = e.code == KeyChanged ? " key=" + e.key : std::string();
            if (e.subject == Subject::Message)
                return std::string("message-failed reason=") + reason + " address=" + FormatAddress(e.address) + key;
            return CallFailed(reason, e) + key;
        }
        case PartyHungUp: return Named("party-left", e) + " reason=" + LeaveReason(e.value);
        case PartyDropped: return Named("party-left", e) + " reason=dropped";
        case ChatLine: return "chat line=" + Quote(e.text);
        case PartiesChanged: return "parties-changed count=" + Number(e.count);
        case LogWritten: return "log-written file=" + Quote(e.text);
        case MessageRefused: return "message-refused address=" + FormatAddress(e.address);
        case MessageDelivered: return "message-delivered address=" + FormatAddress(e.address);
        case PortMappingChanged: return FormatMapping(e.value, e.mapping, e.pinhole);
        case AudioDeviceChanged: {
            const bool works = IsWorksEvent(e.value);
            const bool mic = IsMicrophoneEvent(e.value);
            return std::string(works ? "device-works" : "device-failed") + (mic ? " device=microphone" : " device=speaker") +
                   " name=" + Quote(e.text);
        }
        default: return "notification code=" + Number(e.code) + " value=" + Number(e.value);
    }
}

std::string FormatReady(const std::string& identity, int port) {
    return "ready name=" + Quote(identity) + " port=" + Number(port);
}

std::string FormatCalling(const PeerAddress& address) { return "calling address=" + FormatAddress(address); }

std::string FormatMessageSending(const PeerAddress& address) {
    return "message-sending address=" + FormatAddress(address);
}

std::string FormatIncomingTimeout(const std::string& name, const PeerAddress& address) {
    return "incoming-timeout name=" + Quote(name) + " address=" + FormatAddress(address);
}

std::string FormatStatus(const StatusInfo& s) {
    return "status text=" + Quote(s.text) + " call-state=" + Number(s.callState) + " parties=" + Number(s.parties) +
           " message-state=" + Number(s.messageState) + " transmitting=" + Number(s.transmitting ? 1 : 0) +
           " mic=" + (s.micMuted ? "off" : "on") + " speaker=" + (s.speakerMuted ? "off" : "on") +
           " in-level=" + Number(s.inLevel) + " out-level=" + Number(s.outLevel) + " name=" + Quote(s.identity) +
           " port=" + Number(s.port) + " answer=" + AnswerModeName(s.answer) + " codec=" + Number(s.codec) +
           " log=" + Number(s.log ? 1 : 0) + " playout-opens=" + Number(s.playoutOpens) +
           " concealed=" + Number(s.concealed) + " echo-cancel=" + Number(s.echoCancel ? 1 : 0) +
           " noise-suppress=" + Number(s.noiseSuppress ? 1 : 0) + " external=" + ExternalAddress(s.mapping) +
           " privacy=" + Number(s.privacy) + " key=" + s.key;
}

std::vector<std::string> FormatParties(const std::vector<PartyInfo>& parties) {
    std::vector<std::string> lines;
    lines.push_back("parties count=" + Number(static_cast<int>(parties.size())));
    for (size_t i = 0; i < parties.size(); ++i)
        lines.push_back("party index=" + Number(static_cast<int>(i)) + " name=" + Quote(parties[i].name) +
                        " address=" + FormatAddress(parties[i].address) +
                        " active=" + Number(parties[i].active ? 1 : 0) + " opens=" + Number(parties[i].opens) +
                        " concealed=" + Number(parties[i].concealed) + " codec=" +
                        (parties[i].codec < 0 ? std::string("none") : Number(parties[i].codec)) +
                        " played=" + Number(parties[i].played) + " private=" + Number(parties[i].privateLink ? 1 : 0) +
                        (parties[i].privateLink ? " sas=" + FormatSas(parties[i].sas) +
                                                      " verified=" + Number(parties[i].verified ? 1 : 0)
                                                : std::string()));
    return lines;
}

}  // namespace console
}  // namespace kv
