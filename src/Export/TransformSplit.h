#pragma once

#include <array>

#include "GLKMath.h"

// A matrix as glTF animates a node: translation, then rotation (a unit quaternion x, y,
// z, w), then scale. `exact` is false when the matrix is not such a product (it shears,
// or its last row is not 0 0 0 1); the split is then the closest one, with the rotation
// the nearest to the matrix's own.
struct TransformSplit {
    std::array<double, 3> translation{0, 0, 0};
    std::array<double, 4> rotation{0, 0, 0, 1};
    std::array<double, 3> scale{1, 1, 1};
    bool exact = true;
};

TransformSplit splitTransform(const GLKMatrix4& matrix);
