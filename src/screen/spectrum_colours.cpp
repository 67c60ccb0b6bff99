#include "screen/spectrum_colours.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "record/shared_status.h"

namespace {

double HueOf(std::int32_t i, std::int32_t binCount) {
    return (static_cast<double>(binCount - i) * 0.5) / binCount + 0.5;
}

// A peak height of 0 or less gives the colour scale no span: a sample of 0 takes the
// bottom of the scale and any taller one the top, as if at full height.
double LightnessOf(std::uint8_t v, std::int32_t peakHeight) {
    const double peak = peakHeight;
    if (peak > 0) return (v * 0.6) / peak + 0.2;
    return v == 0 ? 0.2 : 0.8;
}

// The conversion's lightness terms at full saturation, written as HslToRgb writes them.
void LightnessTerms(double lightness, double& p, double& q) {
    constexpr double saturation = 1.0;
    q = lightness > 0.5 ? lightness + saturation - lightness * saturation : lightness * (1 + saturation);
    p = 2 * lightness - q;
}

}  // namespace

double HueToChannel(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (6 * t < 1) return p + (q - p) * (6 * t);
    if (2 * t < 1) return q;
    if (3 * t < 2) return p + (q - p) * (2.0 / 3.0 - t) * 6;
    return p;
}

void HslToRgb(double hue, double lightness, double saturation, RgbColor& out) {
    if (saturation == 0) {
        const std::int32_t grey = TruncateChannel(255 * lightness);
        out = RgbColor{grey, grey, grey};
        return;
    }
    const double q = lightness > 0.5 ? lightness + saturation - lightness * saturation : lightness * (1 + saturation);
    const double p = 2 * lightness - q;
    out.red = TruncateChannel(255 * HueToChannel(p, q, hue + 1.0 / 3.0));
    out.green = TruncateChannel(255 * HueToChannel(p, q, hue));
    out.blue = TruncateChannel(255 * HueToChannel(p, q, hue - 1.0 / 3.0));
}

RgbColor SpectrumColourOf(std::int32_t i, std::int32_t binCount, std::uint8_t v, std::int32_t peakHeight) {
    RgbColor color;
    HslToRgb(HueOf(i, binCount), LightnessOf(v, peakHeight), 1.0, color);
    return color;
}

void SpectrumColours::Prepare(std::int32_t binCount, std::int32_t peakHeight) {
    binCount = std::clamp<std::int32_t>(binCount, 0, kMaxSpectrumBins);
    if (prepared_ && binCount == binCount_ && peakHeight == peakHeight_) return;

    // HueToChannel's wrap and choice of piece depend on the hue alone; each piece's factor is
    // the hue's part of its formula, as HueToChannel groups it.
    const auto channelOf = [](double t) {
        if (t < 0) t += 1;
        if (t > 1) t -= 1;
        if (6 * t < 1) return Channel{0, 6 * t};
        if (2 * t < 1) return Channel{1, 0};
        if (3 * t < 2) return Channel{2, 2.0 / 3.0 - t};
        return Channel{3, 0};
    };
    hues_.resize(static_cast<std::size_t>(binCount));
    for (std::int32_t i = 0; i < binCount; ++i) {
        const double hue = HueOf(i, binCount);
        hues_[static_cast<std::size_t>(i)] = Hue{channelOf(hue + 1.0 / 3.0), channelOf(hue), channelOf(hue - 1.0 / 3.0)};
    }
    for (std::size_t v = 0; v < lightness_.size(); ++v) {
        Lightness& terms = lightness_[v];
        LightnessTerms(LightnessOf(static_cast<std::uint8_t>(v), peakHeight), terms.p, terms.q);
        terms.span = terms.q - terms.p;
    }
    binCount_ = binCount;
    peakHeight_ = peakHeight;
    prepared_ = true;
}

