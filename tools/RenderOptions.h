#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "CommandLine.h"
#include "DisplayOptions.h"

#include "FrameRenderer.h"

// The command line of zelto-render.
struct RenderOptions {
    std::string input;
    std::string output;
    int width = 800;
    int height = 600;
    std::optional<std::string> animation;
    uint64_t time = 0;
    std::optional<float> zoom;
    std::optional<float> rotateX;
    std::optional<float> rotateY;
    DrawPath path = DrawPath::Arrays;
    bool compatible = false;  // compatibility reading
    // A square picture of this side, the model filling it, for file managers.
    bool thumbnail = false;
    // The window's camera: as the window opens (see openingView), the default camera, or
    // the model framed.
    enum class View { AsTheWindowOpens, Default, Framed };
    View view = View::AsTheWindowOpens;
    bool wireframe = false;
    bool backFaces = false;
    DisplayOptions display;
    // Edges smoothed with several samples a pixel; off so that pictures compare pixel for
    // pixel unless asked for.
    bool antialias = false;
    // Limits the tool keeps to, 0 for none: wall-clock seconds, and megabytes of address
    // space. A thumbnail has both unless told otherwise.
    static constexpr unsigned kThumbnailSeconds = 10, kThumbnailMegabytes = 2048;
    std::optional<unsigned> timeLimit, memoryLimit;
};

using RenderCommand = Command<RenderOptions>;

RenderCommand parseRenderArguments(int argc, const char* const* argv);
extern const char* const kRenderUsage;
