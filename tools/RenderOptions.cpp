#include "RenderOptions.h"

#include <charconv>
#include <cmath>
#include <string_view>

const char* const kRenderUsage =
    "usage: zelto-render FILE -o OUT.png [options]\n"
    "\n"
    "Draws FILE (a document, or a .mqoz archive holding one) as the Zelto window shows it,\n"
    "without a display, and writes a PNG.\n"
    "\n"
    "  -o, --output OUT.png   the image to write (never the document itself)\n"
    "  --size WxH             image size in pixels (default 800x600)\n"
    "  --animation NAME       pose the scene for this animation\n"
    "  --time T               frame of the animation: 30 frames a second, looping (default 0)\n"
    "  --zoom Z               camera distance, -800 (closest) to 800 (default 0)\n"
    "  --rotate-x A           camera turn about x in degrees (default 30)\n"
    "  --rotate-y A           camera turn about y in degrees (default 30)\n"
    "  --camera default|framed  the default camera, or the model framed to 80% of the view;\n"
    "                         without it, as the window opens: the default camera when it\n"
    "                         shows the whole model over a third of the view or more, else\n"
    "                         framed\n"
    "  --wireframe            the edges of every polygon over the shaded model\n"
    "  --back-faces           faces drawn from both sides\n"
    "  --mirrors draw|skip    the other halves of objects the modeller mirrors (default:\n"
    "                         draw with --compat, else skip)\n"
    "  --hidden draw|skip     the objects the modeller hides (default: skip with --compat,\n"
    "                         else draw)\n"
    "  --antialias            smooth edges, with 4 samples a pixel\n"
    "  --draw faces|arrays    one polygon at a time, or runs of faces at once (default arrays);\n"
    "                         both give the same pixels\n"
    "  --compat               compatibility reading (see zelto-inspect --help)\n"
    "  --thumbnail SIZE       a SIZE x SIZE picture with the model filling 90% of it, without\n"
    "                         the grid; file managers run it as\n"
    "                         zelto-render --compat --thumbnail %s -o %o %i\n"
    "  --time-limit S         give up after S seconds (0: never; a thumbnail's default 10)\n"
    "  --memory-limit M       use no more than M megabytes of address space (0: no limit;\n"
    "                         a thumbnail's default 2048)\n"
    "  -h, --help             this text\n"
    "  --version              the version\n"
    "\n"
    "Exit status: 0 the image was written; 1 the document was refused (its reason on\n"
    "standard error); 2 bad usage, or a file that cannot be read or written; 3 no OpenGL;\n"
    "4 a limit was reached (no image is written then).\n";

namespace {

std::optional<float> parseFloat(std::string_view text) {
    float value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

template <typename T>
std::optional<T> parseUnsigned(std::string_view text) {
    T value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

constexpr int kMaxSide = 16384;

}  // namespace

RenderCommand parseRenderArguments(int argc, const char* const* argv) {
    RenderOptions options;
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
        } else if (arg == "--size") {
            auto v = args.value();
            if (!v) return args.missing();
            size_t x = v->find('x');
            auto w = x == std::string_view::npos ? std::nullopt : parseUnsigned<int>(v->substr(0, x));
            auto h = x == std::string_view::npos ? std::nullopt : parseUnsigned<int>(v->substr(x + 1));
            if (!w || !h || *w < 1 || *h < 1 || *w > kMaxSide || *h > kMaxSide) return args.bad(*v);
            options.width = *w;
            options.height = *h;
        } else if (arg == "--thumbnail") {
            auto v = args.value();
            if (!v) return args.missing();
            auto side = parseUnsigned<int>(*v);
            if (!side || *side < 1 || *side > kMaxSide) return args.bad(*v);
            options.width = options.height = *side;
            options.thumbnail = true;
        } else if (arg == "--animation") {
            auto v = args.value();
            if (!v) return args.missing();
            options.animation = std::string(*v);
        } else if (arg == "--time") {
            auto v = args.value();
            if (!v) return args.missing();
            auto t = parseUnsigned<uint64_t>(*v);
            if (!t) return args.bad(*v);
            options.time = *t;
        } else if (arg == "--zoom" || arg == "--rotate-x" || arg == "--rotate-y") {
            auto v = args.value();
            if (!v) return args.missing();
            auto number = parseFloat(*v);
            if (!number) return args.bad(*v);
            (arg == "--zoom" ? options.zoom : arg == "--rotate-x" ? options.rotateX : options.rotateY) = number;
        } else if (arg == "--camera") {
            auto v = args.value();
            if (!v) return args.missing();
            if (*v == "default") options.view = RenderOptions::View::Default;
            else if (*v == "framed") options.view = RenderOptions::View::Framed;
            else return args.bad(*v);
        } else if (arg == "--wireframe") {
            options.wireframe = true;
        } else if (arg == "--back-faces") {
            options.backFaces = true;
        } else if (arg == "--antialias") {
            options.antialias = true;
        } else if (options.display.optionFor(arg)) {
            if (std::optional<UsageError> error = options.display.take(args)) return *error;
        } else if (arg == "--draw") {
            auto v = args.value();
            if (!v) return args.missing();
            if (*v == "faces") options.path = DrawPath::PerFace;
            else if (*v == "arrays") options.path = DrawPath::Arrays;
            else return args.bad(*v);
        } else if (arg == "--time-limit" || arg == "--memory-limit") {
            auto v = args.value();
            if (!v) return args.missing();
            auto limit = parseUnsigned<unsigned>(*v);
            if (!limit) return args.bad(*v);
            (arg == "--time-limit" ? options.timeLimit : options.memoryLimit) = *limit;
        } else if (arg.starts_with("-") && arg != "-") {
            return UsageError{"unknown option '" + std::string(arg) + "'"};
        } else if (!haveInput) {
            options.input = arg;
            haveInput = true;
        } else {
            return UsageError{"only one document can be drawn at a time"};
        }
    }
    if (!haveInput) return UsageError{"no document given"};
    if (options.thumbnail && options.zoom) return UsageError{"a thumbnail fits the model: '--zoom' does not apply"};
    if (options.thumbnail && options.view != RenderOptions::View::AsTheWindowOpens)
        return UsageError{"a thumbnail fits the model: '--camera' does not apply"};
    if (!haveOutput) return UsageError{"no output image given (-o OUT.png)"};
    if (options.thumbnail) {
        options.timeLimit = options.timeLimit.value_or(RenderOptions::kThumbnailSeconds);
        options.memoryLimit = options.memoryLimit.value_or(RenderOptions::kThumbnailMegabytes);
    }
    return options;
}
