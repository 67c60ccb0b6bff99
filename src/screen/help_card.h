// The short help a viewer's own window shows over the status screen while the user asks for it
// (F1): the keys, the record it reads and whether a client is there, the version, and where to
// read more. Its own small canvas, which the front end sends over the status screen's copy at
// that copy's scale (HelpCardCopy in linux/viewer_logic.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/color.h"
#include "graphics/gdi_object.h"
#include "screen/screen_layout.h"

inline constexpr std::int32_t kHelpCardWidth = 520;
inline constexpr std::int32_t kHelpCardHeight = 200;
// The card's top-left corner on the status screen's canvas: centred on it, so that its rows are
// the screen's rows shifted by a whole number at every scale.
inline constexpr std::int32_t kHelpCardLeft = (kCanvasWidth - kHelpCardWidth) / 2;
inline constexpr std::int32_t kHelpCardTop = (kCanvasHeight - kHelpCardHeight) / 2;
// The frame's width in card pixels, all round the card.
inline constexpr std::int32_t kHelpFrameWidth = 3;
inline constexpr RgbColor HelpPanelColor{20, 14, 40};

// "1.0": the product's version, as the status screen's header shows it after "Version".
std::string ProductVersion();

// The card's lines, top to bottom; the first is its title.
std::vector<std::string> HelpLines(const std::string& recordName, bool clientPresent, const std::string& version);

class HelpCard {
public:
    HelpCard();
    HelpCard(const HelpCard&) = delete;
    HelpCard& operator=(const HelpCard&) = delete;

    // Draws the card for these facts unless it shows them already; true when it drew.
    bool Update(const std::string& recordName, bool clientPresent);
    Canvas& Picture() { return *canvas_; }

private:
    std::unique_ptr<GdiObject> bitmap_;
    std::unique_ptr<GdiObject> titleFont_;
    std::unique_ptr<GdiObject> lineFont_;
    std::unique_ptr<Canvas> canvas_;
    std::string drawnName_;
    bool drawnPresent_ = false;
    bool drawn_ = false;
};
