// The position of a level meter (0..100) for a level in hundredths of a dB:
// 100 x (a / 900)^4 with a the level in tenths of a dB above -90 dB, in 32-bit
// integer steps truncated as they go.
#pragma once

namespace kv {

constexpr int MeterPosition(int level) {
    int t = level / 10;
    if (t < -900) t = -900;
    if (t > 0) t = 0;
    const int a = t + 900;
    return ((a * a * a) / 900 * a) / 7290000;
}

}  // namespace kv
