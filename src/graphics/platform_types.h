// The few platform types that the display's headers name. The backend is chosen by the
// build: GDI on Windows, the portable raster surface everywhere else.
#pragma once

#if defined(_WIN32)
#include <windows.h>
using DeviceContext = HDC;
using WindowHandle = HWND;
#else
struct RasterReferenceDevice;  // there is no screen device on the raster backend
using DeviceContext = RasterReferenceDevice*;
using WindowHandle = void*;
#endif
