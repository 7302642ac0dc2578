#pragma once

// Cutting a simple polygon into pieces that are monotone in y (every horizontal line
// meets a piece in one stretch at most), with a sweep from the top down (de Berg et al.,
// Computational Geometry, chapter 3), and then splitting each piece into triangles.
// Everything is decided by exact turn tests, with ties in y broken as the sweep order
// breaks them, so horizontal sides and corners at one height need no care.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "CancelCheck.h"
#include "PlaneGeometry.h"

namespace scene {

// The triangles of a polygon whose corners run anticlockwise, no corner of which has
// its neighbours on a line through it (so no two neighbours are equal either): n - 2
// triangles of corner indices, each anticlockwise, when the polygon is simple. Nothing
// when the sweep meets what no simple polygon has (a corner on another side, sides
// that cross); a polygon that crosses itself may also come back split, with triangles
// that turn the wrong way.
std::optional<std::vector<Triangle>> triangulateMonotonePieces(std::span<const PlanePoint> points,
                                                               CancelCheck& cancel);

// The triangles of the pieces that `diagonals` (pairs of corners) cut the polygon into:
// nothing when they do not cut it into one piece more than there are diagonals, as
// diagonals that cross do not.
std::optional<std::vector<Triangle>> triangulatePieces(std::span<const PlanePoint> points,
                                                       std::span<const std::array<uint32_t, 2>> diagonals,
                                                       CancelCheck& cancel);

// The triangles of one piece monotone in y, given as its corners (indices into
// `points`) anticlockwise, appended to `out`: corners - 2 of them, whatever the
// piece's shape, each anticlockwise when the piece is monotone.
void triangulateMonotone(std::span<const PlanePoint> points, std::span<const uint32_t> piece,
                         std::vector<Triangle>& out);

}  // namespace scene
