#pragma once

// The approximate split of a polygon that is not simple: one that crosses itself, or
// whose corners run the other way round than its area says.

#include <span>
#include <vector>

#include "CancelCheck.h"
#include "PlaneGeometry.h"

namespace scene {

// Cuts ears off the polygon (its corners meant to run anticlockwise), with the reflex
// corners that could spoil an ear kept in a grid. Where no ear is left the corner at
// hand is cut anyway, and past about 8 n log n of looking the rest goes as a fan, so
// every polygon ends in n - 2 triangles in bounded time.
std::vector<Triangle> clipEars(std::span<const PlanePoint> points, CancelCheck& cancel);

}  // namespace scene
