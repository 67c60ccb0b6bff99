// The help card of the viewer's own window: what it says, the card as drawn, and its place.
#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "graphics/canvas_raster.h"
#include "linux/viewer_logic.h"
#include "screen/help_card.h"
#include "screen/status_display.h"

TEST(HelpCard, SaysTheKeysTheRecordTheVersionAndWhereToReadMore) {
    for (const bool present : {false, true}) {
        std::string all;
        for (const std::string& line : HelpLines("orvane_share_7", present, "4.2")) all += line + "\n";
        for (const char* text :
             {"Orvane 4.2\n", "F1", "q or Escape", "orvane_share_7", "man 6x orvane", kProductWebAddress})
            EXPECT_NE(all.find(text), std::string::npos) << text;
        EXPECT_EQ(all.find("not found") == std::string::npos, present) << all;
    }
    EXPECT_EQ(OwnWindowKeyAction(kKeyEscape, false), KeyAction::Close) << "Escape closes when no help shows";
}

TEST(HelpCard, VioletFrameAroundWhiteTextThatNeverReachesIt) {
    HelpCard card;
    // Far longer than any record name of the family: the text must still stop at the padding.
    ASSERT_TRUE(card.Update("orvane_share_" + std::string(120, 'w'), false));
    const Canvas& c = card.Picture();
    std::int32_t white = 0;
    for (std::int32_t y = 0; y < kHelpCardHeight; ++y) {
        for (std::int32_t x = 0; x < kHelpCardWidth; ++x) {
            const RgbColor pixel = c.PixelAt(x, y);
            if (std::min({x, y, kHelpCardWidth - 1 - x, kHelpCardHeight - 1 - y}) < kHelpFrameWidth) {
                ASSERT_TRUE(SameRgb(pixel, FrameViolet)) << "frame pixel " << x << "," << y;
            } else if (x < 16 || x >= kHelpCardWidth - 16) {
                ASSERT_TRUE(SameRgb(pixel, HelpPanelColor)) << "padding pixel " << x << "," << y;
            }
            white += SameRgb(pixel, White) ? 1 : 0;
        }
    }
    EXPECT_GT(white, 500) << "the lines are drawn in white";
}

TEST(HelpCard, FollowsTheRecordAndLiesOnTheScreensRows) {
    HelpCard card;
    std::vector<std::uint32_t> absent;
    std::vector<std::uint32_t> now;
    ASSERT_TRUE(card.Update("orvane_share", false));
    card.Picture().CopyPixels(absent);
    EXPECT_FALSE(card.Update("orvane_share", false)) << "nothing changed, nothing to draw";
    ASSERT_TRUE(card.Update("orvane_share", true));
    card.Picture().CopyPixels(now);
    EXPECT_NE(now, absent);
    // Back again, with no trace of the longer line.
    ASSERT_TRUE(card.Update("orvane_share", false));
    card.Picture().CopyPixels(now);
    EXPECT_EQ(now, absent);

    // At scale 3 on a monitor left of the origin: centred, the screen's row n under card row n - top.
    const Rect monitor{-1920, 0, 0, 1600};
    const CanvasCopy card3 = HelpCardCopy(CanvasCopy{monitor, Rect{-1700, 90, -1700 + 752 * 3, 90 + 445 * 3}, 3});
    EXPECT_EQ(card3, (CanvasCopy{monitor, Rect{-1700 + 116 * 3, 90 + 122 * 3, -1700 + 636 * 3, 90 + 322 * 3}, 3}));

    // Over a screen reduced into a 400 x 300 window the card is reduced with it, inside it.
    const Rect small{0, 0, 400, 300};
    const CanvasCopy reduced{small, Rect{0, 32, 400, 268}, 1};
    const CanvasCopy cardSmall = HelpCardCopy(reduced);
    const Rect& c = cardSmall.destination;
    EXPECT_TRUE(c.left > 0 && c.top > 32 && c.right < 400 && c.bottom < 268) << c.left << "," << c.top;
    EXPECT_LE(std::abs((c.left + c.right) - 400), 2);  // centred on the screen, to a pixel
    EXPECT_LE(std::abs((c.top + c.bottom) - 300), 2);
    EXPECT_TRUE(IsReduced(cardSmall, kHelpCardWidth, kHelpCardHeight));
}
