// Two or more Phones in one test process, each on its own loopback port with
// its own manual sound devices and notification queue.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/codec.h"
#include "engine/phone.h"
#include "platform/manual_wave.h"
#include "test_support.h"

namespace kvtest {

struct Side {
    // createSocket, when given, makes the phone's socket in place of the real one.
    // port: 0 for one of the system's choice.
    explicit Side(const char* name, int autoanswer = kv::AnswerAsk,
                  std::unique_ptr<kv::UdpSocket> (*createSocket)() = nullptr, uint16_t port = 0);
    ~Side();
    std::string address() const;  // "127.0.0.1:port"
    kv::PeerAddress peer() const { return kv::MakeAddress(Loopback, phone.Port()); }
    // The next notification with the code, skipping others.
    bool next(int code, kv::Notification* n = nullptr, int timeoutMs = 3000) {
        return NextNotification(queue, code, n, timeoutMs);
    }
    // Every notification code that arrives within windowMs.
    std::vector<int> drain(int windowMs);
    std::string status();
    // Plays the speaker on until it has played samples of at least `level`
    // (whichever playout feeds it); false when none come within timeoutMs.
    bool hears(int level = 1000, int timeoutMs = 3000);

    kv::ManualWaveDevices devices;
    kv::NotificationQueue queue;
    kv::Phone phone;
};

// A Truespeech-free system, the same on every platform: conversions to and
// from Truespeech are refused, GSM 6.10 is the platform's.
std::unique_ptr<kv::ConversionStream> WithoutTrueSpeech(const kv::WaveFormatRecord& from,
                                                         const kv::WaveFormatRecord& to);

}  // namespace kvtest
