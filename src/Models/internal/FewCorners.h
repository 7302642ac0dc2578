#pragma once

// Polygons of few corners, the most common kind by far, split without taking memory.

#include <cstddef>
#include <span>

#include "PlaneGeometry.h"

namespace scene {

constexpr size_t kFewCorners = 12;

// Splits a polygon of up to kFewCorners corners, running anticlockwise, into n - 2
// triangles in `out`, each anticlockwise, once it has checked that no two sides meet but
// neighbours at their corner: corners are cut off one at a time, each whose triangle
// holds no other corner. False for a polygon that is not simple (it crosses or touches
// itself, or turns straight back) or does not run anticlockwise.
bool triangulateFew(std::span<const PlanePoint> points, std::span<Triangle, kFewCorners> out);

}  // namespace scene
