// The lines the console peer prints: one line per event, each a word naming
// the event followed by key=value fields. Texts (names, chat lines, refusal
// texts, paths) are always quoted, with quote, backslash, control characters
// and every byte outside printable ASCII escaped, so that nothing a peer
// sends can end a line or forge a field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/events.h"
#include "platform/peer_address.h"

namespace kv {
namespace console {

// "text" with \" \\ \n \r \t and \xHH for every other byte below 0x20 or above 0x7E.
std::string Quote(const std::string& text);
// The inverse of Quote for a whole quoted field; false when it is malformed.
bool Unquote(const std::string& quoted, std::string* text);

// The six digits of a short authentication string, "042917".
std::string FormatSas(uint32_t sas);

// "a.b.c.d:port".
std::string FormatAddress(const PeerAddress& address);

// "ask", "refuse", "accept", or "ignore" for any other value (as the engine treats it).
const char* AnswerModeName(int mode);

// The line for one engine notification.
std::string FormatEvent(const EngineEvent& e);

std::string FormatReady(const std::string& identity, int port);
std::string FormatCalling(const PeerAddress& address);
std::string FormatMessageSending(const PeerAddress& address);
std::string FormatIncomingTimeout(const std::string& name, const PeerAddress& address);

struct StatusInfo {
    std::string text;  // the status line of the engine
    int callState = 0;
    int parties = 0;
    int messageState = 0;
    bool transmitting = false;
    bool micMuted = false;
    bool speakerMuted = false;
    int inLevel = -10000;
    int outLevel = -10000;
    std::string identity;
    int port = 0;
    int answer = 0;
    int codec = 0;
    bool log = false;
    int playoutOpens = 0;  // wave outputs opened by the playout since the start
    int concealed = 0;     // concealment frames queued, over the current parties
    bool echoCancel = false;
    bool noiseSuppress = false;
    PortMappingState mapping;  // external=A.B.C.D:PORT while the router forwards our port, else none
    int privacy = 0;  // PrivacyMode in force
    std::string key;  // our key's fingerprint, 24 base32 characters
};
std::string FormatStatus(const StatusInfo& s);

struct PartyInfo {
    std::string name;
    PeerAddress address;
    bool active = false;
    int opens = 0;      // its playout's device opens
    int concealed = 0;  // its playout's concealment frames
    int codec = -1;     // the codec its voice last arrived in, -1 before any
    int played = 0;     // frames its playout has played (concealment ones included)
    bool privateLink = false;  // its session is private; then:
    uint32_t sas = 0;          // the session's short authentication string
    bool verified = false;     // the user compared it and marked the party verified
};
// "parties count=N", then one "party ..." line per party.
std::vector<std::string> FormatParties(const std::vector<PartyInfo>& parties);

}  // namespace console
}  // namespace kv
