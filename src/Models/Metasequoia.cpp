#include "Metasequoia.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>


Metasequoia::Metasequoia() {
    _materials.reserve(10);
    _models.reserve(10);
    _bones.reserve(10);
}

std::string Metasequoia::stringValue() const { return MQAFile().stringValue(); }

std::optional<std::string> Metasequoia::data() const { return stringValue(); }

GLKMatrix4 Metasequoia::sceneMatrix() const {
    // Column-major, in double precision until the end.
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, _pos.x, _pos.y, _pos.z, 1};
    const float degrees[3] = {_rotate.x, _rotate.y, _rotate.z};
    for (int axis = 0; axis < 3; ++axis) {
        const double radians = degrees[axis] * M_PI / 180, c = std::cos(radians), s = std::sin(radians);
        // Columns u and v, the two the turn mixes: u' = c u + s v, v' = c v - s u.
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (int row = 0; row < 3; ++row) {
            const double a = m[u * 4 + row], b = m[v * 4 + row];
            m[u * 4 + row] = c * a + s * b;
            m[v * 4 + row] = c * b - s * a;
        }
    }
    GLKMatrix4 matrix;
    for (size_t i = 0; i < 16; ++i) matrix.m[i] = static_cast<float>(m[i]);
    return matrix;
}

std::vector<std::string> Metasequoia::animationNames() const {
    std::vector<std::string> names;
    for (const ZeltoAnimation& animation : _bones) names.push_back(animation.name());
    for (const ZeltoModel& model : _models)
        for (const ZeltoAnimation& animation : model.animations()) names.push_back(animation.name());
    std::sort(names.begin(), names.end());  // byte order: capitals before small letters
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::optional<std::vector<GLKMatrix4>> Metasequoia::bonesForName(
    std::optional<std::string_view> name, uint64_t atTime) const {
    if (_bones.empty()) return std::nullopt;
    const ZeltoAnimation* chosen = &_bones.front();
    if (name)
        for (const ZeltoAnimation& animation : _bones)
            if (animation.name() == *name) {
                chosen = &animation;
                break;
            }
    const ZeltoAnimation::Tracks& tracks = chosen->tracks();
    uint64_t frames = chosen->frameCount();
    std::vector<GLKMatrix4> pose;
    pose.reserve(tracks.size());
    // Without frames there is no frame to show: every track rests at the identity.
    uint64_t frame = frames == 0 ? 0 : atTime % frames;
    for (const ZeltoAnimation::Frames& track : tracks)
        pose.push_back(frame < track.size() ? track[frame] : GLKMatrix4Identity);
    return pose;
}
