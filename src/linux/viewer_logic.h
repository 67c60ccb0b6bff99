// The Linux viewer's decisions, as pure functions the host tests call directly: its command
// line (XScreenSaver's conventions), the line it shows while there is no record, and its
// frame-rate overlay.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/placement.h"

enum class ViewerTarget { OwnWindow, Root, WindowId };

struct ViewerOptions {
    ViewerTarget target = ViewerTarget::OwnWindow;
    std::uint64_t windowId = 0;            // -window-id
    std::uint32_t delayMicroseconds = 33000;
    bool showFps = false;
    std::string headerPath;                // empty: the default places
    PlacementOptions placement;
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

// A window number as XScreenSaver writes it: decimal or 0x hex, nothing after it, not 0.
bool ParseWindowId(const char* text, std::uint64_t& id);

// The centred line on black while the client has not made its record.
std::string WaitingLine();

// The display scaling the desktop asks for: "Xft.dpi" in the resource database text
// (XResourceManagerString), as desktops set it; 96 when it is absent or not a sensible number.
std::int32_t XftDpi(const char* resources);

// "12.3 fps": frames presented over the seconds they took.
std::string FpsText(std::uint32_t frames, double seconds);
