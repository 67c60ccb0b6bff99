#include "screen/overview_card_facts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "record/record_extension.h"
#include "screen/formatting.h"
#include "screen/panel.h"

namespace {

constexpr std::int32_t kMeterSegments = 12;

// At most `limit` bytes of `text`, up to its first zero, with every control byte shown as '?':
// a line feed or a tab from the record would otherwise draw as a box or move nothing.
std::string CardText(std::string_view text, std::size_t limit) {
    std::string out;
    for (const char c : text.substr(0, std::min(text.size(), limit))) {
        if (c == '\0') break;
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    return out;
}

// Fractions from the record may be anything; the bar and its text show the fraction held to
// 0..1, NaN as 0, as the status screen's bar does, so that text and bar agree.
float DrawableFraction(float fraction) {
    if (!(fraction > 0.0f)) return 0.0f;
    return std::min(fraction, 1.0f);
}

// Scores are shown short: two decimals for what a meter can show, three figures beyond.
std::string ScoreText(float score) {
    char text[32];
    if (std::isnan(score)) return "nan";
    if (std::isinf(score)) return score > 0 ? "inf" : "-inf";
    const double value = score;
    std::snprintf(text, sizeof text, std::fabs(value) < 1e5 ? "%.2f" : "%.3g", value);
    return text;
}

std::uint16_t SegmentMask(float level, std::int32_t peakSegment) {
    std::uint16_t mask = 0;
    for (std::int32_t i = 0; i < kMeterSegments; ++i) {
        if (SegmentLit(i, level, peakSegment)) mask = static_cast<std::uint16_t>(mask | (1u << i));
    }
    return mask;
}

// The front row, the newest spectrum, taken across the trace's columns: a column shows the
// tallest sample of its bins, so that a narrow peak among many bins is never skipped; with
// fewer bins than columns, each bin spans several.
void TakeTrace(const SharedStatus& record, CardFacts& facts) {
    const std::int32_t rows = std::clamp<std::int32_t>(ReadOnce(record.graph_row_count), 0, kMaxSpectrumRows);
    const std::int32_t bins = std::clamp<std::int32_t>(ReadOnce(record.graph_bin_count), 0, kMaxSpectrumBins);
    if (rows == 0 || bins == 0) return;
    std::uint8_t values[kMaxSpectrumBins];
    std::memcpy(values, record.spectrum_rows[rows - 1].values, sizeof values);

    facts.traceBinCount = bins;
    facts.tracePeakHeight = ReadOnce(record.graph_peak_height);
    for (std::int32_t c = 0; c < kCardTraceColumns; ++c) {
        const std::int32_t first = c * bins / kCardTraceColumns;
        const std::int32_t end = std::max((c + 1) * bins / kCardTraceColumns, first + 1);
        std::int32_t tallest = first;
        for (std::int32_t i = first + 1; i < end; ++i) {
            if (values[i] > values[tallest]) tallest = i;
        }
        facts.traceValues[static_cast<std::size_t>(c)] = values[tallest];
        facts.traceBins[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(tallest);
    }
}

}  // namespace

CardFacts CardFactsFor(const SharedStatus& record, std::string_view name, std::string_view label, CardState state) {
    CardFacts facts;
    const std::string shownName = CardText(name, kCardTextLimit);
    const std::string shownLabel = CardText(label, kCardTextLimit);
    facts.title = shownLabel.empty() ? shownName : shownLabel;
    if (!shownLabel.empty()) facts.name = shownName;

    char status[sizeof record.status_text_a];
    std::memcpy(status, record.status_text_a, sizeof status);
    facts.status = CardText(std::string_view(status, sizeof status), kCardTextLimit);

    const float fraction = DrawableFraction(ReadOnce(record.progress_fraction));
    facts.progressWidth = static_cast<std::int32_t>(static_cast<double>(kCardBarWidth) * fraction);
    // Tenths of a percent, truncated: 99.96% done is not yet 100.0%.
    const auto tenths = static_cast<std::int32_t>(static_cast<double>(fraction) * 1000.0);
    char percent[16];
    std::snprintf(percent, sizeof percent, "%d.%d%%", static_cast<int>(tenths / 10), static_cast<int>(tenths % 10));
    facts.percent = percent;

    facts.cpuTime = std::string("CPU time: ") + FormatDuration(ReadOnce(record.cpu_seconds));

    // The meters follow the status screen's: the best peak's score marks its segment, the best
    // Gaussian's is scaled so that 20 fills the meter.
    const float peakScore = ReadOnce(record.best_peak.score);
    const float gaussianScore = ReadOnce(record.best_gaussian.score);
    facts.peakSegments = SegmentMask(peakScore, PeakSegmentFor(peakScore));
    facts.gaussianSegments = SegmentMask(gaussianScore * kGaussianMeterScale, -1);
    facts.peakScore = ScoreText(peakScore);
    facts.gaussianScore = ScoreText(gaussianScore);

    TakeTrace(record, facts);
    facts.state = state;
    return facts;
}

CardFacts CardFactsOfObject(const unsigned char* bytes, std::size_t size, std::string_view name, CardState state) {
    auto record = std::make_unique<SharedStatus>();
    std::memset(record.get(), 0, sizeof(SharedStatus));
    if (bytes != nullptr) std::memcpy(record.get(), bytes, std::min(size, sizeof(SharedStatus)));
    return CardFactsFor(*record, name, bytes != nullptr ? RecordLabel(bytes, size) : std::string(), state);
}

CardState CardStateFor(bool recordPresent, std::uint64_t secondsSinceChange, std::int32_t staleMinutes) {
    if (!recordPresent) return CardState::Ended;
    const auto minutes = static_cast<std::uint64_t>(std::clamp<std::int32_t>(staleMinutes, 1, 1440));
    return secondsSinceChange >= minutes * 60 ? CardState::Stale : CardState::Live;
}
