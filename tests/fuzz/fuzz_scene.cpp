// bytes -> scene: any input builds a scene or fails with an error, never a crash, and a
// built scene can be posed for any animation name and time. Lists read in halves give
// exactly what reading them in one go gives (the scene, or the error and its place).
// Compatibility reading takes any input too, and gives exactly the strict scene wherever
// strict reading succeeds.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "MQAReader.h"
#include "MQAUTF8.h"
#include "Metasequoia.h"
#include "SceneBuilder.h"
#include "SceneDump.h"

namespace {

void poseEveryWay(Metasequoia& scene) {
    std::vector<std::string> names = scene.animationNames();
    for (uint64_t time : {uint64_t{0}, uint64_t{7}, UINT64_MAX}) {
        std::optional<std::string_view> name;
        if (!names.empty()) name = names[time % names.size()];
        std::optional<std::vector<GLKMatrix4>> bones = scene.bonesForName(name, time);
        for (ZeltoModel& model : scene.models()) {
            model.resetupNormalsWithMatrix(bones ? std::span<const GLKMatrix4>(*bones)
                                                 : std::span<const GLKMatrix4>());
            (void)model.matrixForAnimationName(name.value_or(""), time);
        }
    }
}

// The scene's parts read with lists in halves from `halvesFrom` bytes on, or the error
// with its place.
std::string partsOutcome(std::string_view text, size_t halvesFrom) {
    try {
        scene::SceneBuilder builder(false);
        MQAReadOptions options;
        options.halvesFrom = halvesFrom;
        MQAReadResult read = mqa::readDocument(text, builder, options);
        scene::SceneParts parts = builder.build(nullptr);
        std::string out;
        for (const ZeltoModel& model : parts.models) {
            out += model.name() + "\n";
            for (const ZeltoVertex& v : model.vertices()) out += std::to_string(v.pos.x) + " " + std::to_string(v.bone) + "\n";
            for (const ZeltoFace& face : model.faces())
                for (int32_t k = 0; k < face.count(); ++k)
                    out += std::to_string(face.corner(k).vertex) + " " + std::to_string(face.corner(k).normal) + "\n";
        }
        for (const MQAWarning& w : read.warnings) out += std::to_string(w.line) + " " + w.message + "\n";
        return out;
    } catch (const std::exception& error) {
        std::optional<MQAPlace> place = placeOfError(error);
        return std::string("error ") + error.what() +
               (place ? " " + std::to_string(place->line) + ":" + std::to_string(place->column) : std::string());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!mqa::findInvalidUTF8(bytes) && partsOutcome(bytes, 0) != partsOutcome(bytes, SIZE_MAX)) std::abort();
    std::optional<std::string> strict;
    try {
        Metasequoia scene = Metasequoia::initWithData(bytes);
        strict = dumpScene(scene);
        poseEveryWay(scene);
    } catch (const std::exception&) {
    }
    try {
        Metasequoia scene = Metasequoia::initWithData(bytes, MQAReading::Compatible);
        std::string compatible = dumpScene(scene);
        // Compatible reading only adds warnings about texture paths to what strict gives.
        if (strict && compatible.compare(0, strict->size(), *strict) != 0) std::abort();
        poseEveryWay(scene);
    } catch (const std::exception&) {
        if (strict) std::abort();
    }
    return 0;
}
