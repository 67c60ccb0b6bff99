#include "graphics/canvas_raster.h"
#include "graphics/raster_font.h"

namespace {

// A bitmap the platform could not have made either (CreateCompatibleBitmap fails long
// before this): the holder stays empty and a canvas over it draws nowhere.
constexpr std::int64_t kMaxBitmapPixels = 64ll * 1024 * 1024;

}  // namespace

GdiObject::GdiObject() : native_(std::make_unique<Native>()) {}
GdiObject::~GdiObject() = default;

std::unique_ptr<GdiObject> GdiObject::MakeBitmap(std::int32_t width, std::int32_t height) {
    auto object = std::make_unique<GdiObject>();
    const bool fits = width > 0 && height > 0 && static_cast<std::int64_t>(width) * height <= kMaxBitmapPixels;
    object->native_->bitmap = std::make_unique<RasterBitmap>(fits ? MakeRasterBitmap(width, height) : RasterBitmap{});
    return object;
}

std::unique_ptr<GdiObject> GdiObject::MakeArialFont(std::int32_t cellHeight, bool bold) {
    auto object = std::make_unique<GdiObject>();
    object->native_->font = RasterFont::Get(cellHeight, bold);
    return object;
}
