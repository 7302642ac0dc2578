#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "GltfBuffer.h"

class PoseView;
class ZeltoMaterial;
class ZeltoModel;

// What a model's mesh holds, for counts and warnings.
struct GltfMeshFigures {
    uint64_t triangles = 0, lines = 0, skipped = 0;  // skipped: faces with a corner not finite
    bool skinned = false;
};

// Adds the model's mesh in a pose of it (the rest pose, for a skin): a primitive per run
// of its triangle runs (TriangleRuns), so one per material, triangles wound so that
// glTF's front faces are those the viewer shows, polygons split as the viewer splits
// them, two-corner faces as lines. Normals are the ones the viewer draws with, made unit.
// With `joints` (the bones' count), a vertex is bound to its bone's joint, or to joint
// `joints` (one that never moves) when it has none the bones pose; a model none of whose
// vertices follows a bone gets no skin. `materials` maps each material to its glTF index.
int addMesh(tinygltf::Model& gltf, GltfBuffer& buffer, const ZeltoModel& model, const PoseView& pose,
            const std::map<const ZeltoMaterial*, int>& materials, uint32_t joints, GltfMeshFigures& figures);
