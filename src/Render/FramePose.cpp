#include "FramePose.h"

#include "Metasequoia.h"

FramePose::FramePose(const Metasequoia& scene, std::optional<std::string_view> animationName,
                     uint64_t animationTime)
    : _time(animationTime), _bones(scene.bonesForName(animationName, animationTime)) {
    if (animationName) _name.emplace(*animationName);
}

std::span<const GLKMatrix4> FramePose::bones() const {
    if (!_bones) return {};
    return *_bones;
}

GLKMatrix4 FramePose::modelMatrix(const ZeltoModel& model) const {
    if (_name) return model.matrixForAnimationName(*_name, _time);
    return model.matrixForAnimationName("", 0);
}
