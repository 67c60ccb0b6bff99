// What the GDI backend keeps behind Canvas and GdiObject. Included by the backend, by the
// saver, which copies the canvases to its window with BitBlt, and by the tests that draw
// beside the canvas with GDI.
#pragma once

#include <windows.h>

#include <cstdint>

#include "graphics/canvas.h"
#include "graphics/gdi_object.h"

struct GdiObject::Native {
    HGDIOBJ handle = nullptr;
    void* bits = nullptr;  // pixels of a bitmap (a top-down 32-bit DIB section)
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct Canvas::Native {
    HDC dc = nullptr;
    HPEN whitePen = nullptr;
    HPEN greyPen = nullptr;
    HPEN& PenHandle(Pen pen) { return pen == Pen::White ? whitePen : greyPen; }
    // PlotPixel and PlotColumn write straight into the DIB section's bits. This sends them
    // through SetPixelV instead, one call a pixel: the tests' reference for those bits.
    bool plotThroughGdi = false;

    GdiObject* bitmap = nullptr;
    bool gdiPending = false;  // GDI has drawn since the last flush
    HGDIOBJ previousBitmap = nullptr;
    HGDIOBJ previousFont = nullptr;
};

// The memory device context the canvas draws into, with its bitmap selected: what the saver
// copies to its window.
inline HDC CanvasDC(const Canvas& canvas) { return canvas.native().dc; }
