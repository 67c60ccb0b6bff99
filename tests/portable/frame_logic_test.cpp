// Reading the saver's command line (mode letters, window numbers, the program name in front of
// them), the mouse travel that dismisses the saver and the pause between two password prompts.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "windows/frame_logic.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(SaverArguments, FullScreenLettersAfterSkippedCharacters) {
    for (const char* text : {"/s", "-S", " s", "S", "s", "  --//s", "/S extra text"}) {
        EXPECT_EQ(ParseSaverArguments(text).mode, SaverMode::FullScreen) << '"' << text << '"';
    }
}

TEST(SaverArguments, OnlyBlanksDashesAndSlashesAreSkipped) {
    // A tab, a digit or a letter outside the table stops the reading at once.
    for (const char* text : {"\tS", "/x", "x", "/ \ts", "1", "/:s", "\"s\"", "/?"}) {
        EXPECT_EQ(ParseSaverArguments(text).mode, SaverMode::Invalid) << '"' << text << '"';
    }
}

TEST(SaverArguments, EmptyTextShowsSettingsWithoutOwner) {
    for (const char* text : {"", "   ", "/", "- /", static_cast<const char*>(nullptr)}) {
        const SaverCommand command = ParseSaverArguments(text);
        EXPECT_EQ(command.mode, SaverMode::Settings);
        EXPECT_FALSE(command.ownedDialog);
        EXPECT_FALSE(command.ownerGiven);
        EXPECT_EQ(command.handle, 0u);
    }
}

TEST(SaverArguments, SettingsOwnerOnlyAfterColon) {
    const SaverCommand colon = ParseSaverArguments("/c:123");
    EXPECT_EQ(colon.mode, SaverMode::Settings);
    EXPECT_TRUE(colon.ownedDialog);
    EXPECT_TRUE(colon.ownerGiven);
    EXPECT_EQ(colon.handle, 123u);

    for (const char* text : {"/c", "/C", "/c 123", "c123"}) {
        const SaverCommand command = ParseSaverArguments(text);
        EXPECT_EQ(command.mode, SaverMode::Settings) << text;
        EXPECT_TRUE(command.ownedDialog) << text;
        EXPECT_FALSE(command.ownerGiven) << text;
        EXPECT_EQ(command.handle, 0u) << text;
    }

    // A colon with nothing usable after it still names no window.
    const SaverCommand bare = ParseSaverArguments("C:");
    EXPECT_EQ(bare.mode, SaverMode::Settings);
    EXPECT_TRUE(bare.ownerGiven);
    EXPECT_EQ(bare.handle, 0u);
    EXPECT_EQ(ParseSaverArguments("/c: 123").handle, 0u);
}

TEST(SaverArguments, PreviewHandleAfterBlanks) {
    for (const char* text : {"/p 123", "/l 123", "/P 123", "-L    123", "p123", "/p 123 trailing"}) {
        const SaverCommand command = ParseSaverArguments(text);
        EXPECT_EQ(command.mode, SaverMode::Preview) << text;
        EXPECT_EQ(command.handle, 123u) << text;
        // The preview reads its number again from this offset.
        EXPECT_EQ(ParseWindowHandle(text + command.handleOffset), 123u) << text;
    }
}

TEST(SaverArguments, PreviewWithoutNumberHasNoWindow) {
    for (const char* text : {"/p", "/p ", "P:123", "/p\t123", "/l -123"}) {
        const SaverCommand command = ParseSaverArguments(text);
        EXPECT_EQ(command.mode, SaverMode::Preview) << text;
        EXPECT_EQ(command.handle, 0u) << text;
    }
}

TEST(SaverArguments, PasswordChangeHandleAfterBlanks) {
    const SaverCommand command = ParseSaverArguments("/a 123");
    EXPECT_EQ(command.mode, SaverMode::ChangePassword);
    EXPECT_EQ(command.handle, 123u);
    EXPECT_EQ(ParseSaverArguments("-A").mode, SaverMode::ChangePassword);
    EXPECT_EQ(ParseSaverArguments("-A").handle, 0u);
    EXPECT_EQ(ParseSaverArguments("a:77").handle, 0u);
}

TEST(SaverArguments, HandleNumbersWrapAt32Bits) {
    EXPECT_EQ(ParseSaverArguments("/p 4294967295").handle, 0xFFFFFFFFu);
    EXPECT_EQ(ParseSaverArguments("/p 4294967296").handle, 0u);
    EXPECT_EQ(ParseSaverArguments("/c:4294967297").handle, 1u);
    EXPECT_EQ(ParseSaverArguments("/a 99999999999999999999").handle, 1661992959u);
}

TEST(WindowHandleNumber, DigitsUpToFirstOtherCharacter) {
    EXPECT_EQ(ParseWindowHandle("123abc"), 123u);
    EXPECT_EQ(ParseWindowHandle("0042"), 42u);
    EXPECT_EQ(ParseWindowHandle("7 8"), 7u);
    EXPECT_EQ(ParseWindowHandle(""), 0u);
    EXPECT_EQ(ParseWindowHandle("abc"), 0u);
    EXPECT_EQ(ParseWindowHandle(" 5"), 0u);
    EXPECT_EQ(ParseWindowHandle("-5"), 0u);
    EXPECT_EQ(ParseWindowHandle("+5"), 0u);
}

TEST(WindowHandleNumber, WrapsModulo2To32) {
    EXPECT_EQ(ParseWindowHandle("4294967295"), 4294967295u);
    EXPECT_EQ(ParseWindowHandle("4294967296"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967306"), 10u);
    // 10^20 mod 2^32, reached through many wrapped multiplications.
    EXPECT_EQ(ParseWindowHandle("100000000000000000000"), 1661992960u);
}

TEST(ProgramName, QuotedPathWithBlanksIsSkippedWhole) {
    EXPECT_STREQ(ArgumentText("\"C:\\Program Files\\Orvane\\Orvane.scr\" /s"), "/s");
    EXPECT_STREQ(ArgumentText("\"C:\\My Saver\\Orvane.scr\"/p 12"), "/p 12");
    EXPECT_STREQ(ArgumentText("\"x y\" \t \x01 /c:5"), "/c:5");
}

TEST(ProgramName, UnquotedPathEndsAtFirstBlankOrControl) {
    EXPECT_STREQ(ArgumentText("C:\\WINDOWS\\ORVANE.SCR /s"), "/s");
    EXPECT_STREQ(ArgumentText("orvane.scr\t/p 123"), "/p 123");
    // Bytes above 127 belong to the name: the comparison is unsigned.
    EXPECT_STREQ(ArgumentText("C:\\\xE9t\xE9\\orvane.scr  /a 1"), "/a 1");
}

TEST(ProgramName, NoArgumentsOrUnterminatedQuoteGiveEmptyText) {
    EXPECT_STREQ(ArgumentText("orvane.scr"), "");
    EXPECT_STREQ(ArgumentText("orvane.scr   "), "");
    EXPECT_STREQ(ArgumentText("\"C:\\Program Files\\orvane.scr"), "");
    EXPECT_STREQ(ArgumentText("\"C:\\Program Files\\orvane.scr /s"), "");
    EXPECT_STREQ(ArgumentText(""), "");
    EXPECT_STREQ(ArgumentText("\"\""), "");
}

// A step that moves two bytes at a lead byte, the way CharNextA walks a double-byte code page.
const char* StepDoubleByte(const char* at) {
    if (*at == '\0') return at;
    if (static_cast<unsigned char>(*at) >= 0x81 && at[1] != '\0') return at + 2;
    return at + 1;
}

TEST(ProgramName, StepFunctionDecidesWhereCharactersEnd) {
    // The second byte of "\x81\x22" is a quote, but only as half of one character.
    const char line[] = "\"C:\\a\x81\"b\\s.scr\" /s";
    EXPECT_STREQ(ArgumentText(line, StepDoubleByte), "/s");
    // One byte at a time, that half ends the name early and the rest is read as arguments.
    EXPECT_STREQ(ArgumentText(line), "b\\s.scr\" /s");
}

TEST(MouseTravel, MoreThanFourPixelsInTotal) {
    EXPECT_FALSE(CursorMovedBeyondThreshold(100, 100, 100, 100));
    EXPECT_FALSE(CursorMovedBeyondThreshold(104, 100, 100, 100));
    EXPECT_TRUE(CursorMovedBeyondThreshold(105, 100, 100, 100));
    EXPECT_FALSE(CursorMovedBeyondThreshold(102, 102, 100, 100));
    EXPECT_TRUE(CursorMovedBeyondThreshold(103, 102, 100, 100));
    // Travel to the left or up counts the same.
    EXPECT_FALSE(CursorMovedBeyondThreshold(98, 102, 100, 100));
    EXPECT_TRUE(CursorMovedBeyondThreshold(98, 97, 100, 100));
}

TEST(MouseTravel, ExtremeCoordinatesNeitherOverflowNorWrap) {
    EXPECT_TRUE(CursorMovedBeyondThreshold(kMin, 0, kMax, 0));
    // Two travels of 2^31 each: a 32-bit sum would come back to 0.
    EXPECT_TRUE(CursorMovedBeyondThreshold(kMin, kMin, 0, 0));
    EXPECT_FALSE(CursorMovedBeyondThreshold(kMin, kMax, kMin + 2, kMax - 2));
    EXPECT_TRUE(CursorMovedBeyondThreshold(kMin, kMax, kMin + 3, kMax - 2));
}

TEST(PasswordRepeatGuard, RefusedWithin200Milliseconds) {
    EXPECT_FALSE(PasswordPromptAllowed(1000, 1000));
    EXPECT_FALSE(PasswordPromptAllowed(1199, 1000));
    EXPECT_TRUE(PasswordPromptAllowed(1200, 1000));
    EXPECT_TRUE(PasswordPromptAllowed(500000, 1000));
}

TEST(PasswordRepeatGuard, NoPromptYetAlwaysAllowed) {
    for (std::uint32_t now : {0u, 1u, 199u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        EXPECT_TRUE(PasswordPromptAllowed(now, kNoVerifyYet)) << now;
    }
}

TEST(PasswordRepeatGuard, HoldsAcrossTickWrap) {
    EXPECT_FALSE(PasswordPromptAllowed(0x00000010u, 0xFFFFFFF0u));   // 32 ms later
    EXPECT_FALSE(PasswordPromptAllowed(0x000000B6u, 0xFFFFFFFEu));   // 184 ms later
    EXPECT_FALSE(PasswordPromptAllowed(0x000000C5u, 0xFFFFFFFEu));   // 199 ms later
    EXPECT_TRUE(PasswordPromptAllowed(0x000000C6u, 0xFFFFFFFEu));    // 200 ms later
    // A prompt that ended just before the wrap, and "now" read before it: a tiny elapsed time.
    EXPECT_FALSE(PasswordPromptAllowed(0xFFFFFFFEu, 0xFFFFFFF0u));
}

}  // namespace
