// Where a slider whose value is `top` minus its position, and whose
// positions run from low to high, stands for a value: outside the range, at
// the nearest end, as the slider itself would put it. Any int is a value,
// since the settings store may hold any number.
#pragma once

namespace kv {

constexpr int SliderPosition(int top, int value, int low, int high) {
    // The value is brought within the range before the subtraction, which
    // then cannot overflow.
    if (value > top - low) return low;
    if (value < top - high) return high;
    return top - value;
}

}  // namespace kv
