#include "screen/status_display.h"

// Nothing of a platform to publish: the native front ends take the canvas's rows themselves.
void PublishStatusDisplay(StatusDisplay* display) { gStatusDisplay = display; }
