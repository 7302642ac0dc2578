#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "GLKMath.h"
#include "ModelPose.h"

class Metasequoia;
class ZeltoModel;

// Which pose one frame shows. The bone matrices are fetched once per frame from the
// scene, for the chosen animation (or none) at the frame counter, and serve every model;
// each model's own matrix is taken for the chosen animation at the counter, or for the
// empty name at frame 0 when no animation is chosen.
class FramePose {
public:
    FramePose(const Metasequoia& scene, std::optional<std::string_view> animationName,
              uint64_t animationTime);

    // None when the scene has no bone animations.
    const std::optional<std::vector<GLKMatrix4>>& boneList() const { return _bones; }
    std::span<const GLKMatrix4> bones() const;

    GLKMatrix4 modelMatrix(const ZeltoModel& model) const;
    // The model in the frame's pose, as a value of the caller's.
    ModelPose poseOf(const ZeltoModel& model) const { return ModelPose(model, bones()); }
    // Poses `pose`, made for the model, again for this frame.
    void poseModel(const ZeltoModel& model, ModelPose& pose) const { pose.pose(model, bones()); }
    // Where the frame's bones put one vertex.
    GLKVector3 posedPosition(const ZeltoVertex& vertex) const { return pose::posedPosition(vertex, bones()); }

private:
    std::optional<std::string> _name;
    uint64_t _time;
    std::optional<std::vector<GLKMatrix4>> _bones;
};
