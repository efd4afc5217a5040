// The sound devices a user may name: what the console peer's --list-devices
// prints. ALSA: the PCM names from the configuration's device hints, per
// direction. Windows: the waveOut and waveIn device names.
#pragma once

#include <string>
#include <vector>

namespace kv {

struct WaveDeviceInfo {
    std::string name;         // what to pass as the device name
    std::string description;  // one or more lines, may be empty
};

struct WaveDeviceList {
    std::vector<WaveDeviceInfo> outputs;  // playback
    std::vector<WaveDeviceInfo> inputs;   // capture
    bool namesSelect = true;              // false: the devices open by a name are always the system's default ones
};

// Fills *list; false when the system could not be asked (the list may then be empty).
bool ListWaveDevices(WaveDeviceList* list);

}  // namespace kv
