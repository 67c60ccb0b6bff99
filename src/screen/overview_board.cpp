#include "screen/overview_board.h"

#include <algorithm>

OverviewBoard::OverviewBoard(const OverviewLayout& layout) : OverviewBoard(layout.columns, layout.rows) {}

OverviewBoard::OverviewBoard(std::int32_t columns, std::int32_t rows)
    : columns_(std::clamp(columns, 1, kMaxOverviewCells)),
      rows_(std::clamp(rows, 1, (kMaxOverviewCells - 1) / columns_ + 1)),
      fonts_(CardFonts::Make()),
      bitmap_(GdiObject::MakeBitmap(columns_ * kCardWidth, rows_ * kCardHeight)),
      canvas_(std::make_unique<Canvas>(*bitmap_)),
      shown_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)) {
    canvas_->FillBox(Rect{0, 0, columns_ * kCardWidth, rows_ * kCardHeight}, Black);
}

std::vector<Rect> OverviewBoard::Show(std::span<const CardFacts> cards) {
    std::vector<Rect> drawn;
    for (std::size_t slot = 0; slot < shown_.size(); ++slot) {
        std::optional<CardFacts>& shown = shown_[slot];
        const Rect cell = Cell(static_cast<std::int32_t>(slot));
        if (slot < cards.size()) {
            if (invalid_ || !shown) {
                DrawClientCard(*canvas_, cell, cards[slot], fonts_);
            } else if (*shown != cards[slot]) {
                UpdateClientCard(*canvas_, cell, *shown, cards[slot], fonts_);
            } else {
                continue;
            }
            shown = cards[slot];
        } else {
            if (!invalid_ && !shown) continue;
            canvas_->FillBox(cell, Black);
            shown.reset();
        }
        drawn.push_back(cell);
    }
    invalid_ = false;
    if (!drawn.empty()) canvas_->FinishDrawing();
    return drawn;
}

void OverviewBoard::Invalidate() { invalid_ = true; }
