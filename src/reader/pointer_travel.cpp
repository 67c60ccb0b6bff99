#include "reader/pointer_travel.h"

bool CursorMovedBeyondThreshold(std::int32_t x, std::int32_t y, std::int32_t fromX, std::int32_t fromY) {
    // In 64 bits each difference and their sum are exact: two 32-bit differences would overflow
    // (or wrap back to a small sum) for cursors at opposite ends of the coordinate range.
    const auto distance = [](std::int32_t a, std::int32_t b) {
        const std::int64_t d = static_cast<std::int64_t>(a) - static_cast<std::int64_t>(b);
        return static_cast<std::uint64_t>(d < 0 ? -d : d);
    };
    return distance(x, fromX) + distance(y, fromY) > kMouseMoveThreshold;
}
