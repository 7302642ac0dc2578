#pragma once

#include <optional>
#include <string_view>

#include "CommandLine.h"
#include "ObjectDisplay.h"

// --mirrors draw|skip and --hidden draw|skip: the other halves of objects the modeller
// mirrors, and the objects it hides, shown or not. Unless given, a document read for
// compatibility comes out as its modeller shows it, one read strictly as it is stored.
struct DisplayOptions {
    std::optional<bool> drawMirroredHalves, drawHidden;

    // The choice `arg` sets, if it is one of the two options.
    std::optional<bool>* optionFor(std::string_view arg) {
        return arg == "--mirrors" ? &drawMirroredHalves : arg == "--hidden" ? &drawHidden : nullptr;
    }
    static std::optional<bool> drawOrSkip(std::string_view value) {
        if (value == "draw") return true;
        if (value == "skip") return false;
        return std::nullopt;
    }
    // Takes the value of the option `args` is at, one of the two: the usage error of a
    // value that is missing or neither draw nor skip, if any.
    std::optional<UsageError> take(OptionReader& args) {
        std::optional<bool>* shown = optionFor(args.option());
        std::optional<std::string_view> value = args.value();
        if (!value) return args.missing();
        *shown = drawOrSkip(*value);
        if (!*shown) return args.bad(*value);
        return std::nullopt;
    }
    DisplayChoice choiceFor(bool compatible) const {
        DisplayChoice display = DisplayChoice::forReading(compatible ? MQAReading::Compatible : MQAReading::Strict);
        if (drawMirroredHalves) display.drawMirroredHalves = *drawMirroredHalves;
        if (drawHidden) display.hideInvisible = !*drawHidden;
        return display;
    }
};
