// A software pixel surface: the pixel rules of the drawing layer on a plain 32-bit buffer.
// Portable (no platform calls), so the raster canvas uses it and the Windows tests can
// draw the same scene with it and with GDI and compare.
//
// Pixel rules, all clipped to the surface (and to its clip rectangle) so that no coordinate
// writes outside the buffer:
// - FillRect covers left <= x < right, top <= y < bottom; an empty or inverted rectangle
//   covers nothing.
// - Line covers the pixels of the segment from (x1, y1) towards (x2, y2), the end point
//   excluded, one pixel per step along the major axis (the GDI convention).
// - Ellipse fills the pixels of the ellipse inscribed in the box left <= x < right,
//   top <= y < bottom (GDI's Ellipse with a one-pixel pen of the fill colour).
// - Plot sets one pixel.
//
// The surface also keeps the band of rows written since the last TakeDamage, so that a
// presenter sends only what changed.
#pragma once

#include <cstdint>
#include <vector>

struct RasterBitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
};

RasterBitmap MakeRasterBitmap(std::int32_t width, std::int32_t height);

// Rows top <= y < bottom; empty when top >= bottom.
struct RowSpan {
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    bool Empty() const { return top >= bottom; }
};

class RasterSurface {
public:
    // What the bitmap held before is unknown to a presenter: all of it counts as written.
    explicit RasterSurface(RasterBitmap& bitmap)
        : bitmap_(&bitmap), damageBottom_(bitmap.height) { ResetClip(); }

    std::int32_t Width() const { return bitmap_->width; }
    std::int32_t Height() const { return bitmap_->height; }

    // Drawing keeps to the part of this rectangle on the surface (the whole surface after
    // ResetClip); reading does not.
    void SetClip(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);
    void ResetClip();
    std::int64_t ClipLeft() const { return clipLeft_; }
    std::int64_t ClipTop() const { return clipTop_; }
    std::int64_t ClipRight() const { return clipRight_; }
    std::int64_t ClipBottom() const { return clipBottom_; }
    bool InClip(std::int64_t x, std::int64_t y) const {
        return x >= clipLeft_ && y >= clipTop_ && x < clipRight_ && y < clipBottom_;
    }

    void FillRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, std::uint32_t color);
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t color);
    void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, std::uint32_t color);
    void Plot(std::int64_t x, std::int64_t y, std::uint32_t color);

    // A vertical run x, top <= y < bottom: the graph's columns, written straight into the buffer.
    void Column(std::int64_t x, std::int64_t top, std::int64_t bottom, std::uint32_t color);

    std::uint32_t At(std::int32_t x, std::int32_t y) const;  // 0 outside the surface
    bool Contains(std::int64_t x, std::int64_t y) const {
        return x >= 0 && y >= 0 && x < bitmap_->width && y < bitmap_->height;
    }
    // Row y's first pixel, for writing: the row counts as written. y must lie on the surface
    // (callers clip first).
    std::uint32_t* Row(std::int32_t y) {
        Damage(y, y + 1);
        return bitmap_->pixels.data() + static_cast<std::size_t>(y) * bitmap_->width;
    }
    const std::uint32_t* Row(std::int32_t y) const {
        return bitmap_->pixels.data() + static_cast<std::size_t>(y) * bitmap_->width;
    }

    // The rows written since the last call (since the surface was made, the first time).
    RowSpan TakeDamage();

private:
    void Damage(std::int32_t top, std::int32_t bottom) {
        damageTop_ = top < damageTop_ ? top : damageTop_;
        damageBottom_ = bottom > damageBottom_ ? bottom : damageBottom_;
    }

    RasterBitmap* bitmap_;
    std::int32_t damageTop_ = 0;
    std::int32_t damageBottom_ = 0;
    std::int64_t clipLeft_ = 0;
    std::int64_t clipTop_ = 0;
    std::int64_t clipRight_ = 0;
    std::int64_t clipBottom_ = 0;
};
