// An off-screen drawing surface: a bitmap selected into a device context, with the
// operations the status display is drawn with. One header, two backends chosen by the
// build: canvas_win32.cpp (GDI) and canvas_raster.cpp (RasterSurface + FreeType).
//
// Pixel rules (both backends):
// - FillBox leaves the right column and the bottom row of its rectangle unfilled.
// - DrawLine draws with the white pen when the colour is the White constant itself and
//   with the grey pen for any other colour; the end point is not drawn.
// - FillCircle is GDI's Ellipse over (cx - r, cy - r, cx + r, cy + r), pen and brush in the colour.
// - PutText draws opaque: the text's cell, MeasureText's width by the font's cell height,
//   is filled with the background colour, glyphs in the text colour; the cell's top-left
//   corner is at (x, y).
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/color.h"
#include "graphics/column_coverage.h"
#include "graphics/gdi_object.h"
#include "graphics/platform_types.h"
#include "graphics/rect.h"

#if !defined(_WIN32)
#include "graphics/raster_surface.h"
#endif

class Canvas {
public:
    // Selects the bitmap into a new memory device context and makes the two pens; draws
    // nothing. `width` and `height` are recorded for the banner canvas only.
    explicit Canvas(GdiObject& bitmap, std::int32_t width = 0, std::int32_t height = 0);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void FillBox(const Rect& rect, const RgbColor& color);
    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const RgbColor& color);
    void FillCircle(std::int32_t cx, std::int32_t cy, std::int32_t r, const RgbColor& color);
    void PlotPixel(std::int32_t x, std::int32_t y, const RgbColor& color);
    void SetForeground(const RgbColor& color);
    void SetBackground(const RgbColor& color);
    void UseFont(const GdiObject& font);
    TextSize MeasureText(const char* text);
    void PutText(std::int32_t x, std::int32_t y, const char* text);
    void PutTextRight(std::int32_t xRight, std::int32_t y, const char* text);
    void DrawBitmapFile(const char* path, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

    // A vertical run of pixels x, top <= y < bottom in one colour, the same pixels as
    // PlotPixel of each; the spectrum graph's columns go through here.
    void PlotColumn(std::int32_t x, std::int32_t top, std::int32_t bottom, const RgbColor& color);
    // Two runs of one column that meet at `split` (top <= split <= bottom): the same pixels as
    // PlotColumn(x, top, split, upper) and PlotColumn(x, split, bottom, lower), for half the
    // work; a graph column and the black above it.
    void PlotColumnPair(std::int32_t x, std::int32_t top, std::int32_t split, std::int32_t bottom, const RgbColor& upper,
                        const RgbColor& lower);
    // Whether PlotColumn(x, top, bottom, any colour) would write nothing: the run is off the
    // bitmap or the clip, or a first-write-wins batch has written all of it. The graph asks
    // before it works out a column's colour, since most columns of a full frame are hidden.
    bool ColumnHidden(std::int32_t x, std::int32_t top, std::int32_t bottom) const;

    // Until Unclip, every drawing operation keeps to `rect` (canvas coordinates) as well as to
    // the bitmap. Reading back is not clipped.
    void ClipTo(const Rect& rect);
    void Unclip();

    // Between these two, PlotColumn and PlotPixel write only pixels that none of them has
    // written since BeginFirstWriteWins: a batch drawn nearest first comes out as if drawn
    // farthest first, each pixel written once. Other drawing is not affected.
    void BeginFirstWriteWins() { coverage_.Begin(PixelWidth(), PixelHeight()); }
    void EndFirstWriteWins() { coverage_.End(); }
    bool FirstWriteWins() const { return coverage_.Active(); }

    // Reading back, for tools and tests.
    std::int32_t PixelWidth() const;
    std::int32_t PixelHeight() const;
    RgbColor PixelAt(std::int32_t x, std::int32_t y) const;  // Black outside the bitmap
    // Every pixel, rows top to bottom, as 0x00RRGGBB: a copy for another thread to work on.
    void CopyPixels(std::vector<std::uint32_t>& out) const;
    // Sends what this thread's drawing left batched (GDI batches per thread), so that another
    // thread reading the pixels sees all of it; the raster backend has nothing to send.
    void FinishDrawing() const;
    // Writes the canvas as an image file: PNG on the raster backend, BMP on Windows.
    bool SaveImage(const char* path) const;

    std::int32_t width = 0;   // banner canvas only
    std::int32_t height = 0;  // banner canvas only

#if defined(_WIN32)
    HDC dc = nullptr;
    HPEN whitePen = nullptr;
    HPEN greyPen = nullptr;
    // PlotPixel and PlotColumn write straight into the DIB section's bits. This sends them
    // through SetPixelV instead, one call a pixel: the tests' reference for those bits.
    bool plotThroughGdi = false;

private:
    // GDI may still hold drawing calls in its batch; one of them landing after, or under, a
    // pixel written directly would undo it. Called before every direct write.
    void FlushGdiBeforeDirectWrite();
    std::uint32_t* DirectPixels() const { return static_cast<std::uint32_t*>(bitmap_->bits); }

    void WriteColumn(std::int32_t x, std::int32_t first, std::int32_t last, const RgbColor& color);
    bool ClipColumn(std::int32_t x, std::int32_t& first, std::int32_t& last) const;

    GdiObject* bitmap_ = nullptr;
    bool gdiPending_ = false;  // GDI has drawn since the last flush
    bool clipped_ = false;
    Rect clip_{0, 0, 0, 0};    // while clipped_: direct writes keep to it, as GDI does
    ColumnCoverage coverage_;
    HGDIOBJ previousBitmap_ = nullptr;
    HGDIOBJ previousFont_ = nullptr;
#else
    std::uint32_t whitePen = 0;
    std::uint32_t greyPen = 0;
    // Row y (0 <= y < PixelHeight()) as 0x00RRGGBB values, PixelWidth() of them: what a
    // presenter copies to the screen.
    const std::uint32_t* PixelRow(std::int32_t y) const { return surface_.Row(y); }
    // The rows drawn on since the last call: what a presenter must send again.
    RowSpan TakeDrawnRows() { return surface_.TakeDamage(); }

private:
    void PaintText(std::int64_t x, std::int64_t y, const char* text);
    bool ClipColumn(std::int32_t x, std::int32_t& top, std::int32_t& bottom) const;
    const RasterFont& Font() const;

    ColumnCoverage coverage_;
    RasterBitmap emptyBitmap_;  // drawn on when the holder given is not a bitmap
    RasterSurface surface_;
    const RasterFont* font_ = nullptr;  // fonts live for the whole process
    std::uint32_t textColor_ = 0;
    std::uint32_t backColor_ = 0x00FFFFFF;  // a new device context's text background is white
#endif
};
