// The header image reader takes only what it can draw safely: an uncompressed 8-bit BMP
// with a full colour table and all of its pixels present.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "common/bmp_writer.h"
#include "common/test_canvas.h"
#include "graphics/bmp_file.h"

namespace {

std::optional<BitmapFileImage> Parse(const std::vector<std::uint8_t>& bytes) {
    return ParseBitmapFile(bytes.data(), bytes.size());
}

std::string TempPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

}  // namespace

TEST(BmpReader, ReadsAGoodFileWithItsPaletteAndRowOrder) {
    const auto image = Parse(MakeBmpBytes(BmpShape{}));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 8);
    EXPECT_EQ(image->height, 4);
    EXPECT_EQ(image->stride, 8);
    EXPECT_EQ(image->info.size(), 1064u);
    // Stored row 0 is the bottom row (3 from the top): index x + 9.
    EXPECT_EQ(image->ColorAt(2, 0), BmpTestPaletteRgb(11));
    EXPECT_EQ(image->ColorAt(2, 3), BmpTestPaletteRgb(2));
}

TEST(BmpReader, WidthsThatAreNotAMultipleOfFourUsePaddedRows) {
    BmpShape shape;
    shape.width = 5;
    const auto image = Parse(MakeBmpBytes(shape));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->stride, 8);
    EXPECT_EQ(image->ColorAt(4, 3), BmpTestPaletteRgb(4));
}

TEST(BmpReader, TheFileHeaderIsNotExamined) {
    // Neither the "BM" nor the pixel offset: the info header decides and the pixels follow
    // the colour table.
    const auto good = Parse(MakeBmpBytes(BmpShape{}));
    BmpShape unmarked;
    unmarked.magic = false;
    auto bytes = MakeBmpBytes(unmarked);
    std::fill(bytes.begin() + 2, bytes.begin() + 14, std::uint8_t{0xFF});
    const auto image = Parse(bytes);
    ASSERT_TRUE(good.has_value());
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->info, good->info);
    EXPECT_EQ(image->pixels, good->pixels);
}

TEST(BmpReader, RefusesWhatItCannotDrawExactly) {
    const struct {
        const char* what;
        BmpShape shape;
    } refused[] = {
        {"24 bits", {.bitCount = 24}},
        {"4 bits", {.bitCount = 4}},
        {"RLE8", {.compression = 1}},
        {"short colour table", {.colorsUsed = 16}},
        {"other header", {.infoSize = 108}},
        {"negative height", {.height = -4}},
        {"negative width", {.width = -8}},
        {"empty", {.width = 0}},
        {"product beyond 32 bits", {.width = 65536, .height = 65536}},
        {"overflowing product", {.width = INT_MAX, .height = INT_MAX}},
        {"negative product that looks positive", {.width = INT_MIN, .height = -1}},
    };
    for (const auto& r : refused) EXPECT_FALSE(Parse(MakeBmpBytes(r.shape)).has_value()) << r.what;
}

TEST(BmpReader, RefusesTruncatedFiles) {
    const auto good = MakeBmpBytes(BmpShape{});
    for (const std::size_t cut : {std::size_t{0}, std::size_t{13}, std::size_t{53}, std::size_t{1077},
                                  std::size_t{1078}, good.size() - 1}) {
        std::vector<std::uint8_t> truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(Parse(truncated).has_value()) << cut;
    }
    EXPECT_FALSE(ParseBitmapFile(nullptr, 5000).has_value());
    EXPECT_FALSE(ReadBitmapFile(TempPath("orvane-no-such-file.bmp").c_str()).has_value());
}

TEST(BmpDrawing, DrawsTheImageAtOneToOneWithItsTopRowAtTheTop) {
    const std::string path = TempPath("orvane-bmp-draw-test.bmp");
    ASSERT_TRUE(WriteBytes(path, MakeBmpBytes(BmpShape{})));
    TestCanvas canvas(20, 12);
    canvas->DrawBitmapFile(path.c_str(), 5, 3, 8, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            const RgbColor expected = UnpackRgb(BmpTestPaletteRgb(static_cast<std::uint8_t>(x + 3 * y)));
            ASSERT_TRUE(PixelIs(*canvas, 5 + x, 3 + y, expected)) << x << "," << y;
        }
    }
    EXPECT_EQ(CountNonBlack(*canvas, Rect{0, 0, 20, 3}), 0);
    EXPECT_EQ(CountNonBlack(*canvas, Rect{0, 7, 20, 12}), 0);
    EXPECT_EQ(CountNonBlack(*canvas, Rect{13, 0, 20, 12}), 0);
    std::filesystem::remove(path);
}

TEST(BmpDrawing, ShowsOnlyTheRequestedAreaOfALargerImage) {
    const std::string path = TempPath("orvane-bmp-area-test.bmp");
    BmpShape shape;
    shape.width = 12;
    shape.height = 6;
    ASSERT_TRUE(WriteBytes(path, MakeBmpBytes(shape)));
    TestCanvas canvas(20, 12);
    canvas->DrawBitmapFile(path.c_str(), 0, 0, 8, 6);
    EXPECT_GT(CountNonBlack(*canvas, Rect{0, 0, 8, 6}), 0);
    EXPECT_EQ(CountNonBlack(*canvas, Rect{8, 0, 20, 12}), 0);
    EXPECT_TRUE(PixelIs(*canvas, 7, 0, UnpackRgb(BmpTestPaletteRgb(7))));
    std::filesystem::remove(path);
}

TEST(BmpDrawing, BadOrMissingFilesLeaveTheAreaAsItWas) {
    const std::string path = TempPath("orvane-bmp-bad-test.bmp");
    TestCanvas canvas(20, 12);
    canvas->FillBox(Rect{0, 0, 20, 12}, Grey);
    canvas->DrawBitmapFile(TempPath("orvane-no-such-file.bmp").c_str(), 0, 0, 8, 4);
    BmpShape shape;
    shape.bitCount = 24;
    ASSERT_TRUE(WriteBytes(path, MakeBmpBytes(shape)));
    canvas->DrawBitmapFile(path.c_str(), 0, 0, 8, 4);
    auto truncated = MakeBmpBytes(BmpShape{});
    truncated.resize(truncated.size() - 3);
    ASSERT_TRUE(WriteBytes(path, truncated));
    canvas->DrawBitmapFile(path.c_str(), 0, 0, 8, 4);
    EXPECT_EQ(CountColor(*canvas, Rect{0, 0, 20, 12}, Grey), 20 * 12);
    std::filesystem::remove(path);
}
