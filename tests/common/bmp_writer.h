// Writes 8-bit BMP files for tests and tools, with knobs to make them wrong on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BmpShape {
    std::int32_t width = 8;
    std::int32_t height = 4;
    std::uint16_t bitCount = 8;
    std::int32_t compression = 0;
    std::int32_t colorsUsed = 0;
    std::int32_t infoSize = 40;
    bool magic = true;  // "BM"
};

// Pixel (x, yFromTop) has palette index (x + 3 * yFromTop) % 256 unless `indices` is given
// (width x height, top row first). Palette entry i is (red i, green 255 - i, blue i / 2).
std::vector<std::uint8_t> MakeBmpBytes(const BmpShape& shape, const std::vector<std::uint8_t>& indices = {});
std::uint32_t BmpTestPaletteRgb(std::uint8_t index);
bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
