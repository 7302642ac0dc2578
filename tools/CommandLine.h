#pragma once

// What a tool's command line asks for besides its work, and the manners every tool
// shares: --help on standard output, --version, and bad usage named on standard error
// with exit status 2.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

struct ShowUsage {};
struct ShowVersion {};
struct UsageError {
    std::string message;
};

template <typename Options>
using Command = std::variant<Options, ShowUsage, ShowVersion, UsageError>;

constexpr int kBadUsage = 2;

// A command line read an option at a time: the option at hand, the value it takes (the
// argument after it), and the usage errors of a value missing or not taken.
class OptionReader {
public:
    OptionReader(int argc, const char* const* argv) : _argc(argc), _argv(argv) {}

    // Moves to the next argument; false past the last.
    bool next() {
        if (++_at >= _argc) return false;
        _option = _argv[_at];
        return true;
    }
    std::string_view option() const { return _option; }
    // The option's value, which is taken from the arguments; none past the last.
    std::optional<std::string_view> value() {
        if (_at + 1 >= _argc) return std::nullopt;
        return std::string_view(_argv[++_at]);
    }
    UsageError missing() const { return UsageError{"option '" + std::string(_option) + "' needs a value"}; }
    UsageError bad(std::string_view value) const {
        return UsageError{"bad value for '" + std::string(_option) + "': '" + std::string(value) + "'"};
    }

private:
    int _argc;
    const char* const* _argv;
    int _at = 0;
    std::string_view _option;
};

// Answers help, version and bad usage; otherwise runs `work` with the options.
template <typename Options, typename Work>
int runCommand(const char* tool, const char* usage, const Command<Options>& command, Work&& work) {
    if (std::holds_alternative<ShowUsage>(command)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (std::holds_alternative<ShowVersion>(command)) {
        std::printf("%s %s\n", tool, ZELTO_VERSION);
        return 0;
    }
    if (const auto* error = std::get_if<UsageError>(&command)) {
        std::cerr << tool << ": " << error->message << "\n"
                  << "Try '" << tool << " --help' for more information.\n";
        return kBadUsage;
    }
    return work(std::get<Options>(command));
}
