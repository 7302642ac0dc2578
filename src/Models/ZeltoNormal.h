#pragma once

#include <cstdint>

#include "GLKMath.h"

// A smooth normal shared by the corners of several faces at one vertex: the sum of
// those faces' normals, not scaled to unit length. The faces behind it (positions in
// the model's face list, in the order they joined) are kept by the model, one normal's
// after another, from `firstFace` on (ZeltoModel::facesOfNormal). Sixteen bytes, as
// every pose rewrites all of them.
struct ZeltoNormal {
    GLKVector3 normal;
    uint32_t firstFace = 0;
};
