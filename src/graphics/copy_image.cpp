#include "graphics/copy_image.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kChannels = 3;

std::int64_t Extent(std::int32_t from, std::int32_t to) { return std::int64_t{to} - from; }

// Which picture pixels lie under image pixels begin .. end - 1 along one axis, and how much of
// each. Measured in units where a picture pixel is `image` long and an image pixel `picture`
// long, every overlap is a whole number and an image pixel's weights add up to `picture`
// exactly: no rounding until the very end.
struct AxisTaps {
    std::vector<std::int32_t> first;   // per image pixel, its first picture pixel
    std::vector<std::size_t> offset;   // per image pixel and one more: where its weights start
    std::vector<std::uint32_t> weight;
};

AxisTaps MakeTaps(std::int64_t picture, std::int64_t image, std::int32_t begin, std::int32_t end) {
    AxisTaps taps;
    const auto count = static_cast<std::size_t>(std::max(end - begin, 0));
    taps.first.reserve(count);
    taps.offset.reserve(count + 1);
    taps.weight.reserve(count * static_cast<std::size_t>(picture / image + 2));
    taps.offset.push_back(0);
    for (std::int64_t j = begin; j < end; ++j) {
        const std::int64_t from = j * picture;
        const std::int64_t to = from + picture;
        const std::int64_t firstPixel = from / image;
        const std::int64_t endPixel = std::min((to + image - 1) / image, picture);
        taps.first.push_back(static_cast<std::int32_t>(firstPixel));
        for (std::int64_t i = firstPixel; i < endPixel; ++i) {
            const std::int64_t overlap = std::min((i + 1) * image, to) - std::max(i * image, from);
            taps.weight.push_back(static_cast<std::uint32_t>(overlap));
        }
        taps.offset.push_back(taps.weight.size());
    }
    return taps;
}

// One picture row reduced across: per image column, each channel's weighted sum.
void ReduceAcross(const std::uint32_t* source, const AxisTaps& across, std::vector<std::uint32_t>& sums) {
    const std::size_t columns = across.first.size();
    for (std::size_t k = 0; k < columns; ++k) {
        const std::uint32_t* pixel = source + across.first[k];
        std::uint32_t r = 0;
        std::uint32_t g = 0;
        std::uint32_t b = 0;
        for (std::size_t n = across.offset[k]; n < across.offset[k + 1]; ++n, ++pixel) {
            const std::uint32_t w = across.weight[n];
            r += w * ((*pixel >> 16) & 0xFF);
            g += w * ((*pixel >> 8) & 0xFF);
            b += w * (*pixel & 0xFF);
        }
        sums[k * kChannels] = r;
        sums[k * kChannels + 1] = g;
        sums[k * kChannels + 2] = b;
    }
}

RowSpan WriteReduced(const RowSource& rows, std::int32_t width, std::int32_t height, ImageSize size, RowSpan drawn,
                     std::uint32_t* out, std::size_t stridePixels) {
    const std::int64_t pictureWidth = width;
    const std::int64_t pictureHeight = height;
    // The image rows whose footprints reach into the drawn rows.
    const auto top = static_cast<std::int32_t>(drawn.top * std::int64_t{size.height} / pictureHeight);
    const auto bottom = static_cast<std::int32_t>(std::min<std::int64_t>(
        size.height, (drawn.bottom * std::int64_t{size.height} + pictureHeight - 1) / pictureHeight));
    if (top >= bottom) return RowSpan{};
    const AxisTaps across = MakeTaps(pictureWidth, size.width, 0, size.width);
    const AxisTaps down = MakeTaps(pictureHeight, size.height, top, bottom);

    const std::size_t values = static_cast<std::size_t>(size.width) * kChannels;
    // Neighbouring image rows share the picture row on their border: the last row reduced
    // across is kept for the next image row.
    std::vector<std::uint32_t> held(values);
    std::vector<std::uint32_t> fresh(values);
    std::int32_t heldRow = -1;
    std::vector<std::uint64_t> sums(values);
    const std::uint64_t whole = static_cast<std::uint64_t>(pictureWidth) * static_cast<std::uint64_t>(pictureHeight);
    const std::uint64_t half = whole / 2;
    for (std::int32_t j = top; j < bottom; ++j) {
        const auto t = static_cast<std::size_t>(j - top);
        std::fill(sums.begin(), sums.end(), 0);
        std::int32_t y = down.first[t];
        for (std::size_t n = down.offset[t]; n < down.offset[t + 1]; ++n, ++y) {
            if (y != heldRow) {
                ReduceAcross(rows(y), across, fresh);
                std::swap(held, fresh);
                heldRow = y;
            }
            const std::uint64_t w = down.weight[n];
            for (std::size_t k = 0; k < values; ++k) sums[k] += w * held[k];
        }
        std::uint32_t* line = out + static_cast<std::size_t>(j) * stridePixels;
        for (std::int32_t x = 0; x < size.width; ++x) {
            const std::uint64_t* s = sums.data() + static_cast<std::size_t>(x) * kChannels;
            const auto r = static_cast<std::uint32_t>((s[0] + half) / whole);
            const auto g = static_cast<std::uint32_t>((s[1] + half) / whole);
            const auto b = static_cast<std::uint32_t>((s[2] + half) / whole);
            line[x] = r << 16 | g << 8 | b;
        }
    }
    return RowSpan{top, bottom};
}

RowSpan WriteScaled(const RowSource& rows, std::int32_t width, std::int32_t scale, RowSpan drawn, std::uint32_t* out,
                    std::size_t stridePixels) {
    const auto rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(scale) * sizeof(std::uint32_t);
    for (std::int32_t y = drawn.top; y < drawn.bottom; ++y) {
        const std::uint32_t* source = rows(y);
        std::uint32_t* first = out + static_cast<std::size_t>(y) * static_cast<std::size_t>(scale) * stridePixels;
        if (scale == 1) {
            std::memcpy(first, source, rowBytes);
            continue;
        }
        std::uint32_t* pixel = first;
        for (std::int32_t x = 0; x < width; ++x)
            for (std::int32_t c = 0; c < scale; ++c) *pixel++ = source[x];
        for (std::int32_t r = 1; r < scale; ++r)
            std::memcpy(first + static_cast<std::size_t>(r) * stridePixels, first, rowBytes);
    }
    return RowSpan{drawn.top * scale, drawn.bottom * scale};
}

}  // namespace

bool IsReduced(const CanvasCopy& copy, std::int32_t width, std::int32_t height) {
    const std::int64_t w = Extent(copy.destination.left, copy.destination.right);
    const std::int64_t h = Extent(copy.destination.top, copy.destination.bottom);
    return w > 0 && h > 0 && (w < width || h < height);
}

ImageSize CopyImageSize(const CanvasCopy& copy, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return ImageSize{};
    if (IsReduced(copy, width, height))
        return ImageSize{copy.destination.right - copy.destination.left, copy.destination.bottom - copy.destination.top};
    const std::int32_t scale = std::max(copy.scale, 1);
    return ImageSize{width * scale, height * scale};
}

RowSpan WriteCopyRows(const RowSource& rows, std::int32_t width, std::int32_t height, const CanvasCopy& copy,
                      RowSpan drawn, std::uint32_t* out, std::size_t stridePixels) {
    if (width <= 0 || height <= 0 || out == nullptr) return RowSpan{};
    drawn.top = std::max<std::int32_t>(drawn.top, 0);
    drawn.bottom = std::min<std::int32_t>(drawn.bottom, height);
    if (drawn.Empty()) return RowSpan{};
    if (IsReduced(copy, width, height))
        return WriteReduced(rows, width, height, CopyImageSize(copy, width, height), drawn, out, stridePixels);
    return WriteScaled(rows, width, std::max(copy.scale, 1), drawn, out, stridePixels);
}
