#include "Framing.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Metasequoia.h"
#include "FramePose.h"
#include "SceneFigures.h"

namespace {

constexpr float kRadiansPerDegree = 3.14159265358979f / 180.0f;
// The window's projection: its vertical field, and the nearest and farthest it shows.
constexpr double kFieldOfView = 30, kNear = 10, kFar = 10000;
// A fitted model's sphere has this radius in the fitted world: at the default camera's
// distance it takes about half the view's height.
constexpr double kFittedRadius = 125;
// Less of the view's height than this, and the default camera does not show the model.
constexpr double kSeenHeight = 0.05;

// A column-major matrix in double precision, built as OpenGL builds the modelview.
struct Transform {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    Transform& then(const std::array<double, 16>& b) {  // this · b
        std::array<double, 16> r{};
        for (int c = 0; c < 4; ++c)
            for (int row = 0; row < 4; ++row)
                for (int k = 0; k < 4; ++k) r[c * 4 + row] += m[k * 4 + row] * b[c * 4 + k];
        m = r;
        return *this;
    }
    Transform& translate(GLKVector3 t) { return then({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, t.x, t.y, t.z, 1}); }
    Transform& scale(double s) { return then({s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, 0, 0, 0, 1}); }
    // glRotatef(x), glRotatef(y), glRotatef(z) in that order.
    Transform& rotate(GLKVector3 degrees) {
        double ax = degrees.x * M_PI / 180, ay = degrees.y * M_PI / 180, az = degrees.z * M_PI / 180;
        double cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
        double cz = std::cos(az), sz = std::sin(az);
        then({1, 0, 0, 0, 0, cx, sx, 0, 0, -sx, cx, 0, 0, 0, 0, 1});
        then({cy, 0, -sy, 0, 0, 1, 0, 0, sy, 0, cy, 0, 0, 0, 0, 1});
        return then({cz, sz, 0, 0, -sz, cz, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    }
    Transform& multiply(const GLKMatrix4& matrix) {
        std::array<double, 16> b;
        std::copy(matrix.m.begin(), matrix.m.end(), b.begin());
        return then(b);
    }
    std::array<double, 3> apply(GLKVector3 p) const {
        return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
    }
};

// 1, 2 or 5 times a power of ten, the nearest to `value` by ratio.
double roundSpacing(double value) {
    double decade = std::pow(10.0, std::floor(std::log10(value)));
    double best = decade;
    for (double step : {2.0, 5.0, 10.0})
        if (std::fabs(std::log(value / (decade * step))) < std::fabs(std::log(value / best))) best = decade * step;
    return best;
}

}  // namespace

float Framing::distance(float fieldOfView, float aspect) const {
    // The sphere fits the narrower of the two fields, with a small margin.
    float halfVertical = fieldOfView / 2 * kRadiansPerDegree;
    float halfHorizontal = std::atan(std::tan(halfVertical) * aspect);
    float half = std::min(halfVertical, halfHorizontal);
    return radius * 1.08f / std::sin(half);
}

std::optional<Framing> framingFor(const Metasequoia& scene, const FramePose& pose) {
    std::optional<BoundingBox> bounds;
    for (const ZeltoModel& model : scene.models()) {
        GLKMatrix4 matrix = pose.modelMatrix(model);
        for (const ZeltoVertex& vertex : model.vertices())
            BoundingBox::include(bounds, GLKMatrix4MultiplyPoint(matrix, pose.posedPosition(vertex)));
    }
    if (!bounds) return std::nullopt;
    GLKVector3 size = bounds->size();
    float radius = std::sqrt(size.x * size.x + size.y * size.y + size.z * size.z) / 2;
    // A single point, or a model too large for floats, still gets a view.
    if (!(radius > 0) || !std::isfinite(radius)) radius = 1;
    return Framing{GLKMatrix4MultiplyPoint(scene.sceneMatrix(), bounds->centre()), radius};
}

float heightInView(const Metasequoia& scene, const FramePose& pose, const Camera& camera, float aspect,
                   const std::optional<ViewFit>& fit) {
    Transform view;
    view.translate(camera.pos()).rotate(camera.rotate());
    if (fit) view.scale(fit->scale).translate({-fit->centre.x, -fit->centre.y, -fit->centre.z});
    view.multiply(scene.sceneMatrix());
    const double f = 1 / std::tan(kFieldOfView / 2 * M_PI / 180);
    double low = INFINITY, high = -INFINITY, left = INFINITY, right = -INFINITY;
    for (const ZeltoModel& model : scene.models()) {
        Transform eye = view;
        eye.multiply(pose.modelMatrix(model));
        for (const ZeltoVertex& vertex : model.vertices()) {
            auto [x, y, z] = eye.apply(pose.posedPosition(vertex));
            double depth = -z;
            if (!(depth >= kNear && depth <= kFar)) continue;  // behind, too near or too far
            double ndcY = f * y / depth, ndcX = f / aspect * x / depth;
            low = std::min(low, ndcY);
            high = std::max(high, ndcY);
            left = std::min(left, ndcX);
            right = std::max(right, ndcX);
        }
    }
    if (!(low <= 1 && high >= -1 && left <= 1 && right >= -1)) return 0;  // none in view
    return static_cast<float>((std::min(high, 1.0) - std::max(low, -1.0)) / 2);
}

std::optional<ViewFit> fitFor(const Metasequoia& scene, const FramePose& pose) {
    std::optional<Framing> sphere = framingFor(scene, pose);
    if (!sphere) return std::nullopt;
    double spacing = roundSpacing(ViewFit::kGridSpacing * sphere->radius / kFittedRadius);
    ViewFit fit{static_cast<float>(ViewFit::kGridSpacing / spacing), sphere->centre};
    if (!(fit.scale > 0) || !std::isfinite(fit.scale)) fit.scale = 1;
    return fit;
}

std::optional<ViewFit> fitWhenUnseen(const Metasequoia& scene, const FramePose& pose, float aspect) {
    if (heightInView(scene, pose, Camera(), aspect) >= kSeenHeight) return std::nullopt;
    return fitFor(scene, pose);
}

Camera fittedCamera(const Camera& turn) {
    Camera camera = turn;
    camera.setZoom(0);
    camera.setOrigin({0, -Camera::kDefaultPos.y});
    return camera;
}
