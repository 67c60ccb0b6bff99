#include "windows/controller.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "windows/settings.h"
#include "screen/status_display.h"
#include "screen/status_display_win32.h"
#include "windows/frame.h"
#include "windows/monitors.h"
#include "reader/reader_session.h"
#include "windows/many_clients_win32.h"

DisplayMode gDisplayMode = DisplayMode::PreviewOnly;
SaverState gSaverState = SaverState::Initial;
BlankPhase gBlankPhase = BlankPhase::Showing;
DWORD gBlankDeadline = 0;
DWORD gStartTick = 0;
DWORD gSlideStart = 0;
int gClientWidth = 0;
RECT gClientRect = {0, 0, 0, 0};
POINT gClientOrigin = {0, 0};
HDC gWindowDC = nullptr;
HFONT gStatusFont = nullptr;
UINT_PTR gTimerId = 0;
DWORD gPriorityClass = 0;
char gStatusLine[kStatusLineSize] = "";
int gHelpResult[2] = {0, 0};
SharedStatus* gSharedStatus = nullptr;
std::unique_ptr<ReaderSession> gReader;
// Set while "Clients" asks for more than one client; the single reader then attaches nothing.
std::unique_ptr<ManyClientsView> gManyClients;

namespace {

constexpr DWORD kCreationFlags = CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS;  // 0x220
constexpr COLORREF kTextColor = 0x02FFFF00;        // palette-relative (0, 255, 255)
constexpr COLORREF kTextBackground = 0x02000000;   // palette-relative black
constexpr char kHelpFile[] = "windows_help.txt";
constexpr char kClientSwitch[] = " -min";
// The longest command line CreateProcessA accepts.
constexpr std::size_t kMaxCommandLine = 32767;
// WM_DPICHANGED, which older headers may lack.
constexpr UINT kDpiChangedMessage = 0x02E0;

// Both the client and the help viewer start on the interactive desktop with nothing else set.
// Their handles are closed at once: the saver never waits for either.
BOOL StartProcess(const char* program, char* commandLine) {
    static char defaultDesktop[] = "";
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.lpDesktop = defaultDesktop;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, kCreationFlags, nullptr,
                                        nullptr, &startup, &process);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return started;
}

// A path with a blank, left bare, reaches the started program as two arguments ("C:\Program"
// and "Files\..."): CreateProcessA is told the program separately, but the program's own
// parsing of its command line is not. Such a path is quoted; others go in exactly as they are.
void AppendArgument(std::string& line, const char* argument) {
    const bool quote = std::strchr(argument, ' ') != nullptr;
    if (quote) line += '"';
    line += argument;
    if (quote) line += '"';
}

// A command line that CreateProcessA would cut or reject is not run at all.
bool StartCommand(const char* program, std::string& commandLine) {
    if (commandLine.size() > kMaxCommandLine) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return StartProcess(program, commandLine.data());
}

void LaunchClient() {
    // Nothing to start: CreateProcessA with an empty name would only fail, and the saver
    // ends all the same.
    if (gClientPath[0] == '\0') return;
    std::string commandLine;
    AppendArgument(commandLine, gClientPath);
    commandLine += kClientSwitch;
    StartCommand(gClientPath, commandLine);
}

void RecordHelpResult(int result, DWORD error) {
    gHelpResult[0] = result;
    gHelpResult[1] = static_cast<int>(error);
}

// FindExecutableA writes up to MAX_PATH characters, so the viewer's buffer has that size
// (a 256-byte one could be overrun); the help path and the command line are built as
// strings, so nothing is cut on the way.
void OpenHelp() {
    char viewer[MAX_PATH] = "";
    const INT_PTR found = reinterpret_cast<INT_PTR>(FindExecutableA(kHelpFile, "", viewer));
    viewer[MAX_PATH - 1] = '\0';
    if (found <= 32 || viewer[0] == '\0') {
        RecordHelpResult(0, ERROR_NO_ASSOCIATION);
        return;
    }
    std::string helpPath = gClientDir;
    helpPath += '\\';
    helpPath += kHelpFile;
    std::string commandLine;
    AppendArgument(commandLine, viewer);
    commandLine += ' ';
    AppendArgument(commandLine, helpPath.c_str());
    const BOOL started = StartCommand(viewer, commandLine);
    RecordHelpResult(started, started ? 0 : GetLastError());
}

void FillBlack(HWND window) {
    gWindowDC = GetDC(window);
    GetClientRect(window, &gClientRect);
    FillRect(gWindowDC, &gClientRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window, gWindowDC);
}

void CheckBlankDeadline() {
    if (gBlank == 0 || gBlankDeadline == 0) return;
    if (!BlankDeadlinePassed(GetTickCount(), gBlankDeadline)) return;
    gBlankDeadline = 0;
    gBlankPhase = BlankPhase::Blanking;
}

// The preview keeps one copy centred in its own window at scale 1, whatever the settings say.
void PlacePreviewCopy(HWND window) {
    GetClientRect(window, &gClientRect);
    gClientOrigin = POINT{0, 0};
    const std::vector<MonitorInfo> own = {MonitorInfo{Rect{0, 0, gClientRect.right, gClientRect.bottom}, kBaseDpi, true}};
    gReader->Place(own, PlacementOptions{MonitorChoice::Primary, 1, false}, GetTickCount());
}

void PlaceCopies(HWND window, const std::vector<MonitorInfo>& monitors) {
    if (gChildPreview) {
        PlacePreviewCopy(window);
        return;
    }
    // Monitors are in virtual-screen coordinates; the window's client area starts at its origin.
    gClientOrigin = POINT{0, 0};
    ClientToScreen(window, &gClientOrigin);
    gReader->Place(monitors, gPlacementOptions, GetTickCount());
}

RECT ToClient(const Rect& r) {
    return RECT{r.left - gClientOrigin.x, r.top - gClientOrigin.y, r.right - gClientOrigin.x, r.bottom - gClientOrigin.y};
}

}  // namespace

// One copy of a bitmap: a BitBlt at scale 1, else a StretchBlt that repeats whole pixels;
// clipped to the copy's monitor so that nothing spills onto a neighbouring one.
void CopyToMonitor(HDC dc, const CanvasCopy& copy, const Rect& destination, HDC source, int width, int height) {
    const RECT clip = ToClient(copy.monitor);
    const RECT to = ToClient(destination);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    if (copy.scale == 1) {
        BitBlt(dc, to.left, to.top, width, height, source, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source, 0, 0, width, height, SRCCOPY);
    }
    SelectClipRgn(dc, nullptr);
}

namespace {

// The session says when the copies moved along the orbit: they are drawn at their new places,
// then what they left uncovered is filled black, so the screen never shows a black frame.
void ShowChanges(HWND window) {
    if (gStatusDisplay == nullptr) return;
    const TickOutcome outcome = gReader->Tick(GetTickCount());
    if (outcome.present) BlitCanvas(window);
    if (outcome.uncovered.empty()) return;
    HDC dc = GetDC(window);
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (const Rect& part : outcome.uncovered) {
        const RECT r = ToClient(part);
        FillRect(dc, &r, black);
    }
    ReleaseDC(window, dc);
}

void StartBlank(HWND window) {
    // Another reader of the record, if one runs, serves it from now on.
    gReader->StopDrawing();
    FillBlack(window);
    gBlankPhase = BlankPhase::Sliding;
    gSlideStart = GetTickCount();
}

// The screen stays black while the client has nothing to say; the pass clock is not reset
// meanwhile, so a message that appears mid-pass starts wherever that pass has got to.
void SlideBanner(HWND window) {
    if (gSharedStatus == nullptr || ReadFlag(gSharedStatus->message.message_on) == 0) return;
    const auto elapsed = static_cast<std::int32_t>(GetTickCount() - gSlideStart);
    if (BannerPassOver(elapsed)) {
        gSlideStart = GetTickCount();
        return;
    }
    DrawBanner(window, elapsed);
}

void RunAttached(HWND window) {
    switch (gBlankPhase) {
    case BlankPhase::Showing:
        ShowChanges(window);
        break;
    case BlankPhase::Blanking:
        StartBlank(window);
        break;
    case BlankPhase::Sliding:
        SlideBanner(window);
        break;
    }
}

// Several clients: nothing to attach or launch; blank stops serving them all, and no banner
// slides, since no one client's message speaks for the others.
void RunManyClients(HWND window) {
    switch (gBlankPhase) {
    case BlankPhase::Showing:
        gManyClients->Tick(window, GetTickCount());
        break;
    case BlankPhase::Blanking:
        gManyClients->StopDrawing();
        FillBlack(window);
        gBlankPhase = BlankPhase::Sliding;
        break;
    case BlankPhase::Sliding:
        break;
    }
}

void AdvanceState(HWND window) {
    bool attached = false;
    if (gSaverState == SaverState::Initial) attached = gSharedStatus != nullptr;
    if (gSaverState == SaverState::LaunchClient) attached = AttachSharedStatus(window);
    const SaverStep step = NextSaverState(gSaverState, attached);
    const bool wasAttached = gSaverState == SaverState::Attached;
    gSaverState = step.next;
    if (step.launchClient) {
        LaunchClient();
        SendMessageA(window, WM_DESTROY, 0, 0);
        return;
    }
    // The tick that enters Attached only records it; the display starts on the next one.
    if (wasAttached) RunAttached(window);
}

void DrawTexts() {
    if (gWindowDC == nullptr) return;  // a preview tick before its first erase
    SetTextColor(gWindowDC, kTextColor);
    SetBkColor(gWindowDC, kTextBackground);
    if (gDisplayMode == DisplayMode::PreviewOnly) {
        std::snprintf(gStatusLine, sizeof gStatusLine, "%s", "Orvane");
        TextOutA(gWindowDC, 34, 37, gStatusLine, static_cast<int>(std::strlen(gStatusLine)));
        std::snprintf(gStatusLine, sizeof gStatusLine, "%s", "ScreenSaver");
        TextOutA(gWindowDC, 32, 57, gStatusLine, static_cast<int>(std::strlen(gStatusLine)));
        return;
    }
    ComposeStatusLine(gSaverState, gHelpResult[0], gHelpResult[1], gBlank, gMinutes, gStatusLine,
                      sizeof gStatusLine);
}

// The monitors or their DPI changed: the window covers the new virtual screen, black, and the
// copies are placed anew and drawn on the next tick. The mode chosen at the start stays.
LRESULT OnDisplayChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gChildPreview) return SaverDefaultProc(window, message, wParam, lParam);
    const RECT box = ScreenClipBox();
    SetWindowPos(window, HWND_TOPMOST, box.left, box.top, box.right - box.left, box.bottom - box.top,
                 SWP_NOACTIVATE);
    const std::vector<MonitorInfo> monitors = ReadMonitors();
    PlaceCopies(window, monitors);
    if (gManyClients != nullptr) gManyClients->Place(monitors, gClientOrigin, GetTickCount());
    FillBlack(window);
    gReader->ForcePresent();
    return 0;
}

LRESULT OnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    gPriorityClass = static_cast<DWORD>(CaptureSaverPriorityClass());
    ReadSettings();
    gTimerId = SetTimer(window, kTickTimerId, kTickMilliseconds, nullptr);
    GetClientRect(window, &gClientRect);
    gClientWidth = gClientRect.right;
    const std::vector<MonitorInfo> monitors = gChildPreview ? std::vector<MonitorInfo>{} : ReadMonitors();
    gDisplayMode = DisplayModeForMonitors(monitors, gClientWidth);
    // The orbit's minutes count from here, so the first placement is its centre.
    gStartTick = GetTickCount();
    // One attach per window, and a mapping that cannot shrink: nothing to attach again.
    gReader = std::make_unique<ReaderSession>(
        ReaderConfig{kSharedStatusName, kHeaderImageFile, false, false, static_cast<std::int32_t>(gPriorityClass)},
        gStartTick);
    PlaceCopies(window, monitors);
    if (gDisplayMode != DisplayMode::PreviewOnly) {
        // The class's own device context keeps this font for every later tick.
        gWindowDC = GetDC(window);
        gStatusFont = CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "System");
        SelectObject(gWindowDC, gStatusFont);
        ReleaseDC(window, gWindowDC);
        gBlankDeadline = BlankDeadlineFor(gStartTick, gMinutes, gBlank != 0);
        // Several clients need the whole status screen; a narrow screen keeps to the one.
        if (gClientsSettings.mode != ClientsMode::One && gDisplayMode == DisplayMode::Full) {
            gManyClients = std::make_unique<ManyClientsView>(gClientsSettings, gPlacementOptions,
                                                             static_cast<std::int32_t>(gPriorityClass), gStartTick);
            gManyClients->Place(monitors, gClientOrigin, gStartTick);
        } else {
            AttachSharedStatus(window);
        }
        SetForegroundWindow(window);
    }
    return SaverDefaultProc(window, message, wParam, lParam);
}

LRESULT OnTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gDisplayMode == DisplayMode::Full) {
        CheckBlankDeadline();
        if (gManyClients != nullptr) {
            RunManyClients(window);
        } else {
            AdvanceState(window);
        }
    }
    DrawTexts();
    ReleaseDC(window, gWindowDC);
    return SaverDefaultProc(window, message, wParam, lParam);
}

LRESULT OnEraseBackground(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FillBlack(window);
    if (gManyClients != nullptr) gManyClients->ForcePresent();
    return SaverDefaultProc(window, message, wParam, lParam);
}

LRESULT OnKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // F1 is the one key that does not end the saver.
    if (wParam != VK_F1) return SaverDefaultProc(window, message, wParam, lParam);
    OpenHelp();
    return 0;
}

LRESULT OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (gTimerId != 0) KillTimer(window, gTimerId);
    gTimerId = 0;
    if (gStatusFont != nullptr) {
        // The window's own context still has the font selected; a selected font is not freed.
        if (gWindowDC != nullptr) SelectObject(gWindowDC, GetStockObject(SYSTEM_FONT));
        DeleteObject(gStatusFont);
        gStatusFont = nullptr;
    }
    DetachSharedStatus();
    gManyClients.reset();
    return SaverDefaultProc(window, message, wParam, lParam);
}

}  // namespace

bool AttachSharedStatus(HWND) {
    // A mapping that opens but cannot be viewed whole counts as absent; nothing is written.
    if (gReader == nullptr || !gReader->Attach()) return false;
    gSharedStatus = gReader->Record();
    PublishStatusDisplay(gReader->Display());
    return true;
}

void DetachSharedStatus() {
    if (gReader != nullptr) gReader->Detach();
    gSharedStatus = nullptr;
}

const std::vector<CanvasCopy>& CanvasCopies() {
    static const std::vector<CanvasCopy> none;
    return gReader != nullptr ? gReader->Copies() : none;
}

void BlitCanvas(HWND window) {
    if (gCanvasDC == nullptr) return;
    HDC dc = GetDC(window);
    for (const CanvasCopy& copy : CanvasCopies())
        CopyToMonitor(dc, copy, copy.destination, gCanvasDC, kCanvasWidth, kCanvasHeight);
    ReleaseDC(window, dc);
}

void DrawBanner(HWND window, std::int32_t elapsed) {
    if (gBannerCanvas == nullptr || gBannerDC == nullptr) return;
    HDC dc = GetDC(window);
    const std::int32_t width = gBannerCanvas->width;
    const std::int32_t height = gBannerCanvas->height;
    for (const CanvasCopy& copy : CanvasCopies())
        CopyToMonitor(dc, copy, BannerDestination(copy, width, height, elapsed), gBannerDC, width, height);
    ReleaseDC(window, dc);
}

extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, message, wParam, lParam);
    case WM_DESTROY:
        return OnDestroy(window, message, wParam, lParam);
    case WM_ERASEBKGND:
        return OnEraseBackground(window, message, wParam, lParam);
    case WM_KEYDOWN:
        return OnKeyDown(window, message, wParam, lParam);
    case WM_KEYUP:
    case WM_CHAR:
        return 0;
    case WM_TIMER:
        return OnTimer(window, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
    case kDpiChangedMessage:
        return OnDisplayChange(window, message, wParam, lParam);
    }
    return SaverDefaultProc(window, message, wParam, lParam);
}
