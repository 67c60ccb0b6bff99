// The screen as the full-screen saver sees it: the virtual screen its window covers and the
// monitors inside it (Windows only).
#pragma once

#include <windows.h>

#include <vector>

#include "reader/placement.h"

// The whole virtual screen, as the screen's device context clips it: the full-screen window's
// area, which begins at negative coordinates when a monitor lies left of or above the primary.
RECT ScreenClipBox();

// Every monitor with its area and DPI. Where the platform cannot list monitors (Windows 95 and
// NT 4) or lists none, the virtual screen is the one monitor, at the system's DPI.
std::vector<MonitorInfo> ReadMonitors();
