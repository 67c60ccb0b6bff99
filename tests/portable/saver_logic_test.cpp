// The controller's decisions: the size classes, the attach-or-launch state machine, the blank
// deadline across both wraps of the tick count, the banner's travel and the status lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "windows/saver_logic.h"

namespace {

TEST(DisplayModeTest, WidthThresholds) {
    EXPECT_EQ(DisplayModeForWidth(0), DisplayMode::PreviewOnly);
    EXPECT_EQ(DisplayModeForWidth(-5), DisplayMode::PreviewOnly);
    EXPECT_EQ(DisplayModeForWidth(639), DisplayMode::PreviewOnly);
    EXPECT_EQ(DisplayModeForWidth(640), DisplayMode::Narrow);
    EXPECT_EQ(DisplayModeForWidth(799), DisplayMode::Narrow);
    EXPECT_EQ(DisplayModeForWidth(800), DisplayMode::Full);
    EXPECT_EQ(DisplayModeForWidth(3840), DisplayMode::Full);
}

// Every state, with the client's record found at the tick or not: the state that follows and
// whether the client is to be started now.
TEST(SaverStateTest, EveryStateWithTheRecordFoundOrMissed) {
    const struct {
        const char* what;
        SaverState state;
        bool attached;
        SaverState next;
        bool launchClient;
    } steps[] = {
        {"the creation's attach is followed", SaverState::Initial, true, SaverState::Attached, false},
        {"the first miss only retries on the next tick", SaverState::Initial, false, SaverState::LaunchClient, false},
        {"found at the retry", SaverState::LaunchClient, true, SaverState::Attached, false},
        {"the second miss launches the client", SaverState::LaunchClient, false, SaverState::WaitForClient, true},
        {"waiting is final, missed", SaverState::WaitForClient, false, SaverState::WaitForClient, false},
        {"waiting is final, found", SaverState::WaitForClient, true, SaverState::WaitForClient, false},
        {"an attached saver never starts a second client", SaverState::Attached, false, SaverState::Attached, false},
        {"attached is final", SaverState::Attached, true, SaverState::Attached, false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        const SaverStep step = NextSaverState(s.state, s.attached);
        EXPECT_EQ(step.next, s.next);
        EXPECT_EQ(step.launchClient, s.launchClient);
    }
}

TEST(BlankDeadlineTest, NoBlankingMeansNoDeadline) {
    EXPECT_EQ(BlankDeadlineFor(1000u, 10, false), 0u);
    EXPECT_EQ(BlankDeadlineFor(1000u, 0, false), 0u);
    EXPECT_EQ(BlankDeadlineFor(1000u, -3, false), 0u);
}

TEST(BlankDeadlineTest, MinutesAreSixtyThousandTicks) {
    EXPECT_EQ(BlankDeadlineFor(1000u, 10, true), 601000u);
    EXPECT_EQ(BlankDeadlineFor(1000u, 0, true), 1000u);
}

TEST(BlankDeadlineTest, DeadlineWrapsPastTheTopOfTheTickCount) {
    const std::uint32_t start = 0u - 30000u;  // 30 s before the wrap
    const std::uint32_t deadline = BlankDeadlineFor(start, 1, true);
    EXPECT_EQ(deadline, 30000u) << "one minute lands 30 s after the wrap";

    EXPECT_FALSE(BlankDeadlinePassed(start + 33u, deadline));
    EXPECT_FALSE(BlankDeadlinePassed(0xFFFFFFFFu, deadline));
    EXPECT_FALSE(BlankDeadlinePassed(0u, deadline));
    EXPECT_FALSE(BlankDeadlinePassed(deadline, deadline)) << "strictly greater";
    EXPECT_TRUE(BlankDeadlinePassed(deadline + 1u, deadline));
}

TEST(BlankDeadlineTest, DeadlineAcrossTheSignedBoundary) {
    // Start just below 0x7FFFFFFF: the deadline lies above it, where the counts as signed
    // numbers are negative.
    const std::uint32_t start = 0x7FFFFFFFu - 10000u;
    const std::uint32_t deadline = BlankDeadlineFor(start, 1, true);
    EXPECT_EQ(deadline, 0x7FFFFFFFu + 50000u);

    EXPECT_FALSE(BlankDeadlinePassed(start + 33u, deadline)) << "must not blank at once";
    EXPECT_FALSE(BlankDeadlinePassed(0x7FFFFFFFu, deadline));
    EXPECT_FALSE(BlankDeadlinePassed(0x80000000u, deadline));
    EXPECT_FALSE(BlankDeadlinePassed(deadline, deadline));
    EXPECT_TRUE(BlankDeadlinePassed(deadline + 1u, deadline));
    EXPECT_TRUE(BlankDeadlinePassed(deadline + 3600000u, deadline)) << "stays passed an hour later";
}

TEST(BlankDeadlineTest, ZeroMinutesPassesOnTheFirstLaterTick) {
    for (std::uint32_t start : {5u, 0x7FFFFFF0u, 0xFFFFFFF0u}) {
        const std::uint32_t deadline = BlankDeadlineFor(start, 0, true);
        ASSERT_NE(deadline, 0u);
        EXPECT_FALSE(BlankDeadlinePassed(start, deadline)) << start;
        EXPECT_TRUE(BlankDeadlinePassed(start + kTickMilliseconds, deadline)) << start;
    }
}

TEST(BlankDeadlineTest, DeadlineOnZeroStillCounts) {
    // 0 means "none pending", so a deadline that wraps to exactly 0 must be moved, not lost.
    const std::uint32_t start = 0u - 60000u;
    const std::uint32_t deadline = BlankDeadlineFor(start, 1, true);
    EXPECT_NE(deadline, 0u);
    EXPECT_FALSE(BlankDeadlinePassed(start + 59000u, deadline));
    EXPECT_TRUE(BlankDeadlinePassed(100u, deadline));
}

TEST(BlankDeadlineTest, OutOfRangeMinutesWrapLikeThe32BitProduct) {
    // -1 minute is 60000 ticks before the start, modulo 2^32.
    EXPECT_EQ(BlankDeadlineFor(100000u, -1, true), 40000u);
    EXPECT_EQ(BlankDeadlineFor(10u, -1, true), 10u - 60000u);
    // 2^31 / 60000 rounded up: the product no longer fits a signed 32-bit number.
    const std::int32_t huge = 35792;
    EXPECT_EQ(BlankDeadlineFor(0u, huge, true), static_cast<std::uint32_t>(35792ull * 60000ull));
    EXPECT_EQ(BlankDeadlineFor(7u, std::numeric_limits<std::int32_t>::max(), true),
              static_cast<std::uint32_t>(7ull + 0x7FFFFFFFull * 60000ull));
    EXPECT_EQ(BlankDeadlineFor(7u, std::numeric_limits<std::int32_t>::min(), true),
              static_cast<std::uint32_t>(7ull + 0x80000000ull * 60000ull));
}

TEST(BannerTest, TravelsFromTheRightEdgeToPastTheLeft) {
    const std::int32_t width = 1024;
    const std::int32_t banner = 900;
    EXPECT_EQ(BannerX(width, banner, 0), width);
    EXPECT_EQ(BannerX(width, banner, 12000), width - (width + banner) / 2);
    EXPECT_EQ(BannerX(width, banner, 12000), 62);
    // One millisecond before the end the banner's right edge is still on screen by a hair.
    EXPECT_EQ(BannerX(width, banner, 23999), 1024 - (23999 * 1924) / 24000);
    EXPECT_GT(BannerX(width, banner, 23999), -banner - 1);
}

TEST(BannerTest, TruncatesTowardZero) {
    // 1 * 1924 / 24000 is 0.08: the first milliseconds do not move it.
    EXPECT_EQ(BannerX(1024, 900, 1), 1024);
    EXPECT_EQ(BannerX(1024, 900, 13), 1024 - 1);  // 25012 / 24000
}

TEST(BannerTest, HugeWidthsDoNotOverflow) {
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    // The 32-bit product would have overflowed long before the middle of the pass.
    EXPECT_EQ(BannerX(big, 0, 0), big);
    EXPECT_EQ(BannerX(big, 0, 12000), big - big / 2);
    const std::int64_t expected = static_cast<std::int64_t>(big) - 23999ll * (2ll * big) / 24000ll;
    EXPECT_EQ(BannerX(big, big, 23999), static_cast<std::int32_t>(expected));
    EXPECT_LT(BannerX(big, big, 23999), 0);
}

TEST(BannerTest, PassIsOverAt24Seconds) {
    EXPECT_FALSE(BannerPassOver(0));
    EXPECT_FALSE(BannerPassOver(23999));
    EXPECT_TRUE(BannerPassOver(24000));
    EXPECT_TRUE(BannerPassOver(100000));
}

std::string Compose(SaverState state, int result = 0, int error = 0, int blank = 0, int minutes = 0) {
    char line[256];
    std::memset(line, 'x', sizeof line);
    ComposeStatusLine(state, result, error, blank, minutes, line, sizeof line);
    return line;
}

TEST(StatusLineTest, ExactTexts) {
    EXPECT_EQ(Compose(SaverState::Initial), "About to do something.");
    EXPECT_EQ(Compose(SaverState::LaunchClient), "Launching client...              ");
    EXPECT_EQ(Compose(SaverState::WaitForClient), "Launching Orvane ScreenSaver");
    EXPECT_EQ(Compose(SaverState::Attached, 1, 0, 1, 10),
              "DEBUG:  Client is runnning. createproc ret 1, createproc errorn 0 blank 1 minutes 10");
    EXPECT_EQ(Compose(SaverState::Attached, 0, 1155, 0, -4),
              "DEBUG:  Client is runnning. createproc ret 0, createproc errorn 1155 blank 0 minutes -4");
}

TEST(StatusLineTest, BoundedBySize) {
    char line[12];
    std::memset(line, 'x', sizeof line);
    char guard[4] = {'g', 'g', 'g', 'g'};
    ComposeStatusLine(SaverState::Attached, 1, 2, 3, 4, line, 8);
    EXPECT_STREQ(line, "DEBUG: ");
    EXPECT_EQ(line[8], 'x') << "nothing written past the given size";

    ComposeStatusLine(SaverState::Initial, 0, 0, 0, 0, line, 1);
    EXPECT_STREQ(line, "");

    ComposeStatusLine(SaverState::Initial, 0, 0, 0, 0, guard, 0);
    EXPECT_EQ(guard[0], 'g') << "a zero size writes nothing at all";
}

}  // namespace
