#pragma once

#include <string>

#include "CommandLine.h"

// The command line of zelto-export.
struct ExportOptions {
    std::string input;
    std::string output;       // .glb, or .gltf with a .bin beside it
    bool compatible = false;  // compatibility reading
};

using ExportCommand = Command<ExportOptions>;

ExportCommand parseExportArguments(int argc, const char* const* argv);
extern const char* const kExportUsage;
