// zelto-render: draws a document as the Zelto window shows it, without a display, and
// writes the picture as a PNG. Run with --help for the options.

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include <QFile>
#include <QSaveFile>

#include "DocumentInput.h"
#include "FramePose.h"
#include "FrameRenderer.h"
#include "HeadlessContext.h"
#include "Metasequoia.h"
#include "RenderOptions.h"
#include "TextureLibrary.h"

namespace {

constexpr int kRefused = 1;
constexpr int kUsageOrFile = 2;
constexpr int kNoOpenGL = 3;

int render(const RenderOptions& options) {
    DocumentInput input{options.input};
    if (!input.isStandardInput() && zelto::sameFile(options.input, options.output)) {
        std::cerr << "zelto-render: " << options.output << ": will not overwrite the document\n";
        return kUsageOrFile;
    }
    std::optional<zelto::DocumentBytes> bytes = input.readBytesOrReport("zelto-render");
    if (!bytes) return kUsageOrFile;
    Metasequoia scene;
    try {
        scene = Metasequoia::initWithData(std::move(*bytes),
                                          options.compatible ? MQAReading::Compatible : MQAReading::Strict);
    } catch (const std::exception& error) {
        std::cerr << describeError(input.displayName(), error) << "\n";
        return kRefused;
    }
    for (const MQAWarning& warning : scene.warnings()) {
        MQAPlace place;
        place.line = warning.line;
        std::cerr << describeAt(input.displayName(), place, "warning: " + warning.message) << "\n";
    }
    if (options.animation) {
        std::vector<std::string> names = scene.animationNames();
        if (std::find(names.begin(), names.end(), *options.animation) == names.end())
            std::cerr << "zelto-render: warning: " << input.displayName() << " has no animation named \""
                      << *options.animation << "\"; it is posed as the viewer would pose it\n";
    }

    QImage image;
    try {
        HeadlessContext context(options.width, options.height);
        FrameRenderer renderer;
        renderer.setDrawPath(options.path);
        renderer.prepare();
        FrameRenderer::reshape(0, 0, options.width, options.height);
        TextureLibrary textures;
        textures.setLenientPaths(options.compatible);
        textures.setTextureBaseURL(input.documentPath());
        textures.reloadTextures(&scene);
        for (const std::string& note : textures.notes())
            std::cerr << "zelto-render: warning: " << input.displayName() << ": " << note << "\n";

        FrameState frame;
        frame.scene = &scene;
        if (options.animation) frame.animationName = *options.animation;
        frame.animationTime = options.time;
        FramePose pose(scene, frame.animationName, frame.animationTime);
        if (options.thumbnail) {
            frame.framing = framingFor(scene, pose);
        } else if (options.view == RenderOptions::View::Framed) {
            frame.fit = fitFor(scene, pose);
        } else if (options.view == RenderOptions::View::AsTheWindowOpens) {
            // The window decides on the scene at rest, as it first arrives.
            frame.fit = fitWhenUnseen(scene, FramePose(scene, std::nullopt, 0),
                                      float(options.width) / float(options.height));
        }
        if (frame.fit) frame.camera = fittedCamera(frame.camera);
        if (options.zoom) frame.camera.setZoom(*options.zoom);
        if (options.rotateX) frame.camera.setRotateX(*options.rotateX);
        if (options.rotateY) frame.camera.setRotateY(*options.rotateY);
        frame.wireframe = options.wireframe;
        frame.backFaces = options.backFaces;
        frame.backingWidth = options.width;
        frame.backingHeight = options.height;
        renderer.drawFrame(frame, textures);
        for (const std::string& note : renderer.notes())
            std::cerr << "zelto-render: warning: " << input.displayName() << ": " << note << "\n";
        image = context.readPixels();
    } catch (const std::runtime_error& error) {
        std::cerr << "zelto-render: " << error.what() << "\n";
        return kNoOpenGL;
    }

    // Written whole or not at all: a failed write leaves any earlier file untouched.
    QSaveFile out(QFile::decodeName(options.output.c_str()));
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
        std::cerr << "zelto-render: cannot write " << options.output << ": "
                  << out.errorString().toStdString() << "\n";
        return kUsageOrFile;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runCommand("zelto-render", kRenderUsage, parseRenderArguments(argc, argv), render);
}
