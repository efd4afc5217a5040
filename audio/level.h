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

// The level of n samples.
inline int LevelOf(const int16_t* x, int n) {
    int64_t peak = 1;
    for (int i = 0; i < n; ++i)
        if (int64_t(x[i]) * x[i] > peak) peak = int64_t(x[i]) * x[i];
    return LevelFromPeak(peak);
}

}  // namespace kv
