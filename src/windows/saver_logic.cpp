#include "windows/saver_logic.h"

#include <cstdio>

DisplayMode DisplayModeForWidth(std::int32_t clientWidth) {
    if (clientWidth < kNarrowWidth) return DisplayMode::PreviewOnly;
    if (clientWidth < kFullWidth) return DisplayMode::Narrow;
    return DisplayMode::Full;
}

DisplayMode DisplayModeForMonitors(const std::vector<MonitorInfo>& monitors, std::int32_t clientWidth) {
    const std::int32_t primary = PrimaryMonitorIndex(monitors);
    if (primary < 0) return DisplayModeForWidth(clientWidth);
    const Rect& area = monitors[static_cast<std::size_t>(primary)].area;
    const std::int64_t width = static_cast<std::int64_t>(area.right) - area.left;
    return DisplayModeForWidth(width > kFullWidth ? kFullWidth : static_cast<std::int32_t>(width));
}

SaverStep NextSaverState(SaverState state, bool attached) {
    switch (state) {
    case SaverState::Initial:
        return {attached ? SaverState::Attached : SaverState::LaunchClient, false};
    case SaverState::LaunchClient:
        // The second miss in a row: the client is not running, so start it and step aside.
        if (attached) return {SaverState::Attached, false};
        return {SaverState::WaitForClient, true};
    case SaverState::WaitForClient:
    case SaverState::Attached:
        break;
    }
    return {state, false};
}

std::uint32_t BlankDeadlineFor(std::uint32_t startTick, std::int32_t minutes, bool blank) {
    if (!blank) return 0;
    // Unsigned on purpose: a negative or very large minute count wraps exactly as the 32-bit
    // product of the tick arithmetic would, instead of overflowing a signed multiplication.
    const std::uint32_t delay = static_cast<std::uint32_t>(minutes) * 60000u;
    const std::uint32_t deadline = startTick + delay;
    // 0 means "no deadline pending"; one millisecond late is better than never blanking.
    return deadline == 0 ? 1u : deadline;
}

bool BlankDeadlinePassed(std::uint32_t now, std::uint32_t deadline) {
    // Comparing the two counts themselves as signed numbers goes wrong whenever they sit on
    // opposite sides of 0x80000000 (every 49.7 days one of them does for a while). The signed
    // difference stays right across both that boundary and the wrap to 0, for any deadline
    // less than 2^31 ms (about 24.8 days) away.
    return static_cast<std::int32_t>(now - deadline) > 0;
}

bool BannerPassOver(std::int32_t elapsed) {
    return elapsed >= static_cast<std::int32_t>(kBannerPassMilliseconds);
}

void ComposeStatusLine(SaverState state, std::int32_t helpResult, std::int32_t helpError, std::int32_t blank,
                       std::int32_t minutes, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return;
    switch (state) {
    case SaverState::Initial:
        std::snprintf(out, size, "%s", "About to do something.");
        return;
    case SaverState::LaunchClient:
        std::snprintf(out, size, "%s", "Launching client...              ");
        return;
    case SaverState::WaitForClient:
        std::snprintf(out, size, "%s", "Launching Orvane ScreenSaver");
        return;
    case SaverState::Attached:
        std::snprintf(out, size,
                      "DEBUG:  Client is runnning. createproc ret %d, createproc errorn %d blank %d minutes %d",
                      static_cast<int>(helpResult), static_cast<int>(helpError), static_cast<int>(blank),
                      static_cast<int>(minutes));
        return;
    }
    out[0] = '\0';
}
