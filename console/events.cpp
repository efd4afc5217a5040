#include "console/events.h"

#include "engine/phone.h"

namespace kv {
namespace console {

// Runs on the notifying engine thread. The engine notifies without holding
// FieldLock, so the texts can be copied here.
EngineEvent EventSink::snapshot(int code, int value) {
    EngineEvent e;
    e.code = code;
    e.value = value;
    char name[100] = "";
    switch (code) {
        case IncomingCall:
        case IncomingConnected:
        case CallSetupFailed:
        case PartyAlerted:
        case CallConnected:
        case CallRefused:
        case UnsupportedCodec:
        case RemoteCannotDecode:
        case RemoteBusy:
            phone_.ReadText(phone_.RemoteName, name, sizeof name);
            e.name = name;
            e.address = phone_.ReadAddress(phone_.RemoteAddress);
            if (code == CallRefused) {
                char text[300] = "";
                phone_.ReadText(phone_.RemoteRefusalText, text, sizeof text);
                e.text = text;
            }
            break;
        case CallerCancelled:
        case PartyHungUp:
        case PartyDropped:
            phone_.ReadText(phone_.LeftPartyName, name, sizeof name);
            e.name = name;
            e.address = phone_.ReadAddress(phone_.LeftPartyAddress);
            break;
        case NoAnswer:
        case NotActive:
            e.subject = subjectOf(code);
            e.address = phone_.ReadAddress(e.subject == Subject::Call ? phone_.RemoteAddress : phone_.MessageAddress);
            break;
        case MessageRefused:
        case MessageDelivered:
            e.address = phone_.ReadAddress(phone_.MessageAddress);
            break;
        case PortMappingChanged:
            e.mapping = phone_.MappingState();
            break;
        default: break;
    }
    return e;
}

// The thread that reports NoAnswer or NotActive still holds its operation's
// state while it waits in send, which tells the call from the message.
Subject EventSink::subjectOf(int code) {
    const int call = phone_.CallState;
    const int message = phone_.MessageState;
    const bool callCandidate = code == NoAnswer ? call == StateWaitingForRemote : call == StateUnreachable;
    const bool messageCandidate = code == NoAnswer ? message == MsgSending : message == MsgUnreachable;
    std::lock_guard<std::mutex> guard(lock_);
    Subject s;
    if (callCandidate != messageCandidate) {
        s = callCandidate ? Subject::Call : Subject::Message;
    } else {
        // Both under way (or neither state fits): the operation not yet
        // reported, else the one started first.
        const bool callOpen = callStamp_ > callReported_;
        const bool messageOpen = messageStamp_ > messageReported_;
        if (callOpen != messageOpen) s = callOpen ? Subject::Call : Subject::Message;
        else if (callOpen) s = callStamp_ < messageStamp_ ? Subject::Call : Subject::Message;
        else s = message != MsgIdle ? Subject::Message : Subject::Call;
    }
    (s == Subject::Call ? callReported_ : messageReported_) = s == Subject::Call ? callStamp_ : messageStamp_;
    return s;
}

void EventSink::deliver(int code, int value, bool sent) {
    EngineEvent e = snapshot(code, value);
    int id;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (closed_) return;
        id = nextId_++;
        events_[id] = std::move(e);
    }
    if (sent) queue_.send(code, id);
    else queue_.post(code, id);
}

void EventSink::post(int code, int value) { deliver(code, value, false); }
void EventSink::send(int code, int value) { deliver(code, value, true); }

bool EventSink::next(EngineEvent* out, int timeoutMs) {
    Notification n;
    if (!queue_.next(&n, timeoutMs)) return false;
    std::lock_guard<std::mutex> guard(lock_);
    auto it = events_.find(n.value);
    if (it == events_.end()) {
        *out = EngineEvent();
        out->code = n.code;
    } else {
        *out = std::move(it->second);
        events_.erase(it);
    }
    return true;
}

void EventSink::close() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
        events_.clear();
    }
    queue_.close();
}

void EventSink::noteCallStarted() {
    std::lock_guard<std::mutex> guard(lock_);
    callStamp_ = ++stamp_;
}

void EventSink::noteMessageStarted() {
    std::lock_guard<std::mutex> guard(lock_);
    messageStamp_ = ++stamp_;
}

}  // namespace console
}  // namespace kv
