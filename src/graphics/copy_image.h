// The image of one copy of a picture, as a front end sends it to a window: the picture's pixels
// repeated to the copy's scale, or, for a copy placed smaller than the picture (a preview pane,
// a small window), the whole picture reduced to the copy's place by area averaging. Plain
// pixel arithmetic, no platform: the X11 and Wayland front ends share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "graphics/raster_surface.h"
#include "graphics/rect.h"

// Where one copy of a picture goes on a monitor.
struct CanvasCopy {
    Rect monitor;      // the monitor the copy belongs to; nothing of it is drawn outside
    Rect destination;  // the picture's size times the scale, or smaller when reduced
    std::int32_t scale = 1;

    bool operator==(const CanvasCopy&) const = default;
};

// Row y of a picture, its width in 0x00RRGGBB values. Called for rows 0 <= y < height only.
using RowSource = std::function<const std::uint32_t*(std::int32_t y)>;

struct ImageSize {
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const ImageSize&) const = default;
};

// True when the copy's destination has area and is narrower or lower than a picture of
// `width` x `height`: its image is then the picture reduced to the destination, at scale 1.
bool IsReduced(const CanvasCopy& copy, std::int32_t width, std::int32_t height);

// The copy's image for a picture of `width` x `height`: the destination's size when reduced,
// else the picture's size times the scale (a scale below 1 counts as 1).
ImageSize CopyImageSize(const CanvasCopy& copy, std::int32_t width, std::int32_t height);

// Writes into `out` (CopyImageSize's pixels, `stridePixels` apart from row to row) the rows of
// the copy's image that the picture's rows `drawn` touch, reading whatever picture rows they
// need through `rows`, and returns the span of image rows written (empty when none).
// Scaled, each picture pixel becomes a scale x scale block. Reduced, each image pixel is the
// average of the picture under its footprint, each picture pixel weighted by the part of it
// the footprint covers, per channel, rounded half up: exact integer weights, so a uniform
// picture stays uniform and a few new rows give the same pixels as reducing it all again.
RowSpan WriteCopyRows(const RowSource& rows, std::int32_t width, std::int32_t height, const CanvasCopy& copy,
                      RowSpan drawn, std::uint32_t* out, std::size_t stridePixels);
