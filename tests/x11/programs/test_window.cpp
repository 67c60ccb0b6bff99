// A plain window for the viewer's end-to-end tests to draw on with -window-id, as XScreenSaver
// hands its hacks a window of its own: mapped at the given place, filled with a colour of its
// own so that the tests can tell what the viewer painted, and kept until the test ends it.
//
//   x11-test-window WIDTH HEIGHT X Y      prints "window 0xID" once the window is mapped
#include <X11/Xlib.h>
#include <poll.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {
volatile std::sig_atomic_t gStop = 0;
void OnStop(int) { gStop = 1; }
}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: x11-test-window WIDTH HEIGHT X Y\n");
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    if (width <= 0 || height <= 0) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    std::signal(SIGTERM, OnStop);
    std::signal(SIGINT, OnStop);
    const int screen = DefaultScreen(display);
    // #305070: neither black nor any colour of the status screen's frame.
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), std::atoi(argv[3]), std::atoi(argv[4]),
                                              static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0x305070);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    for (XEvent event;;) {
        XNextEvent(display, &event);
        if (event.type == MapNotify) break;
    }
    std::printf("window 0x%lx\n", window);
    std::fflush(stdout);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (gStop == 0) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
        poll(&connection, 1, 200);
    }
    XCloseDisplay(display);
    return 0;
}
