#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "graphics/bmp_file.h"
#include "graphics/canvas_raster.h"
#include "graphics/png_encode.h"
#include "graphics/raster_font.h"

namespace {

// A new device context's font: the system font stands in as the 14-pixel regular face.
constexpr std::int32_t kDefaultCellHeight = 14;

const RasterFont& FontOf(const Canvas::Native& native) {
    if (native.font != nullptr) return *native.font;
    static const RasterFont* const systemFont = RasterFont::Get(kDefaultCellHeight, false).get();
    return *systemFont;
}

void PaintText(Canvas::Native& native, std::int64_t x, std::int64_t y, const char* text) {
    if (text == nullptr || *text == '\0') return;
    RasterSurface& surface = native.surface;
    const RasterFont& font = FontOf(native);
    const std::int64_t right = x + font.TextWidth(text);
    const std::int64_t bottom = y + font.cellHeight;
    surface.FillRect(x, y, right, bottom, native.backColor);

    // Glyphs are kept to the cell as well as to the canvas, so a text changes exactly the
    // cell that MeasureText describes (a stray accent cannot reach the next line's band).
    const std::int64_t clipLeft = std::max<std::int64_t>(x, surface.ClipLeft());
    const std::int64_t clipTop = std::max<std::int64_t>(y, surface.ClipTop());
    const std::int64_t clipRight = std::min<std::int64_t>(right, surface.ClipRight());
    const std::int64_t clipBottom = std::min<std::int64_t>(bottom, surface.ClipBottom());
    if (clipLeft >= clipRight || clipTop >= clipBottom) return;

    const std::int64_t baseline = y + font.ascent;
    std::int64_t pen = x;
    for (const char* p = text; *p != '\0'; ++p) {
        const RasterGlyph& glyph = font.GlyphFor(static_cast<unsigned char>(*p));
        const std::int64_t glyphLeft = pen + glyph.left;
        const std::int64_t glyphTop = baseline - glyph.top;
        pen += glyph.advance;
        const std::int64_t firstColumn = std::max<std::int64_t>(0, clipLeft - glyphLeft);
        const std::int64_t endColumn = std::min<std::int64_t>(glyph.columns, clipRight - glyphLeft);
        const std::int64_t firstRow = std::max<std::int64_t>(0, clipTop - glyphTop);
        const std::int64_t endRow = std::min<std::int64_t>(glyph.rows, clipBottom - glyphTop);
        for (std::int64_t row = firstRow; row < endRow; ++row) {
            std::uint32_t* line = surface.Row(static_cast<std::int32_t>(glyphTop + row));
            for (std::int64_t column = firstColumn; column < endColumn; ++column) {
                if (glyph.Inked(static_cast<std::int32_t>(column), static_cast<std::int32_t>(row))) {
                    line[glyphLeft + column] = native.textColor;
                }
            }
        }
    }
}

}  // namespace

Canvas::Canvas(GdiObject& bitmap, std::int32_t width_, std::int32_t height_)
    : width(width_), height(height_), native_(std::make_unique<Native>(bitmap)) {
    Unclip();
}

Canvas::~Canvas() = default;

void Canvas::FillBox(const Rect& rect, const RgbColor& color) {
    native_->surface.FillRect(rect.left, rect.top, rect.right, rect.bottom, PackedRgb(color));
}

void Canvas::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Pen pen) {
    native_->surface.Line(x1, y1, x2, y2, PackedRgb(PenColor(pen)));
}

void Canvas::FillCircle(std::int32_t cx, std::int32_t cy, std::int32_t r, const RgbColor& color) {
    // The box is formed in 64 bits and held to what a 32-bit coordinate can name; a disc
    // that large covers the canvas or misses it either way.
    const auto clamp32 = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    const std::int64_t x = cx, y = cy, radius = r;
    native_->surface.Ellipse(clamp32(x - radius), clamp32(y - radius), clamp32(x + radius), clamp32(y + radius),
                             PackedRgb(color));
}

void Canvas::ClipTo(const Rect& rect) {
    native_->surface.SetClip(rect.left, rect.top, rect.right, rect.bottom);
    KeepColumnsTo(rect);
}

void Canvas::Unclip() {
    native_->surface.ResetClip();
    KeepColumnsTo(Rect{0, 0, PixelWidth(), PixelHeight()});
}

void Canvas::WriteColumn(std::int32_t x, std::int32_t first, std::int32_t last, const RgbColor& color) {
    native_->surface.Column(x, first, last, PackedRgb(color));
}

void Canvas::CopyPixels(std::vector<std::uint32_t>& out) const {
    out.clear();
    out.reserve(static_cast<std::size_t>(PixelWidth()) * static_cast<std::size_t>(PixelHeight()));
    for (std::int32_t y = 0; y < PixelHeight(); ++y) {
        const std::uint32_t* row = PixelRow(*this, y);
        out.insert(out.end(), row, row + PixelWidth());
    }
}

void Canvas::FinishDrawing() const {}

void Canvas::SetForeground(const RgbColor& color) { native_->textColor = PackedRgb(color); }

void Canvas::SetBackground(const RgbColor& color) { native_->backColor = PackedRgb(color); }

void Canvas::UseFont(const GdiObject& font) {
    // A holder without a font (a bitmap) leaves the selection as it was.
    if (font.native().font) native_->font = font.native().font.get();
}

TextSize Canvas::MeasureText(const char* text) {
    const RasterFont& font = FontOf(*native_);
    return TextSize{font.TextWidth(text), font.cellHeight};
}

void Canvas::PutText(std::int32_t x, std::int32_t y, const char* text) { PaintText(*native_, x, y, text); }

void Canvas::PutTextRight(std::int32_t xRight, std::int32_t y, const char* text) {
    const RasterFont& font = FontOf(*native_);
    PaintText(*native_, static_cast<std::int64_t>(xRight) - font.TextWidth(text), y, text);
}

void Canvas::DrawBitmapFile(const char* path, std::int32_t x, std::int32_t y, std::int32_t width_,
                            std::int32_t height_) {
    const auto image = ReadBitmapFile(path);
    if (!image) return;
    RasterSurface& surface = native_->surface;
    // Only the area rows and columns that land on the canvas are visited.
    const std::int64_t firstRow = std::max<std::int64_t>(0, surface.ClipTop() - y);
    const std::int64_t endRow = std::min<std::int64_t>(height_, surface.ClipBottom() - y);
    const std::int64_t firstColumn = std::max<std::int64_t>(0, surface.ClipLeft() - x);
    const std::int64_t endColumn = std::min<std::int64_t>(
        {static_cast<std::int64_t>(width_), static_cast<std::int64_t>(image->width), surface.ClipRight() - x});
    for (std::int64_t areaRow = firstRow; areaRow < endRow; ++areaRow) {
        const std::int32_t storedRow = StoredRowForAreaRow(*image, height_, static_cast<std::int32_t>(areaRow));
        if (storedRow < 0) continue;
        std::uint32_t* line = surface.Row(static_cast<std::int32_t>(y + areaRow));
        for (std::int64_t column = firstColumn; column < endColumn; ++column) {
            line[x + column] = image->ColorAt(static_cast<std::int32_t>(column), storedRow);
        }
    }
}

std::int32_t Canvas::PixelWidth() const { return native_->surface.Width(); }

std::int32_t Canvas::PixelHeight() const { return native_->surface.Height(); }

RgbColor Canvas::PixelAt(std::int32_t x, std::int32_t y) const { return UnpackRgb(native_->surface.At(x, y)); }

bool Canvas::SaveImage(const char* path) const {
    if (path == nullptr || PixelWidth() <= 0 || PixelHeight() <= 0) return false;
    std::vector<std::uint32_t> pixels;
    CopyPixels(pixels);
    const std::string png = EncodePng(pixels, PixelWidth(), PixelHeight(), 1, PngPacking::Small);
    if (png.empty()) return false;
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool closed = std::fclose(file) == 0;
    if (!(written && closed)) {
        std::remove(path);  // no half-written image left behind
        return false;
    }
    return true;
}
