// The help card the viewer's own window shows on F1: what it says, the card as drawn, where it
// goes over the status screen, and which key does what.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/canvas_raster.h"
#include "linux/viewer_logic.h"
#include "screen/help_card.h"
#include "screen/status_display.h"

namespace {

bool Mentions(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

std::vector<std::uint32_t> Pixels(const Canvas& canvas) {
    std::vector<std::uint32_t> out;
    canvas.CopyPixels(out);
    return out;
}

}  // namespace

TEST(HelpCard, SaysTheKeysTheRecordTheVersionAndWhereToReadMore) {
    const std::vector<std::string> present = HelpLines("orvane_share_7", true, "4.2");
    const std::vector<std::string> absent = HelpLines("orvane_share_7", false, "4.2");
    for (const std::vector<std::string>* lines : {&present, &absent}) {
        ASSERT_FALSE(lines->empty());
        EXPECT_NE((*lines)[0].find("4.2"), std::string::npos) << "the title names the version";
        for (const char* text : {"F1", "q or Escape", "orvane_share_7", "man 6x orvane", kProductWebAddress})
            EXPECT_TRUE(Mentions(*lines, text)) << text;
    }
    EXPECT_TRUE(Mentions(present, "found, a client is running"));
    EXPECT_TRUE(Mentions(absent, "not found"));
    EXPECT_FALSE(Mentions(present, "not found"));
    EXPECT_EQ(ProductVersion(), "1.0");
}

TEST(HelpCard, VioletFrameAroundWhiteTextOnTheDarkPanel) {
    HelpCard card;
    // Far longer than any record name of the family: the text must still stop at the padding.
    const std::string name = "orvane_share_" + std::string(120, 'w');
    ASSERT_TRUE(card.Update(name, false));
    const Canvas& c = card.Picture();
    ASSERT_EQ(c.PixelWidth(), kHelpCardWidth);
    ASSERT_EQ(c.PixelHeight(), kHelpCardHeight);
    std::int32_t white = 0;
    for (std::int32_t y = 0; y < kHelpCardHeight; ++y) {
        for (std::int32_t x = 0; x < kHelpCardWidth; ++x) {
            const RgbColor pixel = c.PixelAt(x, y);
            const std::int32_t edge = std::min({x, y, kHelpCardWidth - 1 - x, kHelpCardHeight - 1 - y});
            if (edge < kHelpFrameWidth) {
                ASSERT_TRUE(SameRgb(pixel, FrameViolet)) << "frame pixel " << x << "," << y;
            } else if (x < 16 || x >= kHelpCardWidth - 16) {
                ASSERT_TRUE(SameRgb(pixel, HelpPanelColor)) << "padding pixel " << x << "," << y;
            } else {
                white += SameRgb(pixel, White) ? 1 : 0;
            }
        }
    }
    EXPECT_GT(white, 500) << "the card's lines are drawn in white";
}

TEST(HelpCard, RedrawsOnlyWhenTheRecordChangesAndThenCompletely) {
    HelpCard card;
    ASSERT_TRUE(card.Update("orvane_share", false));
    const std::vector<std::uint32_t> absent = Pixels(card.Picture());
    EXPECT_FALSE(card.Update("orvane_share", false)) << "nothing changed, nothing to draw";

    ASSERT_TRUE(card.Update("orvane_share", true));
    EXPECT_NE(Pixels(card.Picture()), absent) << "the card does not follow the client";
    // Back again: no trace of the longer line left behind.
    ASSERT_TRUE(card.Update("orvane_share", false));
    EXPECT_EQ(Pixels(card.Picture()), absent);
    EXPECT_TRUE(card.Update("orvane_share_2", false));
}

TEST(HelpCard, LiesCentredOnEachCopyOfTheScreenAtItsScale) {
    for (const std::int32_t scale : {1, 2, 3}) {
        const Rect monitor{-1920, 0, 0, 1600};
        const Rect screen{-1700, 90, -1700 + kCanvasWidth * scale, 90 + kCanvasHeight * scale};
        const CanvasCopy card = HelpCardCopy(CanvasCopy{monitor, screen, scale});
        SCOPED_TRACE(scale);
        EXPECT_EQ(card.scale, scale);
        EXPECT_EQ(card.monitor, monitor);
        EXPECT_EQ(card.destination.right - card.destination.left, kHelpCardWidth * scale);
        EXPECT_EQ(card.destination.bottom - card.destination.top, kHelpCardHeight * scale);
        // Centred to within a source pixel, and on whole source pixels of the screen, so that
        // the screen's row n lies exactly under the card's row n - kHelpCardTop.
        EXPECT_LE(std::abs((card.destination.left + card.destination.right) - (screen.left + screen.right)), 2 * scale);
        EXPECT_LE(std::abs((card.destination.top + card.destination.bottom) - (screen.top + screen.bottom)), 2 * scale);
        EXPECT_EQ(card.destination.top, screen.top + kHelpCardTop * scale);
        EXPECT_EQ(card.destination.left, screen.left + kHelpCardLeft * scale);
    }
}

TEST(HelpCard, KeysOfTheOwnWindow) {
    EXPECT_EQ(OwnWindowKeyAction(kKeyF1, false), KeyAction::ToggleHelp);
    EXPECT_EQ(OwnWindowKeyAction(kKeyF1, true), KeyAction::ToggleHelp);
    EXPECT_EQ(OwnWindowKeyAction(kKeyEscape, true), KeyAction::HideHelp) << "Escape must not close over the help";
    EXPECT_EQ(OwnWindowKeyAction(kKeyEscape, false), KeyAction::Close);
    for (const bool shown : {false, true}) {
        EXPECT_EQ(OwnWindowKeyAction('q', shown), KeyAction::Close);
        EXPECT_EQ(OwnWindowKeyAction('Q', shown), KeyAction::Close);
        EXPECT_EQ(OwnWindowKeyAction('h', shown), KeyAction::Ignore);
        EXPECT_EQ(OwnWindowKeyAction(0xffbf /* F2 */, shown), KeyAction::Ignore);
    }
}
