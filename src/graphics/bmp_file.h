// Reading the header image: an uncompressed 8-bit BMP with a full 256-entry colour table.
// Anything else is refused, and nothing is ever taken from bytes the file did not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct BitmapFileImage {
    static constexpr std::size_t kFileHeaderSize = 14;
    static constexpr std::size_t kInfoHeaderSize = 40;
    static constexpr std::size_t kColorTableSize = 256 * 4;

    std::int32_t width = 0;   // pixels across
    std::int32_t height = 0;  // rows; stored bottom row first
    std::int32_t stride = 0;  // bytes per stored row: rows are padded to 4 bytes
    // The info header and the colour table as read (1064 bytes): what StretchDIBits takes.
    std::vector<std::uint8_t> info;
    // The pixel rows exactly as stored, stride x height bytes.
    std::vector<std::uint8_t> pixels;

    // The colour of the pixel `column` across in stored row `storedRow` (0 = bottom row),
    // as 0x00RRGGBB; both must lie inside the image.
    std::uint32_t ColorAt(std::int32_t column, std::int32_t storedRow) const;
};

std::optional<BitmapFileImage> ParseBitmapFile(const std::uint8_t* bytes, std::size_t size);
std::optional<BitmapFileImage> ReadBitmapFile(const char* path);

// Where image pixels land when the image is drawn at 1:1 into a width x height area with
// GDI's source rectangle (0, 0, width, height): for a bottom-up image that rectangle is
// measured from the image's bottom row, so the area's row y shows stored row height - 1 - y.
// Returns the stored row for area row y, or -1 when that row lies outside the image.
std::int32_t StoredRowForAreaRow(const BitmapFileImage& image, std::int32_t areaHeight, std::int32_t y);
