#pragma once

#include <cstdint>

#include "GLKMath.h"

// A point of a mesh: its rest position, the bone that poses it (negative: none) and
// its posed position, which is what face normals are computed from and what is drawn.
// 32 bytes, with each position on a 16-byte boundary, so posing can load a whole
// position (and the four bytes after it) at once.
struct ZeltoVertex {
    alignas(16) GLKVector3 pos;
    int32_t bone = -1;
    alignas(16) GLKVector3 affinePos;

    static ZeltoVertex initWithPosX(float x, float y, float z, int32_t bone) {
        return ZeltoVertex{{x, y, z}, bone, {}};
    }
};
