#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/bmp_file.h"
#include "graphics/canvas_win32.h"

namespace {

// GDI counts characters in an int; anything longer than that is drawn in part.
int TextLength(const char* text) {
    const std::size_t length = std::strlen(text);
    return length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

const GdiObject::Native& BitmapOf(const Canvas::Native& native) { return native.bitmap->native(); }

std::uint32_t* DirectPixels(const Canvas::Native& native) { return static_cast<std::uint32_t*>(BitmapOf(native).bits); }

// GDI may still hold drawing calls in its batch; one of them landing after, or under, a
// pixel written directly would undo it. Called before every direct write, it flushes once
// per change from GDI drawing to direct writes, not once per pixel: a flush costs as much as
// a SetPixelV call.
void FlushGdiBeforeDirectWrite(Canvas::Native& native) {
    if (!native.gdiPending) return;
    GdiFlush();
    native.gdiPending = false;
}

}  // namespace

Canvas::Canvas(GdiObject& bitmap, std::int32_t width_, std::int32_t height_)
    : width(width_), height(height_), native_(std::make_unique<Native>()) {
    Native& native = *native_;
    native.bitmap = &bitmap;
    native.dc = CreateCompatibleDC(nullptr);
    if (native.dc != nullptr && bitmap.native().handle != nullptr) {
        native.previousBitmap = SelectObject(native.dc, bitmap.native().handle);
    }
    for (const Pen pen : {Pen::White, Pen::Grey}) {
        native.PenHandle(pen) = CreatePen(PS_SOLID, 1, PaletteColorRef(PenColor(pen)));
    }
    KeepColumnsTo(Rect{0, 0, PixelWidth(), PixelHeight()});
}

Canvas::~Canvas() {
    Native& native = *native_;
    if (native.dc != nullptr) {
        // The bitmap and the font outlive the canvas; they must not be deleted while selected.
        if (native.previousFont != nullptr) SelectObject(native.dc, native.previousFont);
        if (native.previousBitmap != nullptr) SelectObject(native.dc, native.previousBitmap);
        DeleteDC(native.dc);
    }
    for (HPEN pen : {native.whitePen, native.greyPen}) {
        if (pen != nullptr) DeleteObject(pen);
    }
}

void Canvas::FillBox(const Rect& rect, const RgbColor& color) {
    // FillRect would put an inverted rectangle the right way round and fill it; the display
    // relies on such a rectangle filling nothing.
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    HBRUSH brush = CreateSolidBrush(PaletteColorRef(color));
    if (brush == nullptr) return;
    const RECT box{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(native_->dc, &box, brush);
    native_->gdiPending = true;
    DeleteObject(brush);
}

void Canvas::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Pen pen) {
    HDC dc = native_->dc;
    SelectObject(dc, native_->PenHandle(pen));
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    native_->gdiPending = true;
}

void Canvas::FillCircle(std::int32_t cx, std::int32_t cy, std::int32_t r, const RgbColor& color) {
    HDC dc = native_->dc;
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
        native_->gdiPending = true;
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
    }
    if (pen != nullptr) DeleteObject(pen);
    if (brush != nullptr) DeleteObject(brush);
}

// Direct writes keep to the same box as GDI's clip region, through KeepColumnsTo; pixels
// off the bitmap are never walked, so a wild column cannot cost billions of calls.
void Canvas::ClipTo(const Rect& rect) {
    SelectClipRgn(native_->dc, nullptr);
    IntersectClipRect(native_->dc, rect.left, rect.top, rect.right, rect.bottom);
    KeepColumnsTo(rect);
}

void Canvas::Unclip() {
    SelectClipRgn(native_->dc, nullptr);
    KeepColumnsTo(Rect{0, 0, PixelWidth(), PixelHeight()});
}

void Canvas::WriteColumn(std::int32_t x, std::int32_t first, std::int32_t last, const RgbColor& color) {
    Native& native = *native_;
    if (native.plotThroughGdi) {
        const COLORREF ref = PaletteColorRef(color);
        for (std::int32_t y = first; y < last; ++y) SetPixelV(native.dc, x, y, ref);
        native.gdiPending = true;
        return;
    }
    FlushGdiBeforeDirectWrite(native);
    // Indexed from the clipped column, so no pointer is ever formed off the bitmap. A 32-bit
    // top-down DIB row is `width` pixels with no padding.
    const std::size_t stride = static_cast<std::size_t>(BitmapOf(native).width);
    std::uint32_t* const column = DirectPixels(native) + static_cast<std::size_t>(x);
    const std::uint32_t value = PackedRgb(color);
    for (auto y = static_cast<std::size_t>(first); y < static_cast<std::size_t>(last); ++y) column[y * stride] = value;
}

void Canvas::SetForeground(const RgbColor& color) { SetTextColor(native_->dc, PaletteColorRef(color)); }

void Canvas::SetBackground(const RgbColor& color) { SetBkColor(native_->dc, PaletteColorRef(color)); }

void Canvas::UseFont(const GdiObject& font) {
    if (font.native().handle == nullptr) return;
    HGDIOBJ previous = SelectObject(native_->dc, font.native().handle);
    // The context's own font is kept from the first selection so that it can be put back.
    if (native_->previousFont == nullptr) native_->previousFont = previous;
}

TextSize Canvas::MeasureText(const char* text) {
    if (text == nullptr) {
        TEXTMETRICA metrics{};
        if (!GetTextMetricsA(native_->dc, &metrics)) return TextSize{0, 0};
        return TextSize{0, static_cast<std::int32_t>(metrics.tmHeight)};
    }
    SIZE size{};
    if (!GetTextExtentPoint32A(native_->dc, text, TextLength(text), &size)) return TextSize{0, 0};
    return TextSize{static_cast<std::int32_t>(size.cx), static_cast<std::int32_t>(size.cy)};
}

void Canvas::PutText(std::int32_t x, std::int32_t y, const char* text) {
    if (text == nullptr) return;
    TextOutA(native_->dc, x, y, text, TextLength(text));
    native_->gdiPending = true;
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
    StretchDIBits(native_->dc, x, y, width_, height_, 0, 0, width_, height_, image->pixels.data(),
                  reinterpret_cast<const BITMAPINFO*>(image->info.data()), DIB_RGB_COLORS, SRCCOPY);
    native_->gdiPending = true;
}

std::int32_t Canvas::PixelWidth() const {
    const GdiObject::Native& bitmap = BitmapOf(*native_);
    return bitmap.bits != nullptr ? bitmap.width : 0;
}

std::int32_t Canvas::PixelHeight() const {
    const GdiObject::Native& bitmap = BitmapOf(*native_);
    return bitmap.bits != nullptr ? bitmap.height : 0;
}

void Canvas::CopyPixels(std::vector<std::uint32_t>& out) const {
    out.clear();
    if (PixelWidth() == 0) return;
    GdiFlush();
    // A top-down 32-bit DIB section: row y at y * width, no padding. The fourth byte is GDI's.
    const std::uint32_t* bits = DirectPixels(*native_);
    const std::size_t count = static_cast<std::size_t>(PixelWidth()) * static_cast<std::size_t>(PixelHeight());
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) out.push_back(bits[i] & 0x00FFFFFFu);
}

void Canvas::FinishDrawing() const { GdiFlush(); }

RgbColor Canvas::PixelAt(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= PixelWidth() || y >= PixelHeight()) return Black;
    // GDI may still hold drawing calls in its batch; the bits are only current after a flush.
    GdiFlush();
    const std::uint32_t* row = DirectPixels(*native_) + static_cast<std::size_t>(y) * PixelWidth();
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

    const std::uint32_t* bits = DirectPixels(*native_);
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
