#include "ExportOptions.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

const char* const kExportUsage =
    "usage: zelto-export [options] FILE -o OUT.glb\n"
    "       zelto-export [options] FILE -o OUT.gltf\n"
    "\n"
    "Writes the scene of FILE (a document, or a .mqoz archive holding one) as glTF 2.0, as\n"
    "the Zelto window shows it: its meshes with the normals Zelto draws with, its materials\n"
    "and textures, and one animation per animation name, at 30 frames a second.\n"
    "A .glb file holds everything, textures too; a .gltf file is text, with its buffer\n"
    "(textures included) in OUT.bin beside it.\n"
    "\n"
    "A mesh that follows bones carries its normals at rest, which glTF players turn with\n"
    "each joint. Zelto works a posed mesh's normals out afresh, so where a bend stretches\n"
    "faces the shading differs (on the flag sample by up to about 32 degrees). Carrying\n"
    "Zelto's normals would take a morph target of normals for every frame: 4.4 times the\n"
    "file for the flag sample and 6.3 times for a 100,000-face skinned document, so the\n"
    "export does not.\n"
    "\n"
    "  -o, --output OUT       the file to write (never the document itself)\n"
    "  --compat               compatibility reading (see zelto-inspect --help)\n"
    "  --mirrors draw|skip    the other halves of objects the modeller mirrors (default:\n"
    "                         draw with --compat, else skip)\n"
    "  --hidden draw|skip     the objects the modeller hides (default: skip with --compat,\n"
    "                         else draw)\n"
    "  --lines                keep two-corner faces (the modeller's guide lines), which Zelto\n"
    "                         does not draw, as lines with an unlit, untextured material\n"
    "  --scale S              metres per document unit (default 1): the scene is scaled by\n"
    "                         S, and the file's asset extras say so\n"
    "  -h, --help             this text\n"
    "  --version              the version\n"
    "\n"
    "Exit status: 0 the file was written (what it could not carry over exactly is said on\n"
    "standard error); 1 the document was refused (its reason on standard error); 2 bad\n"
    "usage, or a file that cannot be read or written.\n";

ExportCommand parseExportArguments(int argc, const char* const* argv) {
    ExportOptions options;
    bool haveInput = false, haveOutput = false;
    OptionReader args(argc, argv);
    while (args.next()) {
        std::string_view arg = args.option();
        if (arg == "-h" || arg == "--help") return ShowUsage{};
        if (arg == "--version") return ShowVersion{};
        if (arg == "-o" || arg == "--output") {
            auto v = args.value();
            if (!v) return args.missing();
            options.output = *v;
            haveOutput = true;
        } else if (arg == "--compat") {
            options.compatible = true;
        } else if (arg == "--lines") {
            options.lines = true;
        } else if (options.display.optionFor(arg)) {
            if (std::optional<UsageError> error = options.display.take(args)) return *error;
        } else if (arg == "--scale") {
            auto v = args.value();
            if (!v) return args.missing();
            double scale = 0;
            auto [end, ec] = std::from_chars(v->data(), v->data() + v->size(), scale);
            if (ec != std::errc() || end != v->data() + v->size() || !(scale > 0) || !std::isfinite(scale))
                return args.bad(*v);
            options.scale = scale;
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
