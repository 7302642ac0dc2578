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

// Stable counting sort by material (two materials, in list order), recording where each
// face went.
void sortByMaterial(std::vector<ZeltoFace>& faces, std::vector<uint32_t>& documentOrder) {
    const ZeltoMaterial* first = faces.front().material();
    size_t firstCount = 0;
    for (const ZeltoFace& face : faces) firstCount += face.material() == first;
    std::vector<ZeltoFace> sorted(faces.size());
    documentOrder.resize(faces.size());
    size_t next[2] = {0, firstCount};
    for (size_t i = 0; i < faces.size(); ++i) {
        size_t position = next[faces[i].material() == first ? 0 : 1]++;
        sorted[position] = faces[i];
        documentOrder[i] = static_cast<uint32_t>(position);
    }
    faces.swap(sorted);
}

GLKMatrix4 rotationAboutY(float radians) {
    GLKMatrix4 m = GLKMatrix4Identity;
    m.m[0] = std::cos(radians);
    m.m[2] = -std::sin(radians);
    m.m[8] = std::sin(radians);
    m.m[10] = std::cos(radians);
    return m;
}

// Faces given in document order, with materials in runs of seven cells, so the model
// sorts them (argument 0); or given already in material order with their document
// order, as the scene builder gives them (argument 1).
void BM_ModelCreation(benchmark::State& state) {
    std::vector<ZeltoMaterial> materials = twoMaterials();
    size_t modelBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench::GridMesh mesh = bench::makeGridMesh(static_cast<size_t>(state.range(0)), materials,
                                                   bench::MaterialLayout::Interleaved);
        std::vector<uint32_t> documentOrder;
        if (state.range(1) == 1) sortByMaterial(mesh.faces, documentOrder);
        size_t before = bench::allocatedBytes();
        state.ResumeTiming();
        std::optional<ZeltoModel> model =
            state.range(1) == 1
                ? ZeltoModel::modelWithName("grid", 59.5f, std::move(mesh.vertices),
                                            std::move(mesh.faces), std::move(documentOrder), {})
                : ZeltoModel::modelWithName("grid", 59.5f, std::move(mesh.vertices),
                                            std::move(mesh.faces), {});
        state.PauseTiming();
        modelBytes = bench::allocatedBytes() - before;
        state.counters["normals"] = static_cast<double>(model->normals().size());
        model.reset();
        bench::releaseFreeMemory();
        state.ResumeTiming();
    }
    state.counters["model_MB"] = static_cast<double>(modelBytes) / 1e6;
}

// Materials in regions (argument 1: 0) or interleaved (1): faces are drawn and posed in
// material order, so interleaved materials scatter the memory a pose reads. The model
// posed in place (argument 2: 0), or into a pose of the reader's own (1), as drawing does.
void BM_Pose(benchmark::State& state) {
    std::vector<ZeltoMaterial> materials = twoMaterials();
    bench::GridMesh mesh = bench::makeGridMesh(
        static_cast<size_t>(state.range(0)), materials,
        state.range(1) == 0 ? bench::MaterialLayout::Regions : bench::MaterialLayout::Interleaved);
    ZeltoModel model =
        ZeltoModel::modelWithName("grid", 59.5f, std::move(mesh.vertices), std::move(mesh.faces), {});
    std::vector<GLKMatrix4> bones(4, GLKMatrix4Identity);
    ModelPose pose(model, bones);
    float angle = 0;
    for (auto _ : state) {
        bones[1] = rotationAboutY(angle += 0.01f);
        if (state.range(2) == 0)
            model.resetupNormalsWithMatrix(bones);
        else
            pose.pose(model, bones);
        benchmark::ClobberMemory();
    }
    state.counters["vertices"] = static_cast<double>(model.vertices().size());
}

}  // namespace

BENCHMARK(BM_ModelCreation)->Args({1000000, 0})->Args({1000000, 1})->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pose)->ArgsProduct({{1000000}, {0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
