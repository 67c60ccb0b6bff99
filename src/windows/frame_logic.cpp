#include "windows/frame_logic.h"

namespace {

bool SkippedBeforeLetter(char c) { return c == ' ' || c == '-' || c == '/'; }

// The blanks between a letter and its window number, then the number.
void ReadHandleAfterBlanks(const char* text, std::size_t at, SaverCommand& command) {
    while (text[at] == ' ') ++at;
    command.handleOffset = at;
    command.handle = ParseWindowHandle(text + at);
}

}  // namespace

SaverCommand ParseSaverArguments(const char* text) {
    SaverCommand command;
    if (text == nullptr) text = "";
    std::size_t at = 0;
    while (SkippedBeforeLetter(text[at])) ++at;
    const char letter = text[at];
    if (letter == '\0') {
        command.mode = SaverMode::Settings;
        command.handleOffset = at;
        return command;
    }
    ++at;
    command.handleOffset = at;
    switch (letter) {
    case 'C':
    case 'c':
        // Only the settings letter takes a ":" before its number; a blank means no owner given.
        command.mode = SaverMode::Settings;
        command.ownedDialog = true;
        if (text[at] == ':') {
            ++at;
            command.ownerGiven = true;
            command.handleOffset = at;
            command.handle = ParseWindowHandle(text + at);
        }
        break;
    case 'S':
    case 's':
        command.mode = SaverMode::FullScreen;
        break;
    case 'P':
    case 'p':
    case 'L':
    case 'l':
        command.mode = SaverMode::Preview;
        ReadHandleAfterBlanks(text, at, command);
        break;
    case 'A':
    case 'a':
        command.mode = SaverMode::ChangePassword;
        ReadHandleAfterBlanks(text, at, command);
        break;
    default:
        command.mode = SaverMode::Invalid;
        break;
    }
    return command;
}

std::uint32_t ParseWindowHandle(const char* text) {
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<std::uint32_t>(*text - '0');
    return value;
}

const char* SkipBlanksAndControls(const char* text) {
    while (*text != '\0' && static_cast<unsigned char>(*text) <= ' ') ++text;
    return text;
}

const char* ArgumentText(const char* commandLine) {
    return ArgumentText(commandLine, [](const char* at) { return at + 1; });
}

bool PasswordPromptAllowed(std::uint32_t now, std::uint32_t lastVerifyTick) {
    if (lastVerifyTick == kNoVerifyYet) return true;
    return now - lastVerifyTick >= kVerifyRepeatMilliseconds;
}
