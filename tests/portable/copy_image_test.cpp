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
    std::int32_t width;
    std::int32_t height;
    std::vector<std::uint32_t> pixels;

    const std::uint32_t* Row(std::int32_t y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }
};

Picture RandomPicture(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    std::mt19937 random(seed);
    Picture p{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (std::uint32_t& pixel : p.pixels) pixel = random() & 0xFFFFFF;
    return p;
}

RowSource RowsOf(const Picture& p) {
    return [&p](std::int32_t y) { return p.Row(y); };
}

CanvasCopy CopyTo(std::int32_t width, std::int32_t height, std::int32_t scale = 1) {
    return CanvasCopy{Rect{0, 0, 4000, 4000}, Rect{10, 20, 10 + width, 20 + height}, scale};
}

// The whole copy image, written from every row of the picture.
std::vector<std::uint32_t> WholeImage(const Picture& p, const CanvasCopy& copy) {
    const ImageSize size = CopyImageSize(copy, p.width, p.height);
    std::vector<std::uint32_t> image(static_cast<std::size_t>(size.width) * size.height, 0xFF000000u);
    WriteCopyRows(RowsOf(p), p.width, p.height, copy, RowSpan{0, p.height}, image.data(),
                  static_cast<std::size_t>(size.width));
    return image;
}

// A plain box filter in doubles: each image pixel's footprint on the picture, the share of
// each picture pixel it covers, and the weighted mean per channel.
struct Reference {
    double channel[3];
};
Reference ReferencePixel(const Picture& p, std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t x,
                         std::int32_t y) {
    const double fx = static_cast<double>(p.width) / imageWidth;
    const double fy = static_cast<double>(p.height) / imageHeight;
    const double left = x * fx, right = (x + 1) * fx, top = y * fy, bottom = (y + 1) * fy;
    double sum[3] = {0, 0, 0};
    for (std::int32_t sy = 0; sy < p.height; ++sy) {
        const double cover_y = std::min<double>(sy + 1, bottom) - std::max<double>(sy, top);
        if (cover_y <= 0) continue;
        for (std::int32_t sx = 0; sx < p.width; ++sx) {
            const double cover_x = std::min<double>(sx + 1, right) - std::max<double>(sx, left);
            if (cover_x <= 0) continue;
            const std::uint32_t v = p.Row(sy)[sx];
            for (int c = 0; c < 3; ++c) sum[c] += cover_x * cover_y * ((v >> (16 - 8 * c)) & 0xFF);
        }
    }
    Reference r{};
    for (int c = 0; c < 3; ++c) r.channel[c] = sum[c] / (fx * fy);
    return r;
}

}  // namespace

TEST(CopyImageReductionTest, MatchesAnAreaAveragingBoxFilter) {
    const struct {
        std::int32_t pictureWidth, pictureHeight, imageWidth, imageHeight;
    } cases[] = {
        {752, 445, 400, 236},  // the status screen in a 400 x 300 window
        {752, 445, 751, 444},  // barely smaller: footprints straddle almost every border
        {752, 445, 1, 1},      // the whole picture's mean
        {7, 5, 3, 2},          // odd ratios
        {10, 10, 3, 7},        // unequal ratios across and down
        {9, 4, 9, 3},          // reduced down only: columns copied as they are
    };
    for (const auto& c : cases) {
        const Picture p = RandomPicture(c.pictureWidth, c.pictureHeight, 7u + static_cast<std::uint32_t>(c.imageWidth));
        const CanvasCopy copy = CopyTo(c.imageWidth, c.imageHeight);
        ASSERT_TRUE(IsReduced(copy, p.width, p.height));
        ASSERT_EQ(CopyImageSize(copy, p.width, p.height), (ImageSize{c.imageWidth, c.imageHeight}));
        const std::vector<std::uint32_t> image = WholeImage(p, copy);
        // The big cases are sampled along a diagonal band and the edges, the small ones whole.
        std::int32_t mismatches = 0;
        for (std::int32_t y = 0; y < c.imageHeight; ++y) {
            for (std::int32_t x = 0; x < c.imageWidth; ++x) {
                const bool sampled = c.imageWidth * c.imageHeight <= 64 || x == 0 || y == 0 ||
                                     x == c.imageWidth - 1 || y == c.imageHeight - 1 || (x + 3 * y) % 97 == 0;
                if (!sampled) continue;
                const Reference want = ReferencePixel(p, c.imageWidth, c.imageHeight, x, y);
                const std::uint32_t got = image[static_cast<std::size_t>(y) * c.imageWidth + x];
                ASSERT_EQ(got >> 24, 0u);
                for (int ch = 0; ch < 3; ++ch) {
                    const double exact = want.channel[ch];
                    const auto value = static_cast<double>((got >> (16 - 8 * ch)) & 0xFF);
                    // Rounded half up; a mean that doubles put a hair from .5 may go either way.
                    const bool tie = std::abs(exact - std::floor(exact) - 0.5) < 1e-6;
                    const bool good = tie ? std::abs(value - exact) <= 0.5 + 1e-6 : value == std::floor(exact + 0.5);
                    if (!good && ++mismatches <= 5)
                        ADD_FAILURE() << c.pictureWidth << "x" << c.pictureHeight << " -> " << c.imageWidth << "x"
                                      << c.imageHeight << " at " << x << "," << y << " channel " << ch << ": " << value
                                      << ", box filter " << exact;
                }
            }
        }
    }
}

TEST(CopyImageReductionTest, UniformPictureStaysUniform) {
    for (const std::uint32_t colour : {0x00FFFFFFu, 0x00000000u, 0x009966FFu, 0x00010203u}) {
        Picture p{752, 445, std::vector<std::uint32_t>(752u * 445u, colour)};
        for (const ImageSize size : {ImageSize{400, 236}, ImageSize{333, 197}, ImageSize{1, 1}}) {
            const std::vector<std::uint32_t> image = WholeImage(p, CopyTo(size.width, size.height));
            const auto other = std::find_if(image.begin(), image.end(), [colour](std::uint32_t v) { return v != colour; });
            EXPECT_EQ(other, image.end()) << std::hex << colour << std::dec << " to " << size.width << "x"
                                          << size.height << " gives " << std::hex << *other;
        }
    }
}

TEST(CopyImageReductionTest, NewRowsGiveTheSameImageAsReducingItAllAgainAndTouchLittle) {
    const struct {
        std::int32_t imageWidth, imageHeight, top, bottom;
    } cases[] = {
        {400, 236, 200, 203},  // a few graph rows
        {400, 236, 0, 1},      // the first row
        {400, 236, 444, 445},  // the last row
        {751, 444, 100, 140},
        {1, 1, 300, 301},
    };
    for (const auto& c : cases) {
        Picture p = RandomPicture(752, 445, 11u);
        const CanvasCopy copy = CopyTo(c.imageWidth, c.imageHeight);
        std::vector<std::uint32_t> updated = WholeImage(p, copy);
        std::mt19937 random(5u);
        for (std::int32_t y = c.top; y < c.bottom; ++y)
            for (std::int32_t x = 0; x < p.width; ++x) p.pixels[static_cast<std::size_t>(y) * p.width + x] = random() & 0xFFFFFF;

        std::vector<std::int32_t> read;
        const RowSource counting = [&](std::int32_t y) {
            read.push_back(y);
            return p.Row(y);
        };
        const std::vector<std::uint32_t> before = updated;
        const RowSpan written = WriteCopyRows(counting, p.width, p.height, copy, RowSpan{c.top, c.bottom},
                                              updated.data(), static_cast<std::size_t>(c.imageWidth));
        const std::string name = std::to_string(c.imageWidth) + "x" + std::to_string(c.imageHeight) + " rows " +
                                 std::to_string(c.top) + ".." + std::to_string(c.bottom);
        EXPECT_EQ(updated, WholeImage(p, copy)) << name;

        // Only the image rows over the new rows, and only the picture rows under those.
        const auto down = [&c](std::int32_t row) { return row * c.imageHeight / 445; };
        const auto downUp = [&c](std::int32_t row) { return (row * c.imageHeight + 444) / 445; };
        const auto up = [&c](std::int32_t row) { return row * 445 / c.imageHeight; };
        const auto upUp = [&c](std::int32_t row) { return (row * 445 + c.imageHeight - 1) / c.imageHeight; };
        EXPECT_EQ(written.top, down(c.top)) << name;
        EXPECT_EQ(written.bottom, downUp(c.bottom)) << name;
        for (std::int32_t y = 0; y < c.imageHeight; ++y) {
            if (y >= written.top && y < written.bottom) continue;
            const auto row = static_cast<std::size_t>(y) * c.imageWidth;
            EXPECT_TRUE(std::equal(before.begin() + row, before.begin() + row + c.imageWidth, updated.begin() + row))
                << name << ": row " << y << " outside the span changed";
        }
        ASSERT_FALSE(read.empty()) << name;
        const auto [lowest, highest] = std::minmax_element(read.begin(), read.end());
        EXPECT_GE(*lowest, up(written.top)) << name;
        EXPECT_LT(*highest, upUp(written.bottom)) << name;
        EXPECT_EQ(read.size(), static_cast<std::size_t>(upUp(written.bottom) - up(written.top)))
            << name << ": a picture row was read twice";
    }
}

TEST(CopyImageScaleTest, WholePixelCopiesAreBlocksOfTheScaleAndKeepToTheirRows) {
    const Picture p = RandomPicture(5, 4, 3u);
    for (const std::int32_t scale : {1, 3}) {
        // At the canvas's size or larger the copy is not reduced, even placed in a bigger rectangle.
        const CanvasCopy copy = CopyTo(5 * scale + (scale == 1 ? 2 : 0), 4 * scale, scale);
        ASSERT_FALSE(IsReduced(copy, p.width, p.height));
        ASSERT_EQ(CopyImageSize(copy, p.width, p.height), (ImageSize{5 * scale, 4 * scale}));
        // Rows padded beyond the image, as an X image's may be: the padding is never written.
        const std::size_t stride = static_cast<std::size_t>(5 * scale) + 3;
        std::vector<std::uint32_t> image(stride * 4u * static_cast<std::size_t>(scale), 0xFF000000u);
        const RowSpan written = WriteCopyRows(RowsOf(p), p.width, p.height, copy, RowSpan{1, 3}, image.data(), stride);
        EXPECT_EQ(written.top, 1 * scale);
        EXPECT_EQ(written.bottom, 3 * scale);
        for (std::int32_t y = 0; y < 4 * scale; ++y) {
            for (std::size_t x = 0; x < stride; ++x) {
                const std::uint32_t got = image[static_cast<std::size_t>(y) * stride + x];
                const bool inside = y >= written.top && y < written.bottom && x < static_cast<std::size_t>(5 * scale);
                const std::uint32_t want = inside ? p.Row(y / scale)[x / static_cast<std::size_t>(scale)] : 0xFF000000u;
                ASSERT_EQ(got, want) << "scale " << scale << " at " << x << "," << y;
            }
        }
    }
    // Rows outside the picture are left alone rather than read.
    std::vector<std::uint32_t> image(20, 0);
    EXPECT_TRUE(WriteCopyRows(RowsOf(p), 5, 4, CopyTo(5, 4), RowSpan{4, 9}, image.data(), 5).Empty());
    // A copy placed with no area has nothing to reduce to: it keeps the picture's size.
    EXPECT_EQ(CopyImageSize(CopyTo(0, 0), 5, 4), (ImageSize{5, 4}));
}
