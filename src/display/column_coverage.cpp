#include "display/column_coverage.h"

#include <algorithm>

void ColumnCoverage::Begin(std::int32_t width, std::int32_t height) {
    width_ = std::max<std::int32_t>(width, 0);
    height_ = std::max<std::int32_t>(height, 0);
    wordsPerColumn_ = (height_ + kWordBits - 1) / kWordBits;
    const std::size_t words = static_cast<std::size_t>(width_) * static_cast<std::size_t>(wordsPerColumn_);
    // Kept clear between batches (End clears what a batch touched), so only a new size pays
    // for a whole clear.
    if (bits_.size() != words) bits_.assign(words, 0);
    touchedFrom_ = width_;
    touchedTo_ = -1;
    active_ = true;
}

void ColumnCoverage::End() {
    if (touchedTo_ >= touchedFrom_) {
        const auto from = bits_.begin() + static_cast<std::ptrdiff_t>(touchedFrom_) * wordsPerColumn_;
        const auto to = bits_.begin() + static_cast<std::ptrdiff_t>(touchedTo_ + 1) * wordsPerColumn_;
        std::fill(from, to, 0);
    }
    touchedFrom_ = width_;
    touchedTo_ = -1;
    active_ = false;
}
