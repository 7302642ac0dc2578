#pragma once

#include <string>

#include "CommandLine.h"
#include "DisplayOptions.h"

// The command line of zelto-export.
struct ExportOptions {
    std::string input;
    std::string output;       // .glb, or .gltf with a .bin beside it
    bool compatible = false;  // compatibility reading
    DisplayOptions display;
    bool lines = false;  // two-corner faces kept, as lines
    double scale = 1;    // metres per document unit
};

using ExportCommand = Command<ExportOptions>;

ExportCommand parseExportArguments(int argc, const char* const* argv);
extern const char* const kExportUsage;
