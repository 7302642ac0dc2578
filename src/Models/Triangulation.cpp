#include "Triangulation.h"

#include <array>
#include <cmath>
#include <optional>

#include "EarClipping.h"
#include "FewCorners.h"
#include "MonotonePieces.h"

namespace scene {
namespace {

// The plane a polygon is seen in: along the largest axis of its Newell normal, with the
// two other axes taken in the order that makes the polygon run anticlockwise.
struct Plane {
    int axis;
    bool swapped;
};

// Nothing when the polygon has no area in any plane (or a coordinate that is not a number).
std::optional<Plane> planeOf(std::span<const GLKVector3> corners, CancelCheck& cancel) {
    const size_t n = corners.size();
    double normal[3] = {0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        cancel.add();
        const GLKVector3& a = corners[i];
        const GLKVector3& b = corners[(i + 1) % n];
        normal[0] += (double(a.y) - b.y) * (double(a.z) + b.z);
        normal[1] += (double(a.z) - b.z) * (double(a.x) + b.x);
        normal[2] += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(normal[k]) > std::fabs(normal[axis])) axis = k;
    if (!(std::fabs(normal[axis]) > 0)) return std::nullopt;
    return Plane{axis, normal[axis] < 0};
}

// The corners in that plane; false when a coordinate there is not a finite number.
bool project(std::span<const GLKVector3> corners, Plane plane, std::span<PlanePoint> points, CancelCheck& cancel) {
    for (size_t i = 0; i < corners.size(); ++i) {
        cancel.add();
        const double c[3] = {corners[i].x, corners[i].y, corners[i].z};
        const double u = c[(plane.axis + 1) % 3], v = c[(plane.axis + 2) % 3];
        if (!std::isfinite(u) || !std::isfinite(v)) return false;
        points[i] = plane.swapped ? PlanePoint{v, u} : PlanePoint{u, v};
    }
    return true;
}

// Cuts off, as triangles of no area, the corners where the outline runs straight on or
// turns straight back (a corner repeated next to itself among them): what is left covers
// what the polygon did, with no two neighbours equal and no corner on the line through
// its neighbours. Gives the corners left, in order.
std::vector<uint32_t> cutStraightCorners(std::span<const PlanePoint> points, std::vector<Triangle>& out,
                                         CancelCheck& cancel) {
    const uint32_t n = static_cast<uint32_t>(points.size());
    std::vector<uint32_t> prev(n), next(n), unchecked(n);
    for (uint32_t i = 0; i < n; ++i) {
        prev[i] = i == 0 ? n - 1 : i - 1;
        next[i] = i + 1 == n ? 0 : i + 1;
        unchecked[i] = n - 1 - i;
        cancel.add();
    }
    std::vector<uint8_t> cut(n, 0);
    uint32_t left = n;
    while (!unchecked.empty() && left > 3) {
        const uint32_t i = unchecked.back();
        unchecked.pop_back();
        cancel.add();
        if (cut[i] || turnSign(points[prev[i]], points[i], points[next[i]]) != 0) continue;
        out.push_back({prev[i], i, next[i]});
        cut[i] = 1;
        next[prev[i]] = next[i];
        prev[next[i]] = prev[i];
        --left;
        unchecked.push_back(prev[i]);
        unchecked.push_back(next[i]);
    }
    std::vector<uint32_t> kept;
    kept.reserve(left);
    for (uint32_t i = 0; i < n; ++i)
        if (!cut[i]) kept.push_back(i);
    cancel.add(n);
    return kept;
}

// Whether the polygon turns anticlockwise at its lowest corner, as a simple polygon
// running anticlockwise does at every corner of its hull.
bool runsAnticlockwise(std::span<const PlanePoint> points, CancelCheck& cancel) {
    const uint32_t n = static_cast<uint32_t>(points.size());
    uint32_t low = 0;
    for (uint32_t i = 1; i < n; ++i)
        if (sweepsBefore(points[low], low, points[i], i)) low = i;
    cancel.add(n);
    return turnSign(points[(low + n - 1) % n], points[low], points[(low + 1) % n]) > 0;
}

// Whether the triangles of a polygon cut along diagonals cover it exactly. Whatever
// their shapes they add up to the polygon; when none turns the wrong way, they cover
// each point as often as the outline winds round it, which for a simple polygon is once
// inside and never outside.
bool coverExactly(std::span<const PlanePoint> points, const std::vector<Triangle>& triangles, CancelCheck& cancel) {
    if (triangles.size() + 2 != points.size()) return false;
    for (const Triangle& t : triangles) {
        if (turnSign(points[t[0]], points[t[1]], points[t[2]]) < 0) return false;
        cancel.add();
    }
    return true;
}

// Whether the outline turns round once, as that of a simple polygon does: one that
// crosses itself so as to wind twice round some part of it has no negative triangles
// to show for it.
bool turnsOnce(std::span<const PlanePoint> points, CancelCheck& cancel) {
    const size_t n = points.size();
    double turned = 0;
    for (size_t i = 0; i < n; ++i) {
        const PlanePoint a = points[(i + n - 1) % n], b = points[i], c = points[(i + 1) % n];
        const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
        turned += std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
        cancel.add(4);
    }
    return std::fabs(turned - 2 * M_PI) < M_PI;
}

}  // namespace

uint8_t innerSides(const Triangle& triangle, uint32_t count) {
    uint8_t inner = 0;
    for (int k = 0; k < 3; ++k) {
        uint32_t from = triangle[static_cast<size_t>(k)], to = triangle[static_cast<size_t>((k + 1) % 3)];
        if (to != (from + 1) % count) inner |= static_cast<uint8_t>(1u << k);
    }
    return inner;
}

PolygonSplit triangulate(std::span<const GLKVector3> corners) {
    CancelCheck never;
    return triangulate(corners, never);
}

PolygonSplit triangulate(std::span<const GLKVector3> corners, CancelCheck& cancel) {
    const uint32_t n = static_cast<uint32_t>(corners.size());
    PolygonSplit split;
    if (n < 3) return split;
    split.triangles.reserve(n - 2);
    const std::optional<Plane> plane = planeOf(corners, cancel);
    if (n <= kFewCorners && plane) {
        std::array<PlanePoint, kFewCorners> points;
        std::array<Triangle, kFewCorners> triangles;
        if (project(corners, *plane, points, cancel) && triangulateFew(std::span(points).first(n), triangles)) {
            split.triangles.assign(triangles.begin(), triangles.begin() + (n - 2));
            return split;
        }
    }
    std::vector<PlanePoint> points(n);
    if (!plane || !project(corners, *plane, points, cancel)) {  // nothing to keep: a fan
        for (uint32_t i = 1; i + 1 < n; ++i) split.triangles.push_back({0, i, i + 1});
        split.exact = false;
        return split;
    }
    const std::vector<uint32_t> kept = cutStraightCorners(points, split.triangles, cancel);
    std::vector<PlanePoint> rest(kept.size());
    for (size_t k = 0; k < kept.size(); ++k) {
        rest[k] = points[kept[k]];
        cancel.add();
    }
    points = {};
    std::optional<std::vector<Triangle>> pieces;
    if (runsAnticlockwise(rest, cancel)) pieces = triangulateMonotonePieces(rest, cancel);
    const bool covered = pieces && coverExactly(rest, *pieces, cancel);
    if (!covered) pieces = clipEars(rest, cancel);
    split.exact = covered && turnsOnce(rest, cancel);
    for (const Triangle& t : *pieces) {
        split.triangles.push_back({kept[t[0]], kept[t[1]], kept[t[2]]});
        cancel.add();
    }
    return split;
}

}  // namespace scene
