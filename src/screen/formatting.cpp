#include "screen/formatting.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

// 2^31 and 2^63 are exact doubles; every double below them truncates into range.
constexpr double kTwoTo31 = 2147483648.0;
constexpr double kTwoTo63 = 9223372036854775808.0;

constexpr double kUnixEpochJulianDate = 2440587.5;
constexpr double kSecondsPerDay = 86400.0;

// Truncation toward zero that cannot leave the 32-bit range: converting a NaN or an
// out-of-range double to int is undefined, and the record can hold either.
std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= kTwoTo31) return kInt32Max;
    if (value <= -kTwoTo31 - 1.0) return kInt32Min;
    return static_cast<std::int32_t>(value);
}

struct Sexagesimal {
    std::int32_t whole;
    std::int32_t minutes;
    std::int32_t seconds;
};

// The truncated whole, minute and second parts. The fraction is taken from the value's own
// whole part, not from the clamped one, so a huge value shows 0 minutes and 0 seconds rather
// than another pair of clamped numbers.
Sexagesimal SplitSexagesimal(double value) {
    if (std::isnan(value)) value = 0.0;
    const double whole = std::trunc(value);
    const double fraction = std::isinf(value) ? 0.0 : value - whole;
    const double minutes = fraction * 60.0;
    const std::int32_t m = TruncateToInt32(minutes);
    return Sexagesimal{TruncateToInt32(whole), m, TruncateToInt32((minutes - m) * 60.0)};
}

constexpr char kWeekdayNames[] = "SunMonTueWedThuFriSat";
constexpr char kMonthNames[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

struct CivilDate {
    std::int64_t year;
    std::int32_t month;  // 1 .. 12
    std::int32_t day;    // 1 .. 31
};

// The proleptic Gregorian date of a day number counted from 1970-01-01, worked out in
// integers: gmtime would depend on the C library's range, and localtime on the time zone.
CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;  // count from 0000-03-01, so that the leap day ends each 400-year era
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
    const auto day = static_cast<std::int32_t>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month = static_cast<std::int32_t>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return CivilDate{year, month, day};
}

// A transform length that the bin conversions divide by. A negative one is nonsense but
// harmless and gives the plain quotient. INT32_MIN gives 0 with the zero length: its wrap,
// b - n, has no 32-bit value for any bin from 0 up, so there is no plain answer to show.
bool UsableLength(std::int32_t n) { return n != 0 && n != kInt32Min; }

// Division that rounds toward minus infinity, so that times before 1970 fall on the right day.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

void FormatRightAscension(float hours, char* out, std::size_t outSize) {
    if (out == nullptr || outSize == 0) return;
    const Sexagesimal ra = SplitSexagesimal(static_cast<double>(hours));
    std::snprintf(out, outSize, "%2d hr %2d min %2d sec RA", ra.whole, ra.minutes, ra.seconds);
}

void FormatDeclination(float degrees, char* out, std::size_t outSize) {
    if (out == nullptr || outSize == 0) return;
    // A plus sign before negative components ("+-18 deg -15 min") reads as nonsense; the
    // southern sky gets its own sign instead.
    const bool south = degrees < 0.0f;
    const Sexagesimal dec = SplitSexagesimal(std::fabs(static_cast<double>(degrees)));
    std::snprintf(out, outSize, south ? "-%3d deg %2d min %2d sec Dec" : "+%3d deg %2d min %2d sec Dec", dec.whole,
                  dec.minutes, dec.seconds);
}

const char* FormatDuration(double seconds) {
    static char text[64];
    if (std::isnan(seconds)) {
        seconds = 0.0;
    } else if (seconds >= kTwoTo31) {
        seconds = static_cast<double>(kInt32Max);
    } else if (seconds < -kTwoTo31) {
        seconds = -kTwoTo31;
    }
    const auto t = static_cast<std::int32_t>(seconds);
    const std::int32_t hours = t / 3600;
    const std::int32_t minutes = (t % 3600) / 60;
    // The rest keeps the fraction; the format alone rounds it, so 59.96 s shows as 60.0.
    const double rest = seconds - static_cast<double>(t / 60) * 60.0;
    std::snprintf(text, sizeof text, "%d hr %02d min %04.1f sec", hours, minutes, rest);
    return text;
}

std::int64_t JulianDateToUnixTime(double julianDate) {
    const double seconds = (julianDate - kUnixEpochJulianDate) * kSecondsPerDay;
    if (std::isnan(seconds)) return 0;
    if (seconds >= kTwoTo63) return kInt64Max;
    if (seconds < -kTwoTo63) return kInt64Min;
    return static_cast<std::int64_t>(seconds);
}

void FormatUtcCalendar(std::int32_t unixSeconds, char* out, std::size_t outSize) {
    if (out == nullptr || outSize == 0) return;
    const std::int64_t days = FloorDiv(unixSeconds, 86400);
    const std::int64_t secondOfDay = static_cast<std::int64_t>(unixSeconds) - days * 86400;
    // 1970-01-01 was a Thursday.
    const auto weekday = static_cast<std::int32_t>(((days % 7) + 7 + 4) % 7);
    const CivilDate date = CivilFromDays(days);
    std::snprintf(out, outSize, "%.3s %.3s %02d %02d:%02d:%02d %04lld\n", kWeekdayNames + 3 * weekday,
                  kMonthNames + 3 * (date.month - 1), date.day, static_cast<int>(secondOfDay / 3600),
                  static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60),
                  static_cast<long long>(date.year));
}

void CutAtNewline(char* text) {
    if (text == nullptr) return;
    char* lineFeed = std::strchr(text, '\n');
    if (lineFeed != nullptr) *lineFeed = '\0';
}

double FrequencyResolution(const DataInfo* info, std::int32_t n) {
    if (info == nullptr || !UsableLength(n)) return 0.0;
    return ReadOnce(info->bandwidth_hz) / static_cast<double>(n);
}

double BinToSeconds(const DataInfo* info, std::int32_t timeBin, std::int32_t n) {
    if (info == nullptr) return 0.0;
    const double bandwidth = ReadOnce(info->bandwidth_hz);
    if (bandwidth == 0.0) return 0.0;
    return static_cast<double>(n) / bandwidth * static_cast<double>(timeBin);
}

double BinToFrequencyOffset(const DataInfo* info, std::int32_t freqBin, std::int32_t n) {
    if (info == nullptr || !UsableLength(n)) return 0.0;
    const double bandwidth = ReadOnce(info->bandwidth_hz);
    const std::int32_t divisor = ReadOnce(info->bin_wrap_divisor);
    // In 64 bits neither 2 * w nor b - n can overflow, whatever the record holds.
    const std::int64_t w = divisor < 1 ? 1 : divisor;
    const std::int64_t length = n;
    const std::int64_t limit = length - length / (2 * w);
    const std::int64_t k = freqBin < limit ? freqBin : freqBin - length;
    return static_cast<double>(k) * bandwidth / static_cast<double>(length);
}
