#include "Framing.h"

#include <algorithm>
#include <cmath>

#include "Metasequoia.h"
#include "FramePose.h"
#include "SceneFigures.h"

namespace {

constexpr float kRadiansPerDegree = 3.14159265358979f / 180.0f;

// Where the scene's translation and turn (about x, then y, then z, as drawn) put a point.
GLKVector3 placedByScene(const Metasequoia& scene, GLKVector3 p) {
    GLKVector3 r = scene.rotate();
    auto turn = [](float degrees, float& a, float& b) {
        float c = std::cos(degrees * kRadiansPerDegree), s = std::sin(degrees * kRadiansPerDegree);
        float a2 = c * a - s * b, b2 = s * a + c * b;
        a = a2;
        b = b2;
    };
    // The rotation nearest the point acts first.
    turn(r.z, p.x, p.y);
    turn(r.y, p.z, p.x);
    turn(r.x, p.y, p.z);
    GLKVector3 t = scene.pos();
    return {p.x + t.x, p.y + t.y, p.z + t.z};
}

}  // namespace

float Framing::distance(float fieldOfView, float aspect) const {
    // The sphere fits the narrower of the two fields, with a small margin.
    float halfVertical = fieldOfView / 2 * kRadiansPerDegree;
    float halfHorizontal = std::atan(std::tan(halfVertical) * aspect);
    float half = std::min(halfVertical, halfHorizontal);
    return radius * 1.08f / std::sin(half);
}

std::optional<Framing> framingFor(Metasequoia& scene, const FramePose& pose) {
    std::optional<BoundingBox> bounds;
    for (ZeltoModel& model : scene.models()) {
        pose.poseModel(model);
        GLKMatrix4 matrix = pose.modelMatrix(model);
        for (const ZeltoVertex& vertex : model.vertices())
            BoundingBox::include(bounds, GLKMatrix4MultiplyPoint(matrix, vertex.affinePos));
    }
    if (!bounds) return std::nullopt;
    GLKVector3 size = bounds->size();
    float radius = std::sqrt(size.x * size.x + size.y * size.y + size.z * size.z) / 2;
    // A single point, or a model too large for floats, still gets a view.
    if (!(radius > 0) || !std::isfinite(radius)) radius = 1;
    return Framing{placedByScene(scene, bounds->centre()), radius};
}
