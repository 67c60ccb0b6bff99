// The settings' integer text: read as the C library reads decimal numbers, but with a defined
// result for values a hand-edited file may hold, and written back so that it reads the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "controller/settings.h"

namespace {

TEST(ParseProfileIntTest, LeadingDigitsOnly) {
    EXPECT_EQ(ParseProfileInt("10"), 10);
    EXPECT_EQ(ParseProfileInt("12abc"), 12);
    EXPECT_EQ(ParseProfileInt("7 minutes"), 7);
    EXPECT_EQ(ParseProfileInt("3.9"), 3);
    EXPECT_EQ(ParseProfileInt("007"), 7);
}

TEST(ParseProfileIntTest, NoDigitsGiveZero) {
    EXPECT_EQ(ParseProfileInt(""), 0);
    EXPECT_EQ(ParseProfileInt("abc"), 0);
    EXPECT_EQ(ParseProfileInt("-"), 0);
    EXPECT_EQ(ParseProfileInt("+"), 0);
    EXPECT_EQ(ParseProfileInt("x12"), 0);
    EXPECT_EQ(ParseProfileInt(nullptr), 0);
}

TEST(ParseProfileIntTest, WhiteSpaceAndSigns) {
    EXPECT_EQ(ParseProfileInt("  -7"), -7);
    EXPECT_EQ(ParseProfileInt("\t\r\n\v\f 8"), 8);
    EXPECT_EQ(ParseProfileInt("+5"), 5);
    EXPECT_EQ(ParseProfileInt("-0"), 0);
    EXPECT_EQ(ParseProfileInt("- 5"), 0) << "the sign must touch the digits";
    EXPECT_EQ(ParseProfileInt("+-5"), 0) << "one sign only";
    EXPECT_EQ(ParseProfileInt("5 -3"), 5);
}

TEST(ParseProfileIntTest, LimitsOfThe32BitRange) {
    EXPECT_EQ(ParseProfileInt("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ParseProfileInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    // The dialog shows a negative value unsigned; reading that text back gives the value again.
    EXPECT_EQ(ParseProfileInt("4294967295"), -1);
}

TEST(ParseProfileIntTest, OverflowWrapsModulo2To32) {
    // 99999999999 = 23 * 2^32 + 1215752191
    EXPECT_EQ(ParseProfileInt("99999999999"), 1215752191);
    EXPECT_EQ(ParseProfileInt("-99999999999"), -1215752191);
    EXPECT_EQ(ParseProfileInt("2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseProfileInt("4294967296"), 0);
    // Long runs of digits keep wrapping without trapping.
    EXPECT_EQ(ParseProfileInt("100000000000000000000000000000000"), 0);  // 10^32 = 2^32 * 5^32
}

TEST(FormatProfileIntTest, RoundTripsAndStaysInItsBuffer) {
    for (std::int32_t value : {0, 1, -1, 59, -35792, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()}) {
        char text[12];
        FormatProfileInt(value, text, sizeof text);
        EXPECT_EQ(ParseProfileInt(text), value) << text;
    }
    char text[12];
    FormatProfileInt(-2147483647 - 1, text, sizeof text);
    EXPECT_STREQ(text, "-2147483648") << "the longest value fills the 12 bytes exactly";
    char small[6];
    std::memset(small, 'x', sizeof small);
    FormatProfileInt(-123456, small, 4);
    EXPECT_STREQ(small, "-12");
    EXPECT_EQ(small[4], 'x');
}

}  // namespace
