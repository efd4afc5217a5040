#include "test_support.h"

#include <cstdlib>

namespace kvtest {

bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return cond();
        SleepMs(5);
    }
    return true;
}

uint16_t FreePort() {
    auto s = kv::CreateUdpSocket();
    if (!s || !s->bind(0)) std::abort();
    return s->localPort();
}

Peer::Peer() : socket_(kv::CreateUdpSocket()) {
    if (!socket_ || !socket_->bind(0)) std::abort();
    port_ = socket_->localPort();
}

kv::PeerAddress Peer::address() const { return kv::MakeAddress(Loopback, port_); }

void Peer::sendTo(uint16_t port, const std::vector<uint8_t>& bytes) {
    sendTo(port, bytes.data(), static_cast<int>(bytes.size()));
}

void Peer::sendTo(uint16_t port, const uint8_t* bytes, int length) {
    socket_->sendTo(kv::MakeAddress(Loopback, port), bytes, length);
}

bool Peer::receive(Received* out, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t buffer[2048];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (socket_->waitReadable(static_cast<int>(left.count())) != kv::WaitStatus::Readable) continue;
        kv::ReceiveResult r = socket_->receive(buffer, sizeof buffer);
        if (r.status != kv::ReceiveStatus::Datagram) continue;
        out->bytes.assign(buffer, buffer + r.length);
        out->from = r.from;
        return true;
    }
}

std::vector<Received> Peer::drain(int windowMs) {
    std::vector<Received> all;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(windowMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        Received r;
        if (receive(&r, static_cast<int>(left.count()))) all.push_back(r);
    }
    // What had arrived by the end of the window is read however long reading
    // takes on a busy machine.
    uint8_t buffer[2048];
    while (socket_->waitReadable(0) == kv::WaitStatus::Readable) {
        kv::ReceiveResult r = socket_->receive(buffer, sizeof buffer);
        if (r.status != kv::ReceiveStatus::Datagram) continue;
        all.push_back(Received{std::vector<uint8_t>(buffer, buffer + r.length), r.from});
    }
    return all;
}

bool NextNotification(kv::NotificationQueue& q, int code, kv::Notification* out, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        kv::Notification n;
        if (!q.next(&n, static_cast<int>(left.count()))) return false;
        if (n.code == code) {
            if (out) *out = n;
            return true;
        }
    }
}

}  // namespace kvtest

#ifdef _WIN32
#include <windows.h>
#endif

namespace kvtest {

bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace kvtest

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kvtest {

std::string MakeTempDir(const char* tag) {
    static std::atomic<int> counter{0};
    namespace fs = std::filesystem;
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path dir = fs::temp_directory_path() /
                   ("kv_" + std::string(tag) + "_" + std::to_string(now) + "_" + std::to_string(counter++));
    fs::create_directories(dir);
    return dir.string();
}

void RemoveTree(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace kvtest
