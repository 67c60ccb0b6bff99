// The holder of one platform drawing object: a bitmap or a font. Made once and kept for the
// life of the display; the destructor releases the platform object.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/platform_types.h"

#if !defined(_WIN32)
struct RasterBitmap;
struct RasterFont;
#endif

class GdiObject {
public:
    // A width x height bitmap for a canvas, compatible with the reference device context.
    static std::unique_ptr<GdiObject> MakeBitmap(DeviceContext reference, std::int32_t width, std::int32_t height);
    // "Arial" with the given cell height (ascent + descent), weight 700 when bold, else 400.
    static std::unique_ptr<GdiObject> MakeArialFont(std::int32_t cellHeight, bool bold);

    GdiObject();
    ~GdiObject();
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

#if defined(_WIN32)
    HGDIOBJ handle = nullptr;
    void* bits = nullptr;  // pixels of a bitmap (a top-down 32-bit DIB section)
    std::int32_t width = 0;
    std::int32_t height = 0;
#else
    std::unique_ptr<RasterBitmap> bitmap;
    std::shared_ptr<const RasterFont> font;
#endif
};
