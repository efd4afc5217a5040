#include <gtest/gtest.h>

#include <climits>

#include "ui/slider.h"

namespace {

using kv::SliderPosition;

TEST(SliderPosition, AnyStoredValueLandsWithinTheRange) {
    // The main dialog's level sliders: value 1000 - position, positions 0..1000.
    EXPECT_EQ(SliderPosition(1000, 500, 0, 1000), 500);
    EXPECT_EQ(SliderPosition(1000, 1000, 0, 1000), 0);
    EXPECT_EQ(SliderPosition(1000, 0, 0, 1000), 1000);
    EXPECT_EQ(SliderPosition(1000, 1001, 0, 1000), 0);
    EXPECT_EQ(SliderPosition(1000, -1, 0, 1000), 1000);
    EXPECT_EQ(SliderPosition(1000, INT_MIN, 0, 1000), 1000);
    EXPECT_EQ(SliderPosition(1000, INT_MAX, 0, 1000), 0);
    // The input threshold (value -position, 0..50) and frames per packet (8 - position, 1..7).
    EXPECT_EQ(SliderPosition(0, -30, 0, 50), 30);
    EXPECT_EQ(SliderPosition(0, INT_MIN, 0, 50), 50);
    EXPECT_EQ(SliderPosition(0, INT_MAX, 0, 50), 0);
    EXPECT_EQ(SliderPosition(8, 4, 1, 7), 4);
    EXPECT_EQ(SliderPosition(8, INT_MIN, 1, 7), 7);
    EXPECT_EQ(SliderPosition(8, INT_MAX, 1, 7), 1);
    EXPECT_EQ(SliderPosition(2000, INT_MIN, 0, 2000), 2000);
}

}  // namespace
