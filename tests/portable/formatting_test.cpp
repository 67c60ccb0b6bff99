// The number and time texts of the status panels, including what the record may hold when
// the client is broken or caught mid-write.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>

#include "record/hostile_values.h"
#include "screen/formatting.h"

namespace {

std::string RightAscension(float hours) {
    char text[64];
    FormatRightAscension(hours, text, sizeof text);
    return text;
}

std::string Declination(float degrees) {
    char text[64];
    FormatDeclination(degrees, text, sizeof text);
    return text;
}

std::string Calendar(std::int32_t seconds) {
    char text[64];
    FormatUtcCalendar(seconds, text, sizeof text);
    return text;
}

DataInfo Band(double bandwidthHz, std::int32_t binWrapDivisor) {
    DataInfo info{};
    info.bandwidth_hz = bandwidthHz;
    info.bin_wrap_divisor = binWrapDivisor;
    return info;
}

// Sets TZ for the life of the object and puts the old value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (hadOld_) old_ = old;
        Set(zone);
    }
    ~ScopedTimeZone() { Set(hadOld_ ? old_.c_str() : nullptr); }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    static void Set(const char* zone) {
#if defined(_WIN32)
        _putenv_s("TZ", zone != nullptr ? zone : "");
        _tzset();
#else
        if (zone != nullptr) {
            setenv("TZ", zone, 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
#endif
    }
    bool hadOld_ = false;
    std::string old_;
};

}  // namespace

TEST(FormatRightAscension, TruncatesEachComponentIntoTheFixedWidths) {
    EXPECT_EQ(RightAscension(13.5f), "13 hr 30 min  0 sec RA");
    EXPECT_EQ(RightAscension(1.0f), " 1 hr  0 min  0 sec RA");
    // 13.7f is just below 13.7: 41.99998... minutes and 59.999... seconds, both truncated.
    EXPECT_EQ(RightAscension(13.7f), "13 hr 41 min 59 sec RA");
    EXPECT_EQ(RightAscension(23.999f), "23 hr 59 min 56 sec RA");
}

TEST(FormatRightAscension, HostileValuesGiveDefinedTexts) {
    EXPECT_EQ(RightAscension(kFloatNaN), " 0 hr  0 min  0 sec RA");
    EXPECT_EQ(RightAscension(1e30f), "2147483647 hr  0 min  0 sec RA");
    EXPECT_EQ(RightAscension(-1e30f), "-2147483648 hr  0 min  0 sec RA");
    EXPECT_EQ(RightAscension(kFloatInf), "2147483647 hr  0 min  0 sec RA");
    EXPECT_EQ(RightAscension(-kFloatInf), "-2147483648 hr  0 min  0 sec RA");
}

TEST(FormatRightAscension, StaysInsideASmallBuffer) {
    char text[16];
    std::memset(text, '#', sizeof text);
    FormatRightAscension(13.5f, text, 8);
    EXPECT_STREQ(text, "13 hr 3");
    EXPECT_EQ(text[8], '#');
    FormatRightAscension(13.5f, text, 0);  // nothing written, not even a terminator
    EXPECT_STREQ(text, "13 hr 3");
}

TEST(FormatDeclination, NorthHasThePlusSignAndAThreeDigitField) {
    EXPECT_EQ(Declination(18.25f), "+ 18 deg 15 min  0 sec Dec");
    EXPECT_EQ(Declination(0.0f), "+  0 deg  0 min  0 sec Dec");
    EXPECT_EQ(Declination(-0.0f), "+  0 deg  0 min  0 sec Dec");
    EXPECT_EQ(Declination(90.0f), "+ 90 deg  0 min  0 sec Dec");
}

TEST(FormatDeclination, SouthReadsWithAMinusSignAndPositiveComponents) {
    EXPECT_EQ(Declination(-18.25f), "- 18 deg 15 min  0 sec Dec");
    // Below one degree the sign is still shown, though the degree field is 0.
    EXPECT_EQ(Declination(-0.5f), "-  0 deg 30 min  0 sec Dec");
}

TEST(FormatDeclination, HostileValuesGiveDefinedTexts) {
    EXPECT_EQ(Declination(kFloatNaN), "+  0 deg  0 min  0 sec Dec");
    EXPECT_EQ(Declination(1e30f), "+2147483647 deg  0 min  0 sec Dec");
    EXPECT_EQ(Declination(-1e30f), "-2147483647 deg  0 min  0 sec Dec");
    EXPECT_EQ(Declination(-kFloatInf), "-2147483647 deg  0 min  0 sec Dec");
}

TEST(FormatDuration, SplitsWholeSecondsAndKeepsTheFraction) {
    EXPECT_STREQ(FormatDuration(3600.0 + 125.4), "1 hr 02 min 05.4 sec");
    // Only the format rounds the rest: the minutes stay 00.
    EXPECT_STREQ(FormatDuration(59.96), "0 hr 00 min 60.0 sec");
    EXPECT_STREQ(FormatDuration(0.0), "0 hr 00 min 00.0 sec");
    EXPECT_STREQ(FormatDuration(100.0 * 3600.0 + 59.0 * 60.0 + 59.0), "100 hr 59 min 59.0 sec");
    EXPECT_STREQ(FormatDuration(-5.5), "0 hr 00 min -5.5 sec");
}

TEST(FormatDuration, ValuesBeyondThirtyTwoBitSecondsAreHeldAtTheRangeEnds) {
    EXPECT_STREQ(FormatDuration(kNaN), "0 hr 00 min 00.0 sec");
    EXPECT_STREQ(FormatDuration(1e30), "596523 hr 14 min 07.0 sec");
    EXPECT_STREQ(FormatDuration(kInf), "596523 hr 14 min 07.0 sec");
    EXPECT_STREQ(FormatDuration(2147483647.5), "596523 hr 14 min 07.5 sec");
    EXPECT_STREQ(FormatDuration(-1e30), "-596523 hr -14 min -8.0 sec");
    EXPECT_STREQ(FormatDuration(-kInf), "-596523 hr -14 min -8.0 sec");
}

TEST(JulianDateToUnixTime, CountsSecondsFromTheEpochTruncatingTowardZero) {
    EXPECT_EQ(JulianDateToUnixTime(2440587.5), 0);
    EXPECT_EQ(JulianDateToUnixTime(2440588.5), 86400);
    EXPECT_EQ(JulianDateToUnixTime(2440587.5 + 1.75 / 86400.0), 1);
    // Half a second before the epoch truncates to 0, not down to -1.
    EXPECT_EQ(JulianDateToUnixTime(2440587.5 - 0.5 / 86400.0), 0);
    EXPECT_EQ(JulianDateToUnixTime(2440586.5), -86400);
}

TEST(JulianDateToUnixTime, HostileDatesAreHeldInsideSixtyFourBits) {
    EXPECT_EQ(JulianDateToUnixTime(kNaN), 0);
    EXPECT_EQ(JulianDateToUnixTime(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(JulianDateToUnixTime(kInf), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(JulianDateToUnixTime(-1e300), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(JulianDateToUnixTime(-kInf), std::numeric_limits<std::int64_t>::min());
}

TEST(FormatUtcCalendar, LaysOutTwentyFourCharactersAndALineFeed) {
    const std::string text = Calendar(86400);
    EXPECT_EQ(text, "Fri Jan 02 00:00:00 1970\n");
    EXPECT_EQ(text.size(), 25u);
    EXPECT_EQ(Calendar(0), "Thu Jan 01 00:00:00 1970\n");
    EXPECT_EQ(Calendar(951782400), "Tue Feb 29 00:00:00 2000\n");
    EXPECT_EQ(Calendar(1709164800), "Thu Feb 29 00:00:00 2024\n");
    EXPECT_EQ(Calendar(kInt32Max), "Tue Jan 19 03:14:07 2038\n");
}

TEST(FormatUtcCalendar, NegativeCountsAreBefore1970) {
    EXPECT_EQ(Calendar(-1), "Wed Dec 31 23:59:59 1969\n");
    EXPECT_EQ(Calendar(-86400 * 365), "Wed Jan 01 00:00:00 1969\n");
    EXPECT_EQ(Calendar(kInt32Min), "Fri Dec 13 20:45:52 1901\n");
}

TEST(FormatUtcCalendar, IgnoresTheMachinesTimeZone) {
    ScopedTimeZone zone("XYZ-13:45");
    const std::int64_t seconds = JulianDateToUnixTime(2440587.5 + 1.0);
    EXPECT_EQ(Calendar(static_cast<std::int32_t>(seconds)), "Fri Jan 02 00:00:00 1970\n");
    EXPECT_EQ(Calendar(-1), "Wed Dec 31 23:59:59 1969\n");
}

TEST(CutAtNewline, EndsTheTextAtItsFirstLineFeed) {
    char twoLines[] = "Fri Jan 02\nsecond\n";
    CutAtNewline(twoLines);
    EXPECT_STREQ(twoLines, "Fri Jan 02");
    char oneLine[] = "no line feed";
    CutAtNewline(oneLine);
    EXPECT_STREQ(oneLine, "no line feed");
    char onlyFeed[] = "\n";
    CutAtNewline(onlyFeed);
    EXPECT_STREQ(onlyFeed, "");
    CutAtNewline(nullptr);
}

TEST(BinConversions, FrequencyResolutionIsBandwidthPerBin) {
    const DataInfo info = Band(10.0, 1);
    EXPECT_DOUBLE_EQ(FrequencyResolution(&info, 8), 1.25);
    EXPECT_DOUBLE_EQ(FrequencyResolution(&info, 0), 0.0);
    EXPECT_DOUBLE_EQ(FrequencyResolution(&info, -8), -1.25);  // nonsense, but it divides
    EXPECT_DOUBLE_EQ(FrequencyResolution(&info, kInt32Min), 0.0);
    EXPECT_DOUBLE_EQ(FrequencyResolution(nullptr, 8), 0.0);
}

TEST(BinConversions, BinToSecondsScalesTheTimeBinByTheTransformDuration) {
    const DataInfo info = Band(10.0, 1);
    EXPECT_DOUBLE_EQ(BinToSeconds(&info, 3, 8), 2.4);
    EXPECT_DOUBLE_EQ(BinToSeconds(&info, -3, 8), -2.4);
    const DataInfo silent = Band(0.0, 1);
    EXPECT_DOUBLE_EQ(BinToSeconds(&silent, 3, 8), 0.0);
    const DataInfo negativeZero = Band(-0.0, 1);
    EXPECT_DOUBLE_EQ(BinToSeconds(&negativeZero, 3, 8), 0.0);
    EXPECT_DOUBLE_EQ(BinToSeconds(nullptr, 3, 8), 0.0);
}

TEST(BinConversions, BinsFromTheWrapLimitOnAreNegativeOffsets) {
    const DataInfo whole = Band(8.0, 1);  // one step of bandwidth / 8 is 1 Hz
    const double expectedWhole[8] = {0, 1, 2, 3, -4, -3, -2, -1};
    for (std::int32_t bin = 0; bin < 8; ++bin) {
        EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&whole, bin, 8), expectedWhole[bin]) << "bin " << bin;
    }
    const DataInfo half = Band(8.0, 2);  // limit 8 - 8 / 4 = 6
    const double expectedHalf[8] = {0, 1, 2, 3, 4, 5, -2, -1};
    for (std::int32_t bin = 0; bin < 8; ++bin) {
        EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&half, bin, 8), expectedHalf[bin]) << "bin " << bin;
    }
}

TEST(BinConversions, WrapLimitSurvivesHostileDivisorsAndLengths) {
    // A divisor below 1 counts as 1: limit 4.
    for (const std::int32_t divisor : {0, -1, kInt32Min}) {
        const DataInfo info = Band(8.0, divisor);
        EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, 3, 8), 3.0) << "divisor " << divisor;
        EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, 4, 8), -4.0) << "divisor " << divisor;
    }
    // A divisor so large that 2 * w leaves 32 bits: n / (2 * w) is 0, nothing wraps.
    const DataInfo huge = Band(8.0, kInt32Max);
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&huge, 7, 8), 7.0);

    const DataInfo info = Band(8.0, 1);
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, 3, 0), 0.0);
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, 3, kInt32Min), 0.0);
    // A negative length takes the formula as it stands: limit -8 - (-8 / 2) = -4, so bin 3
    // wraps to 3 + 8 = 11 steps of 8 / -8 Hz, while bin -5 lies below the limit and stays.
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, 3, -8), -11.0);
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, -5, -8), 5.0);
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, kInt32Max, -1), -(static_cast<double>(kInt32Max) + 1) * 8.0);
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(nullptr, 3, 8), 0.0);
    // Extreme bins with the longest transform: no overflow in b - n.
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, kInt32Max, kInt32Max), 0.0);
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&info, kInt32Min, kInt32Max), 8.0 * kInt32Min / kInt32Max);
    const DataInfo silent = Band(0.0, 1);
    EXPECT_DOUBLE_EQ(BinToFrequencyOffset(&silent, 5, 8), 0.0);
}
