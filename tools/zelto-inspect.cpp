// zelto-inspect: reads documents and prints what Zelto makes of them. Run with --help
// for the options.

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include "DocumentInput.h"
#include "InspectOptions.h"
#include "MQAFile.h"
#include "MQAUTF8.h"
#include "Metasequoia.h"
#include "SceneJson.h"
#include "SceneSummary.h"

namespace {

constexpr int kRefused = 1;
constexpr int kUsageOrFile = 2;

void print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }


int inspect(const InspectOptions& options, const DocumentInput& input) {
    std::optional<zelto::OpenedDocument> read = input.openOrReport("zelto-inspect");
    if (!read) return kUsageOrFile;
    const MQAReading reading = options.compatible ? MQAReading::Compatible : MQAReading::Strict;
    try {
        switch (options.mode) {
            case InspectOptions::Mode::Tree: {
                std::string bytes(read->bytes.view());
                if (!options.compatible) mqa::requireUTF8(bytes);
                MQAFile file = MQAFile::initWithString(bytes, reading);
                input.reportWarnings(file.warnings());
                print(file.stringValue());
                break;
            }
            case InspectOptions::Mode::Summary: {
                Metasequoia scene = Metasequoia::initWithData(std::move(read->bytes), reading);
                input.reportWarnings(warningsAsDrawn(scene, DisplayChoice::forReading(reading)));
                print(sceneSummary(scene, input.displayName(), input.files(*read, options.compatible)));
                break;
            }
            case InspectOptions::Mode::Json: {
                Metasequoia scene = Metasequoia::initWithData(std::move(read->bytes), reading);
                input.reportWarnings(warningsAsDrawn(scene, DisplayChoice::forReading(reading)));
                if (options.animation) {
                    std::vector<std::string> names = scene.animationNames();
                    if (std::find(names.begin(), names.end(), *options.animation) == names.end())
                        std::cerr << "zelto-inspect: warning: " << input.displayName()
                                  << " has no animation named \"" << *options.animation
                                  << "\"; it is posed as the viewer would pose it\n";
                }
                print(poseAndWriteJson(scene, options.animation, options.time));
                break;
            }
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::cerr << describeError(input.displayName(), error) << "\n";
        if (!options.compatible) input.noteCompatibilityHint("zelto-inspect");
        return kRefused;
    }
    return 0;
}

int inspectAll(const InspectOptions& options) {
    int worst = 0;
    bool several = options.files.size() > 1;
    for (size_t i = 0; i < options.files.size(); ++i) {
        DocumentInput input{options.files[i]};
        if (several && options.mode != InspectOptions::Mode::Summary)
            std::printf("%s==> %s <==\n", i ? "\n" : "", input.displayName().c_str());
        else if (i > 0)
            std::printf("\n");
        worst = std::max(worst, inspect(options, input));
        std::fflush(stdout);
    }
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    return runCommand("zelto-inspect", kInspectUsage, parseInspectArguments(argc, argv), inspectAll);
}
