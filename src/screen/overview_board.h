// The overview's picture for one monitor: a canvas of columns x rows cards at scale 1, which
// the front end copies to the layout's destination at the layout's scale (an X image on Linux,
// BitBlt or StretchBlt from CanvasDC on Windows), as it copies the status screen's canvas.
//
// A card is drawn again only when its facts differ from those it shows, so a page of clients
// that do not change costs a comparison a card per tick and nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/gdi_object.h"
#include "screen/overview_card.h"
#include "screen/overview_layout.h"

class OverviewBoard {
public:
    // A black board of the layout's columns and rows: at least one of each, and no more rows
    // than kMaxOverviewCells cards need, as LayoutOverview gives them.
    explicit OverviewBoard(const OverviewLayout& layout);
    OverviewBoard(std::int32_t columns, std::int32_t rows);
    OverviewBoard(const OverviewBoard&) = delete;
    OverviewBoard& operator=(const OverviewBoard&) = delete;

    // Shows `cards` in the slots from the first on, and leaves the slots after them black;
    // cards past the last slot are not shown. Returns the cells it drew, in the canvas's pixels:
    // those whose card changed, came or went. Empty when nothing changed.
    std::vector<Rect> Show(std::span<const CardFacts> cards);
    // The next Show draws every cell, whatever it shows.
    void Invalidate();

    std::int32_t Columns() const { return columns_; }
    std::int32_t Rows() const { return rows_; }
    Rect Cell(std::int32_t slot) const { return CardCell(columns_, slot); }
    Canvas& canvas() { return *canvas_; }
    const Canvas& canvas() const { return *canvas_; }

private:
    std::int32_t columns_;
    std::int32_t rows_;
    // Fonts and bitmap come before the canvas, which selects them and goes first.
    CardFonts fonts_;
    std::unique_ptr<GdiObject> bitmap_;
    std::unique_ptr<Canvas> canvas_;
    std::vector<std::optional<CardFacts>> shown_;  // by slot; none for a black cell
    bool invalid_ = false;
};
