// The one platform type that the display's header names: the saver window it is built for.
// The backend is chosen by the build: GDI on Windows, the portable raster surface everywhere else.
#pragma once

#if defined(_WIN32)
#include <windows.h>
using WindowHandle = HWND;
#else
using WindowHandle = void*;
#endif
