// The console's notification window: engine notifications become events that
// carry a copy of the Phone fields they name, taken by the engine thread at
// the moment it notifies, so that a later change (a second departure, the next
// call) cannot mix into the line printed for this one.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "engine/port_mapping.h"
#include "platform/notification_queue.h"
#include "platform/peer_address.h"

namespace kv {

class Phone;

namespace console {

// Which operation a NoAnswer, NotActive, KeyChanged or NotPrivate reports (the notification's value says).
enum class Subject { Call, Message };

struct EngineEvent {
    int code = 0;   // EngineNotification
    int value = 0;  // its second parameter
    std::string name;
    PeerAddress address;
    std::string text;  // refusal text, chat line, log file or sound device
    int count = 0;     // parties
    Subject subject = Subject::Call;
    PortMappingState mapping;  // PortMappingChanged
    PinholeState pinhole;      // PortMappingChanged, for the pinhole's events
    // Connected: whether the party's session is private, and then its short
    // authentication string (0..999999) and the party's key fingerprint.
    // KeyChanged: the fingerprint of the new key.
    bool privateLink = false;
    uint32_t sas = 0;
    std::string key;
};

class EventSink final : public NotificationSink {
public:
    explicit EventSink(Phone& phone) : phone_(phone) {}
    // The names the device events carry (the --mic and --speaker options).
    void setDeviceNames(std::string mic, std::string speaker) {
        mic_ = std::move(mic);
        speaker_ = std::move(speaker);
    }

    void post(int code, int value) override;
    void send(int code, int value) override;

    // Takes the oldest event (releasing its engine thread when it was sent),
    // waiting up to timeoutMs; false when none came.
    bool next(EngineEvent* out, int timeoutMs);
    // Lets every waiting engine thread go; later notifications are dropped.
    void close();

    // Sleeps until an event waits, wake() is called or (watchInput) standard
    // input is readable, at most timeoutMs (negative: no limit); see
    // NotificationQueue::waitReady.
    int waitReady(int timeoutMs, bool watchInput) { return queue_.waitReady(timeoutMs, watchInput); }
    void wake() { queue_.wake(); }
    // Safe in a signal handler.
    void wakeFromSignal() { queue_.wakeFromSignal(); }

private:
    EngineEvent snapshot(int code, int value);
    void deliver(int code, int value, bool sent);

    Phone& phone_;
    std::string mic_ = "default", speaker_ = "default";
    NotificationQueue queue_;
    std::mutex lock_;
    std::map<int, EngineEvent> events_;  // by the id that travels through the queue
    int nextId_ = 1;
    bool closed_ = false;
};

}  // namespace console
}  // namespace kv
