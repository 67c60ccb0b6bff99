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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas_raster.h"
#include "screen/status_display.h"
#include "linux/viewer_core.h"
#include "linux/viewer_logic.h"
#include "linux/x11_presenter.h"
#if ORVANE_WAYLAND
#include "linux/wayland_viewer.h"
#endif
#include "reader/header_image.h"
#include "reader/reader_session.h"
#include "reader/tick_schedule.h"
#include "record/shared_mapping.h"

namespace {

using Clock = std::chrono::steady_clock;

static_assert(kKeyF1 == XK_F1 && kKeyEscape == XK_Escape && XK_q == 'q' && XK_Q == 'Q');

volatile std::sig_atomic_t gStopSignal = 0;
bool gXError = false;
// The readers, for the lost-display handler: the markers go back to 0 on every way out.
ViewerCore<X11Presenter>* gCore = nullptr;

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
    if (gCore != nullptr) gCore->Detach();
    std::_Exit(1);
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
    case ViewerTarget::Overlay:  // goes to Wayland; never here
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
        : display_(display), options_(options), window_(TargetWindow(display, options)), core_(options) {
        gCore = &core_;
    }
    ~Viewer() { gCore = nullptr; }

    int Run();

private:
    void Reshape();
    bool HandleEvents();

    Display* display_;
    ViewerOptions options_;
    Window window_;
    ViewerCore<X11Presenter> core_;
    std::unique_ptr<X11Presenter> presenter_;
    Atom deleteWindow_ = None;
    int randrEvent_ = -1;
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
    const Rect area{0, 0, a.width, a.height};
    const std::int32_t dpi = XftDpi(XResourceManagerString(display_));
    std::vector<MonitorInfo> monitors;
    if (options_.target != ViewerTarget::OwnWindow) {
        int x = 0;
        int y = 0;
        Window child = None;
        XTranslateCoordinates(display_, window_, a.root, 0, 0, &x, &y, &child);
        for (const MonitorInfo& m : RootMonitors(display_, a.root, randrEvent_ >= 0, dpi)) {
            const Rect r{std::max(m.area.left, x) - x, std::max(m.area.top, y) - y,
                         std::min(m.area.right, x + a.width) - x, std::min(m.area.bottom, y + a.height) - y};
            if (r.right > r.left && r.bottom > r.top) monitors.push_back(MonitorInfo{r, dpi, m.primary});
        }
    }
    if (monitors.empty()) monitors.push_back(MonitorInfo{area, dpi, true});
    core_.Reshape(*presenter_, area, monitors);
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
            if (event.xexpose.count == 0) core_.Invalidate(*presenter_);
            break;
        case KeyPress: {
            if (options_.target != ViewerTarget::OwnWindow) break;
            const auto key = static_cast<std::uint32_t>(XLookupKeysym(&event.xkey, 0));
            switch (OwnWindowKeyAction(key, core_.HelpShown())) {
            case KeyAction::Close:
                return false;
            case KeyAction::ToggleHelp:
                core_.ToggleHelp(*presenter_);
                break;
            case KeyAction::HideHelp:
                core_.HideHelp(*presenter_);
                break;
            case KeyAction::Ignore:
                break;
            }
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

    Reshape();
    TickSchedule ticks(std::chrono::microseconds(options_.delayMicroseconds), Clock::now());
    // Asleep until the tick, an X event or a signal: a wake-up that only timed out has nothing
    // to read, so it goes straight to the tick.
    bool readable = true;
    while (gStopSignal == 0 && !gXError) {
        if (readable && !HandleEvents()) break;
        const auto now = Clock::now();
        const bool spoke = ticks.Due(now) && core_.Tick(*presenter_, now);
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
    core_.Detach();
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
    if (ChooseDisplayServer(parsed.options, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY")) ==
        DisplayServer::Wayland) {
#if ORVANE_WAYLAND
        return RunWaylandViewer(parsed.options);
#else
        std::fprintf(stderr, "orvane: this build has no Wayland front end (it needs GTK 3 and gtk-layer-shell)\n");
        return 1;
#endif
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
