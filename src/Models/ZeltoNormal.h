#pragma once

#include <cstdint>
#include <span>

#include "GLKMath.h"

// A smooth normal shared by the corners of several faces at one vertex: the sum of
// those faces' normals, not scaled to unit length. `faces` are positions in the
// owning model's face list, in the order they joined.
struct ZeltoNormal {
    GLKVector3 normal;
    uint32_t faceCount = 0;
    const uint32_t* faceList = nullptr;  // owned by the model

    std::span<const uint32_t> faces() const { return {faceList, faceCount}; }
};
