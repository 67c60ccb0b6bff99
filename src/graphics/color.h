// Colours of the status screen. Every colour the display uses is one of these constants,
// passed by reference: lines tell the white pen from the grey one by the constant's address.
#pragma once

#include <cstdint>

struct RgbColor {
    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
};

inline constexpr RgbColor Black{0, 0, 0};
inline constexpr RgbColor White{255, 255, 255};
inline constexpr RgbColor Grey{127, 127, 127};
inline constexpr RgbColor FrameViolet{153, 102, 255};
inline constexpr RgbColor Green{0, 255, 0};
inline constexpr RgbColor Yellow{255, 255, 0};
inline constexpr RgbColor Red{255, 0, 0};
inline constexpr RgbColor DimGreen{0, 96, 0};
inline constexpr RgbColor DimYellow{64, 64, 0};
inline constexpr RgbColor DimRed{96, 0, 0};
inline constexpr RgbColor DarkRed{120, 0, 0};
inline constexpr RgbColor MidRed{180, 0, 0};
inline constexpr RgbColor BrightRed{240, 0, 0};

// The form handed to GDI: a palette-relative reference, 0x02BBGGRR, low 8 bits of each channel.
constexpr std::uint32_t PaletteColorRef(const RgbColor& color) {
    return 0x02000000u | (static_cast<std::uint32_t>(color.blue & 0xFF) << 16) |
           (static_cast<std::uint32_t>(color.green & 0xFF) << 8) | static_cast<std::uint32_t>(color.red & 0xFF);
}

// The form of a raster pixel: 0x00RRGGBB, low 8 bits of each channel.
constexpr std::uint32_t PackedRgb(const RgbColor& color) {
    return (static_cast<std::uint32_t>(color.red & 0xFF) << 16) | (static_cast<std::uint32_t>(color.green & 0xFF) << 8) |
           static_cast<std::uint32_t>(color.blue & 0xFF);
}

constexpr RgbColor UnpackRgb(std::uint32_t pixel) {
    return RgbColor{static_cast<std::int32_t>((pixel >> 16) & 0xFF), static_cast<std::int32_t>((pixel >> 8) & 0xFF),
                    static_cast<std::int32_t>(pixel & 0xFF)};
}

constexpr bool SameRgb(const RgbColor& a, const RgbColor& b) { return PackedRgb(a) == PackedRgb(b); }
