#include "cli/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

bool ReadDecimal(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

OptionReader& OptionReader::EmptyValueIsMissing() {
    emptyIsMissing_ = true;
    return *this;
}

OptionReader& OptionReader::UnknownHint(std::string hint) {
    unknownHint_ = std::move(hint);
    return *this;
}

OptionReader& OptionReader::Switch(std::initializer_list<std::string_view> names, bool& on) {
    options_.push_back(Option{{names.begin(), names.end()}, Kind::Switch, &on, {}, {}});
    return *this;
}

OptionReader& OptionReader::Stop(std::initializer_list<std::string_view> names, bool& on) {
    options_.push_back(Option{{names.begin(), names.end()}, Kind::Stop, &on, {}, {}});
    return *this;
}

OptionReader& OptionReader::Text(std::string_view name, std::string& value) {
    return Value(
        name,
        [&value](const std::string& text) {
            value = text;
            return true;
        },
        {});
}

OptionReader& OptionReader::Value(std::string_view name, Take take, std::string complaint) {
    options_.push_back(Option{{std::string(name)}, Kind::Value, nullptr, std::move(take), std::move(complaint)});
    return *this;
}

OptionReader& OptionReader::Decimal(std::string_view name, double& value, bool (*fits)(double), std::string complaint) {
    return Value(
        name,
        [&value, fits](const std::string& text) {
            double number = 0;
            if (!ReadDecimal(text, number) || !fits(number)) return false;
            value = number;
            return true;
        },
        std::move(complaint));
}

const OptionReader::Option* OptionReader::Find(const std::string& name) const {
    for (const Option& option : options_)
        for (const std::string& known : option.names)
            if (known == name) return &option;
    return nullptr;
}

bool OptionReader::Read(const std::vector<std::string>& args, std::string& error) const {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const Option* option = Find(arg);
        if (option == nullptr) {
            error = "unknown option '" + arg + "'" + unknownHint_;
            return false;
        }
        if (option->kind != Kind::Value) {
            *option->on = true;
            if (option->kind == Kind::Stop) return true;
            continue;
        }
        if (i + 1 >= args.size() || (emptyIsMissing_ && args[i + 1].empty())) {
            error = arg + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        if (!option->take(value)) {
            error = option->complaint;
            if (const std::size_t slot = error.find("{}"); slot != std::string::npos) error.replace(slot, 2, value);
            return false;
        }
    }
    return true;
}

int Conclude(const char* program, const char* usage, UsageOnMistake usageOnMistake, bool read,
             const std::string& error, bool help) {
    if (!read) {
        std::fprintf(stderr, "%s: %s\n%s", program, error.c_str(), usageOnMistake == UsageOnMistake::Yes ? usage : "");
        return 2;
    }
    if (help) {
        std::fputs(usage, stdout);
        return 0;
    }
    return -1;
}

}  // namespace cli
