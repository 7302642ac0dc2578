#include "EarClipping.h"

#include <algorithm>
#include <cmath>

namespace scene {
namespace {

using Point = PlanePoint;

// Twice the signed area of a, b, c: positive when they turn anticlockwise.
double turn(Point a, Point b, Point c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

bool inTriangle(Point p, Point a, Point b, Point c) {
    return turn(a, b, p) >= 0 && turn(b, c, p) >= 0 && turn(c, a, p) >= 0;
}

// The corners that are reflex (turning clockwise), in a grid over the polygon's box:
// only they can lie inside an ear.
class ReflexGrid {
public:
    ReflexGrid(std::span<const Point> points) : _points(points) {
        _low = _high = points[0];
        for (Point p : points) {
            _low = {std::min(_low.x, p.x), std::min(_low.y, p.y)};
            _high = {std::max(_high.x, p.x), std::max(_high.y, p.y)};
        }
        _side = std::max<size_t>(1, static_cast<size_t>(std::sqrt(static_cast<double>(points.size()))));
        _cells.resize(_side * _side);
    }
    void add(uint32_t i) { _cells[cellOf(_points[i])].push_back(i); }
    // Cells visited and corners looked at so far: what bounds the time spent.
    size_t work() const { return _work; }
    // Whether a reflex corner other than the triangle's own lies in triangle a, b, c.
    // Corners no longer reflex (or cut off) leave their cells as they are met.
    template <typename IsReflex>
    bool anyInside(uint32_t a, uint32_t b, uint32_t c, IsReflex&& isReflex) {
        Point pa = _points[a], pb = _points[b], pc = _points[c];
        auto stale = [&](uint32_t i) { return !isReflex(i); };
        auto inside = [&](uint32_t i) {
            Point p = _points[i];
            bool corner = (p.x == pa.x && p.y == pa.y) || (p.x == pb.x && p.y == pb.y) ||
                          (p.x == pc.x && p.y == pc.y);
            return i != a && i != b && i != c && !corner && inTriangle(p, pa, pb, pc);
        };
        // Row by row, the cells the triangle crosses.
        size_t y0 = row(std::min({pa.y, pb.y, pc.y})), y1 = row(std::max({pa.y, pb.y, pc.y}));
        for (size_t y = y0; y <= y1; ++y) {
            auto [x0, x1] = span(y, pa, pb, pc);
            for (size_t x = x0; x <= x1; ++x) {
                std::vector<uint32_t>& cell = _cells[y * _side + x];
                _work += cell.size() + 1;
                std::erase_if(cell, stale);
                if (std::ranges::any_of(cell, inside)) return true;
            }
            ++_work;
        }
        return false;
    }

private:
    size_t index(double value, double low, double high) const {
        double at = (value - low) / (high - low) * static_cast<double>(_side);
        return high > low && at >= 0 ? static_cast<size_t>(std::min(at, static_cast<double>(_side - 1))) : 0;
    }
    size_t column(double x) const { return index(x, _low.x, _high.x); }
    size_t row(double y) const { return index(y, _low.y, _high.y); }
    size_t cellOf(Point p) const { return row(p.y) * _side + column(p.x); }
    // The columns of row y that triangle a, b, c crosses: where its sides cross the row's
    // band, both widened a little against rounding. A long thin triangle across the grid
    // crosses far fewer cells than its box holds.
    std::pair<size_t, size_t> span(size_t y, Point a, Point b, Point c) const {
        double height = (_high.y - _low.y) / static_cast<double>(_side);
        double bottom = _low.y + (static_cast<double>(y) - 0.01) * height;
        double top = _low.y + (static_cast<double>(y) + 1.01) * height, left = INFINITY, right = -INFINITY;
        for (auto [p, q] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, a}}) {
            if (p.y > q.y) std::swap(p, q);
            if (q.y < bottom || p.y > top) continue;
            bool level = !(q.y > p.y);  // a level side lies wholly in the band
            for (double t : {level ? 0 : (std::max(p.y, bottom) - p.y) / (q.y - p.y),
                             level ? 1 : (std::min(q.y, top) - p.y) / (q.y - p.y)}) {
                left = std::min(left, p.x + (q.x - p.x) * t);
                right = std::max(right, p.x + (q.x - p.x) * t);
            }
        }
        if (!(left <= right)) return {1, 0};  // none
        const double margin = (_high.x - _low.x) * 1e-9;
        return {column(left - margin), column(right + margin)};
    }

    std::span<const Point> _points;
    Point _low, _high;
    size_t _side;
    std::vector<std::vector<uint32_t>> _cells;
    size_t _work = 0;
};

}  // namespace

std::vector<Triangle> clipEars(std::span<const PlanePoint> points, CancelCheck& cancel) {
    const uint32_t n = static_cast<uint32_t>(points.size());
    std::vector<Triangle> triangles;
    triangles.reserve(n - 2);
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
    // Past this much looking for ears, the rest goes as a fan: a polygon that crosses itself
    // many times could take quadratic time, and one of long spikes (a star of hundreds of
    // thousands of points) more than n log n, as its ears cross many cells.
    const double budget = 8.0 * n * (std::log2(double(n)) + 1) + 4096;
    double looks = 0;
    uint32_t left = n, at = 0, stop = 0;
    bool forced = false;
    size_t counted = 0;  // the grid's work noted so far
    while (left > 3) {
        cancel.add(1 + grid.work() - counted);
        counted = grid.work();
        if (++looks + static_cast<double>(grid.work()) > budget) {
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
            at = next[q];  // not q: testing p again would grow a fan of ever longer slivers from it
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
