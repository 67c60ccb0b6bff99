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

inline bool IsEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// The pixels in both; {0, 0, 0, 0} when none.
inline Rect Intersection(const Rect& a, const Rect& b) {
    const Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                 a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return IsEmpty(r) ? Rect{0, 0, 0, 0} : r;
}

// The smallest rectangle holding both; an empty one counts for nothing.
inline Rect Bounds(const Rect& a, const Rect& b) {
    if (IsEmpty(a)) return b;
    if (IsEmpty(b)) return a;
    return Rect{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

struct TextSize {
    std::int32_t width;
    std::int32_t height;
};
