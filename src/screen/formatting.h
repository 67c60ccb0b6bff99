// The number and time texts of the status panels. Pure functions: every output is bounded
// by the buffer it is given, and no value from the record can make them divide by zero,
// overflow or convert a NaN to an integer.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "record/shared_status.h"

// Every formatted panel line is built in a buffer of this size.
inline constexpr std::size_t kLineBufferSize = 256;

// One whole read of a single value that the client may be rewriting at this moment: the
// value is either the old or the new one, never half of each, and is read only once so that
// a check and the use that follows it see the same number.
template <typename T>
T ReadOnce(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}

// "%2d hr %2d min %2d sec RA" with hours, minutes, seconds truncated toward zero. A NaN
// reads as 0 and a whole part beyond 32 bits is held at the 32-bit limit.
void FormatRightAscension(float hours, char* out, std::size_t outSize);
// "+%3d deg %2d min %2d sec Dec" likewise. A negative declination reads with a minus sign
// in place of the plus and every component as its magnitude ("- 18 deg 15 min  0 sec Dec"),
// instead of a plus followed by negative components.
void FormatDeclination(float degrees, char* out, std::size_t outSize);
// "%d hr %02d min %04.1f sec"; one static buffer that the next call overwrites. A NaN reads
// as 0 seconds; a value beyond the 32-bit range of seconds (about 68 years either way) is
// held at that range's end, so the fraction field never shows the overflow.
const char* FormatDuration(double seconds);
// Whole seconds since 1970-01-01 00:00:00 UTC, truncated toward zero. A NaN gives 0; dates
// beyond the 64-bit range are held at its ends.
std::int64_t JulianDateToUnixTime(double julianDate);
// "Www Mmm dd hh:mm:ss yyyy\n" in UTC for a signed 32-bit count of seconds, whatever the
// machine's time zone.
void FormatUtcCalendar(std::int32_t unixSeconds, char* out, std::size_t outSize);
// Ends the text at its first line feed.
void CutAtNewline(char* text);

// The bin conversions read bandwidth_hz and bin_wrap_divisor once each from `info`, which may
// be the live record. Where the record gives no usable divisor they return 0: a transform
// length n of 0 or INT32_MIN, a bandwidth of 0, or no data_info at all. Any other nonsense,
// such as a negative length or bandwidth, gives the plain formula's result.

// bandwidth_hz / n.
double FrequencyResolution(const DataInfo* info, std::int32_t n);
// n / bandwidth_hz * timeBin.
double BinToSeconds(const DataInfo* info, std::int32_t timeBin, std::int32_t n);
// The bin's frequency relative to base_frequency_hz: bins from n - n / (2 * w) up wrap round
// to negative offsets; a divisor w below 1 counts as 1.
double BinToFrequencyOffset(const DataInfo* info, std::int32_t freqBin, std::int32_t n);
