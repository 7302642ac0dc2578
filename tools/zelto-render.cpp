// zelto-render: draws a document as the Zelto window shows it, without a display, and
// writes the picture as a PNG. Run with --help for the options.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>
#include <iostream>
#include <optional>
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
constexpr int kLimitReached = 4;
// Between a drawing child and its parent only: OpenGL could not be set up under the
// memory limit, and the parent, free of it, learns whether the limit was why.
constexpr int kNoOpenGLUnderTheLimit = 5;
// Samples a pixel for smoothed edges, as the window takes them.
constexpr int kSamples = 4;

int draw(const RenderOptions& options);

// Whether the options ask for an address-space limit that can be kept: a sanitizer's
// shadow memory takes terabytes of address space.
bool limitsMemory(const RenderOptions& options) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    (void)options;
    return false;
#else
    return options.memoryLimit.value_or(0) > 0;
#endif
}

// Whether the picture is being written: the time limit then lets it finish, so no file
// is left half written.
enum class Stage { Drawing, Writing, OutOfTime };
std::atomic<Stage> gStage{Stage::Drawing};

// Keeps to the options' limits: a watch that ends the process when time runs out before
// the picture is written, then the address space. The watch's thread starts first: under
// a tight limit there would be no room for its stack. Only the soft limit is lowered, so
// that what the limit stopped can be told from what cannot be done at all.
void keepToLimits(const RenderOptions& options) {
    if (options.timeLimit.value_or(0) > 0) {
        std::thread([seconds = *options.timeLimit] {
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            Stage drawing = Stage::Drawing;
            if (!gStage.compare_exchange_strong(drawing, Stage::OutOfTime)) return;
            std::fprintf(stderr, "zelto-render: limit reached: gave up after %u seconds; no image was written\n", seconds);
            std::_Exit(kLimitReached);
        }).detach();
    }
    if (!limitsMemory(options)) return;
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = std::min<rlim_t>(rlim_t{*options.memoryLimit} << 20, limit.rlim_max);
    setrlimit(RLIMIT_AS, &limit);
}

// The address-space limit in force, whoever set it; none when there is none.
std::optional<rlim_t> addressSpaceLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return limit.rlim_cur;
}

// Lifts the soft address-space limit as far as the hard one allows, so that what failed
// under it can be tried again to learn whether the limit was why; false when it cannot be
// lifted (a limit set from outside, which is then taken to be the cause).
bool liftAddressSpaceLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur == limit.rlim_max)
        return false;
    limit.rlim_cur = limit.rlim_max;
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

// Why OpenGL cannot be set up for a picture of that size here; none when it can.
std::optional<std::string> openGLSetUpError(int width, int height) {
    try {
        HeadlessContext probe(width, height);
        return std::nullopt;
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

// After OpenGL could not be set up under an address-space limit: whether the limit was
// why, by trying again without it.
bool setUpFailedForTheLimit(int width, int height) {
    if (!addressSpaceLimit()) return false;
    if (!liftAddressSpaceLimit()) return true;
    return !openGLSetUpError(width, height);
}

// The address-space limit set or found as the tool started, for messages: a probe may
// lift the limit later.
rlim_t gMemoryLimit = 0;
// Whether this process is the child that draws under a limit the tool set.
bool gDrawingForAParent = false;

int limitReached(const std::string& input, const std::string& what) {
    std::cerr << "zelto-render: limit reached: " << input << " " << what << " than "
              << (gMemoryLimit ? "the memory limit of " + std::to_string(gMemoryLimit >> 20) + " MB allows" : "there is")
              << "; no image was written\n";
    return kLimitReached;
}

// Whether the document reads once the address-space limit is lifted.
bool readsWithoutTheLimit(const DocumentInput& input, bool compatible) {
    if (input.isStandardInput() || !liftAddressSpaceLimit()) return false;
    try {
        Metasequoia::initWithData(input.open().bytes, compatible ? MQAReading::Compatible : MQAReading::Strict);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int render(const RenderOptions& options) {
    keepToLimits(options);
    gMemoryLimit = addressSpaceLimit().value_or(0);
    try {
        return draw(options);
    } catch (const std::bad_alloc&) {
        return limitReached(options.input, "needs more memory");
    }
}

int draw(const RenderOptions& options) {
    DocumentInput input{options.input};
    if (!input.isStandardInput() && zelto::sameFile(options.input, options.output)) {
        std::cerr << "zelto-render: " << options.output << ": will not overwrite the document\n";
        return kUsageOrFile;
    }
    zelto::SourceError::Kind failure{};
    std::optional<zelto::OpenedDocument> read = input.openOrReport("zelto-render", &failure);
    if (!read && failure == zelto::SourceError::Kind::TooLarge && gMemoryLimit)
        return limitReached(input.displayName(), "takes more memory to read");
    if (!read) return failure == zelto::SourceError::Kind::TooLarge ? kLimitReached : kUsageOrFile;
    Metasequoia scene;
    try {
        scene = Metasequoia::initWithData(std::move(read->bytes),
                                          options.compatible ? MQAReading::Compatible : MQAReading::Strict);
    } catch (const std::bad_alloc&) {
        throw;  // a limit, not the document's fault
    } catch (const std::exception& error) {
        // Some failures under an address-space limit (a library's allocation) arrive as
        // other errors: a document that reads without the limit was refused by the limit.
        if (gMemoryLimit && readsWithoutTheLimit(input, options.compatible))
            return limitReached(input.displayName(), "needs more memory");
        std::cerr << describeError(input.displayName(), error) << "\n";
        if (!options.compatible) input.noteCompatibilityHint("zelto-render");
        return kRefused;
    }
    const DisplayChoice display = options.display.choiceFor(options.compatible);
    input.reportWarnings(warningsAsDrawn(scene, display));
    if (options.animation) {
        std::vector<std::string> names = scene.animationNames();
        if (std::find(names.begin(), names.end(), *options.animation) == names.end())
            std::cerr << "zelto-render: warning: " << input.displayName() << " has no animation named \""
                      << *options.animation << "\"; it is posed as the viewer would pose it\n";
    }

    QImage image;
    try {
        HeadlessContext context(options.width, options.height, options.antialias ? kSamples : 0);
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
        float aspect = float(options.width) / float(options.height);
        Camera turned;
        if (options.rotateX) turned.setRotateX(*options.rotateX);
        if (options.rotateY) turned.setRotateY(*options.rotateY);
        View view;
        if (options.thumbnail) {
            // The model alone, filling the square.
            view = framedView(scene, pose, display, Camera(), aspect, kThumbnailShare).value_or(View());
            frame.showGrid = frame.showAxes = false;
        } else if (options.view == RenderOptions::View::Framed) {
            view = framedView(scene, pose, display, turned, aspect).value_or(View{turned, std::nullopt});
        } else if (options.view == RenderOptions::View::AsTheWindowOpens) {
            // The window decides on the scene at rest, as it first arrives; a turn asked
            // for is then taken as the user would take it.
            view = openingView(scene, FramePose(scene, std::nullopt, 0), display, aspect);
        }
        frame.camera = view.camera;
        frame.fit = view.fit;
        if (options.zoom) frame.camera.setZoom(*options.zoom);
        if (options.rotateX) frame.camera.setRotateX(*options.rotateX);
        if (options.rotateY) frame.camera.setRotateY(*options.rotateY);
        frame.drawMirroredHalves = display.drawMirroredHalves;
        frame.hideInvisible = display.hideInvisible;
        frame.wireframe = options.wireframe;
        frame.backFaces = options.backFaces;
        // Read for compatibility, a model whose every face points away is shown from behind
        // rather than not at all, as the window shows it.
        if (options.compatible && !frame.backFaces &&
            allFacesPointAway(scene, pose, display, View{frame.camera, frame.fit}, aspect)) {
            frame.backFaces = true;
            std::cerr << "zelto-render: warning: " << input.displayName()
                      << ": every face points away from the camera; their backs are drawn\n";
        }
        frame.backingWidth = options.width;
        frame.backingHeight = options.height;
        renderer.drawFrame(frame, textures);
        for (const std::string& note : renderer.notes())
            std::cerr << "zelto-render: warning: " << input.displayName() << ": " << note << "\n";
        image = context.readPixels();
    } catch (const std::runtime_error& error) {
        if (gDrawingForAParent) return kNoOpenGLUnderTheLimit;  // a failed set-up is not tried twice in one process
        if (addressSpaceLimit() && setUpFailedForTheLimit(options.width, options.height))
            return limitReached(input.displayName(), "needs more memory to draw with OpenGL");
        std::cerr << "zelto-render: " << error.what() << "\n";
        return kNoOpenGL;
    }
    if (image.isNull() && addressSpaceLimit()) return limitReached(input.displayName(), "needs more memory for its picture");

    Stage drawing = Stage::Drawing;
    if (!gStage.compare_exchange_strong(drawing, Stage::Writing))
        std::this_thread::sleep_for(std::chrono::hours(1));  // out of time: the watch is ending the process
    // Written whole or not at all: a failed write leaves any earlier file untouched.
    QSaveFile out(QFile::decodeName(options.output.c_str()));
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
        std::cerr << "zelto-render: cannot write " << options.output << ": "
                  << out.errorString().toStdString() << "\n";
        return kUsageOrFile;
    }
    return 0;
}


// Under a memory limit the picture is drawn by a child process that keeps to the limit:
// not every OpenGL driver checks its allocations, and one that ends the process for want
// of memory leaves the caller (a file manager making thumbnails) a crash, not an answer.
int renderWithin(const RenderOptions& options) {
    if (!limitsMemory(options)) return render(options);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return render(options);  // no child to be had: drawn here
    if (child == 0) {
        gDrawingForAParent = true;
        std::exit(render(options));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return render(options);
    const std::string name = DocumentInput{options.input}.displayName();
    const std::string limit = " under the memory limit of " + std::to_string(*options.memoryLimit) + " MB";
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoOpenGLUnderTheLimit) {
        if (std::optional<std::string> error = openGLSetUpError(options.width, options.height)) {
            std::cerr << "zelto-render: " << *error << "\n";
            return kNoOpenGL;
        }
        std::cerr << "zelto-render: limit reached: OpenGL could not be set up to draw " << name << limit
                  << "; no image was written\n";
        return kLimitReached;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    std::cerr << "zelto-render: limit reached: drawing " << name << " ended by signal " << WTERMSIG(status) << limit
              << "; no image was written\n";
    return kLimitReached;
}

}  // namespace

int main(int argc, char** argv) {
    return runCommand("zelto-render", kRenderUsage, parseRenderArguments(argc, argv), renderWithin);
}
