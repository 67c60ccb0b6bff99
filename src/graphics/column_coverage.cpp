#include "graphics/column_coverage.h"

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

bool ColumnCoverage::Covered(std::int32_t x, std::int32_t top, std::int32_t bottom) const {
    if (x < 0 || x >= width_) return true;
    top = std::max<std::int32_t>(top, 0);
    bottom = std::min<std::int32_t>(bottom, height_);
    if (top >= bottom) return true;
    const std::uint64_t* const column =
        bits_.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(wordsPerColumn_);
    const std::int32_t lastWord = (bottom - 1) / kWordBits;
    for (std::int32_t word = top / kWordBits; word <= lastWord; ++word) {
        if ((WordMask(top, bottom, word * kWordBits) & ~column[word]) != 0) return false;
    }
    return true;
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
