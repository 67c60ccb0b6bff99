// orvane: the status screen on X11, as an XScreenSaver hack (-root) and as a desktop viewer
// (-window). It attaches to the client's record as the Windows saver does, draws with the
// raster backend on the 33 ms tick, and sends the picture only when something changed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas_raster.h"
#include "screen/status_display.h"
#include "linux/roster_view.h"
#include "linux/viewer_logic.h"
#include "linux/x11_presenter.h"
#include "reader/header_image.h"
#include "reader/reader_session.h"
#include "reader/tick_schedule.h"
#include "record/shared_mapping.h"

#ifndef ORVANE_DATA_DIR
#define ORVANE_DATA_DIR ""
#endif

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t gStopSignal = 0;
bool gXError = false;
// The readers, for the lost-display handler: the markers go back to 0 on every way out.
ReaderSession* gSession = nullptr;
RosterView* gRoster = nullptr;

void OnStopSignal(int) { gStopSignal = 1; }

int OnXError(Display* display, XErrorEvent* error) {
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "orvane: X error: %s (request %d, resource 0x%lx)\n", text, error->request_code,
                 error->resourceid);
    gXError = true;
    return 0;
}

int OnDisplayLost(Display*) {
    std::fprintf(stderr, "orvane: the connection to the X display was lost\n");
    if (gSession != nullptr) gSession->Detach();
    if (gRoster != nullptr) gRoster->DetachAll();
    std::_Exit(1);
}

std::string HeaderImage(const ViewerOptions& options) {
    if (!options.headerPath.empty()) return options.headerPath;
    // <prefix>/libexec/xscreensaver/orvane -> <prefix>/share/orvane
    return FindHeaderImage("../../share/orvane/", ORVANE_DATA_DIR);
}

Window TargetWindow(Display* display, const ViewerOptions& options) {
    const Window root = DefaultRootWindow(display);
    switch (options.target) {
    case ViewerTarget::WindowId:
        return static_cast<Window>(options.windowId);
    case ViewerTarget::Root: {
        std::uint64_t id = 0;
        const char* given = std::getenv("XSCREENSAVER_WINDOW");
        if (given != nullptr && ParseWindowId(given, id)) return static_cast<Window>(id);
        return root;
    }
    case ViewerTarget::OwnWindow:
        break;
    }
    const Window window = XCreateSimpleWindow(display, root, 0, 0, kCanvasWidth, kCanvasHeight, 0,
                                              BlackPixel(display, DefaultScreen(display)),
                                              BlackPixel(display, DefaultScreen(display)));
    XStoreName(display, window, "Orvane");
    XClassHint hint{const_cast<char*>("orvane"), const_cast<char*>("Orvane")};
    XSetClassHint(display, window, &hint);
    return window;
}

class Viewer {
public:
    Viewer(Display* display, const ViewerOptions& options)
        : display_(display),
          options_(options),
          window_(TargetWindow(display, options)),
          session_(ReaderConfig{options.recordName, HeaderImage(options), false, true, CaptureSaverPriorityClass()},
                   NowMs()) {
        gSession = &session_;
        // Many clients: the roster serves them all; the single session is never ticked.
        if (options.clients != ClientsMode::One) {
            roster_ = std::make_unique<RosterView>(
                options, ReaderConfig{kSharedStatusName, HeaderImage(options), false, true, CaptureSaverPriorityClass()},
                NowMs());
            gRoster = roster_.get();
        }
    }
    ~Viewer() {
        gSession = nullptr;
        gRoster = nullptr;
    }

    int Run();

private:
    void Reshape();
    void PlaceCopies();
    static std::uint32_t NowMs();
    // Both true when they sent the server anything.
    bool Tick(Clock::time_point now);
    bool TickRoster(Clock::time_point now);
    void CountFrames(Clock::time_point now);
    bool PresentAll();
    bool PresentWaiting();
    bool HandleEvents();

    Display* display_;
    ViewerOptions options_;
    Window window_;
    ReaderSession session_;
    std::unique_ptr<RosterView> roster_;  // with -clients rotate or overview
    bool rosterWhole_ = true;
    std::unique_ptr<X11Presenter> presenter_;
    Atom deleteWindow_ = None;
    int randrEvent_ = -1;
    Rect area_{0, 0, 0, 0};
    std::vector<MonitorInfo> monitors_;
    std::vector<CanvasCopy> waitingCopies_;
    bool wasAttached_ = false;

    std::unique_ptr<GdiObject> waitingBitmap_;
    std::unique_ptr<GdiObject> waitingFont_;
    std::unique_ptr<Canvas> waiting_;

    std::uint32_t framesThisSecond_ = 0;
    Clock::time_point fpsStart_ = Clock::now();
    std::string fpsText_ = FpsText(0, 0);
};

// The screen's monitors in root coordinates: RandR's where the server has RandR 1.5, else
// Xinerama's (whose first screen counts as the primary; an Xorg with a Xinerama layout has no
// RandR), else none.
std::vector<MonitorInfo> RootMonitors(Display* display, Window root, bool randr, std::int32_t dpi) {
    std::vector<MonitorInfo> monitors;
    if (randr) {
        int count = 0;
        XRRMonitorInfo* found = XRRGetMonitors(display, root, True, &count);
        for (int i = 0; found != nullptr && i < count; ++i) {
            const XRRMonitorInfo& m = found[i];
            monitors.push_back(MonitorInfo{Rect{m.x, m.y, m.x + m.width, m.y + m.height}, dpi, m.primary != 0});
        }
        if (found != nullptr) XRRFreeMonitors(found);
        return monitors;
    }
    int eventBase = 0;
    int errorBase = 0;
    if (!XineramaQueryExtension(display, &eventBase, &errorBase) || !XineramaIsActive(display)) return monitors;
    int count = 0;
    XineramaScreenInfo* screens = XineramaQueryScreens(display, &count);
    for (int i = 0; screens != nullptr && i < count; ++i) {
        const XineramaScreenInfo& s = screens[i];
        monitors.push_back(MonitorInfo{Rect{s.x_org, s.y_org, s.x_org + s.width, s.y_org + s.height}, dpi, i == 0});
    }
    if (screens != nullptr) XFree(screens);
    return monitors;
}

// The monitors inside the target window, in its own coordinates. The viewer's own window is
// one monitor whatever it overlaps; a window of another program (XScreenSaver's, the root)
// gets the part of each monitor that it covers.
void Viewer::Reshape() {
    XWindowAttributes a{};
    XGetWindowAttributes(display_, window_, &a);
    area_ = Rect{0, 0, a.width, a.height};
    const std::int32_t dpi = XftDpi(XResourceManagerString(display_));
    monitors_.clear();
    if (options_.target != ViewerTarget::OwnWindow) {
        int x = 0;
        int y = 0;
        Window child = None;
        XTranslateCoordinates(display_, window_, a.root, 0, 0, &x, &y, &child);
        for (const MonitorInfo& m : RootMonitors(display_, a.root, randrEvent_ >= 0, dpi)) {
            const Rect r{std::max(m.area.left, x) - x, std::max(m.area.top, y) - y,
                         std::min(m.area.right, x + a.width) - x, std::min(m.area.bottom, y + a.height) - y};
            if (r.right > r.left && r.bottom > r.top) monitors_.push_back(MonitorInfo{r, dpi, m.primary});
        }
    }
    if (monitors_.empty()) monitors_.push_back(MonitorInfo{area_, dpi, true});
    PlaceCopies();
    presenter_->FillBlack(area_);
    session_.ForcePresent();
    if (roster_ != nullptr) {
        roster_->Reshape(monitors_, NowMs());
        rosterWhole_ = true;
    }
}

std::uint32_t Viewer::NowMs() {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

void Viewer::PlaceCopies() {
    session_.Place(monitors_, options_.placement, NowMs());
    if (waiting_ != nullptr) {
        const PlacementOptions plain{options_.placement.monitors, 1, false, options_.placement.reduceToFit};
        waitingCopies_ = PlaceCanvas(monitors_, plain, waiting_->PixelWidth(), waiting_->PixelHeight(), 0);
    }
}

bool Viewer::PresentAll() {
    const std::vector<CanvasCopy>& copies = session_.Copies();
    bool sent = false;
    if (session_.Attached()) {
        Canvas& canvas = *session_.Screen();
        sent = presenter_->Present([&canvas](std::int32_t y) { return PixelRow(canvas, y); }, canvas.PixelWidth(),
                                   canvas.PixelHeight(), copies, TakeDrawnRows(canvas));
    } else {
        sent = PresentWaiting();
    }
    ++framesThisSecond_;
    if (options_.showFps && !copies.empty()) {
        presenter_->DrawText(copies[0].monitor.left + 8, copies[0].monitor.top + 16, fpsText_);
        sent = true;
    }
    // A tick that changed no pixel talks to the server not at all.
    if (sent) presenter_->Finish();
    return sent;
}

bool Viewer::PresentWaiting() {
    if (waiting_ == nullptr) return false;
    Canvas& canvas = *waiting_;
    return presenter_->Present([&canvas](std::int32_t y) { return PixelRow(canvas, y); }, canvas.PixelWidth(),
                               canvas.PixelHeight(), waitingCopies_, TakeDrawnRows(canvas));
}

void Viewer::CountFrames(Clock::time_point now) {
    if (now - fpsStart_ >= std::chrono::seconds(1)) {
        fpsText_ = FpsText(framesThisSecond_, std::chrono::duration<double>(now - fpsStart_).count());
        framesThisSecond_ = 0;
        fpsStart_ = now;
    }
}

bool Viewer::TickRoster(Clock::time_point now) {
    const bool changed = roster_->Tick(NowMs());
    bool spoke = false;
    if (roster_->Showing() != wasAttached_) {
        // The clients' pictures and the waiting line do not cover the same pixels.
        wasAttached_ = roster_->Showing();
        presenter_->FillBlack(area_);
        rosterWhole_ = true;
        spoke = true;
    }
    CountFrames(now);
    if (!changed && !rosterWhole_) return spoke;
    bool sent = false;
    if (roster_->Showing()) {
        sent = roster_->Present(*presenter_, rosterWhole_);
    } else if (rosterWhole_) {
        presenter_->Invalidate();
        sent = PresentWaiting();
    }
    rosterWhole_ = false;
    ++framesThisSecond_;
    const Rect first = roster_->FirstMonitor();
    if (options_.showFps && first.right > first.left) {
        presenter_->DrawText(first.left + 8, first.top + 16, fpsText_);
        sent = true;
    }
    if (sent) presenter_->Finish();
    return spoke || sent;
}

bool Viewer::Tick(Clock::time_point now) {
    if (roster_ != nullptr) return TickRoster(now);
    // The record is looked for once a second while there is none; never started here:
    // XScreenSaver, not the hack, owns the session.
    const TickOutcome outcome = session_.Tick(NowMs());
    bool spoke = false;
    if (session_.Attached() != wasAttached_) {
        // The status screen and the waiting line do not cover the same pixels.
        wasAttached_ = session_.Attached();
        presenter_->FillBlack(area_);
        spoke = true;
    }
    CountFrames(now);
    if (outcome.present) spoke = PresentAll() || spoke;
    for (const Rect& part : outcome.uncovered) presenter_->FillBlack(part);
    return spoke || !outcome.uncovered.empty();
}

// False when the viewer is to end.
bool Viewer::HandleEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == window_) Reshape();
            break;
        case Expose:
            if (event.xexpose.count == 0) {
                presenter_->Invalidate();
                session_.ForcePresent();
                rosterWhole_ = true;
            }
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if (options_.target == ViewerTarget::OwnWindow && (key == XK_q || key == XK_Q || key == XK_Escape)) return false;
            break;
        }
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) return false;
            break;
        default:
            if (randrEvent_ >= 0 && event.type == randrEvent_ + RRScreenChangeNotify) {
                XRRUpdateConfiguration(&event);
                Reshape();
            }
            break;
        }
    }
    return true;
}

int Viewer::Run() {
    presenter_ = std::make_unique<X11Presenter>(display_, window_);
    XSync(display_, False);
    if (gXError) {
        std::fprintf(stderr, "orvane: cannot draw on window 0x%lx\n", window_);
        return 1;
    }
    if (!presenter_->Problem().empty()) {
        std::fprintf(stderr, "orvane: %s\n", presenter_->Problem().c_str());
        return 1;
    }
    int eventBase = 0;
    int errorBase = 0;
    if (XRRQueryExtension(display_, &eventBase, &errorBase)) {
        int major = 0;
        int minor = 0;
        // Monitors need RandR 1.5; an older server counts as one monitor.
        if (XRRQueryVersion(display_, &major, &minor) && (major > 1 || (major == 1 && minor >= 5))) {
            randrEvent_ = eventBase;
            XRRSelectInput(display_, DefaultRootWindow(display_), RRScreenChangeNotifyMask);
        }
    }
    long mask = ExposureMask | StructureNotifyMask;
    if (options_.target == ViewerTarget::OwnWindow) {
        mask |= KeyPressMask;
        deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, window_, &deleteWindow_, 1);
    }
    XSelectInput(display_, window_, mask);
    if (options_.target == ViewerTarget::OwnWindow) XMapWindow(display_, window_);

    waitingBitmap_ = GdiObject::MakeBitmap(720, 32);
    waitingFont_ = GdiObject::MakeArialFont(20, false);
    waiting_ = std::make_unique<Canvas>(*waitingBitmap_);
    waiting_->FillBox(Rect{0, 0, 720, 32}, RgbColor{0, 0, 0});
    waiting_->UseFont(*waitingFont_);
    waiting_->SetForeground(RgbColor{255, 255, 255});
    waiting_->SetBackground(RgbColor{0, 0, 0});
    const std::string line = WaitingLine(options_.recordName);
    const TextSize size = waiting_->MeasureText(line.c_str());
    waiting_->PutText((720 - size.width) / 2, (32 - size.height) / 2, line.c_str());

    Reshape();
    TickSchedule ticks(std::chrono::microseconds(options_.delayMicroseconds), Clock::now());
    // Asleep until the tick, an X event or a signal: a wake-up that only timed out has nothing
    // to read, so it goes straight to the tick.
    bool readable = true;
    while (gStopSignal == 0 && !gXError) {
        if (readable && !HandleEvents()) break;
        const auto now = Clock::now();
        const bool spoke = ticks.Due(now) && Tick(now);
        // Sends what the tick drew, and takes in the events that came meanwhile. Otherwise
        // Xlib's queue is as empty as the events left it and the socket is ppoll's to watch:
        // asking Xlib would only read the socket in vain.
        readable = spoke && XPending(display_) > 0;
        if (readable) continue;
        const PreciseWait wait = PreciseWaitFor(ticks.Remaining(Clock::now()));
        const timespec timeout{static_cast<time_t>(wait.seconds), static_cast<long>(wait.nanoseconds)};
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        readable = ppoll(&connection, 1, &timeout, nullptr) != 0;  // an event, or a signal (-1)
    }
    session_.Detach();
    if (roster_ != nullptr) roster_->DetachAll();
    presenter_.reset();
    return gXError ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseViewerOptions(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "orvane: %s\n%s", parsed.error.c_str(), ViewerUsage().c_str());
        return kUsageExitCode;
    }
    if (parsed.options.help) {
        std::fputs(ViewerUsage().c_str(), stdout);
        return 0;
    }
    struct sigaction stop{};
    stop.sa_handler = OnStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGHUP, &stop, nullptr);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "orvane: cannot open the X display \"%s\"\n", XDisplayName(nullptr));
        return 1;
    }
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnDisplayLost);
    int result = 0;
    {
        Viewer viewer(display, parsed.options);
        result = viewer.Run();
    }
    XCloseDisplay(display);
    return result;
}
