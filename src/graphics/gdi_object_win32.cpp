#include "graphics/gdi_object.h"

GdiObject::GdiObject() = default;

GdiObject::~GdiObject() {
    if (handle != nullptr) DeleteObject(handle);
}

std::unique_ptr<GdiObject> GdiObject::MakeBitmap(DeviceContext reference, std::int32_t width, std::int32_t height) {
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

    HDC dc = reference;
    const bool ownScreenDc = dc == nullptr;
    if (ownScreenDc) dc = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (ownScreenDc && dc != nullptr) ReleaseDC(nullptr, dc);

    if (bitmap != nullptr && bits != nullptr) {
        object->handle = bitmap;
        object->bits = bits;
        object->width = width;
        object->height = height;
    } else if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    return object;
}

std::unique_ptr<GdiObject> GdiObject::MakeArialFont(std::int32_t cellHeight, bool bold) {
    auto object = std::make_unique<GdiObject>();
    // Pitch and family 0x30 is FF_MODERN with default pitch. It only steers the font mapper
    // when no face called Arial (or a replacement for it) is installed; otherwise the name wins.
    object->handle = CreateFontA(cellHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0x30, "Arial");
    return object;
}
