#include "console/events.h"

#include <cstring>

#include "engine/phone.h"
#include "secure/private_call.h"

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
        case PartyAlerted:
            // The setup in progress.
            phone_.ReadText(phone_.RemoteName, name, sizeof name);
            e.name = name;
            e.address = phone_.ReadAddress(phone_.RemoteAddress);
            break;
        case IncomingConnected:
        case CallSetupFailed:
        case CallConnected:
        case CallRefused:
        case UnsupportedCodec:
        case RemoteCannotDecode:
        case RemoteBusy:
            // The setup that ended: another call may ring by now.
            phone_.ReadText(phone_.ReportName, name, sizeof name);
            e.name = name;
            e.address = phone_.ReadAddress(phone_.ReportAddress);
            if (code == CallRefused) {
                char text[300] = "";
                phone_.ReadText(phone_.ReportRefusalText, text, sizeof text);
                e.text = text;
            }
            if (code == IncomingConnected || code == CallConnected) {
                PrivacyInfo privacy;
                if (phone_.PrivacyOf(e.address, &privacy)) {
                    e.privateLink = true;
                    e.sas = privacy.sas;
                    char fingerprint[32];
                    secure::Fingerprint(privacy.key, fingerprint);
                    e.key = fingerprint;
                }
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
            e.subject = value == SubjectMessage ? Subject::Message : Subject::Call;
            e.address = phone_.ReadAddress(e.subject == Subject::Call ? phone_.ReportAddress : phone_.MessageAddress);
            break;
        case KeyChanged:
        case NotPrivate: {
            e.subject = value == SubjectMessage ? Subject::Message : Subject::Call;
            uint8_t key[32];
            {
                std::lock_guard<std::mutex> guard(phone_.FieldLock);
                std::memcpy(name, phone_.WarnName, sizeof name - 1);
                name[sizeof name - 1] = 0;
                e.address = phone_.WarnAddress;
                std::memcpy(key, phone_.WarnKey, sizeof key);
            }
            e.name = name;
            if (code == KeyChanged) {
                char fingerprint[32];
                secure::Fingerprint(key, fingerprint);
                e.key = fingerprint;
            }
            break;
        }
        case MessageRefused:
        case MessageDelivered:
            e.address = phone_.ReadAddress(phone_.MessageAddress);
            break;
        case PortMappingChanged:
            e.mapping = phone_.MappingState();
            e.pinhole = phone_.PinholeInfo();
            break;
        case AudioDeviceChanged:
            e.text = IsMicrophoneEvent(value) ? mic_ : speaker_;
            break;
        default: break;
    }
    return e;
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

}  // namespace console
}  // namespace kv
