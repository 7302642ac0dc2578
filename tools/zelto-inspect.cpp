// zelto-inspect: reads a document and prints what Zelto makes of it.
//
//   zelto-inspect FILE                       a summary of the scene
//   zelto-inspect --tree FILE                the document tree written back as text
//   zelto-inspect --json [--animation NAME] [--time T] FILE
//                                            the scene posed for one frame, as JSON
//
// A reading error prints its reason on standard error and exits with 1; a file that
// cannot be read, or wrong arguments, exit with 2.

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "FileBytes.h"
#include "MQAFile.h"
#include "MQAUTF8.h"
#include "Metasequoia.h"
#include "SceneJson.h"
#include "SceneSummary.h"

namespace {

constexpr int kReadError = 1;
constexpr int kUsageOrFileError = 2;

struct Options {
    enum class Mode { Summary, Tree, Json } mode = Mode::Summary;
    std::optional<std::string> animation;
    uint64_t time = 0;
    const char* file = nullptr;
};

int usage() {
    std::cerr << "usage: zelto-inspect [--tree | --json [--animation NAME] [--time T]] FILE\n";
    return kUsageOrFileError;
}

std::optional<Options> parseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--tree") {
            options.mode = Options::Mode::Tree;
        } else if (arg == "--json") {
            options.mode = Options::Mode::Json;
        } else if (arg == "--animation" && hasValue) {
            options.animation = argv[++i];
        } else if (arg == "--time" && hasValue) {
            std::string_view value = argv[++i];
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), options.time);
            if (ec != std::errc() || end != value.data() + value.size()) return std::nullopt;
        } else if (!options.file && !arg.starts_with("--")) {
            options.file = argv[i];
        } else {
            return std::nullopt;
        }
    }
    bool jsonOnly = options.animation || options.time != 0;
    if (!options.file || (jsonOnly && options.mode != Options::Mode::Json)) return std::nullopt;
    return options;
}

void print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

}  // namespace

int main(int argc, char** argv) {
    std::optional<Options> options = parseArguments(argc, argv);
    if (!options) return usage();
    std::optional<std::string> bytes;
    try {
        bytes = zelto::readFileBytes(options->file);
    } catch (const std::system_error& error) {
        std::cerr << "zelto-inspect: cannot read " << options->file << ": " << error.code().message()
                  << "\n";
        return kUsageOrFileError;
    }
    try {
        switch (options->mode) {
            case Options::Mode::Tree: {
                if (std::optional<size_t> bad = mqa::findInvalidUTF8(*bytes))
                    throw std::runtime_error(mqa::invalidUTF8Message(*bad));
                print(MQAFile::initWithString(std::move(*bytes)).stringValue());
                break;
            }
            case Options::Mode::Summary:
                print(sceneSummary(Metasequoia::initWithData(std::move(*bytes))));
                break;
            case Options::Mode::Json: {
                Metasequoia scene = Metasequoia::initWithData(std::move(*bytes));
                print(poseAndWriteJson(scene, options->animation, options->time));
                break;
            }
        }
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return kReadError;
    }
    return 0;
}
