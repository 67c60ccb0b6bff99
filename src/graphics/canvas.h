// An off-screen drawing surface: a bitmap with the operations the status display is drawn
// with. One header for both backends, chosen by the build: canvas_win32.cpp (GDI) and
// canvas_raster.cpp (RasterSurface + FreeType). What each backend keeps is its own, in
// canvas_win32.h or canvas_raster.h, which only the backend and the front ends that hand the
// pixels to the platform include.
//
// Pixel rules (both backends):
// - FillBox leaves the right column and the bottom row of its rectangle unfilled.
// - DrawLine draws with one of two pens, white or grey, 1 pixel wide; the end point is not drawn.
// - FillCircle is GDI's Ellipse over (cx - r, cy - r, cx + r, cy + r), pen and brush in the colour.
// - PutText draws opaque: the text's cell, MeasureText's width by the font's cell height,
//   is filled with the background colour, glyphs in the text colour; the cell's top-left
//   corner is at (x, y).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/color.h"
#include "graphics/column_coverage.h"
#include "graphics/gdi_object.h"
#include "graphics/rect.h"

// The canvas's two pens, made once per canvas.
enum class Pen { White, Grey };

constexpr const RgbColor& PenColor(Pen pen) { return pen == Pen::White ? White : Grey; }

// The pen a line given as a colour is drawn with: the white one for the White constant
// itself, the grey one for any other colour, whatever its value.
inline Pen PenFor(const RgbColor& color) { return &color == &White ? Pen::White : Pen::Grey; }

class Canvas {
public:
    // Makes the canvas's drawing state over the bitmap and the two pens; draws nothing.
    // `width` and `height` are recorded for the banner canvas only.
    explicit Canvas(GdiObject& bitmap, std::int32_t width = 0, std::int32_t height = 0);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void FillBox(const Rect& rect, const RgbColor& color);
    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Pen pen);
    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const RgbColor& color) {
        DrawLine(x1, y1, x2, y2, PenFor(color));
    }
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

    // The backend's drawing state, defined by canvas_win32.h or canvas_raster.h.
    struct Native;
    Native& native() { return *native_; }
    const Native& native() const { return *native_; }

private:
    // The run x, top <= y < bottom through the coverage of a first-write-wins batch.
    void PlotRun(std::int32_t x, std::int64_t top, std::int64_t bottom, const RgbColor& color);
    // Cuts the run x, top <= y < bottom to `columns_` into first..last; false when nothing is
    // left. A run far off the bitmap is cut, never walked.
    bool ClipColumn(std::int32_t x, std::int64_t top, std::int64_t bottom, std::int32_t& first,
                    std::int32_t& last) const;
    // The backends' ClipTo and Unclip keep the column operations to the same box as the rest.
    void KeepColumnsTo(const Rect& clip);

    // The backend's part of the column operations, the rest being the same for both: pixels
    // x, first <= y < last, all on the bitmap and inside the clip.
    void WriteColumn(std::int32_t x, std::int32_t first, std::int32_t last, const RgbColor& color);

    std::unique_ptr<Native> native_;
    ColumnCoverage coverage_;
    Rect columns_{0, 0, 0, 0};  // the clip on the bitmap: where column writes may land
};
