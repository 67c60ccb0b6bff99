#include "linux/viewer_logic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ParsedOptions Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "orvane");
    return ParseViewerOptions(static_cast<int>(args.size()), args.data());
}

}  // namespace

TEST(ViewerOptionsTest, DefaultsAreTheDesktopViewer) {
    const ParsedOptions p = Parse({});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.target, ViewerTarget::OwnWindow);
    EXPECT_EQ(p.options.delayMicroseconds, 33000u);
    EXPECT_FALSE(p.options.showFps);
    EXPECT_EQ(p.options.placement.monitors, MonitorChoice::Primary);
    EXPECT_EQ(p.options.placement.scale, 0);
    EXPECT_FALSE(p.options.placement.shift);
}

TEST(ViewerOptionsTest, EveryOptionWithGoodValues) {
    const ParsedOptions p = Parse({"-root", "-delay", "20000", "-fps", "-header", "/tmp/h.bmp", "-monitors", "all",
                                   "-scale", "3", "-shift"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.target, ViewerTarget::Root);
    EXPECT_EQ(p.options.delayMicroseconds, 20000u);
    EXPECT_TRUE(p.options.showFps);
    EXPECT_EQ(p.options.headerPath, "/tmp/h.bmp");
    EXPECT_EQ(p.options.placement.monitors, MonitorChoice::All);
    EXPECT_EQ(p.options.placement.scale, 3);
    EXPECT_TRUE(p.options.placement.shift);

    // Two dashes work as one, and the last target named wins.
    const ParsedOptions q = Parse({"--window-id", "0x2a00007", "--root", "-window-id", "123"});
    ASSERT_EQ(q.error, "");
    EXPECT_EQ(q.options.target, ViewerTarget::WindowId);
    EXPECT_EQ(q.options.windowId, 123u);
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_EQ(Parse({"-delay", "1000"}).error, "");
    EXPECT_EQ(Parse({"-delay", "10000000"}).error, "");
    EXPECT_EQ(Parse({"-scale", "0"}).error, "");
    EXPECT_EQ(Parse({"-scale", "8"}).error, "");
}

TEST(ViewerOptionsTest, BadOptionsAndValuesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {"-bogus"},          {"root"},          {"-"},
        {"-delay"},          {"-delay", "999"}, {"-delay", "10000001"},
        {"-delay", "-5"},    {"-delay", "33e3"}, {"-delay", ""},
        {"-scale", "9"},     {"-scale", "-1"},  {"-scale", "two"},
        {"-monitors", "both"}, {"-monitors", "ALL"}, {"-monitors"},
        {"-window-id"},      {"-window-id", "0"}, {"-window-id", "0x"},
        {"-window-id", "12z"}, {"-window-id", "0xfffffffff"}, {"-header"},
        {"-header", ""},
    };
    for (const auto& args : bad) {
        const ParsedOptions p = Parse(args);
        std::string shown;
        for (const char* a : args) shown += std::string(a) + " ";
        EXPECT_NE(p.error, "") << shown;
    }
    EXPECT_NE(Parse({"-scale", "9"}).error.find("from 0 to 8"), std::string::npos);
}

TEST(ViewerOptionsTest, WindowIdsAsXScreenSaverWritesThem) {
    std::uint64_t id = 0;
    EXPECT_TRUE(ParseWindowId("0x1C00007", id));
    EXPECT_EQ(id, 0x1C00007u);
    EXPECT_TRUE(ParseWindowId("29360135", id));
    EXPECT_EQ(id, 29360135u);
    for (const char* text : {"", "0", "0x0", "-5", "0x", "12 ", " 12", "0x1g", "99999999999999999999"})
        EXPECT_FALSE(ParseWindowId(text, id)) << "'" << text << "'";
    EXPECT_FALSE(ParseWindowId(nullptr, id));
}

TEST(ViewerTextTest, WaitingLineNamesTheRecord) {
    EXPECT_EQ(WaitingLine(), "Waiting for the Orvane client (no shared record /orvane_share)");
}

TEST(ViewerTextTest, XftDpiFromTheResourceDatabase) {
    EXPECT_EQ(XftDpi(nullptr), 96);
    EXPECT_EQ(XftDpi(""), 96);
    EXPECT_EQ(XftDpi("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"), 192);
    EXPECT_EQ(XftDpi("Xft.dpi: 144.5"), 144);
    EXPECT_EQ(XftDpi("Xft.dpi:\tlarge\n"), 96);
    EXPECT_EQ(XftDpi("Xft.dpi:\t0\n"), 96);
    EXPECT_EQ(XftDpi("*Xft.dpi:\t192\n"), 96) << "only the plain key";
}

TEST(ViewerTextTest, FpsText) {
    EXPECT_EQ(FpsText(30, 1.0), "30.0 fps");
    EXPECT_EQ(FpsText(7, 2.0), "3.5 fps");
    EXPECT_EQ(FpsText(5, 0.0), "0.0 fps");
}
