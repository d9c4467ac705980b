// The number box's ascii-to-integer rule with its 99-byte cut and saturation.
#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

using vyr::NumberTextToInt32;

TEST(NumberText, FollowsTheAsciiToIntegerRule) {
    EXPECT_EQ(NumberTextToInt32("12abc"), 12);
    EXPECT_EQ(NumberTextToInt32("  \t-7x"), -7);
    EXPECT_EQ(NumberTextToInt32("+5"), 5);
    EXPECT_EQ(NumberTextToInt32("abc"), 0);
    EXPECT_EQ(NumberTextToInt32("- 5"), 0);
}

TEST(NumberText, SaturatesAndReadsOnlyTheFirst99Bytes) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(NumberTextToInt32("2147483647"), kMax);
    EXPECT_EQ(NumberTextToInt32("2147483648"), kMax);
    EXPECT_EQ(NumberTextToInt32("-2147483649"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(NumberTextToInt32(std::string(98, ' ') + "7"), 7);
    EXPECT_EQ(NumberTextToInt32(std::string(99, ' ') + "7"), 0);
    EXPECT_EQ(NumberTextToInt32(std::string(98, '0') + "42"), 4);
}

}  // namespace
