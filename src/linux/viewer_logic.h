// The Linux viewer's decisions, as pure functions the host tests call directly: its command
// line (XScreenSaver's conventions), the line it shows while there is no record, and its
// frame-rate overlay.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reader/client_roster.h"
#include "reader/placement.h"
#include "record/shared_status.h"

// Overlay: a full-screen layer-shell surface on every Wayland output, for idle daemons and
// lockers; it ends on input, as a screen saver does.
enum class ViewerTarget { OwnWindow, Root, WindowId, Overlay };

enum class DisplayServer { X11, Wayland };

struct ViewerOptions {
    ViewerTarget target = ViewerTarget::OwnWindow;
    std::uint64_t windowId = 0;            // -window-id
    std::uint32_t delayMicroseconds = 33000;
    bool showFps = false;
    std::string headerPath;                // empty: the default places
    // Every front end of the viewer shows a window or monitor smaller than the status screen
    // all of it (XScreenSaver's preview pane, a small window), reduced.
    PlacementOptions placement{.reduceToFit = true};
    // The one client shown with -clients one: "orvane_share" unless -record names another of
    // the family.
    std::string recordName = kSharedStatusName;
    ClientsMode clients = ClientsMode::One;
    std::int32_t rotateSeconds = kDefaultRotateSeconds;
    std::int32_t staleMinutes = kDefaultStaleMinutes;
    // -wayland: the window goes to Wayland even when DISPLAY names an X server.
    bool forceWayland = false;
    bool help = false;
};

struct ParsedOptions {
    ViewerOptions options;
    std::string error;  // empty when the command line was good
};

inline constexpr std::uint32_t kMinDelayMicroseconds = 1000;
inline constexpr std::uint32_t kMaxDelayMicroseconds = 10000000;
inline constexpr std::int32_t kUsageExitCode = 2;

// argv[1..argc-1]. Options may start with one dash or two; the last of -root, -window and
// -window-id wins. A bad option or value gives the error to print.
ParsedOptions ParseViewerOptions(int argc, const char* const* argv);
std::string ViewerUsage();

// Where the picture goes: the overlay and -wayland always to Wayland, -root and -window-id
// always to X11; the own window to X11 while DISPLAY names a server (XWayland included), else
// to Wayland when WAYLAND_DISPLAY names one. Either variable may be null.
DisplayServer ChooseDisplayServer(const ViewerOptions& options, const char* display, const char* waylandDisplay);

// The monitors a picture goes to: the primary one, or all those with an area, in their order.
std::vector<MonitorInfo> ChosenMonitors(const std::vector<MonitorInfo>& monitors, MonitorChoice choice);

// The band above a status screen where the client's title goes in rotation: as wide as the
// screen's copy, `height` pixels at its scale, just above it. None when the monitor has no room
// there: the title never covers any of the screen.
inline constexpr std::int32_t kTitleHeight = 24;
std::optional<CanvasCopy> TitleCopy(const CanvasCopy& screen, std::int32_t height);

// Where the help card (screen/help_card.h) goes over one copy of the status screen: at the
// copy's scale, on the same rows of the canvas wherever the copy is, so the two line up pixel
// for pixel.
CanvasCopy HelpCardCopy(const CanvasCopy& screen);

// What a key does in the viewer's own window. Keys are X keysyms (GDK's key values are the
// same numbers). Escape first hides the help when it shows; q always closes.
enum class KeyAction { Ignore, ToggleHelp, HideHelp, Close };
inline constexpr std::uint32_t kKeyF1 = 0xffbe;
inline constexpr std::uint32_t kKeyEscape = 0xff1b;
KeyAction OwnWindowKeyAction(std::uint32_t keysym, bool helpShown);

// A window number as XScreenSaver writes it: decimal or 0x hex, nothing after it, not 0.
bool ParseWindowId(const char* text, std::uint64_t& id);

// The centred line on black while the client has not made its record ("orvane_share" unless
// another is named).
std::string WaitingLine(const std::string& recordName = kSharedStatusName);

// The display scaling the desktop asks for: "Xft.dpi" in the resource database text
// (XResourceManagerString), as desktops set it; 96 when it is absent or not a sensible number.
std::int32_t XftDpi(const char* resources);

// "12.3 fps": frames presented over the seconds they took.
std::string FpsText(std::uint32_t frames, double seconds);
