// The settings' integer text: read as the C library reads decimal numbers, but with a defined
// result for values a hand-edited file may hold, and written back so that it reads the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>

#include "windows/settings.h"

namespace {

// A text and the value it reads as, with why where that is not plain.
struct Reading {
    const char* text;
    std::int32_t value;
    const char* why = "";
};

void ExpectReadings(std::initializer_list<Reading> readings) {
    for (const Reading& r : readings) {
        EXPECT_EQ(ParseProfileInt(r.text), r.value) << (r.text != nullptr ? r.text : "(null)") << " " << r.why;
    }
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(ParseProfileIntTest, LeadingDigitsOnly) {
    ExpectReadings({{"10", 10}, {"12abc", 12}, {"7 minutes", 7}, {"3.9", 3}, {"007", 7}});
}

TEST(ParseProfileIntTest, NoDigitsGiveZero) {
    ExpectReadings({{"", 0}, {"abc", 0}, {"-", 0}, {"+", 0}, {"x12", 0}, {nullptr, 0}});
}

TEST(ParseProfileIntTest, WhiteSpaceAndSigns) {
    ExpectReadings({{"  -7", -7}, {"\t\r\n\v\f 8", 8}, {"+5", 5}, {"-0", 0},
                    {"- 5", 0, "the sign must touch the digits"}, {"+-5", 0, "one sign only"}, {"5 -3", 5}});
}

TEST(ParseProfileIntTest, LimitsOfThe32BitRange) {
    ExpectReadings({{"2147483647", kMax}, {"-2147483648", kMin},
                    {"4294967295", -1, "the dialog shows a negative value unsigned: read back, it is the value again"}});
}

TEST(ParseProfileIntTest, OverflowWrapsModulo2To32) {
    ExpectReadings({{"99999999999", 1215752191, "23 * 2^32 + 1215752191"}, {"-99999999999", -1215752191},
                    {"2147483648", kMin}, {"4294967296", 0},
                    {"100000000000000000000000000000000", 0, "10^32 = 2^32 * 5^32: long runs keep wrapping, never trap"}});
}

TEST(FormatProfileIntTest, RoundTripsAndStaysInItsBuffer) {
    for (std::int32_t value : {0, 1, -1, 59, -35792, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()}) {
        char text[12];
        FormatProfileInt(value, text, sizeof text);
        EXPECT_EQ(ParseProfileInt(text), value) << text;
    }
    char text[12];
    FormatProfileInt(-2147483647 - 1, text, sizeof text);
    EXPECT_STREQ(text, "-2147483648") << "the longest value fills the 12 bytes exactly";
    char small[6];
    std::memset(small, 'x', sizeof small);
    FormatProfileInt(-123456, small, 4);
    EXPECT_STREQ(small, "-12");
    EXPECT_EQ(small[4], 'x');
}

// Which store a key is read from: the user's value for the user's own keys, whatever its case,
// else the machine-wide file's; the client's location only ever from the file.
TEST(ResolveSettingTest, PerUserValueWinsForTheUsersKeysOnly) {
    for (const char* key : {"Blank", "Minutes", "Monitors", "Scale", "Shift", "Clients", "RotateSeconds", "StaleMinutes",
                            "minutes", "SHIFT", "clients", "ROTATESECONDS"}) {
        EXPECT_STREQ(ResolveSetting(key, "user", "machine"), "user") << key;
        EXPECT_STREQ(ResolveSetting(key, nullptr, "machine"), "machine") << key << ": no per-user value";
        EXPECT_STREQ(ResolveSetting(key, "", "machine"), "") << key << ": an empty per-user value is a value";
        EXPECT_STREQ(ResolveSetting(key, nullptr, nullptr), "") << key << ": neither store";
    }
    const std::initializer_list<const char*> machineOnly = {"ClientPath", "ClientDir", "Blanks", "Blan", "", nullptr};
    for (const char* key : machineOnly) {
        EXPECT_STREQ(ResolveSetting(key, "user", "machine"), "machine") << (key ? key : "(null)");
        EXPECT_FALSE(IsPerUserSetting(key)) << (key ? key : "(null)");
    }
}

TEST(UserValueTextTest, TextIsBoundedWhateverItsTerminators) {
    char out[8];
    const unsigned char unterminated[] = {'a', 'l', 'l'};
    EXPECT_TRUE(UserValueText(UserValueKind::Text, unterminated, sizeof unterminated, out, sizeof out));
    EXPECT_STREQ(out, "all");
    const unsigned char padded[] = {'1', '2', 0, 0, '9', 0};
    EXPECT_TRUE(UserValueText(UserValueKind::Text, padded, sizeof padded, out, sizeof out));
    EXPECT_STREQ(out, "12") << "the text ends at its first zero";
    const unsigned char empty[] = {0};
    EXPECT_TRUE(UserValueText(UserValueKind::Text, empty, sizeof empty, out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(UserValueText(UserValueKind::Text, nullptr, 0, out, sizeof out)) << "no data is an empty text";
    EXPECT_STREQ(out, "");

    char small[6];
    std::memset(small, 'x', sizeof small);
    const unsigned char longer[] = {'C', ':', '\\', 'a', 'b', 'c', 'd', 'e', 'f'};
    EXPECT_TRUE(UserValueText(UserValueKind::Text, longer, sizeof longer, small, 4));
    EXPECT_STREQ(small, "C:\\");
    EXPECT_EQ(small[4], 'x') << "nothing past the buffer";
}

TEST(UserValueTextTest, NumbersAreSignedLittleEndianAndOtherDataIsNoValue) {
    char out[16];
    const unsigned char nine[] = {9, 0, 0, 0};
    EXPECT_TRUE(UserValueText(UserValueKind::Number, nine, sizeof nine, out, sizeof out));
    EXPECT_STREQ(out, "9");
    const unsigned char big[] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_TRUE(UserValueText(UserValueKind::Number, big, sizeof big, out, sizeof out));
    EXPECT_EQ(ParseProfileInt(out), 0x12345678);
    const unsigned char minusOne[] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(UserValueText(UserValueKind::Number, minusOne, sizeof minusOne, out, sizeof out));
    EXPECT_STREQ(out, "-1");

    std::snprintf(out, sizeof out, "%s", "stale");
    const unsigned char three[] = {1, 2, 3};
    EXPECT_FALSE(UserValueText(UserValueKind::Number, three, sizeof three, out, sizeof out)) << "not a 32-bit number";
    EXPECT_STREQ(out, "") << "a refused value leaves nothing behind";
    EXPECT_FALSE(UserValueText(UserValueKind::Other, nine, sizeof nine, out, sizeof out));
    EXPECT_FALSE(UserValueText(UserValueKind::Text, nullptr, 4, out, sizeof out));
    EXPECT_FALSE(UserValueText(UserValueKind::Text, nine, sizeof nine, out, 0));
}

// What OK writes reads back, key by key, as the settings it came from.
TEST(UserSettingTextsTest, WrittenInOrderAndReadBackAsTheyWere) {
    UserSettings settings;
    settings.blank = 1;
    settings.minutes = -1;
    settings.placement = PlacementOptions{MonitorChoice::All, 8, true};
    settings.clients = ClientsSettings{ClientsMode::Overview, 3600, 1};
    const auto texts = UserSettingTexts(settings);
    const char* keys[] = {"Blank", "Minutes", "Monitors", "Scale", "Shift", "Clients", "RotateSeconds", "StaleMinutes"};
    ASSERT_EQ(texts.size(), std::size(keys));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_STREQ(texts[i].key, keys[i]);
        EXPECT_TRUE(IsPerUserSetting(texts[i].key));
    }
    EXPECT_STREQ(texts[0].text, "1");
    EXPECT_STREQ(texts[1].text, "-1");
    EXPECT_EQ(ParseMonitorChoice(texts[2].text), MonitorChoice::All);
    EXPECT_EQ(ParseProfileInt(texts[3].text), 8);
    EXPECT_STREQ(texts[4].text, "1");
    EXPECT_EQ(ParseClientsSettings(texts[5].text, texts[6].text, texts[7].text), settings.clients);

    settings.placement = PlacementOptions{MonitorChoice::Primary, 12, false};
    settings.minutes = std::numeric_limits<std::int32_t>::min();
    settings.clients = ClientsSettings{};
    const auto other = UserSettingTexts(settings);
    EXPECT_STREQ(other[1].text, "-2147483648");
    EXPECT_STREQ(other[2].text, "primary");
    EXPECT_STREQ(other[3].text, "0") << "a factor the file would not take is written as automatic";
    EXPECT_STREQ(other[4].text, "0");
    EXPECT_STREQ(other[5].text, "one");
    EXPECT_STREQ(other[6].text, "60");
    EXPECT_STREQ(other[7].text, "10");

    // A period the reading would not give back is written as the reading brings it in.
    settings.clients = ClientsSettings{ClientsMode::Rotate, 0, kMax};
    const auto bounded = UserSettingTexts(settings);
    EXPECT_STREQ(bounded[6].text, "5");
    EXPECT_STREQ(bounded[7].text, "1440");
}

// A machine whose file or store holds no Clients key, or a mistyped one, shows one client
// exactly as before; the periods keep to their ranges whatever a hand-edited value says, and
// text without a number gives the default rather than the least.
TEST(ClientsSettingsTest, UnknownModesAreOneAndPeriodsKeepToTheirRanges) {
    EXPECT_EQ(ParseClientsSettings(nullptr, nullptr, nullptr), (ClientsSettings{ClientsMode::One, 60, 10}));
    EXPECT_EQ(ParseClientsSettings(" ROTATE\t", "abc", "  "), (ClientsSettings{ClientsMode::Rotate, 60, 10}));
    EXPECT_EQ(ParseClientsSetting("Overview"), ClientsMode::Overview);
    for (const char* other : {"", "rotates", "rot", "over view", "all", "2"})
        EXPECT_EQ(ParseClientsSetting(other), ClientsMode::One) << "'" << other << "'";
    const struct {
        const char* text;
        std::int32_t rotate;
        std::int32_t stale;
    } periods[] = {{"30", 30, 30},   {"1", 5, 1},          {"0", 5, 1},           {"-20", 5, 1},
                   {"7200", 3600, 1440}, {"99999999999", 3600, 1440}, {"-99999999999", 5, 1}, {"90s", 90, 90}};
    for (const auto& p : periods) {
        const ClientsSettings read = ParseClientsSettings("rotate", p.text, p.text);
        EXPECT_EQ(read.rotateSeconds, p.rotate) << p.text;
        EXPECT_EQ(read.staleMinutes, p.stale) << p.text;
    }
}

TEST(SettingsKeptTest, TheUsersStoreOrAnUnhiddenFile) {
    EXPECT_TRUE(SettingsKept(true, true, false));
    EXPECT_TRUE(SettingsKept(true, false, true)) << "a standard user: the file cannot be written";
    EXPECT_TRUE(SettingsKept(false, true, false)) << "no per-user store, nothing in it to hide the file";
    EXPECT_FALSE(SettingsKept(false, true, true)) << "older per-user values would hide the file's new ones";
    EXPECT_FALSE(SettingsKept(false, false, false));
    EXPECT_FALSE(SettingsKept(false, false, true));
}

}  // namespace
