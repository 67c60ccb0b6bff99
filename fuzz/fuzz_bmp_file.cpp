// Any bytes at all: the header image reader either refuses them or returns an image whose
// every pixel can be read without leaving the bytes it copied.
#include <cstddef>
#include <cstdint>

#include "graphics/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto image = ParseBitmapFile(data, size);
    if (!image) return 0;
    std::uint32_t sum = 0;
    for (std::int32_t row = 0; row < image->height; ++row) {
        const std::int32_t stored = StoredRowForAreaRow(*image, image->height, row);
        for (std::int32_t column = 0; column < image->width; ++column) sum += image->ColorAt(column, stored);
    }
    return sum == 0xFFFFFFFFu ? 0 : 0;
}
