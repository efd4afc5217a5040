// Dispatch of received datagrams, on the receive thread, one at a time in
// arrival order: control datagrams by opcode (0x86 and above are ignored),
// audio to the sending party's channel, and port-unreachable reports.
#include <cstring>

#include "engine/phone.h"

namespace kv {

void Phone::HandleControl(const PeerAddress& from, const uint8_t* d, int length) {
    using namespace protocol;
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
    const int state = CallState;
    if (state != StateIdle && SameAddress(from, ReadAddress(RemoteAddress))) {
        if (state == StateIncoming) {
            NoteLeftParty(RemoteName, RemoteAddress);
            Post(CallerCancelled, reason);
        }
        CallState = StateIdle;
    }
}

void Phone::HandleAudio(const PeerAddress& from, const uint8_t* d, int length) {
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    int i = PartyForAudio(from);
    if (i >= 0 && !SpeakerMuted) PartyChannel[i]->feedPayload(d[0], d + 1, length - 1);
}

void Phone::HandlePortUnreachable(const PeerAddress& to) {
    int waiting = StateWaitingForRemote;
    if (SameAddress(ReadAddress(RemoteAddress), to)) CallState.compare_exchange_strong(waiting, StateUnreachable);
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
