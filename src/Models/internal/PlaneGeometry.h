#pragma once

// Points of a polygon seen in its own plane, and the one test the splitting of polygons
// decides everything by: which way three points turn, answered exactly.

#include <array>
#include <cstdint>

namespace scene {

// A triangle as three corners of a polygon, by index.
using Triangle = std::array<uint32_t, 3>;

// Coordinates are the float coordinates of the corners, held as doubles.
struct PlanePoint {
    double x, y;
};

// +1 when a, b, c turn anticlockwise, -1 when clockwise, 0 when they lie on one line.
// Exact for points whose coordinates are finite floats: nearly collinear corners are
// never taken for turning the wrong way.
int turnSign(PlanePoint a, PlanePoint b, PlanePoint c);

// Whether corner i lies above corner j in the sweep's order: higher y first, then lower
// x, then lower index, so that no two corners tie.
inline bool sweepsBefore(PlanePoint a, uint32_t i, PlanePoint b, uint32_t j) {
    if (a.y != b.y) return a.y > b.y;
    if (a.x != b.x) return a.x < b.x;
    return i < j;
}

}  // namespace scene
