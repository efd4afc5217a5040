#include "call_harness.h"

namespace kvtest {

Side::Side(const char* name, int autoanswer, std::unique_ptr<kv::UdpSocket> (*createSocket)(), uint16_t port)
    : phone(port) {  // by default a port of the system's choice, never one another process took meanwhile
    if (createSocket) phone.CreateSocket = createSocket;
    phone.SetAudioDevices(&devices);
    phone.NotifyWindow = &queue;
    phone.WriteText(phone.Identity, sizeof phone.Identity, name);
    phone.Autoanswer = autoanswer;
    phone.Delay = 0;
    phone.MaxDelay = 1000;
    phone.Capture.inputThreshold = kv::CaptureDevice::ThresholdOff;
    if (!phone.Start()) std::abort();
    phone.FramesPerPacket = 4;
}

Side::~Side() {
    queue.close();  // lets an engine thread that waits on a notification go
    phone.Shutdown();
}

std::string Side::address() const { return "127.0.0.1:" + std::to_string(phone.Port()); }

std::vector<int> Side::drain(int windowMs) {
    std::vector<int> codes;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(windowMs);
    kv::Notification n;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return codes;
        if (queue.next(&n, static_cast<int>(left.count()))) codes.push_back(n.code);
    }
}

std::string Side::status() {
    char text[200];
    phone.StatusText(text, sizeof text);
    return text;
}

bool Side::hears(int level, int timeoutMs) {
    size_t looked = 0;  // samples already looked at, of the device open
    int opened = 0;
    return WaitFor(
        [&] {
            if (devices.outputsOpened() == 0) return false;
            if (devices.outputsOpened() != opened) {
                opened = devices.outputsOpened();
                looked = 0;
            }
            devices.markPlayed(devices.output().queued);
            const std::vector<int16_t> fresh = devices.playedSamplesFrom(looked);
            looked += fresh.size();
            for (int16_t x : fresh)
                if (x >= level || x <= -level) return true;
            return false;
        },
        timeoutMs);
}

std::unique_ptr<kv::ConversionStream> WithoutTrueSpeech(const kv::WaveFormatRecord& from,
                                                         const kv::WaveFormatRecord& to) {
    if (from.formatTag == kv::FormatTagTrueSpeech || to.formatTag == kv::FormatTagTrueSpeech) return nullptr;
    return kv::OpenConversionStream(from, to);
}

}  // namespace kvtest
