// The tools' one reader of their command lines: where the tools differ it is told, and a
// number is either all of the text or refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace {

struct Line {
    bool help = false;
    bool verbose = false;
    std::string out;
    double rate = 1;
    int level = 0;
};

cli::OptionReader ReaderFor(Line& line, bool helpStops) {
    cli::OptionReader reader;
    if (helpStops) {
        reader.Stop({"--help", "-h"}, line.help);
    } else {
        reader.Switch({"--help", "-h"}, line.help);
    }
    reader.Switch({"-v", "--verbose"}, line.verbose)
        .Text("--out", line.out)
        .Decimal("--rate", line.rate, [](double r) { return r > 0; }, "--rate takes a rate above 0, not '{}'")
        .Whole<int>("--level", line.level, [](int l) { return l <= 9; }, "--level takes 0 to 9");
    return reader;
}

TEST(CommandLine, ReadsInOrderAndSaysWhatIsWrongInOneLine) {
    Line line;
    std::string error;
    ASSERT_TRUE(ReaderFor(line, false).Read({"-v", "--out", "", "--rate", "2.5", "--out", "b.png", "--level", "-3"}, error));
    EXPECT_TRUE(line.verbose);
    EXPECT_EQ(line.out, "b.png");  // the later over the earlier, and "" was a value
    EXPECT_EQ(line.rate, 2.5);
    EXPECT_EQ(line.level, -3);

    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes = {
        {{"--rate", "0"}, "--rate takes a rate above 0, not '0'"},
        {{"--rate", "{}"}, "--rate takes a rate above 0, not '{}'"},  // the value is not read as a slot
        {{"--level", "12"}, "--level takes 0 to 9"},
        {{"--out"}, "--out needs a value"},
        {{"-v", "--bogus", "--rate", "0"}, "unknown option '--bogus'"},
        {{"--help", "--bogus"}, "unknown option '--bogus'"},  // a --help that does not stop
    };
    for (const auto& [args, expected] : mistakes) {
        Line ignored;
        EXPECT_FALSE(ReaderFor(ignored, false).Read(args, error)) << expected;
        EXPECT_EQ(error, expected);
    }
}

TEST(CommandLine, EachToolsOwnRules) {
    Line line;
    std::string error;
    // A --help that stops looks at nothing after it.
    ASSERT_TRUE(ReaderFor(line, true).Read({"--rate", "3", "-h", "--bogus", "--rate", "0"}, error));
    EXPECT_TRUE(line.help);
    EXPECT_EQ(line.rate, 3);

    Line strict;
    EXPECT_FALSE(ReaderFor(strict, false).EmptyValueIsMissing().UnknownHint(" (see --help)").Read({"--out", ""}, error));
    EXPECT_EQ(error, "--out needs a value");
    EXPECT_FALSE(ReaderFor(strict, false).UnknownHint(" (see --help)").Read({"out"}, error));
    EXPECT_EQ(error, "unknown option 'out' (see --help)");
}

TEST(CommandLine, NumbersAreTheWholeTextOrNothing) {
    double decimal = -1;
    for (const char* good : {"2.5", "1e3", " 7", "-0"}) EXPECT_TRUE(cli::ReadDecimal(good, decimal)) << good;
    for (const char* bad : {"", "5s", "nan", "inf", "1e400", "1e-400", "1,5"}) {
        decimal = -1;
        EXPECT_FALSE(cli::ReadDecimal(bad, decimal)) << bad;
        EXPECT_EQ(decimal, -1) << bad;
    }

    std::uint64_t whole = 7;
    EXPECT_TRUE(cli::ReadWhole("18446744073709551615", whole));
    EXPECT_EQ(whole, 18446744073709551615u);
    for (const char* bad : {"", "-0", "+1", " 1", "1 ", "0x10", "1.0", "18446744073709551616"}) {
        whole = 7;
        EXPECT_FALSE(cli::ReadWhole(bad, whole)) << bad;
        EXPECT_EQ(whole, 7u) << bad;
    }
    int level = 7;
    EXPECT_TRUE(cli::ReadWhole("-0", level));  // a signed number may carry its sign
    EXPECT_EQ(level, 0);
    EXPECT_FALSE(cli::ReadWhole("2147483648", level));
}

}  // namespace
