// The constants of the Truespeech decoder (codec 1). These numbers are the
// codec's own, as published with the LGPL-2.1-or-later decoder, copyright 2005
// Konstantin Shishkov; they are kept here, in this one file, with that credit.
#pragma once

#include <cstdint>

namespace kv {
namespace truespeech {

// Reflection levels, Q15, ascending; table n is indexed by the field K(n+1).
inline constexpr int16_t K1Levels[32] = {
    -32192, -31900, -31538, -31139, -30715, -30242, -29737, -29196, -28591, -27934, -27170,
    -26353, -25471, -24455, -23220, -21806, -20086, -18166, -16092, -13876, -11463, -8749,
    -5674,  -1901,  2415,   6858,   10732,  14367,  17913,  21610,  25539,  29621};
inline constexpr int16_t K2Levels[32] = {
    -24731, -19093, -14973, -11407, -8168, -5196, -2532, -167,  2139,  4358,  6482,
    8522,   10441,  12280,  14054,  15762, 17375, 18875, 20294, 21607, 22832, 23971,
    25068,  26105,  27092,  27994,  28830, 29613, 30315, 30960, 31578, 32165};
inline constexpr int16_t K3Levels[16] = {-26888, -23628, -20667, -17837, -15183, -12596, -10129, -7650,
                                         -5133,  -2496,  247,    3104,   6273,   9882,   14187,  19808};
inline constexpr int16_t K4Levels[16] = {-14764, -8462, -4182, -620,  2410,  5183,  7803,  10284,
                                         12662,  14985, 17311, 19618, 21887, 24144, 26392, 28557};
inline constexpr int16_t K5Levels[16] = {-21529, -17496, -14308, -11482, -8946, -6700, -4574, -2536,
                                         -472,   1615,   3767,   6072,   8618,  11659, 15266, 19961};
inline constexpr int16_t K6Levels[8] = {-10981, -3794, 1070, 5063, 8800, 12571, 16606, 21381};
inline constexpr int16_t K7Levels[8] = {-19120, -14299, -9856, -5737, -1917, 1874, 6161, 11800};
inline constexpr int16_t K8Levels[8] = {-12560, -6919, -2373, 1606, 5365, 9215, 13679, 19085};

inline constexpr const int16_t* ReflectionLevels[8] = {K1Levels, K2Levels, K3Levels, K4Levels,
                                                       K5Levels, K6Levels, K7Levels, K8Levels};
// Bits of each K field, K1 first (the size of its level table is 1 << bits).
inline constexpr int ReflectionBits[8] = {5, 5, 4, 4, 4, 3, 3, 3};

// Long-term tap pairs (a, b), Q14, indexed by the long-term code mod 25.
inline constexpr int16_t Taps[25][2] = {
    {-4817, 21049}, {21745, -6999}, {9760, -4546},  {2518, 11328},  {-4171, 11232},
    {16353, 13113}, {17455, -6402}, {17496, -1569}, {-3535, 17371}, {15792, -2299},
    {20347, -261},  {9901, 3292},   {13250, 1849},  {4798, 17314},  {7135, 7998},
    {529, 1942},    {10987, 5695},  {1293, 14904},  {3358, 3448},   {5391, 13126},
    {14500, 2941},  {11613, 8159},  {6583, 10274},  {3481, 7954},   {6476, 3302}};

// The pulse unit by gain index.
inline constexpr int16_t Gains[16] = {2, 4, 6, 10, 16, 25, 40, 64, 101, 161, 256, 406, 645, 1024, 1625, 2580};

// Powers x^(k+1), Q15: bandwidth expansion of the predictor (x = 0.994) and
// the postfilter's zeros (0.55) and poles (0.75).
inline constexpr int16_t Bandwidth[8] = {32571, 32376, 32182, 31989, 31797, 31606, 31416, 31228};
inline constexpr int16_t PostZeros[8] = {18022, 9912, 5452, 2998, 1649, 907, 499, 274};
inline constexpr int16_t PostPoles[8] = {24576, 18432, 13824, 10368, 7776, 5832, 4374, 3281};

}  // namespace truespeech
}  // namespace kv
