#pragma once

// What a tool's command line asks for besides its work, and the manners every tool
// shares: --help on standard output, --version, and bad usage named on standard error
// with exit status 2.

#include <cstdio>
#include <iostream>
#include <string>
#include <variant>

struct ShowUsage {};
struct ShowVersion {};
struct UsageError {
    std::string message;
};

template <typename Options>
using Command = std::variant<Options, ShowUsage, ShowVersion, UsageError>;

constexpr int kBadUsage = 2;

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
