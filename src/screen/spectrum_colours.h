// The colours of the spectrum graph's columns. A column's hue comes from its bin and its
// lightness from its sample, through the standard HSL-to-RGB conversion with channels
// truncated. That conversion costs two divisions and a dozen branches a column, most of a
// row's drawing time, so the graph keeps its hue and lightness parts in tables that give the
// same colour, bit for bit.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "graphics/color.h"

void HslToRgb(double hue, double lightness, double saturation, RgbColor& out);
double HueToChannel(double p, double q, double t);

// The colour of bin `i` of `binCount` holding sample `v`, on a graph `peakHeight` tall:
// what the graph has always drawn. The reference that SpectrumColours is held to.
// Truncation toward zero that cannot fault: NaN gives 0 and values past the int range
// saturate. Colours of samples above full scale land here with channels above 255; the
// canvas keeps only their low byte.
inline std::int32_t TruncateChannel(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kMax = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    constexpr double kMin = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    if (value >= kMax) return std::numeric_limits<std::int32_t>::max();
    if (value <= kMin) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

RgbColor SpectrumColourOf(std::int32_t i, std::int32_t binCount, std::uint8_t v, std::int32_t peakHeight);

class SpectrumColours {
public:
    // Makes the tables for this bin count (0 to kMaxSpectrumBins) and peak height; costs
    // nothing when both are as before.
    void Prepare(std::int32_t binCount, std::int32_t peakHeight);
    // SpectrumColourOf(i, binCount, v, peakHeight) for the prepared ones; 0 <= i < binCount.
    RgbColor Of(std::int32_t i, std::uint8_t v) const {
        const Hue& hue = hues_[static_cast<std::size_t>(i)];
        const Lightness& terms = lightness_[v];
        return RgbColor{Channel255(hue.red, terms), Channel255(hue.green, terms), Channel255(hue.blue, terms)};
    }

private:
    // HueToChannel with the hue fixed: which of its four pieces the hue falls on, and the
    // hue's own factor in it.
    struct Channel {
        std::uint8_t piece = 0;
        double factor = 0;
    };
    struct Hue {
        Channel red, green, blue;
    };
    // The conversion's two lightness terms, and their difference as it computes it.
    struct Lightness {
        double p = 0, q = 0, span = 0;
    };
    // 255 times HueToChannel's value, truncated as HslToRgb truncates it.
    static std::int32_t Channel255(const Channel& channel, const Lightness& terms) {
        double value;
        switch (channel.piece) {
            case 0: value = terms.p + terms.span * channel.factor; break;
            case 1: value = terms.q; break;
            case 2: value = terms.p + terms.span * channel.factor * 6; break;
            default: value = terms.p; break;
        }
        return TruncateChannel(255 * value);
    }

    bool prepared_ = false;
    std::int32_t binCount_ = 0;
    std::int32_t peakHeight_ = 0;
    std::vector<Hue> hues_;
    std::vector<Lightness> lightness_ = std::vector<Lightness>(256);
};
