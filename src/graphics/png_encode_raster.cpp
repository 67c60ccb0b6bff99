#include "graphics/png_encode.h"

#include <csetjmp>
#include <png.h>

std::string EncodePng(const std::vector<std::uint32_t>& pixels, int width, int height, int scale, PngPacking packing) {
    if (width <= 0 || height <= 0 || scale < 1 || pixels.size() != static_cast<std::size_t>(width) * height) return {};
    const int outWidth = width * scale, outHeight = height * scale;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(outWidth) * outHeight * 3);
    for (int y = 0; y < outHeight; ++y) {
        const std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y / scale) * width;
        unsigned char* out = rgb.data() + static_cast<std::size_t>(y) * outWidth * 3;
        for (int x = 0; x < outWidth; ++x) {
            const std::uint32_t p = row[x / scale];
            *out++ = static_cast<unsigned char>(p >> 16);
            *out++ = static_cast<unsigned char>(p >> 8);
            *out++ = static_cast<unsigned char>(p);
        }
    }
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = writer != nullptr ? png_create_info_struct(writer) : nullptr;
    std::string png;
    if (info == nullptr || setjmp(png_jmpbuf(writer)) != 0) {
        png_destroy_write_struct(&writer, &info);
        return {};
    }
    png_set_write_fn(
        writer, &png,
        [](png_structp w, png_bytep data, png_size_t length) {
            static_cast<std::string*>(png_get_io_ptr(w))->append(reinterpret_cast<const char*>(data), length);
        },
        nullptr);
    png_set_IHDR(writer, info, static_cast<png_uint_32>(outWidth), static_cast<png_uint_32>(outHeight), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (packing == PngPacking::Fast) {
        // zlib's fastest level with the Sub filter: the screen is mostly flat runs, and a page
        // on a busy client asks for a new picture every second, so speed counts before the
        // last bytes. Small keeps libpng's own choices.
        png_set_compression_level(writer, 1);
        png_set_filter(writer, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    }
    png_write_info(writer, info);
    for (int y = 0; y < outHeight; ++y) png_write_row(writer, rgb.data() + static_cast<std::size_t>(y) * outWidth * 3);
    png_write_end(writer, nullptr);
    png_destroy_write_struct(&writer, &info);
    return png;
}
