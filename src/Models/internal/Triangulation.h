#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "CancelCheck.h"
#include "GLKMath.h"
#include "PlaneGeometry.h"

namespace scene {

struct PolygonSplit {
    std::vector<Triangle> triangles;
    // False when the polygon is not simple in its plane (it crosses or touches itself, or
    // has no area): its triangles then only approximate it.
    bool exact = true;
};

// Splits a polygon, its corners in order, into n - 2 triangles of corner indices, wound
// as the polygon is, in the plane it faces (its Newell normal). A simple polygon, of
// any shape and size, is covered exactly: its triangles turn its way and do not
// overlap. Corners on a line, a corner repeated next to itself and sides at one height
// are fine. Takes O(n log n) time, and notes its work with `cancel`.
PolygonSplit triangulate(std::span<const GLKVector3> corners, CancelCheck& cancel);
PolygonSplit triangulate(std::span<const GLKVector3> corners);

// Bit k set when the side from corner k of the triangle to the next is not one of the
// polygon's own edges (of `count` corners).
uint8_t innerSides(const Triangle& triangle, uint32_t count);

}  // namespace scene
