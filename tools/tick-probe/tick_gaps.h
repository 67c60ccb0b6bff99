// The gaps between the moments a saver lowered a flag that the probe keeps raised: with the
// flag always pending, every tick the saver handles lowers it, so these are the gaps between
// handled ticks (to within the probe's own polling step).
#pragma once

#include <cstddef>
#include <vector>

struct TickGapSummary {
    std::size_t ticks = 0;     // lowerings seen
    double longestMs = 0;      // the longest gap between two of them
    double medianMs = 0;
};

// Summary of the times (in milliseconds, ascending) at which lowerings were seen.
TickGapSummary SummarizeLowerings(const std::vector<double>& timesMs);
