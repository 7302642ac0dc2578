#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "GLKMath.h"

class Metasequoia;
class ZeltoModel;

// Polygons by corner count.
struct ShapeCounts {
    uint64_t lines = 0, triangles = 0, quads = 0;
    uint64_t total() const { return lines + triangles + quads; }
    void add(const ZeltoModel& model);
};

// The box around every vertex of a scene's models, in model coordinates.
struct BoundingBox {
    GLKVector3 low, high;
    GLKVector3 size() const { return {high.x - low.x, high.y - low.y, high.z - low.z}; }
    GLKVector3 centre() const {
        return {(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
    }
    // Grows `box` (none: starts it) to hold the point; points not finite are left out.
    static void include(std::optional<BoundingBox>& box, GLKVector3 p);
};

// What a scene holds, in totals, for people reading about it.
struct SceneFigures {
    uint64_t objects = 0;
    uint64_t vertices = 0;
    ShapeCounts polygons;
    uint64_t materials = 0;
    std::optional<BoundingBox> bounds;  // none without vertices (or with none finite)
};

SceneFigures sceneFigures(const Metasequoia& scene);
std::optional<BoundingBox> boundingBox(const ZeltoModel& model);

// How many frames the animation of this name runs before it repeats: the longest of
// the bone animation and object animations that carry the name; 0 when none does.
uint64_t loopLength(const Metasequoia& scene, std::string_view name);
