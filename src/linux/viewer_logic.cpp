#include "linux/viewer_logic.h"

#include "graphics/copy_image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "reader/reader_session.h"
#include "record/record_family.h"
#include "record/shared_status.h"
#include "screen/help_card.h"

namespace {

// "-x" and "--x" are the same option.
std::string OptionName(const char* arg) {
    const char* name = arg + 1;
    if (*name == '-') ++name;
    return name;
}

bool ParseWhole(const char* text, std::int64_t low, std::int64_t high, std::int64_t& value) {
    if (text == nullptr || *text == '\0') return false;
    for (const char* p = text; *p != '\0'; ++p)
        if (*p < '0' || *p > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

}  // namespace

bool ParseWindowId(const char* text, std::uint64_t& id) {
    if (text == nullptr || *text == '\0') return false;
    int base = 10;
    const char* digits = text;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        digits = text + 2;
    }
    if (*digits == '\0') return false;
    for (const char* p = digits; *p != '\0'; ++p) {
        const bool ok = base == 16 ? std::strchr("0123456789abcdefABCDEF", *p) != nullptr : (*p >= '0' && *p <= '9');
        if (!ok) return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(digits, &end, base);
    // X resource ids have 29 significant bits; anything wider is no window.
    if (errno != 0 || *end != '\0' || parsed == 0 || parsed > 0x1FFFFFFFull) return false;
    id = parsed;
    return true;
}

ParsedOptions ParseViewerOptions(int argc, const char* const* argv) {
    ParsedOptions parsed;
    ViewerOptions& o = parsed.options;
    bool recordNamed = false;
    const auto fail = [&parsed](const std::string& message) {
        parsed.error = message;
        return parsed;
    };
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg == nullptr || arg[0] != '-' || arg[1] == '\0') return fail(std::string("unexpected argument '") + (arg ? arg : "") + "'");
        const std::string name = OptionName(arg);
        // The options that take a value read the next argument.
        const auto value = [&](const char*& out) {
            if (i + 1 >= argc || argv[i + 1] == nullptr) return false;
            out = argv[++i];
            return true;
        };
        const char* text = nullptr;
        if (name == "root") {
            o.target = ViewerTarget::Root;
        } else if (name == "window") {
            o.target = ViewerTarget::OwnWindow;
        } else if (name == "overlay") {
            o.target = ViewerTarget::Overlay;
        } else if (name == "wayland") {
            o.forceWayland = true;
        } else if (name == "window-id") {
            if (!value(text)) return fail("-window-id needs a window number");
            if (!ParseWindowId(text, o.windowId)) return fail(std::string("-window-id: '") + text + "' is not a window number (decimal or 0x hex)");
            o.target = ViewerTarget::WindowId;
        } else if (name == "delay") {
            std::int64_t d = 0;
            if (!value(text)) return fail("-delay needs a number of microseconds");
            if (!ParseWhole(text, kMinDelayMicroseconds, kMaxDelayMicroseconds, d))
                return fail(std::string("-delay: '") + text + "' is not a whole number of microseconds from 1000 to 10000000");
            o.delayMicroseconds = static_cast<std::uint32_t>(d);
        } else if (name == "fps") {
            o.showFps = true;
        } else if (name == "header") {
            if (!value(text) || *text == '\0') return fail("-header needs a file name");
            o.headerPath = text;
        } else if (name == "monitors") {
            if (!value(text)) return fail("-monitors needs primary or all");
            if (std::strcmp(text, "primary") == 0) {
                o.placement.monitors = MonitorChoice::Primary;
            } else if (std::strcmp(text, "all") == 0) {
                o.placement.monitors = MonitorChoice::All;
            } else {
                return fail(std::string("-monitors: '") + text + "' is neither primary nor all");
            }
        } else if (name == "scale") {
            std::int64_t s = 0;
            if (!value(text)) return fail("-scale needs a factor");
            if (!ParseWhole(text, 0, kMaxScale, s)) return fail(std::string("-scale: '") + text + "' is not a factor from 0 to 8");
            o.placement.scale = static_cast<std::int32_t>(s);
        } else if (name == "shift") {
            o.placement.shift = true;
        } else if (name == "clients") {
            if (!value(text)) return fail("-clients needs one, rotate or overview");
            if (!ParseClientsMode(text, o.clients))
                return fail(std::string("-clients: '") + text + "' is not one, rotate or overview");
        } else if (name == "rotate") {
            std::int64_t s = 0;
            if (!value(text)) return fail("-rotate needs a number of seconds");
            if (!ParseWhole(text, kMinRotateSeconds, kMaxRotateSeconds, s))
                return fail(std::string("-rotate: '") + text + "' is not a whole number of seconds from 5 to 3600");
            o.rotateSeconds = static_cast<std::int32_t>(s);
        } else if (name == "stale") {
            std::int64_t m = 0;
            if (!value(text)) return fail("-stale needs a number of minutes");
            if (!ParseWhole(text, kMinStaleMinutes, kMaxStaleMinutes, m))
                return fail(std::string("-stale: '") + text + "' is not a whole number of minutes from 1 to 1440");
            o.staleMinutes = static_cast<std::int32_t>(m);
        } else if (name == "record") {
            if (!value(text)) return fail("-record needs a record name");
            // Nothing outside the family is ever opened: another program's object is no record.
            if (FamilyRecordIndex(text) == 0)
                return fail(std::string("-record: '") + text + "' is not a client's record name (orvane_share, or orvane_share_2 to orvane_share_64)");
            o.recordName = text;
            recordNamed = true;
        } else if (name == "help" || name == "h") {
            o.help = true;
        } else {
            return fail(std::string("unknown option '") + arg + "'");
        }
    }
    if (o.forceWayland && (o.target == ViewerTarget::Root || o.target == ViewerTarget::WindowId))
        return fail("-wayland goes with -window or -overlay; -root and -window-id are X11 windows");
    if (recordNamed && o.clients != ClientsMode::One)
        return fail(std::string("-record shows one client; it does not go with -clients ") + ClientsModeName(o.clients));
    return parsed;
}

std::string ViewerUsage() {
    return "usage: orvane [-root | -window | -window-id ID | -overlay] [-wayland] [-delay MICROSECONDS]\n"
           "              [-fps] [-header FILE]\n"
           "              [-monitors primary|all] [-scale N] [-shift] [-record NAME]\n"
           "              [-clients one|rotate|overview] [-rotate SECONDS] [-stale MINUTES] [--help]\n"
           "\n"
           "Shows the live status screen of the Orvane client, from its shared record \"/orvane_share\",\n"
           "or of every client of the machine in turn or as an overview.\n"
           "\n"
           "  -root              draw on $XSCREENSAVER_WINDOW when it is set, else on the root window\n"
           "  -window            a resizable window of its own, titled \"Orvane\" (the default);\n"
           "                     q, Escape or the window manager's close ends it; F1 shows a help\n"
           "  -window-id ID      draw on that window (decimal or 0x hex)\n"
           "  -overlay           Wayland: cover every output until a key, a button or a move of\n"
           "                     the pointer, as a screen saver started by an idle daemon\n"
           "  -wayland           open the window on Wayland even when DISPLAY is set (without\n"
           "                     DISPLAY, a Wayland session gets a Wayland window anyway)\n"
           "  -delay US          the tick period in microseconds (default 33000)\n"
           "  -fps               show the measured frame rate\n"
           "  -header FILE       the header image (default: the installed data folder, then the\n"
           "                     current directory)\n"
           "  -monitors WHICH    primary: one copy on the primary monitor; all: one on each\n"
           "  -scale N           0: follow the display's DPI (Xft.dpi); 1 to 8: that factor;\n"
           "                     lowered until the screen fits its monitor\n"
           "  -shift             move the screen a little every minute against burn-in\n"
           "  -record NAME       show the client of that record: orvane_share (the default) or\n"
           "                     orvane_share_2 to orvane_share_64\n"
           "  -clients MODE      one: the one client's status screen (the default); rotate: each\n"
           "                     client's status screen in turn; overview: a card per client\n"
           "  -rotate SECONDS    each turn of the rotation, and of the overview's pages, 5 to 3600\n"
           "                     (default 60)\n"
           "  -stale MINUTES     a client unchanged this long is marked stale, and one that ended\n"
           "                     is shown as ended this long; 1 to 1440 (default 10)\n"
           "  --help             this text\n";
}

DisplayServer ChooseDisplayServer(const ViewerOptions& options, const char* display, const char* waylandDisplay) {
    switch (options.target) {
    case ViewerTarget::Overlay:
        return DisplayServer::Wayland;
    case ViewerTarget::Root:
    case ViewerTarget::WindowId:
        return DisplayServer::X11;
    case ViewerTarget::OwnWindow:
        break;
    }
    if (options.forceWayland) return DisplayServer::Wayland;
    const bool x11 = display != nullptr && *display != '\0';
    const bool wayland = waylandDisplay != nullptr && *waylandDisplay != '\0';
    return !x11 && wayland ? DisplayServer::Wayland : DisplayServer::X11;
}

std::string WaitingLine(const std::string& recordName) {
    return WaitingLineFor(recordName);
}

std::vector<MonitorInfo> ChosenMonitors(const std::vector<MonitorInfo>& monitors, MonitorChoice choice) {
    std::vector<MonitorInfo> chosen;
    if (choice == MonitorChoice::All) {
        for (const MonitorInfo& m : monitors)
            if (m.area.right > m.area.left && m.area.bottom > m.area.top) chosen.push_back(m);
        return chosen;
    }
    const std::int32_t primary = PrimaryMonitorIndex(monitors);
    if (primary >= 0) chosen.push_back(monitors[static_cast<std::size_t>(primary)]);
    return chosen;
}

std::optional<CanvasCopy> TitleCopy(const CanvasCopy& screen, std::int32_t height) {
    const std::int32_t scale = std::max(screen.scale, 1);
    // A gap of two pixels at the scale keeps the title off the screen's frame.
    const std::int32_t bottom = screen.destination.top - 2 * scale;
    const std::int32_t top = bottom - height * scale;
    if (top < screen.monitor.top) return std::nullopt;
    return CanvasCopy{screen.monitor, Rect{screen.destination.left, top, screen.destination.right, bottom}, scale};
}

CanvasCopy HelpCardCopy(const CanvasCopy& screen) {
    if (IsReduced(screen, kCanvasWidth, kCanvasHeight)) {
        // The card shrinks with a screen reduced to a small window, over the same part of it.
        const Rect& d = screen.destination;
        const auto x = [&d](std::int32_t at) { return d.left + at * (d.right - d.left) / kCanvasWidth; };
        const auto y = [&d](std::int32_t at) { return d.top + at * (d.bottom - d.top) / kCanvasHeight; };
        return CanvasCopy{screen.monitor,
                          Rect{x(kHelpCardLeft), y(kHelpCardTop), x(kHelpCardLeft + kHelpCardWidth), y(kHelpCardTop + kHelpCardHeight)},
                          1};
    }
    const std::int32_t scale = std::max(screen.scale, 1);
    const std::int32_t left = screen.destination.left + kHelpCardLeft * scale;
    const std::int32_t top = screen.destination.top + kHelpCardTop * scale;
    return CanvasCopy{screen.monitor, Rect{left, top, left + kHelpCardWidth * scale, top + kHelpCardHeight * scale},
                      scale};
}

KeyAction OwnWindowKeyAction(std::uint32_t keysym, bool helpShown) {
    if (keysym == kKeyF1) return KeyAction::ToggleHelp;
    if (keysym == kKeyEscape) return helpShown ? KeyAction::HideHelp : KeyAction::Close;
    if (keysym == 'q' || keysym == 'Q') return KeyAction::Close;
    return KeyAction::Ignore;
}

std::string FpsText(std::uint32_t frames, double seconds) {
    char text[32];
    const double rate = seconds > 0 ? frames / seconds : 0.0;
    std::snprintf(text, sizeof text, "%.1f fps", rate);
    return text;
}

std::int32_t XftDpi(const char* resources) {
    if (resources == nullptr) return kBaseDpi;
    const char key[] = "Xft.dpi:";
    for (const char* line = resources; *line != '\0';) {
        if (std::strncmp(line, key, sizeof key - 1) == 0) {
            const char* p = line + sizeof key - 1;
            while (*p == ' ' || *p == '\t') ++p;
            // Desktops write whole numbers or decimals such as 96.0 or 144.5.
            char* end = nullptr;
            errno = 0;
            const double dpi = std::strtod(p, &end);
            if (end != p && errno == 0 && dpi >= 24 && dpi <= 2400) return static_cast<std::int32_t>(dpi);
            return kBaseDpi;
        }
        const char* next = std::strchr(line, '\n');
        if (next == nullptr) break;
        line = next + 1;
    }
    return kBaseDpi;
}
