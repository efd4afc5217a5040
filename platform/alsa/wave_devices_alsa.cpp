// ALSA's device hints for PCMs: every hint names a PCM and says whether it
// plays, records or both (no IOID). "default" comes first, also when the
// configuration gives no hint for it (no sound card: it may still be a sound
// server's plugin), since it is what the wave devices open unless told else.
#include <alsa/asoundlib.h>

#include <cstdlib>
#include <string>

#include "platform/wave_devices.h"

namespace kv {
namespace {

std::string TakeHint(const void* hint, const char* id) {
    char* value = snd_device_name_get_hint(hint, id);
    if (!value) return "";
    std::string text = value;
    std::free(value);
    return text;
}

void PutDefaultFirst(std::vector<WaveDeviceInfo>* devices) {
    for (auto it = devices->begin(); it != devices->end(); ++it) {
        if (it->name != "default") continue;
        WaveDeviceInfo found = *it;
        devices->erase(it);
        devices->insert(devices->begin(), found);
        return;
    }
    devices->insert(devices->begin(), WaveDeviceInfo{"default", "The system's default device"});
}

}  // namespace

bool ListWaveDevices(WaveDeviceList* list) {
    *list = WaveDeviceList{};
    void** hints = nullptr;
    const bool asked = snd_device_name_hint(-1, "pcm", &hints) == 0;
    if (asked) {
        for (void** h = hints; *h; ++h) {
            const std::string name = TakeHint(*h, "NAME");
            if (name.empty()) continue;
            const std::string direction = TakeHint(*h, "IOID");  // empty: both
            const WaveDeviceInfo device{name, TakeHint(*h, "DESC")};
            if (direction != "Input") list->outputs.push_back(device);
            if (direction != "Output") list->inputs.push_back(device);
        }
        snd_device_name_free_hint(hints);
    }
    PutDefaultFirst(&list->outputs);
    PutDefaultFirst(&list->inputs);
    return asked;
}

}  // namespace kv
