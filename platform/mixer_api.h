// The recording mixer seam, shaped after the Windows mixer* calls that choose
// the recording source and set its volume. The algorithm that uses it is
// portable (audio/mixer); Windows implements it over mixer*, elsewhere there
// is no mixer device and the algorithm only stores its arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct MixerLine {
    uint32_t lineId = 0;
    uint32_t componentType = 0;
    uint32_t connections = 0;  // source lines of a destination
    std::string name;          // the line's full name
};

struct MixerControl {
    uint32_t controlId = 0;
    uint32_t type = 0;
    uint32_t items = 0;    // multiple-item controls (selectors): number of items
    uint32_t minimum = 0;  // faders: bounds
    uint32_t maximum = 0;
};

enum class MixerResult { Ok, None, Failed };  // None: no such control

class MixerApi {
public:
    virtual ~MixerApi() = default;
    virtual unsigned deviceCount() = 0;
    // Opens the mixer that belongs to an open wave input device (its native handle).
    virtual bool open(void* waveInHandle) = 0;
    virtual bool destinationCount(uint32_t* count) = 0;
    virtual bool destination(uint32_t index, MixerLine* out) = 0;
    virtual bool source(uint32_t destinationIndex, uint32_t sourceIndex, MixerLine* out) = 0;
    virtual MixerResult control(uint32_t lineId, uint32_t controlType, MixerControl* out) = 0;
    virtual bool itemNames(const MixerControl& control, std::vector<std::string>* names) = 0;
    virtual bool setUniformValue(const MixerControl& control, uint32_t value) = 0;
    virtual bool setItemValues(const MixerControl& control, const std::vector<uint32_t>& values) = 0;
    virtual void close() = 0;
};

// The platform's mixer (Windows mixer*), or null on a platform without one.
MixerApi* SystemMixer();

}  // namespace kv
