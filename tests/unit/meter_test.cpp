#include <gtest/gtest.h>

#include <climits>

#include "app/meter.h"

namespace {

using kv::MeterPosition;

TEST(MeterPosition, FollowsTheFourthPowerTable) {
    const struct {
        int level;
        int position;
    } table[] = {
        {0, 100},     {-9, 100},    {-10, 99},    {-300, 87},   {-1000, 62}, {-2000, 36},
        {-3000, 19},  {-4500, 6},   {-6000, 1},   {-9000, 0},   {-9001, 0},  {-10000, 0},
    };
    for (const auto& row : table) EXPECT_EQ(MeterPosition(row.level), row.position) << row.level;
}

TEST(MeterPosition, ClampsLevelsOutsideTheScale) {
    EXPECT_EQ(MeterPosition(1), 100);
    EXPECT_EQ(MeterPosition(5000), 100);
    EXPECT_EQ(MeterPosition(INT_MAX), 100);
    EXPECT_EQ(MeterPosition(-20000), 0);
    EXPECT_EQ(MeterPosition(INT_MIN), 0);
}

TEST(MeterPosition, RisesMonotonicallyWithinItsRange) {
    int previous = MeterPosition(-12000);
    for (int level = -12000; level <= 1000; ++level) {
        const int position = MeterPosition(level);
        ASSERT_GE(position, 0) << level;
        ASSERT_LE(position, 100) << level;
        ASSERT_GE(position, previous) << level;
        previous = position;
    }
}

TEST(MeterPosition, TruncatesTowardZeroAtEachDivision) {
    // -5 hundredths is 0 tenths (not -1): full scale.
    EXPECT_EQ(MeterPosition(-5), 100);
    // -8999 is -899 tenths: a = 1, everything truncates to 0.
    EXPECT_EQ(MeterPosition(-8999), 0);
    // The meter's middle: -4500 hundredths is a = 450, 100 / 16 = 6.25 -> 6.
    static_assert(MeterPosition(-4500) == 6, "usable at compile time");
}

}  // namespace
