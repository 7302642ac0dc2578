// Frames of the generated documents drawn without a display at 800 x 600, as the window
// draws them: one polygon at a time against runs of faces from arrays, with the scene
// still and while its bone animation plays. Each frame ends with glFinish, and the time
// is wall-clock time, since Mesa's rasteriser works on threads of its own.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "DocumentGenerator.h"
#include "FrameRenderer.h"
#include "HeadlessContext.h"
#include "Metasequoia.h"
#include "RenderGL.h"
#include "TextureLibrary.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

HeadlessContext& context() {
    static HeadlessContext shared(kWidth, kHeight);
    return shared;
}

Metasequoia& sceneWithFaces(size_t faces) {
    static std::map<size_t, std::unique_ptr<Metasequoia>> scenes;
    auto& scene = scenes[faces];
    if (!scene) scene = std::make_unique<Metasequoia>(Metasequoia::initWithData(bench::generateDocument(faces, true)));
    return *scene;
}

// Arguments: faces, draw path (0 one by one, 1 arrays), animated (0 or 1).
void BM_Frame(benchmark::State& state) {
    context();
    Metasequoia& scene = sceneWithFaces(static_cast<size_t>(state.range(0)));
    FrameRenderer renderer;
    renderer.setDrawPath(state.range(1) ? DrawPath::Arrays : DrawPath::PerFace);
    renderer.prepare();
    FrameRenderer::reshape(0, 0, kWidth, kHeight);
    TextureLibrary textures;
    textures.reloadTextures(&scene);
    FrameState frame;
    frame.scene = &scene;
    if (state.range(2)) frame.animationName = "sway";
    frame.camera.setZoom(-300);
    frame.camera.setRotateX(320);  // the generated surface faces down
    frame.backingWidth = kWidth;
    frame.backingHeight = kHeight;
    renderer.drawFrame(frame, textures);  // lays the arrays out: not a frame the user waits on
    glFinish();
    for (auto _ : state) {
        if (state.range(2)) ++frame.animationTime;
        renderer.drawFrame(frame, textures);
        glFinish();
    }
    state.SetLabel(std::string(state.range(1) ? "arrays" : "one by one") + (state.range(2) ? ", playing" : ", still"));
}

}  // namespace

BENCHMARK(BM_Frame)
    ->ArgNames({"faces", "arrays", "playing"})
    ->ArgsProduct({{1000, 100000, 1000000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

BENCHMARK_MAIN();
