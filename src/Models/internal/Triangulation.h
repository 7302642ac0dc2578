#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "GLKMath.h"

namespace scene {

// Splits a polygon, its corners in order, into triangles that cover exactly it: n - 2
// triangles of corner positions, wound as the polygon is. Concave polygons are cut by
// their ears, in the plane the polygon faces (its Newell normal), with the corners that
// could spoil an ear kept in a grid so that long polygons stay fast. Collinear corners
// give triangles of no area, and a polygon of no area at all is cut as a fan. Should a
// polygon cross itself so that no ear is left, the corner at hand is cut anyway, so
// every polygon ends in n - 2 triangles.
std::vector<std::array<uint32_t, 3>> triangulate(std::span<const GLKVector3> corners);

// Bit k set when the side from corner k of the triangle to the next is not one of the
// polygon's own edges (of `count` corners).
uint8_t innerSides(const std::array<uint32_t, 3>& triangle, uint32_t count);

}  // namespace scene
