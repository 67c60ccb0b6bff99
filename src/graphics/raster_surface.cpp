#include "graphics/raster_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

RasterBitmap MakeRasterBitmap(std::int32_t width, std::int32_t height) {
    RasterBitmap bitmap;
    bitmap.width = std::max<std::int32_t>(width, 0);
    bitmap.height = std::max<std::int32_t>(height, 0);
    bitmap.pixels.assign(static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height), 0u);
    return bitmap;
}

void RasterSurface::SetClip(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    clipLeft_ = std::max<std::int64_t>(left, 0);
    clipTop_ = std::max<std::int64_t>(top, 0);
    clipRight_ = std::min<std::int64_t>(right, bitmap_->width);
    clipBottom_ = std::min<std::int64_t>(bottom, bitmap_->height);
}

void RasterSurface::ResetClip() { SetClip(0, 0, bitmap_->width, bitmap_->height); }

void RasterSurface::FillRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                             std::uint32_t color) {
    left = std::max<std::int64_t>(left, clipLeft_);
    top = std::max<std::int64_t>(top, clipTop_);
    right = std::min<std::int64_t>(right, clipRight_);
    bottom = std::min<std::int64_t>(bottom, clipBottom_);
    if (left >= right || top >= bottom) return;
    for (auto y = static_cast<std::int32_t>(top); y < bottom; ++y) {
        std::uint32_t* row = Row(y);
        std::fill(row + left, row + right, color);
    }
}

void RasterSurface::Plot(std::int64_t x, std::int64_t y, std::uint32_t color) {
    if (!InClip(x, y)) return;
    Row(static_cast<std::int32_t>(y))[x] = color;
}

void RasterSurface::Column(std::int64_t x, std::int64_t top, std::int64_t bottom, std::uint32_t color) {
    if (x < clipLeft_ || x >= clipRight_) return;
    top = std::max<std::int64_t>(top, clipTop_);
    bottom = std::min<std::int64_t>(bottom, clipBottom_);
    // Hostile graph depths put `top` far below the bitmap: a pointer is formed only for rows
    // that exist, and the walk steps by index so that none is formed past the last row.
    if (top >= bottom) return;
    Damage(static_cast<std::int32_t>(top), static_cast<std::int32_t>(bottom));
    std::uint32_t* const pixels = bitmap_->pixels.data();
    const auto width = static_cast<std::size_t>(bitmap_->width);
    const auto end = static_cast<std::size_t>(bottom) * width;
    for (auto i = static_cast<std::size_t>(top) * width + static_cast<std::size_t>(x); i < end; i += width) {
        pixels[i] = color;
    }
}

RowSpan RasterSurface::TakeDamage() {
    const RowSpan span{damageTop_, damageBottom_};
    damageTop_ = bitmap_->height;
    damageBottom_ = 0;
    return span;
}

std::uint32_t RasterSurface::At(std::int32_t x, std::int32_t y) const {
    if (!Contains(x, y)) return 0;
    return bitmap_->pixels[static_cast<std::size_t>(y) * bitmap_->width + x];
}

namespace {

// The minor coordinate of step t of a line whose major axis runs `major` steps and whose minor
// axis runs `minor`: the nearest pixel to the ideal line, halves rounded towards the start
// when `towardStart` is set. 128-bit arithmetic: endpoints may be anywhere in 32 bits.
std::int64_t MinorOffset(std::int64_t t, std::int64_t major, std::int64_t minor, bool towardStart) {
    const __int128 numerator = static_cast<__int128>(2) * t * minor + major - (towardStart ? 1 : 0);
    return static_cast<std::int64_t>(numerator / (static_cast<__int128>(2) * major));
}

// Whether halves round towards the start, by the line's direction. GDI's lines are not
// symmetric in direction, but they are in position: where the ideal line passes exactly
// half-way between two pixels, GDI takes the one with the smaller minor coordinate (the
// upper one of an x-major line, the left one of a y-major line), whichever way it runs.
// Measured against Wine's GDI pixel for pixel.
bool RoundsTowardStart(bool xMajor, int sx, int sy) { return xMajor ? sy > 0 : sx > 0; }

}  // namespace

void RasterSurface::Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t color) {
    const std::int64_t dx = static_cast<std::int64_t>(x2) - x1;
    const std::int64_t dy = static_cast<std::int64_t>(y2) - y1;
    const std::int64_t adx = std::llabs(dx);
    const std::int64_t ady = std::llabs(dy);
    if (adx == 0 && ady == 0) return;
    const int sx = dx < 0 ? -1 : 1;
    const int sy = dy < 0 ? -1 : 1;
    const bool xMajor = adx >= ady;
    const std::int64_t major = xMajor ? adx : ady;
    const std::int64_t minor = xMajor ? ady : adx;
    const std::int64_t majorStart = xMajor ? x1 : y1;
    const std::int64_t minorStart = xMajor ? y1 : x1;
    const int majorStep = xMajor ? sx : sy;
    const int minorStep = xMajor ? sy : sx;
    const std::int64_t majorSize = xMajor ? bitmap_->width : bitmap_->height;
    const bool towardStart = RoundsTowardStart(xMajor, sx, sy);

    // Only the steps whose major coordinate lies on the surface are visited.
    std::int64_t first = 0;
    std::int64_t last = major;  // exclusive: the end point is not drawn
    if (majorStep > 0) {
        first = std::max<std::int64_t>(first, -majorStart);
        last = std::min<std::int64_t>(last, majorSize - majorStart);
    } else {
        first = std::max<std::int64_t>(first, majorStart - majorSize + 1);
        last = std::min<std::int64_t>(last, majorStart + 1);
    }
    for (std::int64_t t = first; t < last; ++t) {
        const std::int64_t a = majorStart + majorStep * t;
        const std::int64_t b = minorStart + minorStep * MinorOffset(t, major, minor, towardStart);
        if (xMajor) {
            Plot(a, b, color);
        } else {
            Plot(b, a, color);
        }
    }
}

namespace {

// The exact trace costs a step per pixel of the quadrant's outline, on the surface or not.
// Past this many pixels across (where Wine's GDI itself takes seconds, and minutes a little
// further on) the raster falls back to filling the pixel centres inside the ellipse, which
// costs only the rows on the surface; for discs it differs from the trace by at most one
// pixel at either end of a row.
constexpr std::int64_t kTracedEllipseLimit = std::int64_t{1} << 20;

}  // namespace

void RasterSurface::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                            std::uint32_t color) {
    // GDI takes the box in either orientation.
    const std::int64_t l = std::min(left, right), r = std::max(left, right);
    const std::int64_t t = std::min(top, bottom), b = std::max(top, bottom);
    const std::int64_t w = r - l;
    const std::int64_t h = b - t;
    if (w < 1 || h < 1) return;
    // Boxes one or two pixels thin come out as the whole box, except a single pixel, which
    // comes out empty.
    if (w <= 2 || h <= 2) {
        if (w > 1 || h > 1) FillRect(l, t, r, b, color);
        return;
    }
    if (w > kTracedEllipseLimit || h > kTracedEllipseLimit) {
        const double cx = (static_cast<double>(l) + static_cast<double>(r)) / 2.0;
        const double cy = (static_cast<double>(t) + static_cast<double>(b)) / 2.0;
        const double rx = static_cast<double>(w) / 2.0;
        const double ry = static_cast<double>(h) / 2.0;
        const std::int64_t rowFirst = std::max<std::int64_t>(t, clipTop_);
        const std::int64_t rowLast = std::min<std::int64_t>(b, clipBottom_);
        for (std::int64_t y = rowFirst; y < rowLast; ++y) {
            const double ny = (static_cast<double>(y) + 0.5 - cy) / ry;
            const double inside = 1.0 - ny * ny;
            if (inside < 0.0) continue;
            const double half = rx * std::sqrt(inside);
            const auto x0 = std::max<std::int64_t>(static_cast<std::int64_t>(std::ceil(cx - half - 0.5)), l);
            const auto x1 = std::min<std::int64_t>(static_cast<std::int64_t>(std::floor(cx + half - 0.5)), r - 1);
            if (x0 <= x1) FillRect(x0, y, x1 + 1, y + 1, color);
        }
        return;
    }

    // GDI's outline: one quadrant traced pixel by pixel with an integer error term (an ellipse
    // through the centres of the box's outermost pixels, diameters a and d below), mirrored
    // into the other three; pen and brush share the colour, so each row is filled from its
    // leftmost outline pixel to its rightmost. The trace walks from the right-hand end of the
    // middle row down to the middle column, and the outermost pixel of a row is the first one
    // the trace reaches in it. A thin ellipse (never a circle) can reach the middle column
    // before its end rows; those rows get no outline, and are left out here. Wine's GDI fills
    // them from memory it never set: usually nothing, at times whole rows past the box.
    using Wide = __int128;
    const std::int64_t a = w - 1;
    const std::int64_t d = h - 1;
    const Wide stepX = Wide{8} * d * d;
    const Wide stepY = Wide{8} * a * a;
    Wide dx = Wide{4} * d * d * (1 - a);
    Wide dy = Wide{4} * a * a * (1 + d % 2);
    Wide err = dx + dy + Wide{a} * a * (d % 2);
    std::int64_t x = a;
    std::int64_t y = h / 2;
    std::int64_t lastRow = -1;
    while (x >= w / 2) {
        if (y != lastRow) {
            lastRow = y;
            // Columns w - 1 - x .. x of the box, in row y and in its mirror h - 1 - y.
            FillRect(l + (w - 1 - x), t + y, l + x + 1, t + y + 1, color);
            FillRect(l + (w - 1 - x), t + (h - 1 - y), l + x + 1, t + (h - y), color);
        }
        const Wide e2 = 2 * err;
        if (e2 >= dx) {
            --x;
            dx += stepX;
            err += dx;
        }
        if (e2 <= dy) {
            ++y;
            dy += stepY;
            err += dy;
        }
    }
}
