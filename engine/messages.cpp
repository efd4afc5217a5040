// Short messages (to any address, stored in the receiver's event log) and
// chat lines (to one party or every active party, acknowledged by echo).
#include <chrono>
#include <cstdio>
#include <cstring>

#include "engine/phone.h"
#include "engine/event_log.h"

namespace kv {
namespace {

using Clock = ChangeSignal::Clock;

// Appends s to the text in out (capacity bytes), cutting what does not fit.
void Append(char* out, int capacity, const char* s) {
    size_t n = std::strlen(out);
    while (*s && n + 1 < static_cast<size_t>(capacity)) out[n++] = *s++;
    out[n] = 0;
}

}  // namespace

// ---- short messages ----

const char* MessageSendResultText(int result) {
    switch (result) {
        case MessageStarted: return "";
        case MessageUnresolved: return "unable to resolve address";
        case MessageInFlight: return "a short message is still being sent";
        default: return "unknown result";
    }
}

int Phone::SendShortMessage(const char* address, const char* text) {
    if (MessageState != MsgIdle) return MessageInFlight;
    ResolvedAddress resolved;
    if (!ResolveAddressText(address, &resolved, nullptr, LookUp)) return MessageUnresolved;
    PeerAddress to = resolved.first;
    if (resolved.hasSecond && !to.isIPv4() && !SocketDualStack()) to = resolved.second;
    {
        std::lock_guard<std::mutex> guard(FieldLock);
        std::strncpy(MessageText, text ? text : "", sizeof MessageText - 1);
        MessageText[sizeof MessageText - 1] = 0;
        MessageAddress = to;
    }
    int idle = MsgIdle;
    if (!MessageState.compare_exchange_strong(idle, MsgSending)) return MessageInFlight;
    StartWorker([this, to] { ShortMessageThread(to); });
    return MessageStarted;
}

void Phone::ShortMessageThread(PeerAddress to) {
    const Privately privately = MakePrivate(to, [&] { return MessageState != MsgSending; }, SubjectMessage);
    if (privately == Privately::Refused) {
        MessageState = MsgIdle;  // the user was told
        return;
    }
    auto message = [&] {
        // Once private, never in plain.
        if (privately == Privately::Yes && !links_.established(to)) return;
        char identity[100], text[300];
        ReadText(Identity, identity, sizeof identity);
        ReadText(MessageText, text, sizeof text);
        SendTo(to, BuildShortMessage(identity, text));
    };
    const bool answered = privately == Privately::Ended ||
                          Exchange(Timings.messageAttempts, Timings.messageIntervalMs, message,
                                   [&] { return MessageState != MsgSending; });
    if (!Stopping()) {
        switch (answered ? MessageState.load() : -1) {
            case -1: Send(NoAnswer, SubjectMessage); break;
            case MsgUnreachable: Send(NotActive, SubjectMessage); break;
            case MsgRefused: Send(MessageRefused); break;
            case MsgDelivered: Send(MessageDelivered); break;
            default: break;
        }
    }
    MessageState = MsgIdle;
}

void Phone::OnShortMessage(const PeerAddress& from, const uint8_t* d, int length) {
    ShortMessageFields message;
    if (!ParseShortMessage(d, length, &message)) return;
    // Not logged: the log is off, or (private only) it came in plain.
    if (!GenerateLog || (Privacy == PrivacyOnly && !SealedNow())) {
        Reply(from, BuildShortMessageReply(protocol::MessageNotStored));
        return;
    }
    // A copy sent again (our reply was lost) is stored already; one over the
    // source's lines for the minute is not stored, and the sender is told so.
    const StrangerGuard::LogVerdict verdict =
        strangers_->mayLog(from, StrangerGuard::Hash(d, length), LimitClock());
    if (verdict == StrangerGuard::LogWrite) {
        char name[100], text[300];
        CopyWireText(name, sizeof name, message.identity);
        CopyWireText(text, sizeof text, message.text);
        if (!AppendLogLine("Message from %s (%s): %s", name, HostText(from).c_str(), text)) {
            Reply(from, BuildShortMessageReply(protocol::MessageNotStored));
            return;
        }
        Post(LogWritten);
    }
    Reply(from, BuildShortMessageReply(verdict == StrangerGuard::LogOverLimit ? protocol::MessageNotStored
                                                                             : protocol::MessageStored));
}

void Phone::OnShortMessageReply(const PeerAddress& from, const uint8_t* d, int length) {
    int result;
    if (!ParseShortMessageReply(d, length, &result)) return;
    if (!SameAddress(from, ReadAddress(MessageAddress))) return;
    int sending = MsgSending;
    MessageState.compare_exchange_strong(sending, result == protocol::MessageStored ? MsgDelivered : MsgRefused);
}

// ---- chat ----

int Phone::QueueChatLine(const PeerAddress* address, const char* text) {
    std::lock_guard<std::mutex> guard(chatLock_);
    const int i = ChatQueueCount;
    if (i == ChatQueueLength) return ChatQueueFull;
    std::strncpy(ChatQueueText[i], text ? text : "", sizeof ChatQueueText[i] - 1);
    ChatQueueText[i][sizeof ChatQueueText[i] - 1] = 0;
    if (address) {
        ChatQueueAddress[i] = *address;
    } else {
        ChatQueueAddress[i] = PeerAddress();
        ChatQueueAddress[i].family = AddressFamilyIPv4;  // port 0: every active party
    }
    ChatQueueCount = i + 1;
    if (!chatThreadRunning_) {
        chatThreadRunning_ = true;
        ChatRetries = Timings.chatSends;
        StartWorker([this] { ChatSendThread(); });
    }
    return ChatQueued;
}

void Phone::DropOldestChatLine() {
    for (int i = 1; i < ChatQueueCount; ++i) {
        std::memcpy(ChatQueueText[i - 1], ChatQueueText[i], sizeof ChatQueueText[i]);
        ChatQueueAddress[i - 1] = ChatQueueAddress[i];
    }
    ChatQueueCount = ChatQueueCount - 1;
    ChatRetries = Timings.chatSends;
}

void Phone::ChatSendThread() {
    for (;;) {
        char line[100];
        PeerAddress to;
        {
            std::lock_guard<std::mutex> guard(chatLock_);
            if (ChatQueueCount == 0 || Stopping()) {
                chatThreadRunning_ = false;
                return;
            }
            std::memcpy(line, ChatQueueText[0], sizeof line);
            to = ChatQueueAddress[0];
        }
        SendDatagram(&to, BuildChatMessage(protocol::ChatNewLine, line));
        {
            std::lock_guard<std::mutex> guard(chatLock_);
            // Unless an echo took the line meanwhile, it goes out at most five times.
            if (ChatQueueCount > 0 && std::strcmp(ChatQueueText[0], line) == 0 && --ChatRetries <= 0)
                DropOldestChatLine();
        }
        // Half a second between sends, whatever comes back meanwhile; only a
        // shutdown cuts it short.
        WaitUntil(Clock::now() + std::chrono::milliseconds(Timings.chatIntervalMs), [] { return false; });
    }
}

void Phone::OnChatMessage(const PeerAddress& from, const uint8_t* d, int length) {
    ChatFields chat;
    if (!ParseChatMessage(d, length, &chat)) return;
    if (Privacy == PrivacyOnly && !SealedNow()) return;  // no plain chat either way
    if (chat.echo == protocol::ChatNewLine) {
        Reply(from, BuildChatEcho(d, length));
    } else if (EchoedByAddressee(from)) {
        // Our line came back from a party it went to: it has arrived.
        std::lock_guard<std::mutex> guard(chatLock_);
        if (ChatQueueCount > 0 && WireTextEquals(chat.line, ChatQueueText[0])) DropOldestChatLine();
    }

    char name[100];
    {
        std::lock_guard<std::recursive_mutex> parties(PartyLock);
        const int i = FindParty(from);
        if (i < 0) return;  // echoed, but not shown
        ReadText(PartyName[i], name, sizeof name);
    }
    if (!name[0]) std::snprintf(name, sizeof name, "%s", HostText(from).c_str());
    char text[100];
    CopyWireText(text, sizeof text, chat.line);
    // "name> line" for a line from the party, the bare line for our own line
    // echoed in a call of two, "(name) line" when several parties echo it.
    char composed[105] = "";
    if (chat.echo == protocol::ChatNewLine) {
        Append(composed, sizeof composed, name);
        Append(composed, sizeof composed, "> ");
    } else if (PartyCount >= 2) {
        Append(composed, sizeof composed, "(");
        Append(composed, sizeof composed, name);
        Append(composed, sizeof composed, ") ");
    }
    Append(composed, sizeof composed, text);
    {
        std::lock_guard<std::mutex> guard(FieldLock);
        std::memcpy(LastChatLine, composed, sizeof LastChatLine);
        int slot = (chatLinesFirst_ + chatLinesCount_) % ChatLinesKept;
        if (chatLinesCount_ == ChatLinesKept) {  // nobody reads them: keep the newest
            chatLinesFirst_ = (chatLinesFirst_ + 1) % ChatLinesKept;
            --chatLinesCount_;
        }
        std::memcpy(chatLines_[slot], composed, sizeof chatLines_[slot]);
        ++chatLinesCount_;
    }
    Post(ChatLine);
}

bool Phone::EchoedByAddressee(const PeerAddress& from) {
    PeerAddress to;
    {
        std::lock_guard<std::mutex> guard(chatLock_);
        if (ChatQueueCount == 0) return false;
        to = ChatQueueAddress[0];
    }
    // A line to one party counts only as that party's echo; a line to
    // everyone as the echo of any party it went to, an active one.
    if (to.port() != 0) return SameAddress(from, to);
    std::lock_guard<std::recursive_mutex> parties(PartyLock);
    const int i = FindParty(from);
    return i >= 0 && PartyActive[i];
}

bool Phone::NextChatLine(char* out, int capacity) {
    std::lock_guard<std::mutex> guard(FieldLock);
    if (chatLinesCount_ == 0 || capacity <= 0) return false;
    std::strncpy(out, chatLines_[chatLinesFirst_], static_cast<size_t>(capacity - 1));
    out[capacity - 1] = 0;
    chatLinesFirst_ = (chatLinesFirst_ + 1) % ChatLinesKept;
    --chatLinesCount_;
    return true;
}

// ---- the status line ----

void Phone::StatusText(char* out, int capacity) {
    static const char* const texts[] = {"Idle",
                                        "Incoming call",
                                        "Incoming call accepted",
                                        "Incoming call processing done",
                                        "Waiting for remote KestroVox",
                                        "Party %s alerted",
                                        "Call accepted",
                                        "Call aborted",
                                        "Call refused",
                                        "No codec available locally",
                                        "No codec available on remote side",
                                        "Other party setting up another call",
                                        "Unable to accept connection"};
    const int state = CallState;
    if (state == StatePartyAlerted) {
        char name[100];
        ReadText(RemoteName, name, sizeof name);
        std::snprintf(out, static_cast<size_t>(capacity), "Party %s alerted", name);
    } else if (state > StateIdle && state <= StateUnreachable) {
        std::snprintf(out, static_cast<size_t>(capacity), "%s", texts[state]);
    } else if (state == StateIdle) {
        std::lock_guard<std::recursive_mutex> parties(PartyLock);
        if (PartyCount > 0) {
            char name[100];
            ReadText(PartyName[0], name, sizeof name);
            const std::string host = HostText(PartyAddress[0]);
            const char* dotted = host.c_str();
            const int ms = PartyChannel[0]->bufferedMs();
            char delay[24] = "";
            if (ms > 0) std::snprintf(delay, sizeof delay, ", %d ms", ms);
            // A device that does not work, which is tried again meanwhile.
            const char* failing = SpeakerFailing && MicrophoneFailing ? " - no speaker, no microphone"
                                  : SpeakerFailing                    ? " - no speaker"
                                  : MicrophoneFailing                 ? " - no microphone"
                                                                      : "";
            std::snprintf(out, static_cast<size_t>(capacity), "Connected to %s (%s)%s%s", name, dotted, delay, failing);
        } else {
            std::snprintf(out, static_cast<size_t>(capacity), "Idle");
        }
    } else {
        std::snprintf(out, static_cast<size_t>(capacity), "Invalid state");
    }
}

}  // namespace kv
