// The meters' measure of a signal's level.
#pragma once

#include <cmath>
#include <cstdint>

namespace kv {

// Level of a signal in hundredths of a dB from full scale, from the largest
// square among the given samples (at least 1): 0 at full scale, -9030 for silence.
inline int LevelFromPeak(int64_t peakSquare) {
    return static_cast<int>(1000.0 * std::log10(static_cast<double>(peakSquare < 1 ? 1 : peakSquare) / 1073741824.0));
}

}  // namespace kv
