// orvane's Wayland front end: the overlay for idle daemons and lockers, and the window.
#pragma once

#include "linux/viewer_logic.h"

// Runs until the viewer ends; the exit status. The markers are back at 0 on return.
int RunWaylandViewer(const ViewerOptions& options);
