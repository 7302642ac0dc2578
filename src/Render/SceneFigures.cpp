#include "SceneFigures.h"

#include <algorithm>
#include <cmath>

#include "Metasequoia.h"

void ShapeCounts::add(const ZeltoModel& model) {
    for (const ZeltoFace& face : model.faces()) {
        if (face.count() == 2) ++lines;
        if (face.count() == 3) ++triangles;
        if (face.count() == 4) ++quads;
    }
}

void BoundingBox::include(std::optional<BoundingBox>& box, GLKVector3 p) {
    // Not-a-number coordinates would poison the box; fmin and fmax skip them.
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
    if (!box) {
        box = BoundingBox{p, p};
        return;
    }
    box->low = {std::fmin(box->low.x, p.x), std::fmin(box->low.y, p.y), std::fmin(box->low.z, p.z)};
    box->high = {std::fmax(box->high.x, p.x), std::fmax(box->high.y, p.y), std::fmax(box->high.z, p.z)};
}

std::optional<BoundingBox> boundingBox(const ZeltoModel& model) {
    std::optional<BoundingBox> box;
    for (const ZeltoVertex& v : model.vertices()) BoundingBox::include(box, v.pos);
    return box;
}

SceneFigures sceneFigures(const Metasequoia& scene) {
    SceneFigures figures;
    figures.objects = scene.models().size();
    figures.materials = scene.materials().size();
    for (const ZeltoModel& model : scene.models()) {
        figures.vertices += model.vertices().size();
        figures.polygons.add(model);
        if (std::optional<BoundingBox> box = boundingBox(model)) {
            BoundingBox::include(figures.bounds, box->low);
            BoundingBox::include(figures.bounds, box->high);
        }
    }
    return figures;
}

uint64_t loopLength(const Metasequoia& scene, std::string_view name) {
    uint64_t length = 0;
    for (const ZeltoAnimation& bones : scene.bones())
        if (bones.name() == name) length = std::max(length, bones.frameCount());
    for (const ZeltoModel& model : scene.models())
        for (const ZeltoAnimation& animation : model.animations())
            if (animation.name() == name) length = std::max(length, animation.count());
    return length;
}
