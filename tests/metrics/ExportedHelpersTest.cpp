#include "metrics/ExportedHelpers.h"

#include <gtest/gtest.h>

namespace {

TEST(ExportedHelpersTest, RoundTakesHalvesAwayFromZero) {
    const struct {
        float value;
        int32_t expected;
    } cases[] = {{2.5f, 3}, {2.49f, 2}, {-2.5f, -3}, {-2.4f, -2}, {0.0f, 0}, {7.0f, 7}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, _round(c.value)) << c.value;
    }
}

TEST(ExportedHelpersTest, MaxAndMinPickTheirArgument) {
    EXPECT_EQ(5, _max(5, -3));
    EXPECT_EQ(5, _max(-3, 5));
    EXPECT_EQ(-3, _min(5, -3));
    EXPECT_EQ(-3, _min(-3, 5));
    EXPECT_EQ(4, _min(4, 4));
}

TEST(ExportedHelpersTest, CompareFloatRoundsBothToTheGivenDigits) {
    const struct {
        float a, b;
        int32_t digits, expected;
    } cases[] = {
        {1.234f, 1.2349f, 3, 1},   {1.234f, 1.2341f, 3, 0}, {1.234f, 1.2349f, 2, 0},
        {-1.234f, -1.2349f, 3, 1}, {-1.5f, -1.54f, 1, 0},   {2.0f, 3.0f, 0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, _cmp_float(c.a, c.b, c.digits))
            << c.a << " " << c.b << " to " << c.digits;
    }
}

TEST(ExportedHelpersTest, MatrixCompareFindsTheFirstDifferingPair) {
    const float a[] = {1.0f, 2.0f, 3.0f, 4.0f};
    const float near[] = {1.0001f, 2.0f, 3.0f, 4.0002f};
    const float last[] = {1.0f, 2.0f, 3.0f, 4.1f};
    EXPECT_EQ(0, _matrix_cmp(a, near, 2, 2, 3));
    EXPECT_EQ(1, _matrix_cmp(a, last, 2, 2, 3));
    EXPECT_EQ(0, _matrix_cmp(a, last, 3, 1, 3));
    EXPECT_EQ(0, _matrix_cmp(nullptr, nullptr, 0, 5, 3));
    EXPECT_EQ(0, _matrix_cmp(nullptr, nullptr, -2, 5, 3));
}

} // namespace
