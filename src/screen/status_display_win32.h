// The saver's doors to the display's device contexts: the controller copies the main canvas
// and the banner to its window from these. Set by PublishStatusDisplay.
#pragma once

#include <windows.h>

extern HDC gCanvasDC;
extern HDC gBannerDC;
