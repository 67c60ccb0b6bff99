#include "graphics/copy_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

struct Picture {
    std::int32_t width, height;
    std::vector<std::uint32_t> pixels;
    const std::uint32_t* Row(std::int32_t y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }
    RowSource Rows() const { return [this](std::int32_t y) { return Row(y); }; }
};

Picture RandomPicture(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    std::mt19937 random(seed);
    Picture p{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (std::uint32_t& pixel : p.pixels) pixel = random() & 0xFFFFFF;
    return p;
}

CanvasCopy CopyTo(std::int32_t width, std::int32_t height, std::int32_t scale = 1) {
    return CanvasCopy{Rect{0, 0, 4000, 4000}, Rect{10, 20, 10 + width, 20 + height}, scale};
}

std::vector<std::uint32_t> WholeImage(const Picture& p, const CanvasCopy& copy) {
    const ImageSize size = CopyImageSize(copy, p.width, p.height);
    std::vector<std::uint32_t> image(static_cast<std::size_t>(size.width) * size.height, 0xFF000000u);
    WriteCopyRows(p.Rows(), p.width, p.height, copy, RowSpan{0, p.height}, image.data(), size.width);
    return image;
}

// A plain box filter in doubles: channel `shift` of the image pixel (x, y) of `w` x `h`, the
// mean of the picture under its footprint, each picture pixel weighted by the part covered.
double BoxFilter(const Picture& p, std::int32_t w, std::int32_t h, std::int32_t x, std::int32_t y, int shift) {
    const double fx = double(p.width) / w, fy = double(p.height) / h;
    double sum = 0;
    for (auto sy = std::int32_t(y * fy); sy < p.height && sy < (y + 1) * fy; ++sy)
        for (auto sx = std::int32_t(x * fx); sx < p.width && sx < (x + 1) * fx; ++sx)
            sum += (std::min(sx + 1.0, (x + 1) * fx) - std::max<double>(sx, x * fx)) *
                   (std::min(sy + 1.0, (y + 1) * fy) - std::max<double>(sy, y * fy)) * ((p.Row(sy)[sx] >> shift) & 0xFF);
    return sum / (fx * fy);
}

}  // namespace

TEST(CopyImageReductionTest, EachPixelIsTheAreaWeightedMeanUnderIt) {
    const ImageSize cases[][2] = {
        {{752, 445}, {400, 236}},  // the status screen in a 400 x 300 window
        {{752, 445}, {751, 444}},  // footprints straddling almost every border
        {{752, 445}, {1, 1}},      // the mean of it all
        {{7, 5}, {3, 2}},          // odd ratios
        {{10, 10}, {3, 7}},        // unequal ratios across and down
        {{9, 4}, {9, 3}},          // reduced down only
    };
    for (const auto& [from, to] : cases) {
        const std::string name = std::to_string(from.width) + "x" + std::to_string(from.height) + " to " +
                                 std::to_string(to.width) + "x" + std::to_string(to.height);
        const Picture p = RandomPicture(from.width, from.height, static_cast<std::uint32_t>(to.width));
        const CanvasCopy copy = CopyTo(to.width, to.height);
        ASSERT_TRUE(IsReduced(copy, p.width, p.height)) << name;
        ASSERT_EQ(CopyImageSize(copy, p.width, p.height), to) << name;
        const std::vector<std::uint32_t> image = WholeImage(p, copy);
        std::int32_t wrong = 0;
        for (std::int32_t y = 0; y < to.height; ++y) {
            for (std::int32_t x = 0; x < to.width; ++x) {
                const std::uint32_t got = image[static_cast<std::size_t>(y) * to.width + x];
                for (const int shift : {16, 8, 0}) {
                    const double exact = BoxFilter(p, to.width, to.height, x, y, shift);
                    // Rounded half up; a mean that doubles put a hair from .5 may go either way.
                    const double value = (got >> shift) & 0xFF;
                    const bool tie = std::abs(exact - std::floor(exact) - 0.5) < 1e-6;
                    if (got >> 24 == 0 && (tie ? std::abs(value - exact) < 0.5 + 1e-6 : value == std::floor(exact + 0.5)))
                        continue;
                    if (++wrong <= 3) ADD_FAILURE() << name << " at " << x << "," << y << ": " << value << " for " << exact;
                }
            }
        }
        // And a uniform picture stays exactly uniform, whatever the footprints.
        const Picture violet{from.width, from.height, std::vector<std::uint32_t>(p.pixels.size(), 0x9966FF)};
        const std::vector<std::uint32_t> flat = WholeImage(violet, copy);
        EXPECT_EQ(std::count(flat.begin(), flat.end(), 0x9966FFu), std::ptrdiff_t(flat.size())) << name;
    }
}

TEST(CopyImageReductionTest, NewRowsGiveTheImageOfTheWholePictureTouchingOnlyTheRowsOverThem) {
    const struct {
        std::int32_t width, height, top, bottom;
    } cases[] = {{400, 236, 200, 203}, {400, 236, 0, 1}, {400, 236, 444, 445}, {751, 444, 100, 140}, {1, 1, 300, 301}};
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.width) + "x" + std::to_string(c.height) + " rows " +
                                 std::to_string(c.top) + " to " + std::to_string(c.bottom);
        Picture p = RandomPicture(752, 445, 11u);
        const CanvasCopy copy = CopyTo(c.width, c.height);
        std::vector<std::uint32_t> image = WholeImage(p, copy);
        const std::vector<std::uint32_t> before = image;
        const Picture fresh = RandomPicture(752, 445, 12u);
        std::copy(fresh.Row(c.top), fresh.Row(c.bottom), p.pixels.begin() + std::ptrdiff_t(c.top) * 752);

        std::vector<std::int32_t> read;
        const RowSource counting = [&](std::int32_t y) { return read.push_back(y), p.Row(y); };
        const RowSpan written = WriteCopyRows(counting, 752, 445, copy, RowSpan{c.top, c.bottom}, image.data(), c.width);
        EXPECT_EQ(image, WholeImage(p, copy)) << name;
        // The image rows whose footprints reach the new rows, and nothing outside them.
        EXPECT_EQ(written.top, c.top * c.height / 445) << name;
        EXPECT_EQ(written.bottom, (c.bottom * c.height + 444) / 445) << name;
        for (std::int32_t y = 0; y < c.height; ++y) {
            if (y >= written.top && y < written.bottom) continue;
            const auto row = before.begin() + std::ptrdiff_t(y) * c.width;
            EXPECT_TRUE(std::equal(row, row + c.width, image.begin() + (row - before.begin()))) << name << " row " << y;
        }
        // Each picture row under those image rows read once, and no other.
        const std::int32_t first = written.top * 445 / c.height;
        const std::int32_t end = (written.bottom * 445 + c.height - 1) / c.height;
        std::vector<std::int32_t> expected(static_cast<std::size_t>(end - first));
        for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = first + std::int32_t(i);
        EXPECT_EQ(read, expected) << name;
    }
}

TEST(CopyImageScaleTest, WholePixelCopiesAreBlocksOfTheScaleInTheirRowsAlone) {
    const Picture p = RandomPicture(5, 4, 3u);
    for (const std::int32_t scale : {1, 3}) {
        // Not reduced at its size or in a larger place: whole pixels at the scale.
        const CanvasCopy copy = CopyTo(5 * scale + 2, 4 * scale, scale);
        ASSERT_FALSE(IsReduced(copy, 5, 4));
        ASSERT_EQ(CopyImageSize(copy, 5, 4), (ImageSize{5 * scale, 4 * scale}));
        // Rows padded beyond the image, as an X image's may be: the padding is never written.
        const auto stride = std::size_t(5 * scale + 3);
        std::vector<std::uint32_t> image(stride * std::size_t(4 * scale), 0xFF000000u);
        const RowSpan written = WriteCopyRows(p.Rows(), 5, 4, copy, RowSpan{1, 3}, image.data(), stride);
        EXPECT_EQ(written.top, 1 * scale);
        EXPECT_EQ(written.bottom, 3 * scale);
        for (std::int32_t y = 0; y < 4 * scale; ++y) {
            for (std::size_t x = 0; x < stride; ++x) {
                const bool inside = y >= written.top && y < written.bottom && x < std::size_t(5 * scale);
                ASSERT_EQ(image[std::size_t(y) * stride + x], inside ? p.Row(y / scale)[x / std::size_t(scale)] : 0xFF000000u)
                    << "scale " << scale << " at " << x << "," << y;
            }
        }
    }
    // Rows past the picture are not read; a place with no area keeps the picture's size.
    std::vector<std::uint32_t> image(20, 0);
    EXPECT_TRUE(WriteCopyRows(p.Rows(), 5, 4, CopyTo(5, 4), RowSpan{4, 9}, image.data(), 5).Empty());
    EXPECT_EQ(CopyImageSize(CopyTo(0, 0), 5, 4), (ImageSize{5, 4}));
}
