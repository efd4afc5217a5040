// No recording mixer on Linux: the capture device only keeps the recording
// level and source type.
#include "platform/mixer_api.h"

namespace kv {

MixerApi* SystemMixer() { return nullptr; }

}  // namespace kv
