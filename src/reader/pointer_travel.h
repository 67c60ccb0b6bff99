// When a moving pointer ends a saver: every front end that covers the screen (the Windows
// saver, the Wayland overlay) ends on the same travel, so that a desk's vibration does not.
#pragma once

#include <cstdint>

// Cursor travel, as |dx| + |dy|, that still counts as the mouse lying still.
inline constexpr std::uint32_t kMouseMoveThreshold = 4;

// The cursor has travelled more than the threshold from where it was. The distance is exact for
// any pair of 32-bit coordinates, however far apart.
bool CursorMovedBeyondThreshold(std::int32_t x, std::int32_t y, std::int32_t fromX, std::int32_t fromY);
