// Helpers shared by the unit tests: a plain UDP endpoint on loopback that
// plays the remote peer, free ports, and waiting for a condition.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <memory>
#include <thread>
#include <vector>

#include "platform/notification_queue.h"
#include "platform/udp_socket.h"
#include "platform/wave.h"

namespace kvtest {

constexpr uint32_t Loopback = 0x7F000001;

// Polls cond every 5 ms until it holds or timeoutMs passed; returns cond().
bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 3000);

// A port that was free a moment ago.
uint16_t FreePort();

struct Received {
    std::vector<uint8_t> bytes;
    kv::PeerAddress from;
};

// A bare UDP socket on loopback standing in for a remote peer.
class Peer {
public:
    Peer();
    uint16_t port() const { return port_; }
    kv::PeerAddress address() const;
    void sendTo(uint16_t port, const std::vector<uint8_t>& bytes);
    void sendTo(uint16_t port, const uint8_t* bytes, int length);
    // Next datagram within timeoutMs, or false.
    bool receive(Received* out, int timeoutMs = 5000);
    // Every datagram that arrives within windowMs.
    std::vector<Received> drain(int windowMs);

private:
    std::unique_ptr<kv::UdpSocket> socket_;
    uint16_t port_ = 0;
};

// Waits for the next notification with the code, skipping others; false on time-out.
bool NextNotification(kv::NotificationQueue& q, int code, kv::Notification* out = nullptr, int timeoutMs = 3000);

inline void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace kvtest

namespace kvtest {
// True in the Windows build when Wine runs it (Wine does not report port unreachable on UDP).
bool RunningUnderWine();
}  // namespace kvtest

namespace kvtest {
// A fresh empty directory for one test (removed by the caller with RemoveTree, or left in the temp dir).
std::string MakeTempDir(const char* tag);
void RemoveTree(const std::string& dir);
// The whole file, or "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);

// Sleeps on the wave device until the buffer is done: true only when it was
// done before limitMs passed, so a device that never wakes its waiter fails.
template <class Device>
bool SleepUntilDone(Device& d, const kv::WaveBuffer& b, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        const bool done = d.done(b);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (done || left.count() <= 0) return done && left.count() > 0;
        d.waitEvent(static_cast<int>(left.count()));
    }
}

}  // namespace kvtest
