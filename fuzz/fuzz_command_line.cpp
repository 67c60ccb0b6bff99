// Any text as the saver's command line: the argument text lies inside it and past the program
// name; the mode letter and its window number are read the same whatever the letter's case and
// however many blanks, dashes and slashes come first; the number is read where the parse says
// it starts, and digits read as their value modulo 2^32.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "windows/frame_logic.h"

namespace {

bool SameCommand(const SaverCommand& a, const SaverCommand& b) {
    return a.mode == b.mode && a.handle == b.handle && a.ownerGiven == b.ownerGiven && a.ownedDialog == b.ownedDialog;
}

void CheckArgumentText(const std::string& line) {
    const char* start = line.c_str();
    const char* end = start + line.size();
    const char* arguments = ArgumentText(start);
    Check(arguments >= start && arguments <= end, "the argument text is outside the command line");
    Check(*arguments == '\0' || static_cast<unsigned char>(*arguments) > ' ', "the argument text starts with a blank");
    // The name is skipped whole: a quoted one up to and past its closing quote (or to the end),
    // another up to its first blank or control; only blanks and controls lie between it and
    // the arguments.
    const char* nameEnd = start;
    if (line[0] == '"') {
        const char* close = std::strchr(start + 1, '"');
        nameEnd = close == nullptr ? end : close + 1;
    } else {
        while (static_cast<unsigned char>(*nameEnd) > ' ') ++nameEnd;
    }
    Check(arguments >= nameEnd, "the arguments start inside the program name");
    for (const char* p = nameEnd; p < arguments; ++p) {
        Check(static_cast<unsigned char>(*p) <= ' ', "more than blanks were skipped after the program name");
    }
    // Stepping a byte at a time by hand ends in the same place.
    std::size_t steps = 0;
    const char* stepped = ArgumentText(start, [&steps](const char* at) {
        ++steps;
        return at + 1;
    });
    Check(stepped == arguments, "stepping through the name ended elsewhere");
    Check(steps <= line.size(), "the name was stepped past its end");
}

void CheckWindowHandle(const std::string& text) {
    std::size_t digits = 0;
    while (digits < text.size() && IsDigit(text[digits])) ++digits;
    const std::uint32_t value = ParseWindowHandle(text.c_str());
    Check(ParseWindowHandle(text.substr(0, digits).c_str()) == value, "what follows the digits changed the number");
    if (digits > 0 && digits <= 19) {
        Check(value == static_cast<std::uint32_t>(std::strtoull(text.substr(0, digits).c_str(), nullptr, 10)),
              "digits did not read as their value modulo 2^32");
    }
    if (digits == 0) Check(value == 0, "no digits read as a number");
}

void CheckArguments(const std::string& text) {
    const SaverCommand command = ParseSaverArguments(text.c_str());
    Check(command.handleOffset <= text.size(), "the window number starts outside the text");
    const bool readsNumber = command.mode == SaverMode::Preview || command.mode == SaverMode::ChangePassword ||
                             command.ownerGiven;
    if (readsNumber) {
        Check(command.handle == ParseWindowHandle(text.c_str() + command.handleOffset),
              "the number is not the one at its offset");
    } else {
        Check(command.handle == 0, "a number was read for a mode without one");
    }
    Check(!command.ownerGiven || (command.mode == SaverMode::Settings && command.ownedDialog),
          "an owner was given outside the owned settings dialog");

    // More of what is skipped before the letter moves the number along and changes nothing else.
    const std::string prefix = " -/";
    const SaverCommand shifted = ParseSaverArguments((prefix + text).c_str());
    Check(SameCommand(command, shifted), "a longer lead-in changed the command");
    Check(shifted.handleOffset == command.handleOffset + prefix.size(), "a longer lead-in did not move the number");

    // The letter's case does not matter.
    std::size_t letter = 0;
    while (letter < text.size() && (text[letter] == ' ' || text[letter] == '-' || text[letter] == '/')) ++letter;
    if (letter < text.size()) {
        std::string swapped = text;
        const char c = swapped[letter];
        if (c >= 'a' && c <= 'z') swapped[letter] = static_cast<char>(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z') swapped[letter] = static_cast<char>(c - 'A' + 'a');
        const SaverCommand other = ParseSaverArguments(swapped.c_str());
        Check(SameCommand(command, other) && other.handleOffset == command.handleOffset,
              "the letter's case changed the command");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string cText(text.c_str());  // a command line ends at its first zero byte
    CheckArgumentText(cText);
    CheckArguments(cText);
    CheckArguments(ArgumentText(cText.c_str()));
    CheckWindowHandle(cText);
    return 0;
}
