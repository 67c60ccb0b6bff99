// Which pixels of a canvas a batch of column writes has set so far, column by column. A batch
// drawn nearest first claims its runs through here: each run is written only where no earlier
// run of the batch has written, so the result is the painter's, farthest first, at one write
// a pixel. The spectrum graph's rows overlap about sixty deep; this is what keeps a full
// frame from writing each visible pixel sixty times.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

class ColumnCoverage {
public:
    // Starts a batch over a width x height canvas with nothing covered.
    void Begin(std::int32_t width, std::int32_t height);
    // Ends the batch; claims outside a batch are not made.
    void End();
    bool Active() const { return active_; }

    // Calls write(first, last) for every maximal run of pixels first <= y < last of column x,
    // within top <= y < bottom and on the canvas, that the batch has not covered yet, top to
    // bottom; then counts the whole of top..bottom as covered.
    template <typename Write>
    void Claim(std::int32_t x, std::int32_t top, std::int32_t bottom, Write write);
    // Whether a Claim of the run would write nothing: every pixel of it on the canvas is covered.
    bool Covered(std::int32_t x, std::int32_t top, std::int32_t bottom) const;

private:
    static constexpr std::int32_t kWordBits = 64;

    // The bits of rows top <= y < bottom in the word whose first row is `base`.
    static std::uint64_t WordMask(std::int32_t top, std::int32_t bottom, std::int32_t base) {
        const std::int32_t from = top > base ? top - base : 0;
        const std::int32_t to = bottom < base + kWordBits ? bottom - base : kWordBits;
        const std::uint64_t below = to == kWordBits ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1;
        return below & ~((std::uint64_t{1} << from) - 1);
    }

    bool active_ = false;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t wordsPerColumn_ = 0;
    std::int32_t touchedFrom_ = 0;  // columns touched since Begin, cleared again by End
    std::int32_t touchedTo_ = -1;
    std::vector<std::uint64_t> bits_;  // column x's rows in words x * wordsPerColumn_ ...
};

template <typename Write>
void ColumnCoverage::Claim(std::int32_t x, std::int32_t top, std::int32_t bottom, Write write) {
    if (x < 0 || x >= width_) return;
    if (top < 0) top = 0;
    if (bottom > height_) bottom = height_;
    if (top >= bottom) return;
    if (x < touchedFrom_) touchedFrom_ = x;
    if (x > touchedTo_) touchedTo_ = x;

    std::uint64_t* const column = bits_.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(wordsPerColumn_);
    const std::int32_t lastWord = (bottom - 1) / kWordBits;
    std::int32_t runStart = -1;  // an uncovered run that reached the end of the previous word
    for (std::int32_t word = top / kWordBits; word <= lastWord; ++word) {
        const std::int32_t base = word * kWordBits;
        const std::uint64_t wanted = WordMask(top, bottom, base);
        std::uint64_t open = wanted & ~column[word];
        column[word] |= wanted;

        if (runStart >= 0 && (open & 1) == 0) {
            write(runStart, base);
            runStart = -1;
        }
        while (open != 0) {
            const std::int32_t first = std::countr_zero(open);
            const std::int32_t length = std::countr_one(open >> first);
            const std::int32_t start = runStart >= 0 ? runStart : base + first;
            runStart = -1;
            if (first + length == kWordBits && word < lastWord) {
                runStart = start;  // it may go on in the next word
                break;
            }
            write(start, base + first + length);
            open &= length + first == kWordBits ? 0 : ~std::uint64_t{0} << (first + length);
        }
    }
}
