// bytes -> scene: any input builds a scene or fails with an error, never a crash; a
// built scene can be posed for any animation name and time. Reading the lists straight
// into the models gives exactly what reading the whole tree first gives (the scene, or
// the error and its place). Compatibility reading takes any input too, and gives
// exactly the strict scene wherever strict reading succeeds.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "MQAUTF8.h"
#include "Metasequoia.h"
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

// The scene, or the error with its place.
template <typename Read>
std::string outcomeOf(Read&& read) {
    try {
        return dumpScene(read());
    } catch (const std::exception& error) {
        std::optional<MQAPlace> place = placeOfError(error);
        return std::string("error ") + error.what() +
               (place ? " " + std::to_string(place->line) + ":" + std::to_string(place->column) : std::string());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!mqa::findInvalidUTF8(bytes)) {
        std::string direct = outcomeOf([&] { return Metasequoia::initWithString(std::string(bytes)); });
        std::string tree = outcomeOf([&] { return Metasequoia::initWithStringReadingWholeTree(std::string(bytes)); });
        if (direct != tree) std::abort();
    }
    std::optional<std::string> strict;
    try {
        Metasequoia scene = Metasequoia::initWithData(std::string(bytes));
        strict = dumpScene(scene);
        poseEveryWay(scene);
    } catch (const std::exception&) {
    }
    try {
        Metasequoia scene = Metasequoia::initWithData(std::move(bytes), MQAReading::Compatible);
        std::string compatible = dumpScene(scene);
        // Compatible reading only adds warnings about texture paths to what strict gives.
        if (strict && compatible.compare(0, strict->size(), *strict) != 0) std::abort();
        poseEveryWay(scene);
    } catch (const std::exception&) {
        if (strict) std::abort();
    }
    return 0;
}
