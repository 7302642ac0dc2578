#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "CommandLine.h"
#include <vector>

// The command line of zelto-inspect.
struct InspectOptions {
    enum class Mode { Summary, Tree, Json };
    Mode mode = Mode::Summary;
    std::optional<std::string> animation;
    uint64_t time = 0;
    bool compatible = false;  // compatibility reading
    std::vector<std::string> files;  // "-" is standard input
};

using InspectCommand = Command<InspectOptions>;

InspectCommand parseInspectArguments(int argc, const char* const* argv);
extern const char* const kInspectUsage;
