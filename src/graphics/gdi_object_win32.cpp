#include "graphics/canvas_win32.h"

GdiObject::GdiObject() : native_(std::make_unique<Native>()) {}

GdiObject::~GdiObject() {
    if (native_->handle != nullptr) DeleteObject(native_->handle);
}

std::unique_ptr<GdiObject> GdiObject::MakeBitmap(std::int32_t width, std::int32_t height) {
    auto object = std::make_unique<GdiObject>();
    if (width <= 0 || height <= 0) return object;

    // A DIB section rather than a device-dependent bitmap: its pixels are ours to read back
    // (tests, screenshots), and a 32-bit top-down layout makes row y start at y * width.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    // With RGB colours the device context lends the section nothing (only a palette would
    // come from it): the screen's serves any window on any monitor.
    HDC dc = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc != nullptr) ReleaseDC(nullptr, dc);

    Native& native = *object->native_;
    if (bitmap != nullptr && bits != nullptr) {
        native.handle = bitmap;
        native.bits = bits;
        native.width = width;
        native.height = height;
    } else if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    return object;
}

std::unique_ptr<GdiObject> GdiObject::MakeArialFont(std::int32_t cellHeight, bool bold) {
    auto object = std::make_unique<GdiObject>();
    // Pitch and family 0x30 is FF_MODERN with default pitch. It only steers the font mapper
    // when no face called Arial (or a replacement for it) is installed; otherwise the name wins.
    object->native_->handle = CreateFontA(cellHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                          ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0x30,
                                          "Arial");
    return object;
}
