#include "FewCorners.h"

#include <array>
#include <utility>

namespace scene {
namespace {

bool before(PlanePoint a, PlanePoint b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }

// Whether point p, on the line through a and b, lies on the segment between them.
bool within(PlanePoint a, PlanePoint b, PlanePoint p) {
    if (before(b, a)) std::swap(a, b);
    return !before(p, a) && !before(b, p);
}

// Whether the segments a-b and c-d meet, at a point or more.
bool meet(PlanePoint a, PlanePoint b, PlanePoint c, PlanePoint d) {
    const int abc = turnSign(a, b, c), abd = turnSign(a, b, d), cda = turnSign(c, d, a), cdb = turnSign(c, d, b);
    if (abc * abd < 0 && cda * cdb < 0) return true;
    return (abc == 0 && within(a, b, c)) || (abd == 0 && within(a, b, d)) || (cda == 0 && within(c, d, a)) ||
           (cdb == 0 && within(c, d, b));
}

// Whether the polygon is simple: sides that follow one another meet only at their
// corner (the second does not turn straight back along the first), and no others meet.
bool isSimple(std::span<const PlanePoint> p) {
    const size_t n = p.size();
    for (size_t i = 0; i < n; ++i) {
        const PlanePoint a = p[i], b = p[(i + 1) % n], c = p[(i + 2) % n];
        const bool straightOn = (before(a, b) && before(b, c)) || (before(c, b) && before(b, a));
        if (turnSign(a, b, c) == 0 && !straightOn) return false;
        for (size_t j = i + 2; j < n; ++j)
            if ((j + 1) % n != i && meet(a, b, p[j], p[(j + 1) % n])) return false;
    }
    return true;
}

}  // namespace

bool triangulateFew(std::span<const PlanePoint> p, std::span<Triangle, kFewCorners> out) {
    const uint32_t n = static_cast<uint32_t>(p.size());
    if (n < 3 || n > kFewCorners || !isSimple(p)) return false;
    std::array<uint32_t, kFewCorners> prev, next;
    uint32_t low = 0;
    for (uint32_t i = 0; i < n; ++i) {
        prev[i] = i == 0 ? n - 1 : i - 1;
        next[i] = i + 1 == n ? 0 : i + 1;
        if (sweepsBefore(p[low], low, p[i], i)) low = i;
    }
    // A simple polygon turns its own way at its lowest corner.
    if (turnSign(p[prev[low]], p[low], p[next[low]]) <= 0) return false;
    // A corner whose triangle holds no other corner cuts off a part of the polygon; one
    // where the outline runs straight on cuts off nothing. A simple polygon always has one.
    auto cuttable = [&](uint32_t b) {
        const uint32_t a = prev[b], c = next[b];
        const int turn = turnSign(p[a], p[b], p[c]);
        if (turn <= 0) return turn == 0;
        for (uint32_t v = next[c]; v != a; v = next[v])
            if (turnSign(p[a], p[b], p[v]) >= 0 && turnSign(p[b], p[c], p[v]) >= 0 && turnSign(p[c], p[a], p[v]) >= 0)
                return false;
        return true;
    };
    size_t made = 0;
    uint32_t at = 0;
    for (uint32_t left = n; left > 3; --left) {
        uint32_t looked = 0;
        while (!cuttable(at)) {
            at = next[at];
            if (++looked == left) return false;
        }
        out[made++] = {prev[at], at, next[at]};
        next[prev[at]] = next[at];
        prev[next[at]] = prev[at];
        at = next[at];
    }
    out[made] = {prev[at], at, next[at]};
    return turnSign(p[prev[at]], p[at], p[next[at]]) >= 0;
}

}  // namespace scene
