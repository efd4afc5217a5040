// The call state machine: placing, answering, confirming and ending calls.
// Only one call setup, incoming or outgoing, runs at a time; CallState says
// which step it is at, and the threads that wait on it sleep on StateChanged.
//
// Only the peer of the setup in progress (RemoteAddress while CallState is
// not idle) moves the setup on. Anyone else gets its own reply (Busy,
// Refused, CodecUnsupported), paid for by what it sent (strangers.h), and
// never a change of CallState, RemoteAddress or RemoteName; "ignore" answers
// nothing. A setup that fails removes exactly the party it added, and a
// thread that ends a setup goes back to idle before it tells the user, so
// that nobody hears "busy" while a message box waits for a click.
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "engine/event_log.h"
#include "engine/phone.h"

namespace kv {
namespace {

using Clock = ChangeSignal::Clock;

Clock::time_point After(Clock::time_point start, int ms) { return start + std::chrono::milliseconds(ms); }

}  // namespace

const char PrivateOnlyText[] = "This phone takes private calls only.";

const char* CallResultText(int result) {
    switch (result) {
        case CallStarted: return "";
        case CallUnresolved: return "unable to resolve address";
        case CallSetupInProgress: return "a call setup is in progress";
        case CallNothingToCancel: return "no outgoing call to cancel";
        default: return "unknown result";
    }
}

void Phone::StartWorker(std::function<void()> body) {
    ++workers_;
    std::thread([this, body = std::move(body)] {
        body();
        --workers_;
    }).detach();
}

bool Phone::ProbeFor(int codec) {
    char name[32];
    return ProbeCodec(codec, name) == 1;
}

bool Phone::InSetupWith(const PeerAddress& peer) {
    return CallState != StateIdle && SameAddress(peer, ReadAddress(RemoteAddress));
}

bool Phone::RaceOpen(PeerAddress* other) {
    std::lock_guard<std::mutex> guard(FieldLock);
    if (racing_) *other = raceAddress_;
    return racing_;
}

void Phone::WinRace(const PeerAddress& winner) {
    std::lock_guard<std::mutex> guard(FieldLock);
    if (!racing_) return;
    if (SameAddress(winner, raceAddress_)) RemoteAddress = raceAddress_;
    else if (!SameAddress(winner, RemoteAddress)) return;
    racing_ = false;
}

bool Phone::LoseRace(const PeerAddress& failed) {
    std::lock_guard<std::mutex> guard(FieldLock);
    if (!racing_) return false;
    if (SameAddress(failed, RemoteAddress)) RemoteAddress = raceAddress_;
    else if (!SameAddress(failed, raceAddress_)) return false;
    racing_ = false;
    return true;
}

bool Phone::SocketDualStack() {
    std::shared_lock<std::shared_mutex> guard(socketLock_);
    UdpSocket* socket = Socket.load();
    return socket && socket->dualStack();
}

int Phone::SetupState(uint32_t serial) {
    std::lock_guard<std::mutex> guard(FieldLock);
    return setupSerial_ == serial ? CallState.load() : -1;
}

uint32_t Phone::BeginSetup() {
    // FieldLock held by the caller, with CallState just taken from idle.
    uint32_t next = setupSerial_ + 1;
    if (next == 0) next = 1;
    setupSerial_ = next;
    return next;
}

bool Phone::EndSetup(uint32_t serial, int state, int notification, int value) {
    {
        std::lock_guard<std::mutex> guard(FieldLock);
        // Only the setup this thread runs, in the state it saw: one that moved
        // on (or began since) is not this thread's to end or report.
        if (setupSerial_ != serial) return false;
        if (!CallState.compare_exchange_strong(state, StateIdle)) return false;
        std::memcpy(ReportName, RemoteName, sizeof ReportName);
        ReportAddress = RemoteAddress;
        std::memcpy(ReportRefusalText, RemoteRefusalText, sizeof ReportRefusalText);
    }
    if (notification != 0 && !Stopping()) Send(static_cast<EngineNotification>(notification), value);
    return true;
}

// ---- the caller's side ----

int Phone::PlaceCall(const char* address) {
    uint32_t serial;
    {
        std::lock_guard<std::mutex> guard(FieldLock);
        int idle = StateIdle;
        if (!CallState.compare_exchange_strong(idle, StateWaitingForRemote)) return CallSetupInProgress;
        serial = BeginSetup();
        // No reply or departure of the last setup's peer counts while the name resolves.
        RemoteAddress = PeerAddress();
        racing_ = false;
        RemoteName[0] = 0;
        RemoteRefusalText[0] = 0;
    }
    ResolvedAddress resolved;
    if (!ResolveAddressText(address, &resolved, nullptr, LookUp)) {
        EndSetup(serial, StateWaitingForRemote, 0, 0);
        return CallUnresolved;
    }
    // A name with both families: IPv6 first and IPv4 after it, where this
    // socket reaches IPv6; else the IPv4 address alone.
    PeerAddress remote = resolved.first;
    const bool race = resolved.hasSecond && SocketDualStack();
    const PeerAddress& v4 = resolved.first.isIPv4() ? resolved.first : resolved.second;
    if (resolved.hasSecond) remote = race ? (resolved.first.isIPv4() ? resolved.second : resolved.first) : v4;
    {
        std::lock_guard<std::mutex> guard(FieldLock);
        if (setupSerial_ == serial) {
            RemoteAddress = remote;
            raceAddress_ = v4;
            racing_ = race;
        }
    }
    StartWorker([this, remote, serial] { OutgoingCallThread(remote, serial); });
    return CallStarted;
}

void Phone::OutgoingCallThread(PeerAddress remote, uint32_t serial) {
    bool sealedOnly = false;  // once private, a request never goes in plain
    const PeerAddress first = remote;
    PeerAddress other;  // the other family's address, while the race is open
    const bool raced = RaceOpen(&other);
    bool firstCalled = false, otherCalled = false;  // a request went there
    auto request = [&] {
        char identity[100];
        ReadText(Identity, identity, sizeof identity);
        const Datagram d = BuildCallRequest(Codec, identity);
        remote = ReadAddress(RemoteAddress);
        PeerAddress targets[2] = {remote, remote};
        const int count = RaceOpen(&targets[1]) && !SameAddress(targets[1], remote) ? 2 : 1;
        for (int i = 0; i < count; ++i) {
            if (sealedOnly && !links_.established(targets[i])) continue;
            SendTo(targets[i], d);
            (SameAddress(targets[i], first) ? firstCalled : otherCalled) = true;
        }
    };
    auto moved = [&](int from) { return CallState != from || setupSerial_ != serial; };
    // Private first, where the settings and the remembered peers say so.
    PeerAddress chosen = remote;
    const Privately privately = MakePrivate(remote, [&] { return moved(StateWaitingForRemote); }, SubjectCall,
                                            raced ? &other : nullptr, &chosen);
    if (privately == Privately::Refused) {
        EndSetup(serial, StateWaitingForRemote, 0, 0);  // the user was told
        return;
    }
    sealedOnly = privately == Privately::Yes;
    if (sealedOnly) WinRace(chosen);
    remote = ReadAddress(RemoteAddress);
    // A session renewed under the requests (the callee had lost the old one)
    // may show another key: the user is asked then.
    for (bool again = privately != Privately::Ended; again;) {
        auto answered = [&] { return moved(StateWaitingForRemote) || links_.held(remote); };
        // While two addresses race, the second joins after its head start.
        PeerAddress racing;
        const bool headStart = RaceOpen(&racing);
        if (!headStart || !Exchange(1, Timings.familyHeadStartMs, request, answered))
            Exchange(Timings.callAttempts - (headStart ? 1 : 0), Timings.callIntervalMs, request, answered);
        again = links_.held(remote) && SetupState(serial) == StateWaitingForRemote;
        if (again && !CheckKey(remote, SubjectCall)) {
            EndSetup(serial, StateWaitingForRemote, 0, 0);
            return;
        }
    }
    // The address that answered is the callee's; the other one, if a request
    // went there, is told we left (it may ring there).
    WinRace(ReadAddress(RemoteAddress));
    remote = ReadAddress(RemoteAddress);
    if (raced) {
        const bool firstWon = SameAddress(remote, first);
        if (firstWon ? otherCalled : firstCalled) SendTo(firstWon ? other : first, BuildShortLeave());
    }
    int state = SetupState(serial);
    if (state == StateWaitingForRemote) {
        if (EndSetup(serial, state, NoAnswer, SubjectCall)) return;
        state = SetupState(serial);  // a reply came with the last moment of the last attempt
    }
    const bool alerted = state == StatePartyAlerted;
    if (alerted) {
        Send(PartyAlerted);
        // Rings until the callee answers or leaves, or this side cancels.
        while (!WaitUntil(After(Clock::now(), Timings.alertedWaitMs), [&] { return moved(StatePartyAlerted); }) &&
               !Stopping()) {
        }
        state = SetupState(serial);
    }
    int report = 0;
    uint32_t party = 0;
    switch (state) {
        case StateCallAccepted: {
            party = AddPartyEntry(remote, RemoteName);
            if (party == 0) {
                // No room for one more party: the callee is told we left.
                SendTo(remote, BuildLeave(protocol::LeaveHungUp));
                report = CallSetupFailed;
                break;
            }
            ActivatePartyEntry(party);
            // Accepted straight away, the receive thread has already confirmed.
            if (alerted) SendTo(remote, BuildAcceptConfirmed(DecodeFallback));
            RememberName(remote);
            report = CallConnected;
            break;
        }
        case StateCallAborted: SendTo(remote, BuildShortLeave()); break;
        case StateCallRefused: report = CallRefused; break;
        case StateRemoteBusy: report = RemoteBusy; break;
        // A codec failure after ringing is reported as it is before ringing.
        case StateNoCodecLocally: report = UnsupportedCodec; break;
        case StateNoCodecRemote: report = RemoteCannotDecode; break;
        case StateUnreachable: report = NotActive; break;
        // The callee left, or the setup ended otherwise (or gave way to another).
        default: return;
    }
    // The callee that left at the last moment takes its new entry with it.
    if (!EndSetup(serial, state, report, report == NotActive ? SubjectCall : 0) && party != 0) RemovePartyEntry(party);
}

int Phone::AbortCall() {
    int state = CallState;
    if (state != StateWaitingForRemote && state != StatePartyAlerted) return CallNothingToCancel;
    if (!CallState.compare_exchange_strong(state, StateCallAborted)) return CallNothingToCancel;
    const PeerAddress remote = ReadAddress(RemoteAddress);
    HangUp(&remote, protocol::LeaveHungUp);
    return CallStarted;
}

int Phone::HangUp(const PeerAddress* address, int reason) {
    if (CallState != StateIdle && !address) return AbortCall();
    SendDatagram(address, BuildLeave(reason));
    RemoveParty(address && address->port() != 0 ? address : nullptr);
    return CallStarted;
}

// ---- the callee's side ----

void Phone::LogCallRequest(const PeerAddress& from, const char* name, const uint8_t* d, int length) {
    if (!GenerateLog) return;
    if (!MayLog(from, d, length)) return;
    // "(10.0.0.7)" from port 11676, else "(10.0.0.7:5000)" or "([2001:db8::1]:5000)".
    AppendLogLine("Incoming call from %s (%s)", name, HostPortText(from, DefaultPort).c_str());
    Post(LogWritten);
}

void Phone::RememberName(const PeerAddress& peer) {
    LinkInfo info;
    if (!links_.info(peer, &info)) return;
    char name[100];
    ReadText(RemoteName, name, sizeof name);
    // A call taken (or placed past the warning) with a key: from now on the
    // address's key, under the name it gave.
    Peers.accept(info.key, peer, name, static_cast<int64_t>(std::time(nullptr)));
}

bool Phone::Reply(const PeerAddress& to, const Datagram& d) {
    if (FindParty(to) < 0 && !strangers_->mayReply(to, d.length, LimitClock())) return false;
    SendTo(to, d);
    return true;
}

void Phone::SendRefusal(const PeerAddress& to, bool stranger) {
    char identity[100], refusal[300];
    ReadText(Identity, identity, sizeof identity);
    ReadText(RefusalMessage, refusal, sizeof refusal);
    const Datagram plain = BuildRefused(identity, nullptr);
    if (refusal[0]) {
        const Datagram withText = BuildRefused(identity, refusal);
        // Both or neither: the text is what the caller must not miss.
        if (stranger && FindParty(to) < 0 && !strangers_->mayReply(to, withText.length + plain.length, LimitClock()))
            return;
        SendTo(to, withText);
        SendTo(to, plain);
        return;
    }
    if (stranger) Reply(to, plain);
    else SendTo(to, plain);
}

void Phone::OnCallRequest(const PeerAddress& from, const uint8_t* d, int length) {
    CallRequestFields request;
    if (!ParseCallRequest(d, length, &request)) return;
    char name[100];
    CopyWireText(name, sizeof name, request.identity);
    LogCallRequest(from, name, d, length);

    const int mode = Autoanswer;
    if (mode != AnswerAsk && mode != AnswerRefuse && mode != AnswerAccept) return;  // ignore: silence
    char identity[100];
    ReadText(Identity, identity, sizeof identity);
    if (Privacy == PrivacyOnly && !SealedNow()) {
        // Private only: a plain caller hears why.
        const Datagram text = BuildRefused(identity, PrivateOnlyText);
        const Datagram plain = BuildRefused(identity, nullptr);
        if (strangers_->mayReply(from, text.length + plain.length, LimitClock())) {
            SendTo(from, text);
            SendTo(from, plain);
        }
        return;
    }
    const int state = CallState;
    const bool ours = InSetupWith(from);
    // The caller that rings here asked again in another way: its ring ends.
    auto endRing = [&](int reason) {
        int incoming = StateIncoming;
        if (!ours || !CallState.compare_exchange_strong(incoming, StateIdle)) return;
        NoteLeftParty(name, from);
        Post(CallerCancelled, reason);
    };

    if (!ProbeFor(request.codec)) {
        Reply(from, BuildCodecUnsupported(identity));
        endRing(protocol::LeaveNoCodec);
        return;
    }
    char refusal[300];
    ReadText(RefusalMessage, refusal, sizeof refusal);
    if (refusal[0] || mode == AnswerRefuse) {
        // The call that rings from this caller is refused, as every other is;
        // a setup with anyone else goes on untouched.
        if (ours && state == StateIncoming && AnswerCall(0, from) == AnswerGiven) return;
        SendRefusal(from, true);
        return;
    }
    if (state != StateIdle) {
        if (!ours) Reply(from, BuildBusy(identity));
        // The caller ringing here (or the peer we call, calling us) asked again.
        else if (mode == AnswerAsk) Reply(from, BuildAlerting(Codec, PartyCount == 0, identity));
        return;
    }
    if (PartyCount >= MaxParties) {
        Reply(from, BuildBusy(identity));
        return;
    }
    // A new setup: paid for like any reply (the whole exchange of accepts in accept mode).
    const Datagram alerting = BuildAlerting(Codec, PartyCount == 0, identity);
    const Datagram accepted = BuildAccepted(Codec, PartyCount == 0, identity);
    const int cost = mode == AnswerAsk ? alerting.length : accepted.length * (Timings.acceptPasses + 1);
    if (!strangers_->mayReply(from, cost, LimitClock())) return;
    if (mode == AnswerAsk) SendTo(from, alerting);
    if (!TakeRequest(from, name)) {
        // A call placed since the look at CallState came first.
        if (!InSetupWith(from)) SendTo(from, BuildBusy(identity));
        return;
    }
    if (mode == AnswerAsk)
        Post(IncomingCall,
             (strangers_->ringAloud(from, LimitClock()) ? RingAloud : RingQuiet) | RingWarnings(from, name));
    else
        AnswerCall(1, from);
}

bool Phone::TakeRequest(const PeerAddress& from, const char* name) {
    std::lock_guard<std::mutex> guard(FieldLock);
    int idle = StateIdle;
    if (!CallState.compare_exchange_strong(idle, StateIncoming)) return false;
    BeginSetup();
    RemoteAddress = from;
    std::memcpy(RemoteName, name, sizeof RemoteName);
    return true;
}

int Phone::AnswerCall(int accept) { return Answer(accept, nullptr); }

int Phone::AnswerCall(int accept, const PeerAddress& caller) { return Answer(accept, &caller); }

int Phone::Answer(int accept, const PeerAddress* caller) {
    const int next = accept ? StateIncomingAccepted : StateIdle;
    PeerAddress remote;
    uint32_t serial;
    {
        // The state moves first, so that a confirmation arriving at once is
        // not missed; under FieldLock, so that the caller is the one that rings.
        std::lock_guard<std::mutex> guard(FieldLock);
        if (caller && !SameAddress(*caller, RemoteAddress)) return AnswerNothingRings;
        int incoming = StateIncoming;
        if (!CallState.compare_exchange_strong(incoming, next)) return AnswerNothingRings;
        remote = RemoteAddress;
        serial = setupSerial_;
    }
    if (!accept) {
        SendRefusal(remote, false);
        return AnswerGiven;
    }
    char name[100];
    ReadText(RemoteName, name, sizeof name);
    const bool noParties = PartyCount == 0;
    const uint32_t party = AddPartyEntry(remote, name);
    if (party == 0) {
        // The table is full: the caller hears a refusal, the user a failure.
        SendRefusal(remote, false);
        StartWorker([this, serial] { EndSetup(serial, StateIncomingAccepted, CallSetupFailed, 0); });
        return AnswerGiven;
    }
    StartWorker([=] { AcceptConfirmationThread(remote, party, noParties, serial); });
    return AnswerGiven;
}

void Phone::AcceptConfirmationThread(PeerAddress remote, uint32_t party, bool noParties, uint32_t serial) {
    // Accepted goes out once, then after each pass, confirmed or not: six times in all.
    bool first = true;
    auto accepted = [&] {
        if (setupSerial_ != serial) return;  // another call's setup by now
        char identity[100];
        ReadText(Identity, identity, sizeof identity);
        // The first one says whether we had parties before this one; the later ones count it.
        SendTo(remote, BuildAccepted(Codec, first ? noParties : PartyCount == 0, identity));
        first = false;
    };
    Exchange(Timings.acceptPasses, Timings.acceptIntervalMs, accepted,
             [&] { return CallState != StateIncomingAccepted || setupSerial_ != serial; }, KeepSending);
    if (SetupState(serial) >= 0) accepted();
    const int state = SetupState(serial);
    switch (state) {
        case StateIncomingDone:
            ActivatePartyEntry(party);
            RememberName(remote);
            if (!EndSetup(serial, state, IncomingConnected, 0)) RemovePartyEntry(party);
            break;
        case StateIncomingAccepted:
            RemovePartyEntry(party);
            EndSetup(serial, state, CallSetupFailed, 0);
            break;
        default:
            // Ended meanwhile (the caller left, or asked anew), perhaps with
            // another call begun since: the party this setup added goes, if
            // the caller's departure has not taken it.
            RemovePartyEntry(party);
            break;
    }
}

// ---- replies to a call request ----

void Phone::OnCallReply(const PeerAddress& from, const uint8_t* d, int length) {
    using namespace protocol;
    CallReplyFields reply;
    if (!ParseCallReply(d, length, &reply)) return;
    if (CallState == StateWaitingForRemote) {
        // Two addresses race: the first that answers is the callee's. Busy
        // there may only mean that the callee rings for the other one.
        if (reply.subCode == Busy) {
            if (LoseRace(from)) return;
        } else {
            WinRace(from);
        }
    }
    const PeerAddress remote = ReadAddress(RemoteAddress);
    const bool fromRemote = SameAddress(from, remote);
    int state = CallState;

    // A callee repeating its accept after this side has finished gets its confirmation.
    if (reply.subCode == Accepted && state == StateIdle) {
        if (fromRemote) SendTo(remote, BuildAcceptConfirmed(DecodeFallback));
        return;
    }
    if (!fromRemote ||
        (state != StateIncomingAccepted && state != StateWaitingForRemote && state != StatePartyAlerted))
        return;
    const bool calling = state == StateWaitingForRemote || state == StatePartyAlerted;
    auto takeName = [&] {
        std::lock_guard<std::mutex> guard(FieldLock);
        CopyWireText(RemoteName, sizeof RemoteName, reply.identity);
    };

    switch (reply.subCode) {
        case Alerting:
        case Accepted: {
            if (!calling) return;
            takeName();
            const bool canDecode = ProbeFor(reply.codec);
            if (!canDecode && !reply.noParties) {
                // The callee already talks to others and cannot switch codec.
                if (CallState.compare_exchange_strong(state, StateNoCodecLocally)) HangUp(&remote, LeaveNoCodec);
                return;
            }
            if (reply.subCode == Alerting) {
                if (state == StateWaitingForRemote) {
                    DecodeFallback = canDecode ? 0 : 1;
                    CallState.compare_exchange_strong(state, StatePartyAlerted);
                }
            } else {
                DecodeFallback = canDecode ? 0 : 1;
                SendTo(remote, BuildAcceptConfirmed(DecodeFallback));
                CallState.compare_exchange_strong(state, StateCallAccepted);
            }
            return;
        }
        case Refused:
            if (!calling) return;
            {
                std::lock_guard<std::mutex> guard(FieldLock);
                CopyWireText(RemoteName, sizeof RemoteName, reply.identity);
                if (reply.hasRefusalText)
                    CopyWireText(RemoteRefusalText, sizeof RemoteRefusalText, reply.refusalText);
                else
                    RemoteRefusalText[0] = 0;
            }
            CallState.compare_exchange_strong(state, StateCallRefused);
            return;
        case CodecUnsupported:
            if (!calling) return;
            takeName();
            CallState.compare_exchange_strong(state, StateNoCodecRemote);
            return;
        case Busy:
            if (!calling) return;
            takeName();
            CallState.compare_exchange_strong(state, StateRemoteBusy);
            return;
        case AcceptConfirmed:
            if (state != StateIncomingAccepted) return;
            TransmitFallback = reply.fallback ? 1 : 0;
            CallState.compare_exchange_strong(state, StateIncomingDone);
            return;
        default:
            return;
    }
}

}  // namespace kv
