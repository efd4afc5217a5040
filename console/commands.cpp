#include "console/commands.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <vector>

#include "console/output.h"
#include "engine/phone.h"
#include "engine/event_log.h"

namespace kv {
namespace console {
namespace {

constexpr int ChatLineMax = 99;      // a queued chat line holds 100 bytes
constexpr int MessageTextMax = 299;  // MessageText holds 300

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsSpace(s[begin])) ++begin;
    while (end > begin && IsSpace(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// Splits off the first word; *rest gets what follows, without leading blanks.
std::string FirstWord(const std::string& s, std::string* rest) {
    size_t end = 0;
    while (end < s.size() && !IsSpace(s[end])) ++end;
    size_t next = end;
    while (next < s.size() && IsSpace(s[next])) ++next;
    *rest = s.substr(next);
    return s.substr(0, end);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string UnresolvedText(const std::string& address) {
    ResolvedAddress ignored;
    std::string why;
    ResolveAddressText(address.c_str(), &ignored, &why);
    return "unable to resolve address '" + address + "'" + (why.empty() ? "" : ": " + why);
}

bool ParseAddressWord(const std::string& text, PeerAddress* out) {
    return ParseAddressLiteral(text.data(), text.size(), DefaultPort, out);
}

bool ParseCommand(const std::string& line, Command* out, std::string* error) {
    std::string dummy;
    if (!error) error = &dummy;
    Command c;
    std::string rest;
    const std::string word = Lower(FirstWord(Trim(line), &rest));
    auto fail = [&](const std::string& message) {
        *error = message;
        return false;
    };
    auto noArguments = [&](CommandKind kind) {
        if (!rest.empty()) return fail(word + " takes no arguments");
        c.kind = kind;
        return true;
    };

    if (word.empty()) {
        c.kind = CommandKind::Empty;
    } else if (word == "call") {
        if (rest.empty()) return fail("call: the address is missing");
        c.kind = CommandKind::Call;
        c.address = rest;
    } else if (word == "hangup") {
        c.kind = CommandKind::HangUp;
        c.address = rest;
    } else if (word == "accept") {
        if (!noArguments(CommandKind::Accept)) return false;
    } else if (word == "refuse") {
        if (!noArguments(CommandKind::Refuse)) return false;
    } else if (word == "status") {
        if (!noArguments(CommandKind::Status)) return false;
    } else if (word == "parties") {
        if (!noArguments(CommandKind::Parties)) return false;
    } else if (word == "quit") {
        if (!noArguments(CommandKind::Quit)) return false;
    } else if (word == "help") {
        if (!noArguments(CommandKind::Help)) return false;
    } else if (word == "chat") {
        c.kind = CommandKind::Chat;
        std::string text;
        const std::string first = FirstWord(rest, &text);
        PeerAddress party;
        if (ParseAddressWord(first, &party)) c.party = party;
        else text = rest;
        if (text.empty()) return fail("chat: the text is missing");
        if (static_cast<int>(text.size()) > ChatLineMax) return fail("chat: a line holds at most 99 characters");
        c.text = text;
    } else if (word == "msg") {
        c.kind = CommandKind::Msg;
        c.address = FirstWord(rest, &c.text);
        if (c.address.empty()) return fail("msg: the address is missing");
        if (static_cast<int>(c.text.size()) > MessageTextMax)
            return fail("msg: a short message holds at most 299 characters");
    } else if (word == "trust" || word == "verify") {
        c.kind = word == "trust" ? CommandKind::Trust : CommandKind::Verify;
        std::string more;
        c.address = FirstWord(rest, &more);
        if (c.address.empty()) return fail(word + ": the address is missing");
        if (!more.empty()) return fail(word + " takes one address");
    } else if (word == "mute" || word == "unmute") {
        c.kind = word == "mute" ? CommandKind::Mute : CommandKind::Unmute;
        const std::string what = Lower(rest);
        if (what != "mic" && what != "speaker") return fail(word + ": say mic or speaker");
        c.mic = what == "mic";
    } else {
        return fail("unknown command '" + word + "' (type help for the list)");
    }
    *out = c;
    return true;
}

std::string CommandHelp() {
    return "call ADDRESS          place a call (host, dotted address, optional :port)\n"
           "hangup [ADDRESS]      cancel the call setup, or leave one party or all\n"
           "accept, refuse        answer the incoming call\n"
           "chat [ADDRESS] TEXT   a chat line to every party, or to the party at a dotted address\n"
           "msg ADDRESS TEXT      send a short message\n"
           "mute mic|speaker, unmute mic|speaker\n"
           "trust ADDRESS         accept the new key that address showed (after key-changed)\n"
           "verify ADDRESS        mark the private party verified once its six digits were compared\n"
           "status, parties, quit\n";
}

Session::Session(Phone& phone, Writer out, Writer err)
    : phone_(phone), out_(std::move(out)), err_(std::move(err)) {}

bool Session::Fail(const std::string& message) {
    err_(message);
    return false;
}

bool Session::RunLine(const std::string& line) {
    Command c;
    std::string error;
    if (!ParseCommand(line, &c, &error)) return Fail(error);
    return Run(c);
}

bool Session::StartCall(const std::string& address) {
    switch (phone_.PlaceCall(address.c_str())) {
        case CallStarted:
            out_(FormatCalling(phone_.ReadAddress(phone_.RemoteAddress)));
            return true;
        case CallUnresolved: return Fail(UnresolvedText(address));
        default: return Fail("a call setup is already in progress");
    }
}

bool Session::StartMessage(const std::string& address, const std::string& text) {
    switch (phone_.SendShortMessage(address.c_str(), text.c_str())) {
        case MessageStarted:
            out_(FormatMessageSending(phone_.ReadAddress(phone_.MessageAddress)));
            return true;
        case MessageUnresolved: return Fail(UnresolvedText(address));
        default: return Fail("a short message is still being sent");
    }
}

bool Session::Run(const Command& c) {
    switch (c.kind) {
        case CommandKind::Empty: return true;
        case CommandKind::Call: return StartCall(c.address);
        case CommandKind::HangUp: {
            if (!c.address.empty()) {
                PeerAddress a;
                if (!ResolveAddress(c.address.c_str(), &a)) return Fail(UnresolvedText(c.address));
                if (phone_.FindParty(a) < 0) return Fail("no party at " + FormatAddress(a));
                phone_.HangUp(&a, 0);
                return true;
            }
            const int state = phone_.CallState;
            if (state != StateIdle) {
                if (phone_.HangUp(nullptr, 0) == 0) return true;
                return Fail(state == StateIncoming ? "an incoming call is waiting: accept or refuse it"
                                                   : "a call setup is in progress");
            }
            if (phone_.PartyCount == 0) return Fail("no call to hang up");
            phone_.HangUp(nullptr, 0);
            return true;
        }
        case CommandKind::Accept:
        case CommandKind::Refuse:
            // Only the call the last incoming-call line showed.
            if (!ringing_ || phone_.AnswerCall(c.kind == CommandKind::Accept ? 1 : 0, ringing_->address) != AnswerGiven)
                return Fail("no incoming call is waiting");
            answerDeadline_.reset();
            ringing_.reset();
            return true;
        case CommandKind::Chat: {
            if (c.party) {
                if (phone_.FindParty(*c.party) < 0) return Fail("no party at " + FormatAddress(*c.party));
            } else if (phone_.PartyCount == 0) {
                return Fail("not in a call");
            }
            const PeerAddress* to = c.party ? &*c.party : nullptr;
            if (phone_.QueueChatLine(to, c.text.c_str()) != ChatQueued) return Fail("chat: five lines are still waiting");
            return true;
        }
        case CommandKind::Msg: return StartMessage(c.address, c.text);
        case CommandKind::Mute:
        case CommandKind::Unmute: {
            const uint8_t muted = c.kind == CommandKind::Mute ? 1 : 0;
            if (c.mic)
                phone_.MicMuted = muted;
            else
                phone_.SpeakerMuted = muted;
            return true;
        }
        case CommandKind::Trust:
        case CommandKind::Verify: {
            PeerAddress a;
            if (!ResolveAddress(c.address.c_str(), &a)) return Fail(UnresolvedText(c.address));
            if (c.kind == CommandKind::Trust) {
                if (!phone_.AcceptKey(a)) return Fail("no new key is known for " + FormatAddress(a));
                return true;
            }
            if (phone_.FindParty(a) < 0) return Fail("no party at " + FormatAddress(a));
            if (!phone_.MarkVerified(a)) return Fail("the party at " + FormatAddress(a) + " is not private");
            return true;
        }
        case CommandKind::Status: PrintStatus(); return true;
        case CommandKind::Parties: PrintParties(); return true;
        case CommandKind::Quit: RequestQuit(0); return true;
        case CommandKind::Help: {
            std::string help = CommandHelp();
            size_t start = 0, end;
            while ((end = help.find('\n', start)) != std::string::npos) {
                err_(help.substr(start, end - start));
                start = end + 1;
            }
            return true;
        }
    }
    return false;
}

void Session::HandleEvent(const EngineEvent& event, int64_t nowMs) {
    EngineEvent e = event;
    switch (e.code) {
        case ChatLine: {
            char line[105];
            if (!phone_.NextChatLine(line, sizeof line)) return;
            e.text = line;
            break;
        }
        case PartiesChanged: e.count = phone_.PartyCount; break;
        case LogWritten: e.text = EventLogPath(); break;
        default: break;
    }
    out_(FormatEvent(e));

    switch (e.code) {
        case IncomingCall:
            // A new ring replaces the one shown before.
            ringing_ = Ringing{e.name, e.address};
            answerDeadline_ = nowMs + phone_.Timings.ringTimeoutMs;
            break;
        case CallerCancelled:
            if (ringing_ && SameAddress(ringing_->address, e.address)) {
                answerDeadline_.reset();
                ringing_.reset();
            }
            break;
        case IncomingConnected:
        case CallConnected:
            if (hangupAfterMs_ && !hangupDeadline_) hangupDeadline_ = nowMs + *hangupAfterMs_;
            break;
        case MessageDelivered:
        case MessageRefused:
        case NoAnswer:
        case NotActive:
        case KeyChanged:
        case NotPrivate:
            if (messageMode_ && (e.code == MessageDelivered || e.code == MessageRefused || e.subject == Subject::Message))
                RequestQuit(e.code == MessageDelivered ? 0 : 1);
            break;
        default: break;
    }
}

void Session::Tick(int64_t nowMs) {
    if (answerDeadline_ && nowMs >= *answerDeadline_) {
        answerDeadline_.reset();
        // As the incoming-call dialog does when its minute is up: the call it showed, no other.
        if (ringing_ && phone_.AnswerCall(0, ringing_->address) == AnswerGiven)
            out_(FormatIncomingTimeout(ringing_->name, ringing_->address));
        ringing_.reset();
    }
    if (hangupDeadline_ && nowMs >= *hangupDeadline_) {
        hangupDeadline_.reset();
        HangUpAll();
        RequestQuit(0);
    }
}

std::optional<int64_t> Session::NextDeadline() const {
    if (answerDeadline_ && hangupDeadline_) return std::min(*answerDeadline_, *hangupDeadline_);
    return answerDeadline_ ? answerDeadline_ : hangupDeadline_;
}

void Session::HangUpAll() {
    phone_.AbortCall();
    if (phone_.CallState == StateIncoming) phone_.AnswerCall(0);
    std::vector<PeerAddress> parties;
    {
        std::lock_guard<std::recursive_mutex> guard(phone_.PartyLock);
        for (int i = 0; i < phone_.PartyCount; ++i) parties.push_back(phone_.PartyAddress[i]);
    }
    for (const PeerAddress& a : parties) phone_.HangUp(&a, 0);
}

void Session::RequestQuit(int exitCode) {
    if (quit_) return;
    quit_ = true;
    exitCode_ = exitCode;
}

void Session::PrintStatus() {
    StatusInfo s;
    char text[300];
    phone_.StatusText(text, sizeof text);
    s.text = text;
    s.callState = phone_.CallState;
    s.parties = phone_.PartyCount;
    s.messageState = phone_.MessageState;
    s.transmitting = phone_.Transmitting != 0;
    s.micMuted = phone_.MicMuted != 0;
    s.speakerMuted = phone_.SpeakerMuted != 0;
    s.inLevel = phone_.Capture.inputLevel();
    s.outLevel = phone_.OutputLevel();
    char identity[100];
    phone_.ReadText(phone_.Identity, identity, sizeof identity);
    s.identity = identity;
    s.port = phone_.Port();
    s.answer = phone_.Autoanswer;
    s.codec = phone_.Codec;
    s.log = phone_.GenerateLog != 0;
    s.playoutOpens = playoutOpens_ ? playoutOpens_() : 0;
    s.echoCancel = phone_.Capture.echoCancel != 0;
    s.noiseSuppress = phone_.Capture.noiseSuppress != 0;
    s.mapping = phone_.MappingState();
    s.privacy = phone_.Privacy;
    s.key = phone_.OwnFingerprint();
    {
        std::lock_guard<std::recursive_mutex> guard(phone_.PartyLock);
        for (int i = 0; i < phone_.PartyCount; ++i) s.concealed += phone_.PartyChannel[i]->concealedPieces();
    }
    out_(FormatStatus(s));
}

void Session::PrintParties() {
    std::vector<PartyInfo> parties;
    {
        std::lock_guard<std::recursive_mutex> guard(phone_.PartyLock);
        for (int i = 0; i < phone_.PartyCount; ++i) {
            PartyInfo p;
            char name[100];
            phone_.ReadText(phone_.PartyName[i], name, sizeof name);
            p.name = name;
            p.address = phone_.PartyAddress[i];
            p.active = phone_.PartyActive[i] != 0;
            p.opens = phone_.PartyChannel[i]->opens();
            p.concealed = phone_.PartyChannel[i]->concealedPieces();
            p.codec = phone_.PartyChannel[i]->decoderCodec;
            p.played = phone_.PartyChannel[i]->framesPlayed();
            parties.push_back(p);
        }
    }
    // Outside the party table's lock: the sessions have locks of their own.
    for (PartyInfo& p : parties) {
        PrivacyInfo privacy;
        if (!phone_.PrivacyOf(p.address, &privacy)) continue;
        p.privateLink = true;
        p.sas = privacy.sas;
        p.verified = privacy.verified;
    }
    for (const std::string& line : FormatParties(parties)) out_(line);
}

}  // namespace console
}  // namespace kv
