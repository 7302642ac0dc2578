#include "Framing.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "FramePose.h"
#include "Metasequoia.h"
#include "SceneFigures.h"

namespace {

// The window's projection: its vertical field, and the nearest and farthest it shows.
constexpr double kFieldOfView = 30, kNear = 10, kFar = 10000;
// How far a framed model's centre stands from the eye, in the fitted world: the default
// camera's distance, so the zoom keeps room both ways. Rounding the grid's spacing moves
// it by up to a factor of about 1.6.
constexpr double kFittedDistance = 1000;
// The focal length of the projection: a point at depth d and height y shows at f y / d.
const double kFocal = 1 / std::tan(kFieldOfView / 2 * M_PI / 180);

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
    Transform& translate(double x, double y, double z) {
        return then({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
    }
    Transform& translate(GLKVector3 t) { return translate(t.x, t.y, t.z); }
    Transform& scale(double x, double y, double z) { return then({x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1}); }
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
    std::array<double, 3> apply(const std::array<double, 3>& p) const {
        return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12], m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
                m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]};
    }
    std::array<double, 3> apply(GLKVector3 p) const { return apply(std::array<double, 3>{p.x, p.y, p.z}); }
};

// The camera's part of the modelview: its translation and turn, then the fit's scale
// about the fitted centre.
Transform viewTransform(const View& view) {
    Transform t;
    t.translate(view.camera.pos()).rotate(view.camera.rotate());
    if (view.fit) {
        const ViewFit& fit = *view.fit;
        t.scale(fit.scale, fit.scale, fit.scale).translate(-fit.centre.x, -fit.centre.y, -fit.centre.z);
    }
    return t;
}

// Each copy of each model the frame draws, as `visit(model, placement, turned)`: its place
// in the world (the scene's, the model's pose, a mirror), and whether the copy is mirrored
// across an odd number of axes, which turns its faces' corners the other way round.
template <typename Visit>
void forEachDrawnCopy(const Metasequoia& scene, const FramePose& pose, DisplayChoice display, const Transform& view,
                      Visit visit) {
    const std::vector<ObjectDisplay>& displays = scene.objectDisplays();
    const std::vector<ZeltoModel>& models = scene.models();
    Transform placed = view;
    placed.multiply(scene.sceneMatrix());
    for (size_t index = 0; index < models.size(); ++index) {
        ObjectDisplay shown = index < displays.size() ? displays[index] : ObjectDisplay{};
        if (display.hideInvisible && !shown.visible) continue;
        Transform model = placed;
        model.multiply(pose.modelMatrix(models[index]));
        for (int across = 0; across <= 7; ++across) {
            if (across != 0 && (!display.drawMirroredHalves || (across & shown.mirrorAxes) != across)) continue;
            Transform copy = model;
            copy.scale(across & 1 ? -1 : 1, across & 2 ? -1 : 1, across & 4 ? -1 : 1);
            visit(models[index], copy, std::popcount(static_cast<unsigned>(across)) % 2 == 1);
        }
    }
}

template <typename Visit>
void forEachDrawnPoint(const Metasequoia& scene, const FramePose& pose, DisplayChoice display, const Transform& view,
                       Visit visit) {
    forEachDrawnCopy(scene, pose, display, view, [&](const ZeltoModel& model, const Transform& placement, bool) {
        for (const ZeltoVertex& vertex : model.vertices()) visit(placement.apply(pose.posedPosition(vertex)));
    });
}

// 1, 2 or 5 times a power of ten, the nearest to `value` by ratio.
double roundSpacing(double value) {
    double decade = std::pow(10.0, std::floor(std::log10(value)));
    double best = decade;
    for (double step : {2.0, 5.0, 10.0})
        if (std::fabs(std::log(value / (decade * step))) < std::fabs(std::log(value / best))) best = decade * step;
    return best;
}

}  // namespace

bool ViewExtent::whole(double margin) const {
    double edge = 1 - 2 * margin;
    return allInFront && !empty() && left >= -edge && right <= edge && bottom >= -edge && top <= edge;
}

double ViewExtent::share() const {
    if (empty()) return 0;
    double across = (std::min(right, 1.0) - std::max(left, -1.0)) / 2;
    double up = (std::min(top, 1.0) - std::max(bottom, -1.0)) / 2;
    return std::max({across, up, 0.0});
}

ViewExtent extentInView(const Metasequoia& scene, const FramePose& pose, DisplayChoice display, const View& view,
                        float aspect) {
    ViewExtent extent;
    forEachDrawnPoint(scene, pose, display, viewTransform(view), [&](const std::array<double, 3>& eye) {
        double depth = -eye[2];
        if (!(depth >= kNear && depth <= kFar)) {
            extent.allInFront = false;
            return;
        }
        double x = kFocal / aspect * eye[0] / depth, y = kFocal * eye[1] / depth;
        extent.left = std::min(extent.left, x);
        extent.right = std::max(extent.right, x);
        extent.bottom = std::min(extent.bottom, y);
        extent.top = std::max(extent.top, y);
    });
    return extent;
}

std::optional<View> framedView(const Metasequoia& scene, const FramePose& pose, DisplayChoice display,
                               const Camera& turn, float aspect, double share) {
    std::optional<BoundingBox> bounds;
    forEachDrawnPoint(scene, pose, display, Transform(), [&](const std::array<double, 3>& p) {
        BoundingBox::include(bounds, {float(p[0]), float(p[1]), float(p[2])});
    });
    if (!bounds) return std::nullopt;
    GLKVector3 centre = bounds->centre();
    GLKVector3 size = bounds->size();
    double radius = std::sqrt(double(size.x) * size.x + double(size.y) * size.y + double(size.z) * size.z) / 2;
    // A single point, or a model too large for floats, still gets a view.
    if (!(radius > 0) || !std::isfinite(radius)) radius = 1;

    // Turned about the centre, a point q shows within the share of the view, seen from a
    // distance d with the eye moved across by (dx, dy), when |q.y + dy| <= k (d - q.z) with
    // k = share / f, and |q.x + dx| <= k aspect (d - q.z). Along each axis the least such d
    // and the dy that goes with it follow from two minima over the points: with
    // A = min(-k q.z - q.y) and B = min(-k q.z + q.y), d = -(A + B) / 2k and dy = (A - B) / 2,
    // which also centres what the view shows along that axis.
    Transform turned;
    turned.rotate(turn.rotate()).translate(-centre.x, -centre.y, -centre.z);
    const double ky = share / kFocal, kx = ky * aspect;
    double belowX = INFINITY, aboveX = INFINITY, belowY = INFINITY, aboveY = INFINITY, nearest = -INFINITY;
    forEachDrawnPoint(scene, pose, display, turned, [&](const std::array<double, 3>& q) {
        belowX = std::min(belowX, -kx * q[2] - q[0]);
        aboveX = std::min(aboveX, -kx * q[2] + q[0]);
        belowY = std::min(belowY, -ky * q[2] - q[1]);
        aboveY = std::min(aboveY, -ky * q[2] + q[1]);
        nearest = std::max(nearest, q[2]);
    });
    double distance = std::max(-(belowX + aboveX) / (2 * kx), -(belowY + aboveY) / (2 * ky));
    double acrossX = (belowX - aboveX) / 2, acrossY = (belowY - aboveY) / 2;
    // Never nearer than a little in front of the nearest point.
    distance = std::max(distance, nearest + 0.05 * radius);
    if (!(distance > 0) || !std::isfinite(distance)) distance = radius;
    if (!std::isfinite(acrossX) || !std::isfinite(acrossY)) acrossX = acrossY = 0;

    double spacing = roundSpacing(ViewFit::kGridSpacing * distance / kFittedDistance);
    ViewFit fit{static_cast<float>(ViewFit::kGridSpacing / spacing), centre};
    if (!(fit.scale > 0) || !std::isfinite(fit.scale)) fit.scale = 1;
    // In the fitted world: the eye stands at the scaled distance, the nearest point past
    // the nearest plane drawn.
    double fitted = std::max(fit.scale * distance, fit.scale * nearest + 2 * kNear);
    View view{turn, fit};
    view.camera.setOrigin({fit.scale * acrossX, fit.scale * acrossY - Camera::kDefaultPos.y});
    view.camera.setZoom(static_cast<float>(fitted + Camera::kDefaultPos.z));
    return view;
}

View openingView(const Metasequoia& scene, const FramePose& pose, DisplayChoice display, float aspect) {
    View standard;
    ViewExtent seen = extentInView(scene, pose, display, standard, aspect);
    if (seen.whole(kEdgeMargin) && seen.share() >= kShownShare) return standard;
    return framedView(scene, pose, display, standard.camera, aspect).value_or(standard);
}

bool allFacesPointAway(const Metasequoia& scene, const FramePose& pose, DisplayChoice display, const View& view,
                       float aspect) {
    bool faces = false, shows = false;
    std::array<std::array<double, 2>, 4> corners;
    forEachDrawnCopy(scene, pose, display, viewTransform(view),
                     [&](const ZeltoModel& model, const Transform& placement, bool turnedOver) {
        for (const ZeltoFace& face : model.faces()) {
            if (shows) return;
            if (face.count() < 3) continue;
            faces = true;
            bool inFront = true;
            for (int32_t i = 0; i < face.count(); ++i) {
                auto eye = placement.apply(pose.posedPosition(model.vertices()[face.corner(i).vertex]));
                double depth = -eye[2];
                inFront = inFront && depth >= kNear;
                corners[size_t(i)] = {kFocal / aspect * eye[0] / depth, kFocal * eye[1] / depth};
            }
            // A face reaching behind the camera may show; the frame draws the others only
            // where their corners run clockwise on screen (the other way round for a
            // mirrored copy).
            if (!inFront) {
                shows = true;
                return;
            }
            double area = 0;
            for (int32_t i = 0; i < face.count(); ++i) {
                const auto& a = corners[size_t(i)];
                const auto& b = corners[size_t((i + 1) % face.count())];
                area += a[0] * b[1] - b[0] * a[1];
            }
            shows = turnedOver ? area > 0 : area < 0;
        }
    });
    return faces && !shows;
}
