// Who holds the foreground, for the end-to-end scripts: Wine decides where keys go by its own
// foreground window, which X (with no window manager) cannot tell us.
//
//   foreground             prints "foreground HANDLE class CLASS title TITLE" ("foreground 0"
//                          when there is none) and exits
//   foreground --take [--stop-file PATH] [--timeout S]
//                          opens a small top-level window of its own, titled "Orvane e2e
//                          window", makes it the foreground window, prints "window HANDLE"
//                          and then "foreground-taken" or "foreground-refused", and stays until
//                          the stop file appears or the timeout (default 60 s) is up
//
// Exit code 0; 1 when the window cannot be made; 2 usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "program_helpers.h"

namespace {

constexpr char kClassName[] = "OrvaneE2eWindow";
constexpr char kTitle[] = "Orvane e2e window";

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int PrintForeground() {
    const HWND window = GetForegroundWindow();
    if (window == nullptr) {
        Say("foreground 0");
        return 0;
    }
    char className[128] = "";
    char title[128] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    Say("foreground " + std::to_string(Number(window)) + " class " + className + " title " + title);
    return 0;
}

int TakeForeground(const std::string& stopFile, double timeoutSeconds) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) return 1;
    const HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, 50, 50, 200, 120, nullptr,
                                        nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    Say("window " + std::to_string(Number(window)));
    ShowWindow(window, SW_SHOWNORMAL);
    Pump();
    SetForegroundWindow(window);
    Pump();
    Say(GetForegroundWindow() == window ? "foreground-taken" : "foreground-refused");

    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds * 1000.0);
    while (!FileExists(stopFile) && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 1) return PrintForeground();
    bool take = false;
    std::string stopFile;
    double timeoutSeconds = 60.0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--take") {
            take = true;
        } else if (arg == "--stop-file" && i + 1 < argc) {
            stopFile = argv[++i];
        } else if (arg == "--timeout" && i + 1 < argc) {
            timeoutSeconds = std::atof(argv[++i]);
        } else {
            take = false;
            break;
        }
    }
    if (!take || !(timeoutSeconds >= 0.0 && timeoutSeconds <= 600.0)) {
        std::fprintf(stderr, "usage: foreground [--take [--stop-file PATH] [--timeout S]]\n");
        return 2;
    }
    return TakeForeground(stopFile, timeoutSeconds);
}
