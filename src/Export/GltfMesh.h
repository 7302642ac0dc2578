#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "GltfBuffer.h"

class ZeltoMaterial;
class ZeltoModel;

// What a model's mesh holds, for counts and warnings.
struct GltfMeshFigures {
    uint64_t triangles = 0, lines = 0, skipped = 0;  // skipped: faces with a corner not finite
    bool skinned = false;
};

// Adds the model's mesh at rest (the model must be posed at rest): one primitive per
// material (in the order the materials first appear), triangles wound so that glTF's
// front faces are those the viewer shows, quads split along the diagonal the viewer
// splits them on, two-corner faces as lines. Corners with the same vertex, normal and
// texture coordinates share one glTF vertex; normals are the ones the viewer draws with,
// made unit. With `joints` (the bones' count), a vertex is bound to its bone's joint,
// or to joint `joints` (one that never moves) when it has none the bones pose; a model
// none of whose vertices follows a bone gets no skin. `materials` maps each material to
// its glTF index.
int addMesh(tinygltf::Model& gltf, GltfBuffer& buffer, const ZeltoModel& model,
            const std::map<const ZeltoMaterial*, int>& materials, uint32_t joints, GltfMeshFigures& figures);
