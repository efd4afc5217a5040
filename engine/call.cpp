// The call state machine: placing, answering, confirming and ending calls.
// Only one call setup, incoming or outgoing, runs at a time; CallState says
// which step it is at, and the threads that wait on it sleep on StateChanged.
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/phone.h"
#include "engine/event_log.h"

namespace kv {
namespace {

using Clock = ChangeSignal::Clock;

Clock::time_point After(Clock::time_point start, int ms) { return start + std::chrono::milliseconds(ms); }

}  // namespace

void Phone::StartWorker(void (Phone::*body)()) {
    ++workers_;
    std::thread([this, body] {
        (this->*body)();
        --workers_;
    }).detach();
}

bool Phone::ProbeFor(int codec) {
    char name[32];
    return ProbeCodec(codec, name) == 1;
}

// ---- the caller's side ----

int Phone::PlaceCall(const char* address) {
    int idle = StateIdle;
    if (!CallState.compare_exchange_strong(idle, StateWaitingForRemote)) return -2;
    PeerAddress remote;
    if (!ResolveAddress(address, &remote)) {
        CallState = StateIdle;
        return -1;
    }
    {
        std::lock_guard<std::mutex> guard(FieldLock);
        RemoteAddress = remote;
        RemoteName[0] = 0;
        RemoteRefusalText[0] = 0;
    }
    StartWorker(&Phone::OutgoingCallThread);
    return 0;
}

void Phone::OutgoingCallThread() {
    const PeerAddress remote = ReadAddress(RemoteAddress);
    bool answered = false;
    for (int attempt = 0; attempt < 5 && !answered && !Stopping(); ++attempt) {
        char identity[100];
        ReadText(Identity, identity, sizeof identity);
        SendTo(remote, BuildCallRequest(Codec, identity));
        WaitUntil(After(Clock::now(), 1000), [&] { return CallState != StateWaitingForRemote; });
        answered = CallState != StateWaitingForRemote;
    }
    if (!answered) {
        if (!Stopping()) Send(NoAnswer);
        CallState = StateIdle;
        return;
    }

    int state = CallState;
    if (state == StatePartyAlerted) {
        Send(PartyAlerted);
        // Rings until the callee answers or leaves, or this side cancels.
        while (!WaitUntil(After(Clock::now(), 60000), [&] { return CallState != StatePartyAlerted; }) &&
               !Stopping()) {
        }
        state = CallState;
        switch (state) {
            case StateCallAccepted:
                AddParty(remote, RemoteName);
                ActivateParty(remote);
                SendTo(remote, BuildAcceptConfirmed(DecodeFallback));
                Send(CallConnected);
                break;
            case StateCallAborted: SendTo(remote, BuildShortLeave()); break;
            case StateCallRefused: Send(CallRefused); break;
            case StateRemoteBusy: Send(RemoteBusy); break;
            // A codec failure after ringing is reported as it is before ringing.
            case StateNoCodecLocally: Send(UnsupportedCodec); break;
            case StateNoCodecRemote: Send(RemoteCannotDecode); break;
            default: break;
        }
    } else {
        switch (state) {
            case StateCallAccepted:
                // The receive thread has already confirmed.
                AddParty(remote, RemoteName);
                ActivateParty(remote);
                Send(CallConnected);
                break;
            case StateCallRefused: Send(CallRefused); break;
            case StateNoCodecLocally: Send(UnsupportedCodec); break;
            case StateNoCodecRemote: Send(RemoteCannotDecode); break;
            case StateRemoteBusy: Send(RemoteBusy); break;
            case StateUnreachable: Send(NotActive); break;
            default: break;  // the callee left, or the user cancelled
        }
    }
    CallState = StateIdle;
}

int Phone::AbortCall() {
    int state = CallState;
    if (state != StateWaitingForRemote && state != StatePartyAlerted) return -3;
    if (!CallState.compare_exchange_strong(state, StateCallAborted)) return -3;
    const PeerAddress remote = ReadAddress(RemoteAddress);
    HangUp(&remote, protocol::LeaveHungUp);
    return 0;
}

int Phone::HangUp(const PeerAddress* address, int reason) {
    if (CallState != StateIdle && !address) return AbortCall();
    SendDatagram(address, BuildLeave(reason));
    RemoveParty(address && address->port() != 0 ? address : nullptr);
    return 0;
}

// ---- the callee's side ----

void Phone::OnCallRequest(const PeerAddress& from, const uint8_t* d, int length) {
    CallRequestFields request;
    if (!ParseCallRequest(d, length, &request)) return;
    char name[100];
    CopyWireText(name, sizeof name, request.identity);

    if (GenerateLog) {
        char dotted[16];
        FormatDotted(from, dotted);
        if (from.port() == DefaultPort)
            AppendLogLine("Incoming call from %s (%s)", name, dotted);
        else
            AppendLogLine("Incoming call from %s (%s:%d)", name, dotted, from.port());
        Post(LogWritten);
    }

    char identity[100];
    ReadText(Identity, identity, sizeof identity);
    auto takeRequest = [&] {
        std::lock_guard<std::mutex> guard(FieldLock);
        RemoteAddress = from;
        std::memcpy(RemoteName, name, sizeof RemoteName);
    };

    if (!ProbeFor(request.codec)) {
        takeRequest();
        SendTo(from, BuildCodecUnsupported(identity));
        CallState = StateIdle;
        return;
    }
    char refusal[300];
    ReadText(RefusalMessage, refusal, sizeof refusal);
    if (refusal[0]) {
        takeRequest();
        CallState = StateIncoming;
        AnswerCall(0);
        return;
    }
    const int state = CallState;
    const bool fromRemote = SameAddress(from, ReadAddress(RemoteAddress));
    // Takes the request only while still idle: a call placed since the look
    // at CallState keeps the state and RemoteAddress, and this caller hears
    // busy as if that call had come first (unless it is the peer called).
    auto takeIfIdle = [&] {
        {
            std::lock_guard<std::mutex> guard(FieldLock);
            int idle = StateIdle;
            if (CallState.compare_exchange_strong(idle, StateIncoming)) {
                RemoteAddress = from;
                std::memcpy(RemoteName, name, sizeof RemoteName);
                return true;
            }
        }
        if (!SameAddress(from, ReadAddress(RemoteAddress))) SendTo(from, BuildBusy(identity));
        return false;
    };
    switch (Autoanswer) {
        case AnswerAsk:
            if (state != StateIdle && !fromRemote) {
                SendTo(from, BuildBusy(identity));
                return;
            }
            SendTo(from, BuildAlerting(Codec, PartyCount == 0, identity));
            if (state != StateIdle) return;  // the same caller asked again
            if (takeIfIdle()) Post(IncomingCall);
            return;
        case AnswerRefuse:
            takeRequest();
            CallState = StateIncoming;
            AnswerCall(0);
            return;
        case AnswerAccept:
            if (state != StateIdle) {
                if (!fromRemote) SendTo(from, BuildBusy(identity));
                return;
            }
            if (takeIfIdle()) AnswerCall(1);
            return;
        default:  // AnswerIgnore, and any value the settings should not hold
            return;
    }
}

int Phone::AnswerCall(int accept) {
    int incoming = StateIncoming;
    const int next = accept ? StateIncomingAccepted : StateIdle;
    // The state moves first, so that a confirmation arriving at once is not missed.
    if (!CallState.compare_exchange_strong(incoming, next)) return 0;
    char identity[100];
    ReadText(Identity, identity, sizeof identity);
    const PeerAddress remote = ReadAddress(RemoteAddress);
    if (accept) {
        const bool noParties = PartyCount == 0;
        char name[100];
        ReadText(RemoteName, name, sizeof name);
        AddParty(remote, name);
        SendTo(remote, BuildAccepted(Codec, noParties, identity));
        StartWorker(&Phone::AcceptConfirmationThread);
    } else {
        char refusal[300];
        ReadText(RefusalMessage, refusal, sizeof refusal);
        if (refusal[0]) SendTo(remote, BuildRefused(identity, refusal));
        SendTo(remote, BuildRefused(identity, nullptr));
    }
    return 1;
}

void Phone::AcceptConfirmationThread() {
    const PeerAddress remote = ReadAddress(RemoteAddress);
    for (int pass = 0; pass < 5 && !Stopping(); ++pass) {
        WaitUntil(After(Clock::now(), 500), [&] { return CallState != StateIncomingAccepted; });
        char identity[100];
        ReadText(Identity, identity, sizeof identity);
        SendTo(remote, BuildAccepted(Codec, PartyCount == 0, identity));
    }
    switch (CallState.load()) {
        case StateIncomingDone:
            ActivateParty(remote);
            Send(IncomingConnected);
            CallState = StateIdle;
            break;
        case StateIdle: break;  // the setup ended meanwhile
        default:
            RemoveParty(&remote);
            Send(CallSetupFailed);
            CallState = StateIdle;
            break;
    }
}

// ---- replies to a call request ----

void Phone::OnCallReply(const PeerAddress& from, const uint8_t* d, int length) {
    using namespace protocol;
    CallReplyFields reply;
    if (!ParseCallReply(d, length, &reply)) return;
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
                CallState = StateNoCodecLocally;
                HangUp(&remote, LeaveNoCodec);
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
