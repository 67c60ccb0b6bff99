#include "windows/monitors.h"

#include "windows/frame.h"

namespace {

using EnumMonitorsProc = BOOL(WINAPI*)(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
using GetMonitorInfoProc = BOOL(WINAPI*)(HMONITOR monitor, LPMONITORINFO info);
// "GetDpiForMonitor" of "SHCORE.DLL" (Windows 8.1 and later); 0 asks for the effective DPI,
// the one the user's display scaling sets.
using GetDpiForMonitorProc = HRESULT(WINAPI*)(HMONITOR monitor, int kind, UINT* dpiX, UINT* dpiY);
constexpr int kEffectiveDpi = 0;

struct Enumeration {
    GetMonitorInfoProc info;
    GetDpiForMonitorProc dpiFor;
    std::int32_t systemDpi;
    std::vector<MonitorInfo>* monitors;
};

std::int32_t SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC /*dc*/, LPRECT /*area*/, LPARAM data) {
    Enumeration& e = *reinterpret_cast<Enumeration*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!e.info(monitor, &info)) return TRUE;
    MonitorInfo m;
    m.area = Rect{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
    m.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    m.dpi = e.systemDpi;
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (e.dpiFor != nullptr && SUCCEEDED(e.dpiFor(monitor, kEffectiveDpi, &dpiX, &dpiY)) && dpiX > 0 &&
        dpiX <= 0x7FFFFFFF)
        m.dpi = static_cast<std::int32_t>(dpiX);
    e.monitors->push_back(m);
    return TRUE;
}

}  // namespace

RECT ScreenClipBox() {
    RECT box{};
    HDC screen = GetDC(nullptr);
    GetClipBox(screen, &box);
    ReleaseDC(nullptr, screen);
    return box;
}

std::vector<MonitorInfo> ReadMonitors() {
    std::vector<MonitorInfo> monitors;
    const std::int32_t systemDpi = SystemDpi();
    HMODULE user = GetModuleHandleA("USER32.DLL");
    const auto enumerate = user != nullptr ? LoadEntry<EnumMonitorsProc>(user, "EnumDisplayMonitors") : nullptr;
    const auto info = user != nullptr ? LoadEntry<GetMonitorInfoProc>(user, "GetMonitorInfoA") : nullptr;
    HMODULE shcore = LoadLibraryA("SHCORE.DLL");
    if (enumerate != nullptr && info != nullptr) {
        Enumeration e{info, shcore != nullptr ? LoadEntry<GetDpiForMonitorProc>(shcore, "GetDpiForMonitor") : nullptr,
                      systemDpi, &monitors};
        enumerate(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&e));
    }
    if (shcore != nullptr) FreeLibrary(shcore);
    if (monitors.empty()) {
        const RECT box = ScreenClipBox();
        monitors.push_back(MonitorInfo{Rect{box.left, box.top, box.right, box.bottom}, systemDpi, true});
    }
    return monitors;
}
