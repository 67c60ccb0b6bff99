// The tools' command lines (orvane-sim, orvane-snapshot, orvane-inspect, orvane-serve), read
// by one reader: options by their exact names, a value as the next argument, the numbers as
// the tools take them. Where the tools differ (whether an empty value counts as given, what
// follows an unknown option's name, whether --help ends the reading) each says so itself, so
// that every existing line reads as it always has.
#pragma once

#include <charconv>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace cli {

// The whole text as a decimal number (what strtod reads: "2.5", "1e3", " 7"), finite and
// within a double's range.
bool ReadDecimal(const std::string& text, double& value);

// The whole text as a whole number of T: digits only, with a '-' in front for a signed T, and
// within T's range. `value` is left alone when the text is not one.
template <typename T>
bool ReadWhole(std::string_view text, T& value) {
    static_assert(std::is_integral_v<T>);
    const char* end = text.data() + text.size();
    T parsed{};
    const auto result = std::from_chars(text.data(), end, parsed);
    if (result.ec != std::errc() || result.ptr != end) return false;
    value = parsed;
    return true;
}

class OptionReader {
public:
    // Takes a value: false when it cannot be used.
    using Take = std::function<bool(const std::string& value)>;

    // A value given as "" is taken as missing ("--x needs a value").
    OptionReader& EmptyValueIsMissing();
    // Said after "unknown option 'X'", e.g. " (see --help)".
    OptionReader& UnknownHint(std::string hint);

    // An option without a value: sets `on`.
    OptionReader& Switch(std::initializer_list<std::string_view> names, bool& on);
    // Sets `on` and ends the reading there, with what was read so far: a --help that shows the
    // usage whatever the rest of the line holds.
    OptionReader& Stop(std::initializer_list<std::string_view> names, bool& on);
    // An option whose value is kept as given.
    OptionReader& Text(std::string_view name, std::string& value);
    // An option whose value `take` checks and keeps. When it refuses, `complaint` is the error,
    // with the value in place of "{}".
    OptionReader& Value(std::string_view name, Take take, std::string complaint);
    // A decimal number that `fits`.
    OptionReader& Decimal(std::string_view name, double& value, bool (*fits)(double), std::string complaint);
    // A whole number of T (ReadWhole) that `fits`; no `fits`: any.
    template <typename T>
    OptionReader& Whole(std::string_view name, T& value, std::type_identity_t<bool (*)(T)> fits,
                        std::string complaint) {
        return Value(
            name,
            [&value, fits](const std::string& text) {
                T number{};
                if (!ReadWhole(text, number) || (fits != nullptr && !fits(number))) return false;
                value = number;
                return true;
            },
            std::move(complaint));
    }

    // Reads the arguments (without the program's name) in order, each option as it comes, a
    // later one over an earlier. On a mistake returns false with `error`, one line.
    bool Read(const std::vector<std::string>& args, std::string& error) const;

private:
    enum class Kind { Switch, Stop, Value };
    struct Option {
        std::vector<std::string> names;
        Kind kind;
        bool* on = nullptr;
        Take take;
        std::string complaint;
    };
    const Option* Find(const std::string& name) const;

    std::vector<Option> options_;
    bool emptyIsMissing_ = false;
    std::string unknownHint_;
};

// Whether a mistake in the line is followed by the usage text on stderr.
enum class UsageOnMistake { No, Yes };

// How a tool ends the reading of its line. `read` false: "program: error" on stderr (and the
// usage after it, if asked), exit status 2. `help`: the usage on stdout, exit status 0.
// Otherwise -1: the tool goes on.
int Conclude(const char* program, const char* usage, UsageOnMistake usageOnMistake, bool read,
             const std::string& error, bool help);

}  // namespace cli
