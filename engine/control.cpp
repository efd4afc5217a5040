// Dispatch of control datagrams by opcode, on the receive thread, one at a
// time in arrival order. Opcodes 0x86 and above are ignored.
#include <cstring>

#include "engine/phone.h"

namespace kv {

void Phone::HandleControl(const PeerAddress& from, const uint8_t* d, int length) {
    using namespace protocol;
    switch (d[0]) {
        case Leave: {
            int reason = ParseLeaveReason(d, length);
            int i = FindParty(from);
            if (i >= 0) {
                {
                    std::lock_guard<std::mutex> guard(FieldLock);
                    std::memcpy(LeftPartyName, PartyName[i], sizeof LeftPartyName);
                    LeftPartyAddress = PartyAddress[i];
                }
                Post(PartyHungUp, reason);
                RemoveParty(&from);
            }
            break;
        }
        case CallRequest:
        case CallReply:
        case ChatMessage:
        case ShortMessage:
        case ShortMessageReply:
            // STAND-IN: call setup, chat and short messages arrive with the calls issue.
            break;
        default:
            break;
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
    for (;;) {
        int i = FindParty(to);
        if (i < 0) break;
        {
            std::lock_guard<std::mutex> guard(FieldLock);
            std::memcpy(LeftPartyName, PartyName[i], sizeof LeftPartyName);
            LeftPartyAddress = PartyAddress[i];
        }
        Post(PartyDropped, 0);
        RemoveParty(&to);
    }
}

void Phone::RestartPlayout() {
    std::lock_guard<std::recursive_mutex> guard(PartyLock);
    for (int i = 0; i < PartyCount; ++i) PartyChannel[i]->playout.forceStart();
}

}  // namespace kv
