#include "platform/wave.h"

namespace kv {

WaveDevices& SystemWaveDevices() {
    static std::unique_ptr<WaveDevices> devices = CreateSystemWaveDevices();
    return *devices;
}

}  // namespace kv
