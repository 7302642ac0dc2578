#include "InspectOptions.h"

#include <charconv>
#include <string_view>

const char* const kInspectUsage =
    "usage: zelto-inspect [--compat] [--tree | --json [--animation NAME] [--time T]] FILE...\n"
    "\n"
    "Reads each Metasequoia document (- reads standard input; a .mqoz archive gives the\n"
    "document inside it) and prints what Zelto makes of it; by default a summary of the\n"
    "scene: totals, bounding box, materials with their textures, objects and animations.\n"
    "\n"
    "  --tree             the document tree, written back as text\n"
    "  --json             the scene posed as the viewer draws one frame, as JSON\n"
    "  --animation NAME   with --json: the animation to pose for (default: none chosen)\n"
    "  --time T           with --json: the frame, counted from 0 at 30 frames a second;\n"
    "                     animations loop (default 0)\n"
    "  --compat           compatibility reading: also take documents as modellers often\n"
    "                     write them (version 1.1, LF line ends, Shift_JIS text, binary and\n"
    "                     thumbnail chunks, ...), with a warning for each liberty taken\n"
    "  -h, --help         this text\n"
    "  --version          the version\n"
    "\n"
    "Errors go to standard error as FILE:LINE:COLUMN: REASON, warnings (content read\n"
    "without an error but left out) as FILE:LINE: warning: TEXT.\n"
    "\n"
    "Exit status: 0 every document was read; 1 a document was refused; 2 bad usage, or a\n"
    "file that cannot be read. With several files, the worst of them.\n";

InspectCommand parseInspectArguments(int argc, const char* const* argv) {
    InspectOptions options;
    bool onlyFiles = false;
    bool jsonOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (onlyFiles || arg == "-" || !arg.starts_with("-")) {
            options.files.emplace_back(arg);
            continue;
        }
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string_view(argv[++i]);
        };
        if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "-h" || arg == "--help") {
            return ShowUsage{};
        } else if (arg == "--version") {
            return ShowVersion{};
        } else if (arg == "--compat") {
            options.compatible = true;
        } else if (arg == "--tree") {
            options.mode = InspectOptions::Mode::Tree;
        } else if (arg == "--json") {
            options.mode = InspectOptions::Mode::Json;
        } else if (arg == "--animation") {
            auto name = value();
            if (!name) return UsageError{"option '--animation' needs a name"};
            options.animation = std::string(*name);
            jsonOnly = true;
        } else if (arg == "--time") {
            auto text = value();
            if (!text) return UsageError{"option '--time' needs a frame number"};
            auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), options.time);
            if (ec != std::errc() || end != text->data() + text->size())
                return UsageError{"bad frame number for '--time': '" + std::string(*text) + "'"};
            jsonOnly = true;
        } else {
            return UsageError{"unknown option '" + std::string(arg) + "'"};
        }
    }
    if (options.files.empty()) return UsageError{"no document given"};
    if (jsonOnly && options.mode != InspectOptions::Mode::Json)
        return UsageError{"--animation and --time go with --json"};
    return options;
}
