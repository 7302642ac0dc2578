#include "ExportOptions.h"

#include <string_view>

const char* const kExportUsage =
    "usage: zelto-export [--compat] FILE -o OUT.glb\n"
    "       zelto-export [--compat] FILE -o OUT.gltf\n"
    "\n"
    "Writes the scene of FILE (a document, or a .mqoz archive holding one) as glTF 2.0:\n"
    "its meshes with the normals Zelto draws with, its materials and textures, and one\n"
    "animation per animation name, at 30 frames a second.\n"
    "A .glb file holds everything, textures too; a .gltf file is text, with its buffer\n"
    "(textures included) in OUT.bin beside it.\n"
    "\n"
    "  -o, --output OUT       the file to write (never the document itself)\n"
    "  --compat               compatibility reading (see zelto-inspect --help)\n"
    "  -h, --help             this text\n"
    "  --version              the version\n"
    "\n"
    "Exit status: 0 the file was written (what it could not carry over exactly is said on\n"
    "standard error); 1 the document was refused (its reason on standard error); 2 bad\n"
    "usage, or a file that cannot be read or written.\n";

ExportCommand parseExportArguments(int argc, const char* const* argv) {
    ExportOptions options;
    bool haveInput = false, haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") return ShowUsage{};
        if (arg == "--version") return ShowVersion{};
        if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc) return UsageError{"option '" + std::string(arg) + "' needs a value"};
            options.output = argv[++i];
            haveOutput = true;
        } else if (arg == "--compat") {
            options.compatible = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError{"unknown option '" + std::string(arg) + "'"};
        } else if (!haveInput) {
            options.input = arg;
            haveInput = true;
        } else {
            return UsageError{"only one document can be exported at a time"};
        }
    }
    if (!haveInput) return UsageError{"no document given"};
    if (!haveOutput) return UsageError{"no output file given (-o OUT.glb or -o OUT.gltf)"};
    return options;
}
