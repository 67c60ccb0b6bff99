#include "common/test_canvas.h"

TestCanvas::TestCanvas(std::int32_t width, std::int32_t height)
    : bitmap(GdiObject::MakeBitmap(width, height)), canvas(std::make_unique<Canvas>(*bitmap)) {
    canvas->FillBox(Rect{0, 0, width, height}, Black);
}

bool PixelIs(const Canvas& canvas, std::int32_t x, std::int32_t y, const RgbColor& color) {
    return SameRgb(canvas.PixelAt(x, y), color);
}

std::int64_t CountColor(const Canvas& canvas, const Rect& rect, const RgbColor& color) {
    std::int64_t count = 0;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        for (std::int32_t x = rect.left; x < rect.right; ++x) count += PixelIs(canvas, x, y, color) ? 1 : 0;
    return count;
}

std::int64_t CountNonBlack(const Canvas& canvas, const Rect& rect) {
    std::int64_t count = 0;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        for (std::int32_t x = rect.left; x < rect.right; ++x) count += PixelIs(canvas, x, y, Black) ? 0 : 1;
    return count;
}

std::string Picture(const Canvas& canvas, const Rect& rect, const RgbColor& color) {
    std::string picture;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        for (std::int32_t x = rect.left; x < rect.right; ++x) picture += PixelIs(canvas, x, y, color) ? '#' : '.';
        picture += '\n';
    }
    return picture;
}

bool SamePixels(const Canvas& a, const Canvas& b, const Rect& rect) {
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        for (std::int32_t x = rect.left; x < rect.right; ++x)
            if (!SameRgb(a.PixelAt(x, y), b.PixelAt(x, y))) return false;
    return true;
}
