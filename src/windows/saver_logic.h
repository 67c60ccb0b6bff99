// The controller's decisions, as pure functions the native tests call directly: the size
// class of the window, the attach-or-launch state machine, the blank deadline and the banner's
// pass. The Win32 controller only feeds them tick counts and results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reader/placement.h"

enum class DisplayMode : std::int32_t { PreviewOnly = 0, Narrow = 1, Full = 2 };
enum class SaverState : std::int32_t { Initial = 0, LaunchClient = 1, WaitForClient = 2, Attached = 5 };
enum class BlankPhase : std::int32_t { Showing = 0, Blanking = 1, Sliding = 2 };

inline constexpr std::int32_t kNarrowWidth = 640;
inline constexpr std::int32_t kFullWidth = 800;
inline constexpr std::uint32_t kTickMilliseconds = 33;

DisplayMode DisplayModeForWidth(std::int32_t clientWidth);
// The full-screen saver's mode: two narrow monitors side by side are not a full screen, so the
// primary monitor's width decides, at scale 1. With no monitors (the preview) the window's own
// width does.
DisplayMode DisplayModeForMonitors(const std::vector<MonitorInfo>& monitors, std::int32_t clientWidth);

// What a tick does with the state machine, given whether an attach (at creation for
// Initial, on this tick for LaunchClient) succeeded.
struct SaverStep {
    SaverState next;
    bool launchClient;  // start the client and end the saver
};
SaverStep NextSaverState(SaverState state, bool attached);

// The deadline for blanking `minutes` after `startTick`, in 32-bit wrap-around arithmetic;
// 0 means none. A deadline that lands exactly on 0 is moved to 1 so that it still counts.
std::uint32_t BlankDeadlineFor(std::uint32_t startTick, std::int32_t minutes, bool blank);
// The tick is past the deadline, compared as signed 32-bit numbers so that the comparison
// holds across the wrap of GetTickCount.
bool BlankDeadlinePassed(std::uint32_t now, std::uint32_t deadline);

// A pass is over (and the next begins without drawing) at 24 s or more.
bool BannerPassOver(std::int32_t elapsed);

// The status line composed each tick for the state (bounded to `size`).
void ComposeStatusLine(SaverState state, std::int32_t helpResult, std::int32_t helpError, std::int32_t blank,
                       std::int32_t minutes, char* out, std::size_t size);
