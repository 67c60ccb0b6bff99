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

TEST(ViewerOptionsTest, TheDisplayServerFollowsTheTargetThenTheSession) {
    const auto server = [](std::vector<const char*> args, const char* display, const char* wayland) {
        const ParsedOptions p = Parse(args);
        EXPECT_EQ(p.error, "");
        return ChooseDisplayServer(p.options, display, wayland);
    };
    // The own window keeps X11 wherever an X server is named (XWayland included).
    EXPECT_EQ(server({}, ":0", "wayland-1"), DisplayServer::X11);
    EXPECT_EQ(server({}, nullptr, "wayland-1"), DisplayServer::Wayland);
    EXPECT_EQ(server({}, "", "wayland-1"), DisplayServer::Wayland);
    EXPECT_EQ(server({}, nullptr, ""), DisplayServer::X11);  // nothing named: X11's own error
    EXPECT_EQ(server({"-wayland"}, ":0", nullptr), DisplayServer::Wayland);
    EXPECT_EQ(server({"-overlay"}, ":0", nullptr), DisplayServer::Wayland);
    EXPECT_EQ(server({"-overlay", "-root"}, nullptr, "wayland-1"), DisplayServer::X11);  // the last target wins
    EXPECT_EQ(server({"-window-id", "0x40"}, nullptr, "wayland-1"), DisplayServer::X11);
    EXPECT_NE(Parse({"-wayland", "-root"}).error, "");
    EXPECT_NE(Parse({"-window-id", "7", "-wayland"}).error, "");
}

TEST(ViewerOptionsTest, ManyClientsOptionsAndTheRecordByName) {
    const ParsedOptions plain = Parse({});
    EXPECT_EQ(plain.options.clients, ClientsMode::One);
    EXPECT_EQ(plain.options.recordName, "orvane_share");
    EXPECT_EQ(plain.options.rotateSeconds, 60);
    EXPECT_EQ(plain.options.staleMinutes, 10);

    const ParsedOptions p = Parse({"-clients", "overview", "-rotate", "5", "--stale", "1440"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.clients, ClientsMode::Overview);
    EXPECT_EQ(p.options.rotateSeconds, 5);
    EXPECT_EQ(p.options.staleMinutes, 1440);
    EXPECT_EQ(Parse({"-clients", "rotate", "-rotate", "3600", "-stale", "1"}).options.clients, ClientsMode::Rotate);
    const ParsedOptions named = Parse({"-record", "orvane_share_64"});
    ASSERT_EQ(named.error, "");
    EXPECT_EQ(named.options.recordName, "orvane_share_64");
    EXPECT_EQ(Parse({"-record", "orvane_share", "-clients", "one"}).error, "");

    for (const auto& args : std::vector<std::vector<const char*>>{
             {"-clients"}, {"-clients", "ONE"}, {"-clients", "all"}, {"-rotate", "4"}, {"-rotate", "3601"},
             {"-rotate", "1m"}, {"-stale", "0"}, {"-stale", "1441"}, {"-stale"}, {"-record"},
             {"-record", "orvane_share_65"}, {"-record", "orvane_share_1"}, {"-record", "/orvane_share_2"},
             {"-record", "../orvane_share"}, {"-record", ""}}) {
        std::string shown;
        for (const char* a : args) shown += std::string(a) + " ";
        EXPECT_NE(Parse(args).error, "") << shown;
    }
    const std::string stranger = Parse({"-record", "session_bus"}).error;
    EXPECT_NE(stranger.find("'session_bus' is not a client's record name"), std::string::npos) << stranger;
    // One record by name is the one client's view; the modes of many do not take it.
    EXPECT_NE(Parse({"-record", "orvane_share_2", "-clients", "overview"}).error, "");
    EXPECT_NE(Parse({"-clients", "rotate", "-record", "orvane_share_2"}).error, "");
    EXPECT_EQ(WaitingLine("orvane_share_7"), "Waiting for the Orvane client (no shared record /orvane_share_7)");
}

TEST(ViewerPlacementTest, TheTitleGoesAboveTheScreenOnlyWhereItCoversNothing) {
    const std::vector<MonitorInfo> monitors{{Rect{0, 0, 1280, 1024}, 96, false},
                                            {Rect{1280, 0, 2032, 445}, 96, true},
                                            {Rect{2032, 0, 2032, 600}, 96, false}};
    const PlacementOptions options{MonitorChoice::All, 1, false};
    const std::vector<CanvasCopy> copies = PlaceCanvas(monitors, options, 752, 445, 0);
    ASSERT_EQ(copies.size(), 2u) << "the monitor without an area gets no copy";

    const std::optional<CanvasCopy> roomy = TitleCopy(copies[0], kTitleHeight);
    ASSERT_TRUE(roomy.has_value());
    EXPECT_EQ(roomy->destination, (Rect{264, 289 - 2 - kTitleHeight, 264 + 752, 289 - 2}));
    EXPECT_LE(roomy->destination.bottom, copies[0].destination.top) << "the title covers the screen";
    EXPECT_FALSE(TitleCopy(copies[1], kTitleHeight).has_value()) << "a monitor just the screen's size has no band";

    // At scale 2 the band is twice as tall, and gone when the monitor is not that much taller.
    const CanvasCopy doubled{Rect{0, 0, 1600, 990}, Rect{48, 50, 48 + 1504, 50 + 890}, 2};
    EXPECT_FALSE(TitleCopy(doubled, kTitleHeight).has_value());
    const CanvasCopy taller{Rect{0, 0, 1600, 1100}, Rect{48, 105, 48 + 1504, 105 + 890}, 2};
    ASSERT_TRUE(TitleCopy(taller, kTitleHeight).has_value());
    EXPECT_EQ(TitleCopy(taller, kTitleHeight)->destination, (Rect{48, 105 - 4 - 48, 48 + 1504, 105 - 4}));

    EXPECT_EQ(ChosenMonitors(monitors, MonitorChoice::All).size(), 2u);
    const std::vector<MonitorInfo> primary = ChosenMonitors(monitors, MonitorChoice::Primary);
    ASSERT_EQ(primary.size(), 1u);
    EXPECT_EQ(primary[0].area, monitors[1].area);
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
