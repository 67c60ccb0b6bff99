// What the raster backend keeps behind Canvas and GdiObject. Included by the backend and by
// the native front ends that send a canvas's rows to the screen themselves.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/canvas.h"
#include "graphics/gdi_object.h"
#include "graphics/raster_surface.h"

struct RasterFont;

struct GdiObject::Native {
    std::unique_ptr<RasterBitmap> bitmap;
    std::shared_ptr<const RasterFont> font;
};

struct Canvas::Native {
    // Over the holder's bitmap; a holder without one (a font, or a bitmap too large to make)
    // gives a canvas that draws nowhere.
    explicit Native(GdiObject& holder) : surface(holder.native().bitmap ? *holder.native().bitmap : emptyBitmap) {}

    RasterBitmap emptyBitmap;
    RasterSurface surface;
    const RasterFont* font = nullptr;  // fonts live for the whole process
    std::uint32_t textColor = 0;
    std::uint32_t backColor = 0x00FFFFFF;  // a new device context's text background is white
};

// Row y (0 <= y < PixelHeight()) as 0x00RRGGBB values, PixelWidth() of them: what a
// presenter copies to the screen.
inline const std::uint32_t* PixelRow(const Canvas& canvas, std::int32_t y) { return canvas.native().surface.Row(y); }

// The rows drawn on since the last call: what a presenter must send again.
inline RowSpan TakeDrawnRows(Canvas& canvas) { return canvas.native().surface.TakeDamage(); }
