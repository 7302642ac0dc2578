#pragma once

#include <string>

#include "CommandLine.h"

// The command line of zelto-export.
struct ExportOptions {
    std::string input;
    std::string output;       // ends in .glb or .gltf
    bool compatible = false;  // compatibility reading
    bool binary() const;
    // Beside a .gltf file: its buffer, the same name ending in .bin.
    std::string resourcesPath() const;
};

using ExportCommand = Command<ExportOptions>;

ExportCommand parseExportArguments(int argc, const char* const* argv);
extern const char* const kExportUsage;
