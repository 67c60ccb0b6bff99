#include "screen/status_display_win32.h"

#include "graphics/canvas_win32.h"
#include "screen/status_display.h"

HDC gCanvasDC = nullptr;
HDC gBannerDC = nullptr;

void PublishStatusDisplay(StatusDisplay* display) {
    gStatusDisplay = display;
    gCanvasDC = display != nullptr ? CanvasDC(*display->canvas) : nullptr;
    gBannerDC = display != nullptr ? CanvasDC(*display->bannerCanvas) : nullptr;
}
