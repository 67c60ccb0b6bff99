// The saver window's own procedure and the state it keeps (Windows only).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "windows/saver_logic.h"
#include "reader/placement.h"
#include "record/shared_mapping.h"
#include "record/shared_status.h"

// Exported by name: the platform looks it up in the module, and the link of an executable
// does not apply resources/orvane.def on its own.
extern "C" __declspec(dllexport) LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool AttachSharedStatus(HWND window);
void DetachSharedStatus();
// Where the canvas is copied, in virtual-screen coordinates (the reader session's places).
const std::vector<CanvasCopy>& CanvasCopies();
void BlitCanvas(HWND window);
// One copy of a bitmap of `width` x `height` from `source` to `destination`, clipped to the
// copy's monitor, stretched by whole pixels at a scale above 1.
void CopyToMonitor(HDC dc, const CanvasCopy& copy, const Rect& destination, HDC source, int width, int height);
// The banner `elapsed` milliseconds into its pass, on every copy's monitor.
void DrawBanner(HWND window, std::int32_t elapsed);

inline constexpr UINT_PTR kTickTimerId = 1;
inline constexpr std::size_t kStatusLineSize = 256;

extern DisplayMode gDisplayMode;
extern SaverState gSaverState;
extern BlankPhase gBlankPhase;
extern DWORD gBlankDeadline;
extern DWORD gStartTick;
extern DWORD gSlideStart;
extern int gClientWidth;
extern RECT gClientRect;
// The client area's origin in virtual-screen coordinates.
extern POINT gClientOrigin;
extern HDC gWindowDC;
extern HFONT gStatusFont;
extern UINT_PTR gTimerId;
extern DWORD gPriorityClass;
extern char gStatusLine[kStatusLineSize];
extern int gHelpResult[2];
extern SharedStatus* gSharedStatus;  // the attached record, while there is one
