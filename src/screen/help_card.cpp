#include "screen/help_card.h"

#include "screen/status_display.h"

namespace {

constexpr std::int32_t kTitleFontHeight = 22;
constexpr std::int32_t kLineFontHeight = 16;
constexpr std::int32_t kPadding = 16;
constexpr std::int32_t kTitleTop = 14;
constexpr std::int32_t kFirstLineTop = 56;
constexpr std::int32_t kLineStep = 30;

// FillBox leaves the rectangle's right column and bottom row alone; the frame wants them.
void FillWhole(Canvas& canvas, const Rect& r, const RgbColor& color) {
    canvas.FillBox(Rect{r.left, r.top, r.right + 1, r.bottom + 1}, color);
}

}  // namespace

std::string ProductVersion() { return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor); }

std::vector<std::string> HelpLines(const std::string& recordName, bool clientPresent, const std::string& version) {
    return {
        "Orvane " + version,
        "F1: show or hide this help",
        "q or Escape: close the window (Escape first hides this help)",
        "Record " + recordName + ": " + (clientPresent ? "found, a client is running" : "not found, no client yet"),
        std::string("More: man 6x orvane, or ") + kProductWebAddress,
    };
}

HelpCard::HelpCard()
    : bitmap_(GdiObject::MakeBitmap(kHelpCardWidth, kHelpCardHeight)),
      titleFont_(GdiObject::MakeArialFont(kTitleFontHeight, true)),
      lineFont_(GdiObject::MakeArialFont(kLineFontHeight, false)),
      canvas_(std::make_unique<Canvas>(*bitmap_)) {}

bool HelpCard::Update(const std::string& recordName, bool clientPresent) {
    if (drawn_ && recordName == drawnName_ && clientPresent == drawnPresent_) return false;
    drawn_ = true;
    drawnName_ = recordName;
    drawnPresent_ = clientPresent;

    Canvas& c = *canvas_;
    FillWhole(c, Rect{0, 0, kHelpCardWidth - 1, kHelpCardHeight - 1}, FrameViolet);
    const Rect inside{kHelpFrameWidth, kHelpFrameWidth, kHelpCardWidth - kHelpFrameWidth,
                      kHelpCardHeight - kHelpFrameWidth};
    c.FillBox(inside, HelpPanelColor);
    c.SetForeground(White);
    c.SetBackground(HelpPanelColor);
    // A line too long for the card is cut at the padding, never drawn over the frame.
    c.ClipTo(Rect{kPadding, 0, kHelpCardWidth - kPadding, kHelpCardHeight - kHelpFrameWidth});
    const std::vector<std::string> lines = HelpLines(recordName, clientPresent, ProductVersion());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        c.UseFont(i == 0 ? *titleFont_ : *lineFont_);
        const std::int32_t top = i == 0 ? kTitleTop : kFirstLineTop + static_cast<std::int32_t>(i - 1) * kLineStep;
        c.PutText(kPadding, top, lines[i].c_str());
    }
    c.Unclip();
    return true;
}
