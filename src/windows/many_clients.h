// The saver showing every client of the machine ("Clients" rotate or overview): where a
// client's name goes beside its status screen, which monitors hold a grid of cards at which
// scale, and which page of cards is shown. Pure geometry that the host tests call directly;
// many_clients_win32.cpp does the drawing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "graphics/rect.h"
#include "reader/placement.h"
#include "screen/overview_layout.h"

// Space kept between the status screen and the name shown beside it, at scale 1.
inline constexpr std::int32_t kLabelGap = 4;

// Where a text of `width` x `height` pixels goes beside the copy: centred over it in the band
// above, else in the band below, each within the copy's monitor and clear of the copy by the
// gap times the copy's scale; cut to the monitor's width. Nothing when neither band has room:
// the name never covers any of the status screen.
std::optional<Rect> LabelPlace(const CanvasCopy& copy, std::int32_t width, std::int32_t height);

// One monitor's share of the overview: its grid of cards at the monitor's scale.
struct MonitorOverview {
    Rect monitor;
    OverviewLayout layout;

    bool operator==(const MonitorOverview&) const = default;
};

// One grid per chosen monitor (the primary, or all with an area), at the scale the status
// screen would take there (the requested factor or the monitor's DPI), lowered only until one
// card fits.
std::vector<MonitorOverview> PlaceOverviews(const std::vector<MonitorInfo>& monitors, const PlacementOptions& options);

// The page of `clients` clients that `layout` shows `elapsedMs` after the start, pages taking
// turns every `periodMs`; 0 when they all fit (and when there are none).
std::int32_t OverviewPageAt(const OverviewLayout& layout, std::int32_t clients, std::uint32_t elapsedMs,
                            std::uint32_t periodMs);
