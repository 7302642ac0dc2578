#pragma once

#include <cstdint>

// How the modeller shows an object, which the scene itself does not use: whether the
// object is visible, and the axes it is mirrored across about its own origin (bits 1,
// 2 and 4 for x, y and z; 0 when it is not mirrored).
struct ObjectDisplay {
    bool visible = true;
    int32_t mirrorAxes = 0;
    bool operator==(const ObjectDisplay&) const = default;
};
