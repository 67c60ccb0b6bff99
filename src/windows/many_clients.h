// The saver showing every client of the machine ("Clients" rotate or overview): where a
// client's name goes beside its status screen, and how the cards fill each monitor. Pure
// geometry that the host tests call directly; many_clients_win32.cpp does the drawing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "graphics/rect.h"
#include "reader/placement.h"

// Space kept between the status screen and the name shown beside it, at scale 1.
inline constexpr std::int32_t kLabelGap = 4;

// Where a text of `width` x `height` pixels goes beside the copy: centred over it in the band
// above, else in the band below, each within the copy's monitor and clear of the copy by the
// gap times the copy's scale; cut to the monitor's width. Nothing when neither band has room:
// the name never covers any of the status screen.
std::optional<Rect> LabelPlace(const CanvasCopy& copy, std::int32_t width, std::int32_t height);

// One monitor's share of the overview: a grid of cards at a whole-pixel scale, centred.
struct CardGrid {
    Rect monitor;
    std::int32_t scale = 1;
    std::int32_t columns = 1;
    std::int32_t rows = 1;
    Rect destination;  // the grid's pixels times the scale, centred on the monitor

    std::int32_t Cells() const { return columns * rows; }
    bool operator==(const CardGrid&) const = default;
};

// One grid per chosen monitor (the primary, or all with an area): the scale as the status
// screen takes it (the requested factor or the monitor's DPI, lowered until one card fits), and
// as many whole cards across and down as the monitor holds at it, at least one.
std::vector<CardGrid> PlaceCardGrids(const std::vector<MonitorInfo>& monitors, const PlacementOptions& options,
                                     std::int32_t cardWidth, std::int32_t cardHeight);

// Which page of `count` clients a grid of `cells` shows `elapsedMs` after the start, pages
// taking turns every `periodMs`; 0 when they all fit.
std::int32_t CardPage(std::size_t count, std::int32_t cells, std::uint32_t elapsedMs, std::uint32_t periodMs);
