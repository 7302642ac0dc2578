#pragma once

// A wavy grid mesh built in memory, shaped like the generated documents: about the
// given number of faces, two thirds triangles and one third quads, two materials, and
// vertices spread over four bones.

#include <cmath>
#include <vector>

#include "ZeltoMaterial.h"
#include "ZeltoModel.h"

namespace bench {

struct GridMesh {
    std::vector<ZeltoVertex> vertices;
    std::vector<ZeltoFace> faces;
};

// How materials are laid over the grid: in large regions (each material a band of the
// grid, as parts of a model usually are) or interleaved in runs of seven cells.
enum class MaterialLayout { Regions, Interleaved };

inline GridMesh makeGridMesh(size_t faceCount, const std::vector<ZeltoMaterial>& materials,
                             MaterialLayout layout = MaterialLayout::Regions) {
    size_t cells = (faceCount * 2 + 2) / 3;
    size_t columns = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(cells))));
    size_t rows = (cells + columns - 1) / columns;
    GridMesh mesh;
    mesh.vertices.reserve((columns + 1) * (rows + 1));
    for (size_t r = 0; r <= rows; ++r)
        for (size_t c = 0; c <= columns; ++c) {
            float x = (static_cast<float>(c) - static_cast<float>(columns) / 2) * 1.5f;
            float z = (static_cast<float>(r) - static_cast<float>(rows) / 2) * 1.5f;
            float y = 20.0f * std::sin(x * 0.05f) * std::cos(z * 0.07f);
            int32_t bone = static_cast<int32_t>((r * 2 / (rows + 1)) * 2 + c * 2 / (columns + 1));
            mesh.vertices.push_back(ZeltoVertex::initWithPosX(x, y, z, bone));
        }
    mesh.faces.reserve(faceCount);
    auto v = [](size_t i) { return static_cast<uint32_t>(i); };
    for (size_t cell = 0; mesh.faces.size() < faceCount; ++cell) {
        size_t r = cell / columns, c = cell % columns;
        size_t a = r * (columns + 1) + c, b = a + 1, d = a + columns + 1, e = d + 1;
        const ZeltoMaterial* m = layout == MaterialLayout::Regions
                                     ? &materials[cell * materials.size() / (cells + 1)]
                                     : &materials[cell / 7 % materials.size()];
        if (cell % 2 == 0) {
            mesh.faces.push_back(ZeltoFace::faceWithMaterial(m, v(a), v(d), v(e), v(b), 0, 0, 0, 1, 1, 1, 1, 0));
        } else {
            mesh.faces.push_back(ZeltoFace::faceWithMaterial(m, v(a), v(d), v(e), ZeltoFace::kNoVertex, 0, 0, 0, 1, 1, 1, 0, 0));
            if (mesh.faces.size() < faceCount)
                mesh.faces.push_back(ZeltoFace::faceWithMaterial(m, v(a), v(e), v(b), ZeltoFace::kNoVertex, 0, 0, 1, 1, 1, 0, 0, 0));
        }
    }
    return mesh;
}

}  // namespace bench
