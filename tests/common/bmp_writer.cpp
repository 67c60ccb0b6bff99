#include "common/bmp_writer.h"

#include <cstdio>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::uint32_t BmpTestPaletteRgb(std::uint8_t index) {
    return static_cast<std::uint32_t>(index) << 16 | static_cast<std::uint32_t>(255 - index) << 8 | (index / 2u);
}

std::vector<std::uint8_t> MakeBmpBytes(const BmpShape& shape, const std::vector<std::uint8_t>& indices) {
    const std::int64_t rows = shape.height < 0 ? -static_cast<std::int64_t>(shape.height) : shape.height;
    const std::int64_t stride = shape.width > 0 ? (static_cast<std::int64_t>(shape.width) + 3) / 4 * 4 : 0;
    // Hostile sizes get no pixel block at all: the point is that the reader must not trust them.
    const bool sane = shape.width > 0 && rows > 0 && stride * rows <= (1 << 24);
    std::vector<std::uint8_t> out;
    out.push_back(shape.magic ? 'B' : 'X');
    out.push_back(shape.magic ? 'M' : 'Y');
    Put32(out, static_cast<std::uint32_t>(14 + 40 + 1024 + (sane ? stride * rows : 0)));
    Put32(out, 0);
    Put32(out, 14 + 40 + 1024);
    Put32(out, static_cast<std::uint32_t>(shape.infoSize));
    Put32(out, static_cast<std::uint32_t>(shape.width));
    Put32(out, static_cast<std::uint32_t>(shape.height));
    Put16(out, 1);
    Put16(out, shape.bitCount);
    Put32(out, static_cast<std::uint32_t>(shape.compression));
    Put32(out, 0);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, static_cast<std::uint32_t>(shape.colorsUsed));
    Put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t rgb = BmpTestPaletteRgb(static_cast<std::uint8_t>(i));
        out.push_back(static_cast<std::uint8_t>(rgb));        // blue
        out.push_back(static_cast<std::uint8_t>(rgb >> 8));   // green
        out.push_back(static_cast<std::uint8_t>(rgb >> 16));  // red
        out.push_back(0);
    }
    if (!sane) return out;
    for (std::int64_t stored = 0; stored < rows; ++stored) {
        const std::int64_t fromTop = rows - 1 - stored;  // bottom row first
        for (std::int64_t x = 0; x < stride; ++x) {
            std::uint8_t index = 0;
            if (x < shape.width) {
                index = indices.empty() ? static_cast<std::uint8_t>((x + 3 * fromTop) % 256)
                                        : indices[static_cast<std::size_t>(fromTop * shape.width + x)];
            }
            out.push_back(index);
        }
    }
    return out;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
