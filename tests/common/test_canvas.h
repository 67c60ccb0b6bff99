// A canvas for tests, black to begin with, and the pixel probes the tests are written in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/canvas.h"
#include "graphics/gdi_object.h"

struct TestCanvas {
    TestCanvas(std::int32_t width, std::int32_t height);

    Canvas& operator*() { return *canvas; }
    Canvas* operator->() { return canvas.get(); }

    std::unique_ptr<GdiObject> bitmap;
    std::unique_ptr<Canvas> canvas;
};

bool PixelIs(const Canvas& canvas, std::int32_t x, std::int32_t y, const RgbColor& color);
// Pixels of the colour in the rectangle (right column and bottom row excluded).
std::int64_t CountColor(const Canvas& canvas, const Rect& rect, const RgbColor& color);
// Pixels in the rectangle that are not black.
std::int64_t CountNonBlack(const Canvas& canvas, const Rect& rect);
// "#..#" rows of the rectangle: '#' for the colour, '.' for anything else; for failure output.
std::string Picture(const Canvas& canvas, const Rect& rect, const RgbColor& color);
// Whether both canvases hold the same pixels in the rectangle.
bool SamePixels(const Canvas& a, const Canvas& b, const Rect& rect);
