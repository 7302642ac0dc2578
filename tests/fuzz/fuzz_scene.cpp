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

void poseEveryWay(const Metasequoia& scene) {
    std::vector<std::string> names = scene.animationNames();
    std::vector<ModelPose> poses;
    for (uint64_t time : {uint64_t{0}, uint64_t{7}, UINT64_MAX}) {
        std::optional<std::string_view> name;
        if (!names.empty()) name = names[time % names.size()];
        std::optional<std::vector<GLKMatrix4>> bones = scene.bonesForName(name, time);
        std::span<const GLKMatrix4> matrices = bones ? std::span<const GLKMatrix4>(*bones) : std::span<const GLKMatrix4>();
        for (size_t i = 0; i < scene.models().size(); ++i) {
            const ZeltoModel& model = scene.models()[i];
            if (poses.size() == i)
                poses.emplace_back(model, matrices);
            else
                poses[i].pose(model, matrices);
            (void)model.matrixForAnimationName(name.value_or(""), time);
        }
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
