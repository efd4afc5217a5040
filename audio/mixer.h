// Recording source and recording volume on the mixer of the open wave input
// device: the microphone (or whichever source type is asked for) becomes the
// only recording source and its volume fader follows the recording level.
#pragma once

#include <cstdint>

#include "platform/mixer_api.h"

namespace kv {

// Mixer component and control types.
constexpr uint32_t kMixerDestinationWaveIn = 7;          // recording destination
constexpr uint32_t kMixerSourceMicrophone = 0x1003;      // 4099
constexpr uint32_t kMixerControlMux = 0x70010001;        // single select
constexpr uint32_t kMixerControlMixer = 0x71010001;      // multiple select
constexpr uint32_t kMixerControlMultipleSelect = 0x71010000;
constexpr uint32_t kMixerControlVolume = 0x50030001;     // fader

// Recording level scale (the "RecLevel" slider).
constexpr int kRecordingLevelMax = 1000;

// Selectors claiming more items than this are left alone (a broken driver;
// real cards list a handful of inputs).
constexpr uint32_t kMaxSelectorItems = 256;

// Fader value for a level on 0..1000 (clamped): minimum + range * level / 1000.
uint32_t MixerVolumeForLevel(const MixerControl& fader, int level);

// Opens the mixer of the open wave input device `waveInHandle`, sets the
// volume fader of the first source line of `sourceType` on the recording
// destination that has one from `level` (0..1000, clamped) and makes that
// source the only one selected. Returns -1 when a mixer call fails (the mixer
// is closed again, what was set stays set); a missing source, fader or
// selector entry is not an error (0). Calls are serialised.
int SelectRecordingSource(MixerApi& mixer, void* waveInHandle, uint32_t sourceType, int level);

}  // namespace kv
