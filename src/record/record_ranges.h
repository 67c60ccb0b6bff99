// The values a reader can show, written once for the two sides that judge them: the client
// library refuses a call whose values fall outside (ORVANE_ERR_RANGE), and orvane-inspect --lint
// reports such a value found in a record. So whatever the library writes lints clean, and
// whatever lints is a value the library would not have written.
//
// Plain values in, the faulty fields out as bits: the library only asks whether there are any,
// the lint names each one in its own words. A new rule added here is refused by the library at
// once; the lint says it as soon as it gives the bit a message.
//
// Header only: the client library's objects are built apart from the other targets (position
// independent, symbols hidden), and an inline definition keeps one object out of two archives.
#pragma once

#include <cmath>
#include <cstdint>

namespace orvane {

// Drawn as a bar or a percentage from 0 to 1.
inline bool FractionShowable(float value) { return value >= 0.0f && value <= 1.0f; }

// Computer time, shown as days, hours, minutes and seconds.
inline bool SecondsShowable(double value) { return std::isfinite(value) && value >= 0; }

// Readers show the recording time as 32-bit Unix seconds: from 1901-12-14 to 2038-01-19.
inline constexpr double kFirstRecordedJd = 2415732.5;
inline constexpr double kLastRecordedJd = 2465442.5;

enum DataUnitFault : unsigned {
    kBandwidthFault = 1u << 0,       // not finite and above 0: bins and durations divide by it
    kWrapDivisorFault = 1u << 1,     // below 1: the wrap to negative bins divides by it
    kRightAscensionFault = 1u << 2,  // not from 0 to under 24 hours
    kDeclinationFault = 1u << 3,     // not from -90 to 90 degrees
    kRecordingDateFault = 1u << 4,   // not a date from 1901 to 2038
    kBaseFrequencyFault = 1u << 5,   // not finite
};

inline unsigned DataUnitFaults(float raHours, float decDegrees, double recordedJd, double baseFrequencyHz,
                               double bandwidthHz, std::int32_t binWrapDivisor) {
    unsigned faults = 0;
    if (!(std::isfinite(bandwidthHz) && bandwidthHz > 0)) faults |= kBandwidthFault;
    if (binWrapDivisor < 1) faults |= kWrapDivisorFault;
    if (!(raHours >= 0.0f && raHours < 24.0f)) faults |= kRightAscensionFault;
    if (!(decDegrees >= -90.0f && decDegrees <= 90.0f)) faults |= kDeclinationFault;
    if (!(recordedJd >= kFirstRecordedJd && recordedJd <= kLastRecordedJd)) faults |= kRecordingDateFault;
    if (!std::isfinite(baseFrequencyHz)) faults |= kBaseFrequencyFault;
    return faults;
}

enum SearchFault : unsigned {
    kSearchLengthFault = 1u << 0,  // a transform of no bins: the resolution divides by it
    kSearchDriftFault = 1u << 1,   // not finite
};

inline unsigned SearchFaults(float driftRate, std::int32_t fftLength) {
    unsigned faults = 0;
    if (fftLength < 1) faults |= kSearchLengthFault;
    if (!std::isfinite(driftRate)) faults |= kSearchDriftFault;
    return faults;
}

// The latest peak shows only its score, on the meter.
inline bool CurrentPeakShowable(float score) { return std::isfinite(score); }

// The strongest peak and the strongest Gaussian: their meter, and where they are, worked out
// from their bins within their transform.
enum SummaryFault : unsigned {
    kSummaryLengthFault = 1u << 0,   // a transform of no bins
    kSummaryBinFault = 1u << 1,      // a bin outside a transform that has some
    kSummaryTimeBinFault = 1u << 2,  // negative
    kSummaryScoreFault = 1u << 3,    // not finite, or negative
};

inline unsigned SummaryFaults(float score, std::int32_t freqBin, std::int32_t timeBin, std::int32_t fftLength) {
    unsigned faults = 0;
    if (fftLength < 1) {
        faults |= kSummaryLengthFault;
    } else if (freqBin < 0 || freqBin >= fftLength) {
        faults |= kSummaryBinFault;
    }
    if (timeBin < 0) faults |= kSummaryTimeBinFault;
    if (!(std::isfinite(score) && score >= 0)) faults |= kSummaryScoreFault;
    return faults;
}

}  // namespace orvane
