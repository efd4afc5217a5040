#include "platform/wave.h"

#include <chrono>

namespace kv {

void WaveSignal::set() {
    {
        std::lock_guard<std::mutex> guard(m_);
        set_ = true;
    }
    cv_.notify_one();
}

bool WaveSignal::wait(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_);
    if (timeoutMs < 0) {
        cv_.wait(lock, [this] { return set_; });
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; })) {
        return false;
    }
    set_ = false;
    return true;
}

WaveDevices& SystemWaveDevices() {
    static std::unique_ptr<WaveDevices> devices = CreateSystemWaveDevices();
    return *devices;
}

}  // namespace kv
