// The frame's decisions, as pure functions the native tests call directly: reading the command
// line, the mouse travel that dismisses the saver and the pause between two password prompts.
// The Win32 frame only feeds them text, cursor positions and tick counts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "reader/pointer_travel.h"

enum class SaverMode { Settings, FullScreen, Preview, ChangePassword, Invalid };

struct SaverCommand {
    SaverMode mode = SaverMode::Invalid;
    // The window number that follows the letter; 0 when there is none.
    std::uint32_t handle = 0;
    // Settings only: "C:" introduced the number of the owner window.
    bool ownerGiven = false;
    // Settings only: the dialog was asked for with "C", so it gets an owner (the given window or
    // the foreground one); empty text shows it without one.
    bool ownedDialog = false;
    // Where the window number starts in the text, for the preview that reads it from there.
    std::size_t handleOffset = 0;
};

// The mode letter and its window number in the argument text (the command line without the
// program name). Blanks, "-" and "/" before the letter are skipped; nothing after the number
// matters. A null text reads as empty.
SaverCommand ParseSaverArguments(const char* text);

// Decimal digits from the start of the text, in 32-bit arithmetic that wraps like the platform's
// handle values; the first other character ends the number, and no digits give 0.
std::uint32_t ParseWindowHandle(const char* text);

// The command line past the program name: a name in double quotes is skipped whole, blanks and
// all, up to and past its closing quote (or to the end when it has none); an unquoted name ends at
// the first byte of 32 or below. `next` steps one character, so that the Win32 start-up can step
// with CharNextA and never stop inside a double-byte character.
template <typename NextChar>
const char* SkipProgramName(const char* commandLine, NextChar next) {
    const char* at = commandLine;
    if (*at == '"') {
        at = next(at);
        while (*at != '\0' && *at != '"') at = next(at);
        if (*at == '"') at = next(at);
        return at;
    }
    while (static_cast<unsigned char>(*at) > ' ') at = next(at);
    return at;
}

// Bytes 1 to 32: the blanks and control characters between the program name and the arguments.
const char* SkipBlanksAndControls(const char* text);

// The argument text of a command line, stepping with `next` through the program name.
template <typename NextChar>
const char* ArgumentText(const char* commandLine, NextChar next) {
    return SkipBlanksAndControls(SkipProgramName(commandLine, next));
}
// The same, one byte per character.
const char* ArgumentText(const char* commandLine);

// The tick count that stands for "no password prompt has ended yet".
inline constexpr std::uint32_t kNoVerifyYet = 0xFFFFFFFFu;
// Close requests this soon after a prompt ended are refused without asking again.
inline constexpr std::uint32_t kVerifyRepeatMilliseconds = 200;

// A new password prompt may open at `now`, given when the last one ended; the difference of the
// two counts is taken modulo 2^32, so the guard holds across the wrap of GetTickCount.
bool PasswordPromptAllowed(std::uint32_t now, std::uint32_t lastVerifyTick);
