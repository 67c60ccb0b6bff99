// The holder of one platform drawing object: a bitmap or a font. Made once and kept for the
// life of the display; the destructor releases the platform object.
#pragma once

#include <cstdint>
#include <memory>

class GdiObject {
public:
    // A width x height bitmap for a canvas, made without a window: its pixels are the
    // canvas's own, whatever screen they are shown on.
    static std::unique_ptr<GdiObject> MakeBitmap(std::int32_t width, std::int32_t height);
    // "Arial" with the given cell height (ascent + descent), weight 700 when bold, else 400.
    static std::unique_ptr<GdiObject> MakeArialFont(std::int32_t cellHeight, bool bold);

    GdiObject();
    ~GdiObject();
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    // The platform object, defined by canvas_win32.h or canvas_raster.h.
    struct Native;
    Native& native() { return *native_; }
    const Native& native() const { return *native_; }

private:
    std::unique_ptr<Native> native_;
};
