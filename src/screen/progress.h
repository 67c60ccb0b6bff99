// The two progress indicators of the "Data Analysis" panel: the percentage bar of the current
// step and the oblique box that fills cell by cell with overall progress.
#pragma once

#include <cstdint>

#include "screen/panel.h"

class ProgressBar : public Panel {
public:
    ProgressBar(Canvas& canvas, const Rect& rect);

    void Clear();
    // Redraws "n%" and the white bar for the fraction; the whole picture is replaced.
    void Show(float fraction);
};

class ProgressBox : public Panel {
public:
    ProgressBox(Canvas& canvas, const Rect& rect);

    void DrawEmpty();
    // Plots the cells between the last count and the new one; empties the box first when the
    // fraction went down.
    void Update(float fraction);
    void PlotCell(std::int32_t k);
    void PlotCellAt(std::int32_t a, std::int32_t b, std::int32_t c);
    // False when the panel is too small for one cell in every direction: nothing is plotted.
    bool HasCells() const;

    float shownFraction = 0.0f;
    std::int32_t cellsDrawn = 0;
    std::int32_t boxWidth = 0;
    std::int32_t boxHeight = 0;
    std::int32_t boxDepth = 0;
    std::int32_t cellCount = 0;
    std::int32_t sliceCells = 0;
    std::int32_t bottomY = 0;
    std::int32_t rightX = 0;
};
