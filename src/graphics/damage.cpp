#include "graphics/damage.h"

#include <cstdint>

namespace {

std::int64_t Area(const Rect& r) {
    return IsEmpty(r) ? 0 : std::int64_t{r.right - r.left} * std::int64_t{r.bottom - r.top};
}

// Sharing pixels or an edge: their bounding box adds nothing that is in neither.
bool Touch(const Rect& a, const Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom &&
           ((a.left < b.right && b.left < a.right) || (a.top < b.bottom && b.top < a.bottom));
}

}  // namespace

void Damage::Add(const Rect& part) {
    if (IsEmpty(part)) return;
    Rect joined = part;
    // A joined box may reach others that the part alone did not: join until none is left.
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t i = 0; i < rects_.size(); ++i) {
            if (!Touch(rects_[i], joined)) continue;
            joined = ::Bounds(rects_[i], joined);
            rects_[i] = rects_.back();
            rects_.pop_back();
            grew = true;
            break;
        }
    }
    if (rects_.size() < kMostRects) {
        rects_.push_back(joined);
        return;
    }
    std::size_t best = 0;
    std::int64_t bestGrowth = -1;
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        const std::int64_t growth = Area(::Bounds(rects_[i], joined)) - Area(rects_[i]);
        if (bestGrowth < 0 || growth < bestGrowth) {
            best = i;
            bestGrowth = growth;
        }
    }
    const Rect merged = ::Bounds(rects_[best], joined);
    rects_[best] = rects_.back();
    rects_.pop_back();
    Add(merged);  // the bigger box may now reach others
}

void Damage::Add(const Damage& other) {
    for (const Rect& part : other.rects_) Add(part);
}

Rect Damage::Bounds() const {
    Rect all{0, 0, 0, 0};
    for (const Rect& part : rects_) all = ::Bounds(all, part);
    return all;
}
