#include "tick_gaps.h"

#include <algorithm>

TickGapSummary SummarizeLowerings(const std::vector<double>& timesMs) {
    TickGapSummary summary;
    summary.ticks = timesMs.size();
    if (timesMs.size() < 2) return summary;
    std::vector<double> gaps;
    gaps.reserve(timesMs.size() - 1);
    for (std::size_t i = 1; i < timesMs.size(); ++i) gaps.push_back(timesMs[i] - timesMs[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    summary.longestMs = gaps.back();
    summary.medianMs = gaps[gaps.size() / 2];
    return summary;
}
