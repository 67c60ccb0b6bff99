// Where a picture changed, kept as a few rectangles. One bounding box would cover everything
// between changes that lie far apart (a panel's text at the top, a graph row at the bottom),
// and whatever copies the damage would copy most of the picture for a few rows.
#pragma once

#include <cstddef>
#include <vector>

#include "graphics/rect.h"

class Damage {
public:
    // At most this many rectangles: past it a new one joins the rectangle it enlarges least.
    static constexpr std::size_t kMostRects = 8;

    // Every pixel of `part` is in the damage afterwards; an empty part adds nothing. Parts that
    // overlap or touch one already kept are joined with it into their bounding box.
    void Add(const Rect& part);
    void Add(const Damage& other);
    void Clear() { rects_.clear(); }

    bool Empty() const { return rects_.empty(); }
    const std::vector<Rect>& Rects() const { return rects_; }
    Rect Bounds() const;

private:
    std::vector<Rect> rects_;
};
