#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/bmp_file.h"
#include "graphics/canvas.h"

namespace {

// GDI counts characters in an int; anything longer than that is drawn in part.
int TextLength(const char* text) {
    const std::size_t length = std::strlen(text);
    return length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

Canvas::Canvas(GdiObject& bitmap, std::int32_t width_, std::int32_t height_)
    : width(width_), height(height_), bitmap_(&bitmap) {
    dc = CreateCompatibleDC(nullptr);
    if (dc != nullptr && bitmap.handle != nullptr) previousBitmap_ = SelectObject(dc, bitmap.handle);
    whitePen = CreatePen(PS_SOLID, 1, PaletteColorRef(White));
    greyPen = CreatePen(PS_SOLID, 1, PaletteColorRef(Grey));
}

Canvas::~Canvas() {
    if (dc != nullptr) {
        // The bitmap and the font outlive the canvas; they must not be deleted while selected.
        if (previousFont_ != nullptr) SelectObject(dc, previousFont_);
        if (previousBitmap_ != nullptr) SelectObject(dc, previousBitmap_);
        DeleteDC(dc);
    }
    if (whitePen != nullptr) DeleteObject(whitePen);
    if (greyPen != nullptr) DeleteObject(greyPen);
}

void Canvas::FillBox(const Rect& rect, const RgbColor& color) {
    // FillRect would put an inverted rectangle the right way round and fill it; the display
    // relies on such a rectangle filling nothing.
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    HBRUSH brush = CreateSolidBrush(PaletteColorRef(color));
    if (brush == nullptr) return;
    const RECT box{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(dc, &box, brush);
    gdiPending_ = true;
    DeleteObject(brush);
}

void Canvas::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const RgbColor& color) {
    // The pen is chosen by identity: only the White constant itself draws white.
    SelectObject(dc, &color == &White ? whitePen : greyPen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    gdiPending_ = true;
}

void Canvas::FillCircle(std::int32_t cx, std::int32_t cy, std::int32_t r, const RgbColor& color) {
    const COLORREF ref = PaletteColorRef(color);
    HBRUSH brush = CreateSolidBrush(ref);
    HPEN pen = CreatePen(PS_SOLID, 0, ref);
    if (brush != nullptr && pen != nullptr) {
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        // Computed in 64 bits: a centre near the edge of the int range must not wrap round
        // to a box on the other side of the canvas.
        const auto clamp = [](std::int64_t v) {
            return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
        };
        const std::int64_t x = cx, y = cy, radius = r;
        Ellipse(dc, clamp(x - radius), clamp(y - radius), clamp(x + radius), clamp(y + radius));
        gdiPending_ = true;
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
    }
    if (pen != nullptr) DeleteObject(pen);
    if (brush != nullptr) DeleteObject(brush);
}

void Canvas::FlushGdiBeforeDirectWrite() {
    // Once per change from GDI drawing to direct writes, not once per pixel: a flush costs
    // as much as a SetPixelV call.
    if (!gdiPending_) return;
    GdiFlush();
    gdiPending_ = false;
}

void Canvas::ClipTo(const Rect& rect) {
    SelectClipRgn(dc, nullptr);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    clip_ = rect;
    clipped_ = true;
}

void Canvas::Unclip() {
    SelectClipRgn(dc, nullptr);
    clipped_ = false;
}

void Canvas::PlotPixel(std::int32_t x, std::int32_t y, const RgbColor& color) {
    if (x < 0 || y < 0 || x >= PixelWidth() || y >= PixelHeight()) return;
    if (clipped_ && (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom)) return;
    if (coverage_.Active()) {
        coverage_.Claim(x, y, y + 1, [&](std::int32_t, std::int32_t) { WriteColumn(x, y, y + 1, color); });
        return;
    }
    WriteColumn(x, y, y + 1, color);
}

// Cuts the run x, first <= y < last to the bitmap and the clip; false when nothing is left.
// Pixels off the bitmap would be dropped one by one; skipping them keeps a wild column from
// costing billions of calls.
bool Canvas::ClipColumn(std::int32_t x, std::int32_t& first, std::int32_t& last) const {
    if (x < 0 || x >= PixelWidth()) return false;
    if (clipped_ && (x < clip_.left || x >= clip_.right)) return false;
    first = std::max<std::int32_t>(first, 0);
    last = std::min<std::int32_t>(last, PixelHeight());
    if (clipped_) {
        first = std::max(first, clip_.top);
        last = std::min(last, clip_.bottom);
    }
    return first < last;
}

void Canvas::PlotColumn(std::int32_t x, std::int32_t top, std::int32_t bottom, const RgbColor& color) {
    std::int32_t first = top;
    std::int32_t last = bottom;
    if (!ClipColumn(x, first, last)) return;
    if (coverage_.Active()) {
        coverage_.Claim(x, first, last, [&](std::int32_t from, std::int32_t to) { WriteColumn(x, from, to, color); });
        return;
    }
    WriteColumn(x, first, last, color);
}

void Canvas::PlotColumnPair(std::int32_t x, std::int32_t top, std::int32_t split, std::int32_t bottom,
                            const RgbColor& upper, const RgbColor& lower) {
    std::int32_t first = top;
    std::int32_t last = bottom;
    if (!ClipColumn(x, first, last)) return;
    split = std::clamp(split, first, last);
    const auto write = [&](std::int32_t from, std::int32_t to) {
        if (from < split) WriteColumn(x, from, std::min(to, split), upper);
        if (to > split) WriteColumn(x, std::max(from, split), to, lower);
    };
    if (coverage_.Active()) {
        coverage_.Claim(x, first, last, write);
        return;
    }
    write(first, last);
}

bool Canvas::ColumnHidden(std::int32_t x, std::int32_t top, std::int32_t bottom) const {
    std::int32_t first = top;
    std::int32_t last = bottom;
    return !ClipColumn(x, first, last) || (coverage_.Active() && coverage_.Covered(x, first, last));
}

// Pixels x, first <= y < last, all on the bitmap.
void Canvas::WriteColumn(std::int32_t x, std::int32_t first, std::int32_t last, const RgbColor& color) {
    if (plotThroughGdi) {
        const COLORREF ref = PaletteColorRef(color);
        for (std::int32_t y = first; y < last; ++y) SetPixelV(dc, x, y, ref);
        gdiPending_ = true;
        return;
    }
    FlushGdiBeforeDirectWrite();
    // Indexed from the clipped column, so no pointer is ever formed off the bitmap. A 32-bit
    // top-down DIB row is `width` pixels with no padding.
    const std::size_t stride = static_cast<std::size_t>(bitmap_->width);
    std::uint32_t* const column = DirectPixels() + static_cast<std::size_t>(x);
    const std::uint32_t value = PackedRgb(color);
    for (auto y = static_cast<std::size_t>(first); y < static_cast<std::size_t>(last); ++y) column[y * stride] = value;
}

void Canvas::SetForeground(const RgbColor& color) { SetTextColor(dc, PaletteColorRef(color)); }

void Canvas::SetBackground(const RgbColor& color) { SetBkColor(dc, PaletteColorRef(color)); }

void Canvas::UseFont(const GdiObject& font) {
    if (font.handle == nullptr) return;
    HGDIOBJ previous = SelectObject(dc, font.handle);
    // The context's own font is kept from the first selection so that it can be put back.
    if (previousFont_ == nullptr) previousFont_ = previous;
}

TextSize Canvas::MeasureText(const char* text) {
    if (text == nullptr) {
        TEXTMETRICA metrics{};
        if (!GetTextMetricsA(dc, &metrics)) return TextSize{0, 0};
        return TextSize{0, static_cast<std::int32_t>(metrics.tmHeight)};
    }
    SIZE size{};
    if (!GetTextExtentPoint32A(dc, text, TextLength(text), &size)) return TextSize{0, 0};
    return TextSize{static_cast<std::int32_t>(size.cx), static_cast<std::int32_t>(size.cy)};
}

void Canvas::PutText(std::int32_t x, std::int32_t y, const char* text) {
    if (text == nullptr) return;
    TextOutA(dc, x, y, text, TextLength(text));
    gdiPending_ = true;
}

void Canvas::PutTextRight(std::int32_t xRight, std::int32_t y, const char* text) {
    if (text == nullptr) return;
    const TextSize size = MeasureText(text);
    PutText(static_cast<std::int32_t>(static_cast<std::int64_t>(xRight) - size.width), y, text);
}

void Canvas::DrawBitmapFile(const char* path, std::int32_t x, std::int32_t y, std::int32_t width_,
                            std::int32_t height_) {
    // A missing or malformed file draws nothing: the area keeps what it had.
    const std::optional<BitmapFileImage> image = ReadBitmapFile(path);
    if (!image) return;
    StretchDIBits(dc, x, y, width_, height_, 0, 0, width_, height_, image->pixels.data(),
                  reinterpret_cast<const BITMAPINFO*>(image->info.data()), DIB_RGB_COLORS, SRCCOPY);
    gdiPending_ = true;
}

std::int32_t Canvas::PixelWidth() const { return bitmap_->bits != nullptr ? bitmap_->width : 0; }

std::int32_t Canvas::PixelHeight() const { return bitmap_->bits != nullptr ? bitmap_->height : 0; }

void Canvas::CopyPixels(std::vector<std::uint32_t>& out) const {
    out.clear();
    if (PixelWidth() == 0) return;
    GdiFlush();
    // A top-down 32-bit DIB section: row y at y * width, no padding. The fourth byte is GDI's.
    const std::uint32_t* bits = DirectPixels();
    const std::size_t count = static_cast<std::size_t>(PixelWidth()) * static_cast<std::size_t>(PixelHeight());
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) out.push_back(bits[i] & 0x00FFFFFFu);
}

void Canvas::FinishDrawing() const { GdiFlush(); }

RgbColor Canvas::PixelAt(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= PixelWidth() || y >= PixelHeight()) return Black;
    // GDI may still hold drawing calls in its batch; the bits are only current after a flush.
    GdiFlush();
    const auto* row = static_cast<const std::uint32_t*>(bitmap_->bits) + static_cast<std::size_t>(y) * bitmap_->width;
    return UnpackRgb(row[x]);
}

bool Canvas::SaveImage(const char* path) const {
    const std::int32_t w = PixelWidth();
    const std::int32_t h = PixelHeight();
    if (path == nullptr || w <= 0 || h <= 0) return false;
    GdiFlush();

    // A 24-bit bottom-up BMP: the form every viewer reads.
    const std::uint64_t stride = (static_cast<std::uint64_t>(w) * 3 + 3) / 4 * 4;
    const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(h);
    const std::uint64_t fileBytes = 14 + 40 + imageBytes;
    if (fileBytes > 0xFFFFFFFFull) return false;

    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(fileBytes));
    out.push_back('B');
    out.push_back('M');
    PutLittleEndian(out, static_cast<std::uint32_t>(fileBytes), 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 14 + 40, 4);
    PutLittleEndian(out, 40, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(w), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(h), 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, 24, 2);
    PutLittleEndian(out, 0 /* BI_RGB */, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(imageBytes), 4);
    PutLittleEndian(out, 2835, 4);  // 72 dpi
    PutLittleEndian(out, 2835, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 0, 4);

    const auto* bits = static_cast<const std::uint32_t*>(bitmap_->bits);
    for (std::int32_t y = h - 1; y >= 0; --y) {
        const std::uint32_t* row = bits + static_cast<std::size_t>(y) * w;
        for (std::int32_t x = 0; x < w; ++x) PutLittleEndian(out, row[x] & 0xFFFFFFu, 3);
        for (std::uint64_t pad = static_cast<std::uint64_t>(w) * 3; pad < stride; ++pad) out.push_back(0);
    }

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file) return false;
    if (std::fwrite(out.data(), 1, out.size(), file.get()) != out.size()) return false;
    return std::fclose(file.release()) == 0;
}
