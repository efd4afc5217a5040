#include "audio/mixer.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace kv {
namespace {

// The mixer seam keeps the open mixer between calls, and the slider (user
// interface thread) and the capture's open (transmit thread) both get here.
std::mutex& MixerLock() {
    static std::mutex m;
    return m;
}

// Closes the opened mixer when the operation ends, whichever way it ends.
class OpenMixer {
public:
    explicit OpenMixer(MixerApi& m) : m_(m) {}
    ~OpenMixer() { m_.close(); }
    OpenMixer(const OpenMixer&) = delete;
    OpenMixer& operator=(const OpenMixer&) = delete;

private:
    MixerApi& m_;
};

enum class Selection { OnlyChosen, AllButChosen };

constexpr int kFailed = -1;

}  // namespace

uint32_t MixerVolumeForLevel(const MixerControl& fader, int level) {
    const uint64_t l = static_cast<uint64_t>(std::clamp(level, 0, kRecordingLevelMax));
    if (fader.maximum <= fader.minimum) return fader.minimum;
    const uint64_t range = fader.maximum - fader.minimum;
    // 64-bit so that a fader spanning the whole 32-bit range does not wrap.
    return fader.minimum + static_cast<uint32_t>(range * l / kRecordingLevelMax);
}

int SelectRecordingSource(MixerApi& mixer, void* waveInHandle, uint32_t sourceType, int level) {
    std::lock_guard<std::mutex> lock(MixerLock());

    if (!mixer.open(waveInHandle)) return kFailed;
    OpenMixer opened(mixer);

    uint32_t destinations = 0;
    if (!mixer.destinationCount(&destinations)) return kFailed;

    // The recording destination; when no line says so, the last one looked at.
    uint32_t destIndex = 0;
    MixerLine dest;
    bool haveDest = false;
    for (uint32_t i = 0; i < destinations; ++i) {
        if (!mixer.destination(i, &dest)) return kFailed;
        destIndex = i;
        haveDest = true;
        if (dest.componentType == kMixerDestinationWaveIn) break;
    }
    if (!haveDest) return 0;  // a mixer without lines: nothing to set

    // The source selector of the destination and how it is to be written.
    MixerControl selector;
    bool haveSelector = false;
    Selection mode = Selection::OnlyChosen;
    const struct {
        uint32_t type;
        Selection mode;
    } selectorTypes[] = {
        {kMixerControlMux, Selection::OnlyChosen},
        {kMixerControlMixer, Selection::OnlyChosen},
        {kMixerControlMultipleSelect, Selection::AllButChosen},
    };
    for (const auto& t : selectorTypes) {
        const MixerResult r = mixer.control(dest.lineId, t.type, &selector);
        if (r == MixerResult::Failed) return kFailed;
        if (r == MixerResult::Ok) {
            haveSelector = true;
            mode = t.mode;
            break;
        }
    }

    // The source line: the first of the wanted type that has a volume fader;
    // the name is that of the last line of the type looked at.
    bool haveSource = false;
    std::string sourceName;
    for (uint32_t s = 0; s < dest.connections; ++s) {
        MixerLine line;
        if (!mixer.source(destIndex, s, &line)) return kFailed;
        if (line.componentType != sourceType) continue;
        haveSource = true;
        sourceName = line.name;
        MixerControl fader;
        const MixerResult r = mixer.control(line.lineId, kMixerControlVolume, &fader);
        if (r == MixerResult::Failed) return kFailed;
        if (r == MixerResult::None) continue;
        if (!mixer.setUniformValue(fader, MixerVolumeForLevel(fader, level))) return kFailed;
        break;
    }
    if (!haveSource || !haveSelector) return 0;
    if (selector.items == 0 || selector.items > kMaxSelectorItems) return 0;

    std::vector<std::string> names;
    if (!mixer.itemNames(selector, &names)) return kFailed;
    const size_t count = std::min<size_t>(names.size(), selector.items);
    const auto chosen = std::find(names.begin(), names.begin() + count, sourceName);
    if (chosen == names.begin() + count) return 0;

    const uint32_t on = mode == Selection::OnlyChosen ? 1 : 0;
    std::vector<uint32_t> values(selector.items, 1 - on);
    values[static_cast<size_t>(chosen - names.begin())] = on;
    if (!mixer.setItemValues(selector, values)) return kFailed;
    return 0;
}

}  // namespace kv
