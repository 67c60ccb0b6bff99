// The monitors as the platform shows them to a program, for the multi-monitor end-to-end
// tests: where each one lies in virtual-screen coordinates, which is primary, and what the
// desktop as a whole spans. Under Wine this is what the X layout turned into, which the tests
// need in order to tell which part of an X screenshot is which monitor.
//
//   monitors
//
// Prints, in the order EnumDisplayMonitors gives them, one line per monitor:
//   "monitor LEFT TOP RIGHT BOTTOM primary|secondary dpi N work LEFT TOP RIGHT BOTTOM device NAME"
// then "virtual LEFT TOP RIGHT BOTTOM" (the virtual screen from GetSystemMetrics) and
// "clipbox LEFT TOP RIGHT BOTTOM" (the clip box of the whole-screen DC, which is what a saver
// that paints through GetDC(nullptr) can reach). Rectangles are right/bottom exclusive.
//
// Like the saver, this program does not declare itself DPI aware, so it sees the coordinates
// the saver sees.
//
// Exit codes: 0; 1 when the platform lists no monitor.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// shcore.dll is missing on older systems, and the saver must not need it: load it here the
// same way, so that a prefix without it still gets an answer (the screen DC's DPI).
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

struct Monitor {
    HMONITOR handle;
    MONITORINFOEXA info;
};

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

BOOL CALLBACK Collect(HMONITOR handle, HDC, LPRECT, LPARAM data) {
    auto& monitors = *reinterpret_cast<std::vector<Monitor>*>(data);
    Monitor monitor{handle, {}};
    monitor.info.cbSize = sizeof monitor.info;
    if (GetMonitorInfoA(handle, &monitor.info)) monitors.push_back(monitor);
    return TRUE;
}

UINT ScreenDcDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

}  // namespace

int main() {
    GetDpiForMonitorFn getDpiForMonitor = nullptr;
    if (const HMODULE shcore = LoadLibraryA("shcore.dll")) {
        getDpiForMonitor = reinterpret_cast<GetDpiForMonitorFn>(
            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
    }

    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, Collect, reinterpret_cast<LPARAM>(&monitors));
    for (const Monitor& monitor : monitors) {
        UINT dpiX = 0;
        UINT dpiY = 0;
        if (getDpiForMonitor == nullptr || FAILED(getDpiForMonitor(monitor.handle, kEffectiveDpi, &dpiX, &dpiY))) {
            dpiX = ScreenDcDpi();
        }
        const bool primary = (monitor.info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        std::printf("monitor %s %s dpi %u work %s device %s\n", Rect(monitor.info.rcMonitor).c_str(),
                    primary ? "primary" : "secondary", dpiX, Rect(monitor.info.rcWork).c_str(),
                    monitor.info.szDevice);
    }

    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT virtualScreen{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    std::printf("virtual %s\n", Rect(virtualScreen).c_str());

    RECT clip{};
    const HDC screen = GetDC(nullptr);
    if (screen != nullptr) {
        GetClipBox(screen, &clip);
        ReleaseDC(nullptr, screen);
    }
    std::printf("clipbox %s\n", Rect(clip).c_str());
    std::fflush(stdout);
    return monitors.empty() ? 1 : 0;
}
