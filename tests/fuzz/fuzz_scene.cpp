// bytes -> scene: any input builds a scene or fails with an error, never a crash; a
// built scene can be posed for any animation name and time.

#include <cstdint>
#include <string>

#include "Metasequoia.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        Metasequoia scene =
            Metasequoia::initWithData(std::string(reinterpret_cast<const char*>(data), size));
        std::vector<std::string> names = scene.animationNames();
        for (uint64_t time : {uint64_t{0}, uint64_t{7}, UINT64_MAX}) {
            std::optional<std::string_view> name;
            if (!names.empty()) name = names[time % names.size()];
            std::optional<std::vector<GLKMatrix4>> pose = scene.bonesForName(name, time);
            for (ZeltoModel& model : scene.models()) {
                model.resetupNormalsWithMatrix(pose ? std::span<const GLKMatrix4>(*pose)
                                                    : std::span<const GLKMatrix4>());
                (void)model.matrixForAnimationName(name.value_or(""), time);
            }
        }
    } catch (const std::exception&) {
    }
    return 0;
}
