#include "graphics/canvas.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "graphics/bmp_file.h"
#include "graphics/raster_font.h"

namespace {

// A new device context's font: the system font stands in as the 14-pixel regular face.
constexpr std::int32_t kDefaultCellHeight = 14;

[[noreturn]] void PngFail(png_structp png, png_const_charp /*message*/) {
    std::longjmp(png_jmpbuf(png), 1);
}

void PngIgnoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Kept apart from its caller so that nothing with a destructor lives in the frame that
// libpng may long-jump out of.
bool WritePng(std::FILE* file, std::int32_t width, std::int32_t height, std::vector<png_bytep>& rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngIgnoreWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

Canvas::Canvas(GdiObject& bitmap, std::int32_t width_, std::int32_t height_)
    : width(width_),
      height(height_),
      whitePen(PackedRgb(White)),
      greyPen(PackedRgb(Grey)),
      surface_(bitmap.bitmap ? *bitmap.bitmap : emptyBitmap_) {}

Canvas::~Canvas() = default;

const RasterFont& Canvas::Font() const {
    if (font_ != nullptr) return *font_;
    static const RasterFont* const systemFont = RasterFont::Get(kDefaultCellHeight, false).get();
    return *systemFont;
}

void Canvas::FillBox(const Rect& rect, const RgbColor& color) {
    surface_.FillRect(rect.left, rect.top, rect.right, rect.bottom, PackedRgb(color));
}

void Canvas::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const RgbColor& color) {
    // The pen is chosen by which constant was passed, not by its value.
    surface_.Line(x1, y1, x2, y2, &color == &White ? whitePen : greyPen);
}

void Canvas::FillCircle(std::int32_t cx, std::int32_t cy, std::int32_t r, const RgbColor& color) {
    // The box is formed in 64 bits and held to what a 32-bit coordinate can name; a disc
    // that large covers the canvas or misses it either way.
    const auto clamp32 = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    const std::int64_t x = cx, y = cy, radius = r;
    surface_.Ellipse(clamp32(x - radius), clamp32(y - radius), clamp32(x + radius), clamp32(y + radius),
                     PackedRgb(color));
}

void Canvas::ClipTo(const Rect& rect) { surface_.SetClip(rect.left, rect.top, rect.right, rect.bottom); }

void Canvas::Unclip() { surface_.ResetClip(); }

void Canvas::PlotPixel(std::int32_t x, std::int32_t y, const RgbColor& color) {
    if (!surface_.InClip(x, y)) return;
    if (coverage_.Active()) {
        coverage_.Claim(x, y, y + 1, [&](std::int32_t, std::int32_t) { surface_.Plot(x, y, PackedRgb(color)); });
        return;
    }
    surface_.Plot(x, y, PackedRgb(color));
}

// Cuts the run x, top <= y < bottom to the clip; false when nothing is left.
void Canvas::CopyPixels(std::vector<std::uint32_t>& out) const {
    out.clear();
    out.reserve(static_cast<std::size_t>(PixelWidth()) * static_cast<std::size_t>(PixelHeight()));
    for (std::int32_t y = 0; y < PixelHeight(); ++y) out.insert(out.end(), PixelRow(y), PixelRow(y) + PixelWidth());
}

void Canvas::FinishDrawing() const {}

bool Canvas::ClipColumn(std::int32_t x, std::int32_t& top, std::int32_t& bottom) const {
    if (x < surface_.ClipLeft() || x >= surface_.ClipRight()) return false;
    top = static_cast<std::int32_t>(std::max<std::int64_t>(top, surface_.ClipTop()));
    bottom = static_cast<std::int32_t>(std::min<std::int64_t>(bottom, surface_.ClipBottom()));
    return top < bottom;
}

void Canvas::PlotColumn(std::int32_t x, std::int32_t top, std::int32_t bottom, const RgbColor& color) {
    const std::uint32_t packed = PackedRgb(color);
    if (!ClipColumn(x, top, bottom)) return;
    if (coverage_.Active()) {
        coverage_.Claim(x, top, bottom, [&](std::int32_t first, std::int32_t last) {
            surface_.Column(x, first, last, packed);
        });
        return;
    }
    surface_.Column(x, top, bottom, packed);
}

void Canvas::PlotColumnPair(std::int32_t x, std::int32_t top, std::int32_t split, std::int32_t bottom,
                            const RgbColor& upper, const RgbColor& lower) {
    if (!ClipColumn(x, top, bottom)) return;
    split = std::clamp(split, top, bottom);
    const std::uint32_t above = PackedRgb(upper);
    const std::uint32_t below = PackedRgb(lower);
    const auto write = [&](std::int32_t first, std::int32_t last) {
        if (first < split) surface_.Column(x, first, std::min(last, split), above);
        if (last > split) surface_.Column(x, std::max(first, split), last, below);
    };
    if (coverage_.Active()) {
        coverage_.Claim(x, top, bottom, write);
        return;
    }
    write(top, bottom);
}

bool Canvas::ColumnHidden(std::int32_t x, std::int32_t top, std::int32_t bottom) const {
    return !ClipColumn(x, top, bottom) || (coverage_.Active() && coverage_.Covered(x, top, bottom));
}

void Canvas::SetForeground(const RgbColor& color) { textColor_ = PackedRgb(color); }

void Canvas::SetBackground(const RgbColor& color) { backColor_ = PackedRgb(color); }

void Canvas::UseFont(const GdiObject& font) {
    // A holder without a font (a bitmap) leaves the selection as it was.
    if (font.font) font_ = font.font.get();
}

TextSize Canvas::MeasureText(const char* text) {
    const RasterFont& font = Font();
    return TextSize{font.TextWidth(text), font.cellHeight};
}

void Canvas::PutText(std::int32_t x, std::int32_t y, const char* text) { PaintText(x, y, text); }

void Canvas::PutTextRight(std::int32_t xRight, std::int32_t y, const char* text) {
    const RasterFont& font = Font();
    PaintText(static_cast<std::int64_t>(xRight) - font.TextWidth(text), y, text);
}

void Canvas::PaintText(std::int64_t x, std::int64_t y, const char* text) {
    if (text == nullptr || *text == '\0') return;
    const RasterFont& font = Font();
    const std::int64_t right = x + font.TextWidth(text);
    const std::int64_t bottom = y + font.cellHeight;
    surface_.FillRect(x, y, right, bottom, backColor_);

    // Glyphs are kept to the cell as well as to the canvas, so a text changes exactly the
    // cell that MeasureText describes (a stray accent cannot reach the next line's band).
    const std::int64_t clipLeft = std::max<std::int64_t>(x, surface_.ClipLeft());
    const std::int64_t clipTop = std::max<std::int64_t>(y, surface_.ClipTop());
    const std::int64_t clipRight = std::min<std::int64_t>(right, surface_.ClipRight());
    const std::int64_t clipBottom = std::min<std::int64_t>(bottom, surface_.ClipBottom());
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
            std::uint32_t* line = surface_.Row(static_cast<std::int32_t>(glyphTop + row));
            for (std::int64_t column = firstColumn; column < endColumn; ++column) {
                if (glyph.Inked(static_cast<std::int32_t>(column), static_cast<std::int32_t>(row))) {
                    line[glyphLeft + column] = textColor_;
                }
            }
        }
    }
}

void Canvas::DrawBitmapFile(const char* path, std::int32_t x, std::int32_t y, std::int32_t width_,
                            std::int32_t height_) {
    const auto image = ReadBitmapFile(path);
    if (!image) return;
    // Only the area rows and columns that land on the canvas are visited.
    const std::int64_t firstRow = std::max<std::int64_t>(0, surface_.ClipTop() - y);
    const std::int64_t endRow = std::min<std::int64_t>(height_, surface_.ClipBottom() - y);
    const std::int64_t firstColumn = std::max<std::int64_t>(0, surface_.ClipLeft() - x);
    const std::int64_t endColumn = std::min<std::int64_t>(
        {static_cast<std::int64_t>(width_), static_cast<std::int64_t>(image->width), surface_.ClipRight() - x});
    for (std::int64_t areaRow = firstRow; areaRow < endRow; ++areaRow) {
        const std::int32_t storedRow = StoredRowForAreaRow(*image, height_, static_cast<std::int32_t>(areaRow));
        if (storedRow < 0) continue;
        std::uint32_t* line = surface_.Row(static_cast<std::int32_t>(y + areaRow));
        for (std::int64_t column = firstColumn; column < endColumn; ++column) {
            line[x + column] = image->ColorAt(static_cast<std::int32_t>(column), storedRow);
        }
    }
}

std::int32_t Canvas::PixelWidth() const { return surface_.Width(); }

std::int32_t Canvas::PixelHeight() const { return surface_.Height(); }

RgbColor Canvas::PixelAt(std::int32_t x, std::int32_t y) const { return UnpackRgb(surface_.At(x, y)); }

bool Canvas::SaveImage(const char* path) const {
    if (path == nullptr || surface_.Width() <= 0 || surface_.Height() <= 0) return false;
    const auto columns = static_cast<std::size_t>(surface_.Width());
    std::vector<png_byte> pixels(columns * static_cast<std::size_t>(surface_.Height()) * 3);
    std::vector<png_bytep> rows(static_cast<std::size_t>(surface_.Height()));
    for (std::int32_t y = 0; y < surface_.Height(); ++y) {
        png_bytep row = pixels.data() + static_cast<std::size_t>(y) * columns * 3;
        rows[static_cast<std::size_t>(y)] = row;
        for (std::int32_t x = 0; x < surface_.Width(); ++x) {
            const std::uint32_t pixel = surface_.At(x, y);
            row[3 * x] = static_cast<png_byte>(pixel >> 16);
            row[3 * x + 1] = static_cast<png_byte>(pixel >> 8);
            row[3 * x + 2] = static_cast<png_byte>(pixel);
        }
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = WritePng(file, surface_.Width(), surface_.Height(), rows);
    const bool closed = std::fclose(file) == 0;
    if (!(written && closed)) {
        std::remove(path);  // no half-written image left behind
        return false;
    }
    return true;
}
