#include "Triangulation.h"

#include <algorithm>
#include <cmath>

namespace scene {
namespace {

struct Point {
    double x, y;
};

// Twice the signed area of a, b, c: positive when they turn anticlockwise.
double turn(Point a, Point b, Point c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

bool inTriangle(Point p, Point a, Point b, Point c) {
    return turn(a, b, p) >= 0 && turn(b, c, p) >= 0 && turn(c, a, p) >= 0;
}

// The corners that are reflex (turning clockwise), in a grid over the polygon's box:
// only they can lie inside an ear.
class ReflexGrid {
public:
    ReflexGrid(const std::vector<Point>& points) : _points(points) {
        _low = _high = points[0];
        for (Point p : points) {
            _low = {std::min(_low.x, p.x), std::min(_low.y, p.y)};
            _high = {std::max(_high.x, p.x), std::max(_high.y, p.y)};
        }
        _side = std::max<size_t>(1, static_cast<size_t>(std::sqrt(static_cast<double>(points.size()))));
        _cells.resize(_side * _side);
    }
    void add(uint32_t i) { _cells[cellOf(_points[i])].push_back(i); }
    // Whether a reflex corner other than the triangle's own lies in triangle a, b, c.
    template <typename IsReflex>
    bool anyInside(uint32_t a, uint32_t b, uint32_t c, IsReflex&& isReflex) {
        Point pa = _points[a], pb = _points[b], pc = _points[c];
        size_t x0 = column(std::min({pa.x, pb.x, pc.x})), x1 = column(std::max({pa.x, pb.x, pc.x}));
        size_t y0 = row(std::min({pa.y, pb.y, pc.y})), y1 = row(std::max({pa.y, pb.y, pc.y}));
        for (size_t y = y0; y <= y1; ++y)
            for (size_t x = x0; x <= x1; ++x) {
                std::vector<uint32_t>& cell = _cells[y * _side + x];
                // Corners no longer reflex (or cut off) leave as they are met.
                std::erase_if(cell, [&](uint32_t i) { return !isReflex(i); });
                for (uint32_t i : cell) {
                    if (i == a || i == b || i == c) continue;
                    Point p = _points[i];
                    bool corner = (p.x == pa.x && p.y == pa.y) || (p.x == pb.x && p.y == pb.y) ||
                                  (p.x == pc.x && p.y == pc.y);
                    if (!corner && inTriangle(p, pa, pb, pc)) return true;
                }
            }
        return false;
    }

private:
    size_t index(double value, double low, double high) const {
        if (!(high > low)) return 0;
        double at = (value - low) / (high - low) * static_cast<double>(_side);
        return std::min(_side - 1, static_cast<size_t>(std::max(0.0, at)));
    }
    size_t column(double x) const { return index(x, _low.x, _high.x); }
    size_t row(double y) const { return index(y, _low.y, _high.y); }
    size_t cellOf(Point p) const { return row(p.y) * _side + column(p.x); }

    const std::vector<Point>& _points;
    Point _low, _high;
    size_t _side;
    std::vector<std::vector<uint32_t>> _cells;
};

}  // namespace

uint8_t innerSides(const std::array<uint32_t, 3>& triangle, uint32_t count) {
    uint8_t inner = 0;
    for (int k = 0; k < 3; ++k) {
        uint32_t from = triangle[static_cast<size_t>(k)], to = triangle[static_cast<size_t>((k + 1) % 3)];
        if (to != (from + 1) % count) inner |= static_cast<uint8_t>(1u << k);
    }
    return inner;
}

std::vector<std::array<uint32_t, 3>> triangulate(std::span<const GLKVector3> corners) {
    const uint32_t n = static_cast<uint32_t>(corners.size());
    std::vector<std::array<uint32_t, 3>> triangles;
    if (n < 3) return triangles;
    triangles.reserve(n - 2);
    // The polygon's Newell normal: the plane it faces, and which way round it runs.
    double normal[3] = {0, 0, 0};
    for (uint32_t i = 0; i < n; ++i) {
        const GLKVector3& a = corners[i];
        const GLKVector3& b = corners[(i + 1) % n];
        normal[0] += (double(a.y) - b.y) * (double(a.z) + b.z);
        normal[1] += (double(a.z) - b.z) * (double(a.x) + b.x);
        normal[2] += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(normal[k]) > std::fabs(normal[axis])) axis = k;
    auto fan = [&](uint32_t from) {
        for (uint32_t i = from + 1; i + 1 < n; ++i) triangles.push_back({0, i, i + 1});
    };
    if (!(std::fabs(normal[axis]) > 0)) {  // no area to keep (or not a number)
        fan(0);
        return triangles;
    }
    // Looked at along that axis, with the polygon running anticlockwise.
    std::vector<Point> points(n);
    for (uint32_t i = 0; i < n; ++i) {
        double c[3] = {corners[i].x, corners[i].y, corners[i].z};
        double u = c[(axis + 1) % 3], v = c[(axis + 2) % 3];
        points[i] = normal[axis] > 0 ? Point{u, v} : Point{v, u};
    }
    std::vector<uint32_t> prev(n), next(n);
    for (uint32_t i = 0; i < n; ++i) {
        prev[i] = (i + n - 1) % n;
        next[i] = (i + 1) % n;
    }
    std::vector<uint8_t> cut(n, 0);
    auto isReflex = [&](uint32_t i) { return !cut[i] && turn(points[prev[i]], points[i], points[next[i]]) < 0; };
    ReflexGrid grid(points);
    for (uint32_t i = 0; i < n; ++i)
        if (isReflex(i)) grid.add(i);
    auto isEar = [&](uint32_t i) {
        double t = turn(points[prev[i]], points[i], points[next[i]]);
        if (t < 0) return false;
        return t == 0 || !grid.anyInside(prev[i], i, next[i], isReflex);
    };
    // Past this many looks for ears, which a polygon that crosses itself many times could
    // take, the rest goes as a fan.
    const double budget = 64.0 * n * (std::log2(double(n)) + 1) + 1024;
    double looks = 0;
    uint32_t left = n, at = 0, stop = 0;
    bool forced = false;
    while (left > 3) {
        if (++looks > budget) {
            for (uint32_t i = next[at]; next[i] != at; i = next[i]) triangles.push_back({at, i, next[i]});
            return triangles;
        }
        if (forced || isEar(at)) {
            uint32_t p = prev[at], q = next[at];
            bool wasReflex[2] = {isReflex(p), isReflex(q)};
            triangles.push_back({p, at, q});
            cut[at] = 1;
            next[p] = q;
            prev[q] = p;
            --left;
            // A corner cut anyway may leave a neighbour reflex that was not: it joins the grid.
            if (!wasReflex[0] && isReflex(p)) grid.add(p);
            if (!wasReflex[1] && isReflex(q)) grid.add(q);
            at = q;
            stop = at;
            forced = false;
            continue;
        }
        at = next[at];
        if (at == stop) forced = true;  // once round without an ear: cut this corner anyway
    }
    triangles.push_back({prev[at], at, next[at]});
    return triangles;
}

}  // namespace scene
