#include "graphics/bmp_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Large enough for any header image we would show; anything bigger is not ours.
constexpr std::int64_t kMaxPixelBytes = 64ll * 1024 * 1024;

std::int32_t ReadInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t ReadUint16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::uint32_t BitmapFileImage::ColorAt(std::int32_t column, std::int32_t storedRow) const {
    const auto stored = static_cast<std::size_t>(storedRow);
    const std::uint8_t index = pixels[stored * static_cast<std::size_t>(stride) + static_cast<std::size_t>(column)];
    const std::uint8_t* entry = info.data() + kInfoHeaderSize + 4u * index;  // blue, green, red, reserved
    return static_cast<std::uint32_t>(entry[2]) << 16 | static_cast<std::uint32_t>(entry[1]) << 8 | entry[0];
}

std::optional<BitmapFileImage> ParseBitmapFile(const std::uint8_t* bytes, std::size_t size) {
    const std::size_t headersEnd = BitmapFileImage::kFileHeaderSize + BitmapFileImage::kInfoHeaderSize +
                                   BitmapFileImage::kColorTableSize;
    if (bytes == nullptr || size < headersEnd) return std::nullopt;

    // The file header is skipped unread, its "BM" and pixel offset included: the pixels are
    // taken to follow the colour table directly. The info header alone decides.
    const std::uint8_t* info = bytes + BitmapFileImage::kFileHeaderSize;
    const std::int32_t infoSize = ReadInt32(info);
    const std::int32_t width = ReadInt32(info + 4);
    const std::int32_t height = ReadInt32(info + 8);
    const std::uint16_t planes = ReadUint16(info + 12);
    const std::uint16_t bitCount = ReadUint16(info + 14);
    const std::int32_t compression = ReadInt32(info + 16);
    const std::int32_t colorsUsed = ReadInt32(info + 32);
    if (infoSize != static_cast<std::int32_t>(BitmapFileImage::kInfoHeaderSize) || planes != 1 || bitCount != 8 ||
        compression != 0 /* BI_RGB */ || (colorsUsed != 0 && colorsUsed != 256)) {
        return std::nullopt;
    }
    // Top-down images (negative height) and empty ones are refused with the rest.
    if (width <= 0 || height <= 0) return std::nullopt;
    const std::int64_t stride = (static_cast<std::int64_t>(width) + 3) / 4 * 4;
    const std::int64_t pixelBytes = stride * height;
    if (pixelBytes > kMaxPixelBytes) return std::nullopt;
    if (size - headersEnd < static_cast<std::uint64_t>(pixelBytes)) return std::nullopt;

    BitmapFileImage image;
    image.width = width;
    image.height = height;
    image.stride = static_cast<std::int32_t>(stride);
    image.info.assign(info, info + BitmapFileImage::kInfoHeaderSize + BitmapFileImage::kColorTableSize);
    image.pixels.assign(bytes + headersEnd, bytes + headersEnd + pixelBytes);
    return image;
}

std::optional<BitmapFileImage> ReadBitmapFile(const char* path) {
    if (path == nullptr) return std::nullopt;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
        if (bytes.size() > static_cast<std::size_t>(kMaxPixelBytes) + 4096) return std::nullopt;
    }
    return ParseBitmapFile(bytes.data(), bytes.size());
}

std::int32_t StoredRowForAreaRow(const BitmapFileImage& image, std::int32_t areaHeight, std::int32_t y) {
    const std::int64_t stored = static_cast<std::int64_t>(areaHeight) - 1 - y;
    if (stored < 0 || stored >= image.height) return -1;
    return static_cast<std::int32_t>(stored);
}
