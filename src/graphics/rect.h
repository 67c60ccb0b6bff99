#pragma once

#include <cstdint>

// {left, top, right, bottom}: the right column and the bottom row are outside.
struct Rect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;

    bool operator==(const Rect&) const = default;
};

struct TextSize {
    std::int32_t width;
    std::int32_t height;
};
