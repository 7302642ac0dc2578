#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "GLKMath.h"

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
    // Poses the model's vertices by the frame's bones and refreshes its normals.
    void poseModel(ZeltoModel& model) const;

private:
    std::optional<std::string> _name;
    uint64_t _time;
    std::optional<std::vector<GLKMatrix4>> _bones;
};
