// Model creation (face normals, grouping, sort) and posing on a mesh of about 1M faces.

#include <benchmark/benchmark.h>

#include <optional>

#include "GridMesh.h"
#include "MemoryProbe.h"

namespace {

std::vector<ZeltoMaterial> twoMaterials() {
    std::vector<ZeltoMaterial> materials;
    materials.push_back(ZeltoMaterial::materialWithName("a", 1, 1, 1, 1, 1, 1, 1, 1, 1, ""));
    materials.push_back(ZeltoMaterial::materialWithName("b", 1, 0, 0, 1, 1, 1, 1, 1, 1, ""));
    return materials;
}

GLKMatrix4 rotationAboutY(float radians) {
    GLKMatrix4 m = GLKMatrix4Identity;
    m.m[0] = std::cos(radians);
    m.m[2] = -std::sin(radians);
    m.m[8] = std::sin(radians);
    m.m[10] = std::cos(radians);
    return m;
}

void BM_ModelCreation(benchmark::State& state) {
    std::vector<ZeltoMaterial> materials = twoMaterials();
    size_t modelBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench::GridMesh mesh = bench::makeGridMesh(static_cast<size_t>(state.range(0)), materials);
        size_t before = bench::allocatedBytes();
        state.ResumeTiming();
        std::optional<ZeltoModel> model =
            ZeltoModel::modelWithName("grid", 59.5f, std::move(mesh.vertices), std::move(mesh.faces), {});
        state.PauseTiming();
        modelBytes = bench::allocatedBytes() - before;
        state.counters["normals"] = static_cast<double>(model->normals().size());
        model.reset();
        bench::releaseFreeMemory();
        state.ResumeTiming();
    }
    state.counters["model_MB"] = static_cast<double>(modelBytes) / 1e6;
}

void BM_Pose(benchmark::State& state) {
    std::vector<ZeltoMaterial> materials = twoMaterials();
    bench::GridMesh mesh = bench::makeGridMesh(static_cast<size_t>(state.range(0)), materials);
    ZeltoModel model =
        ZeltoModel::modelWithName("grid", 59.5f, std::move(mesh.vertices), std::move(mesh.faces), {});
    std::vector<GLKMatrix4> bones(4, GLKMatrix4Identity);
    float angle = 0;
    for (auto _ : state) {
        bones[1] = rotationAboutY(angle += 0.01f);
        model.resetupNormalsWithMatrix(bones);
        benchmark::ClobberMemory();
    }
    state.counters["vertices"] = static_cast<double>(model.vertices().size());
}

}  // namespace

BENCHMARK(BM_ModelCreation)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pose)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
