// Dispatch of received datagrams, on the receive thread, one at a time in
// arrival order: control datagrams by opcode (0x86 and above are ignored),
// audio to the sending party's channel, and port-unreachable reports.
#include <cstring>

#include "engine/phone.h"

namespace kv {

void Phone::HandleControl(const PeerAddress& from, const uint8_t* d, int length) {
    using namespace protocol;
    NoteReceived(from, length);
    if (!SettingsLoaded && (d[0] == CallRequest || d[0] == ShortMessage)) return;
    switch (d[0]) {
        case CallRequest: OnCallRequest(from, d, length); break;
        case CallReply: OnCallReply(from, d, length); break;
        case Leave: OnLeave(from, d, length); break;
        case ChatMessage: OnChatMessage(from, d, length); break;
        case ShortMessage: OnShortMessage(from, d, length); break;
        case ShortMessageReply: OnShortMessageReply(from, d, length); break;
        default: break;
    }
}

void Phone::NoteLeftParty(const char* name, const PeerAddress& address) {
    std::lock_guard<std::mutex> guard(FieldLock);
    std::memmove(LeftPartyName, name, sizeof LeftPartyName);
    LeftPartyAddress = address;
}

bool Phone::NoteLeavingParty(const PeerAddress& address) {
    std::lock_guard<std::recursive_mutex> parties(PartyLock);
    const int i = FindParty(address);
    if (i >= 0) NoteLeftParty(PartyName[i], PartyAddress[i]);
    return i >= 0;
}

void Phone::OnLeave(const PeerAddress& from, const uint8_t* d, int length) {
    const int reason = ParseLeaveReason(d, length);
    // The party: told and removed.
    if (NoteLeavingParty(from)) {
        Post(PartyHungUp, reason);
        RemoveParty(&from);
    }
    // The call setup with that peer ends; a caller that gave up while we rang is reported.
    int state = CallState;
    if (state != StateIdle && SameAddress(from, ReadAddress(RemoteAddress))) {
        char name[100];
        ReadText(RemoteName, name, sizeof name);
        // Only the setup seen: one that began since is another peer's.
        if (CallState.compare_exchange_strong(state, StateIdle) && state == StateIncoming) {
            NoteLeftParty(name, from);
            Post(CallerCancelled, reason);
        }
    }
}

void Phone::NoteReceived(const PeerAddress& from, int length) {
    if (strangers_) strangers_->received(from, length, LimitClock());
}

bool Phone::MayLog(const PeerAddress& from, const uint8_t* d, int length) {
    const StrangerGuard::LogVerdict verdict =
        strangers_->mayLog(from, StrangerGuard::Hash(d, length), LimitClock());
    return verdict == StrangerGuard::LogWrite;
}

void Phone::HandleAudio(const PeerAddress& from, const uint8_t* d, int length) {
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    if (FindParty(from) < 0) NoteReceived(from, length);
    int i = PartyForAudio(from);
    // Opus comes only inside a private session (nobody else was offered it).
    if (i >= 0 && !SpeakerMuted && (d[0] != CodecOpus || SealedNow())) {
        MediaChannel* channel = PartyChannel[i];
        channel->feedPayload(d[0], d + 1, length - 1, channel->renderer ? channel->renderer->clockMs() : 0,
                             SealedNow() ? sealedCounter_ : -1);
    }
}

void Phone::HandlePortUnreachable(const PeerAddress& to) {
    // Anyone who knows the two addresses can forge it: a private peer is
    // asked again instead (one new handshake decides).
    if (links_.established(to)) {
        Recheck(to);
        return;
    }
    // One of two addresses that race fails alone: the other goes on.
    int waiting = StateWaitingForRemote;
    if (!LoseRace(to) && SameAddress(ReadAddress(RemoteAddress), to))
        CallState.compare_exchange_strong(waiting, StateUnreachable);
    int sending = MsgSending;
    if (SameAddress(ReadAddress(MessageAddress), to)) MessageState.compare_exchange_strong(sending, MsgUnreachable);
    while (NoteLeavingParty(to)) {
        Post(PartyDropped, 0);
        RemoveParty(&to);
    }
}

void Phone::RestartPlayout() {
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) PartyChannel[i]->playout.forceStart();
}

}  // namespace kv
