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

// The materials lines are drawn with, which Zelto never draws: unlit and untextured, one
// for each material that has lines, in its base colour.
class GltfLineMaterials {
public:
    explicit GltfLineMaterials(tinygltf::Model& gltf) : _gltf(gltf) {}
    // For lines of glTF material `material` (-1: none).
    int materialFor(int material);

private:
    tinygltf::Model& _gltf;
    std::map<int, int> _made;
};

// Adds the model's mesh in a pose of it (the rest pose, for a skin): a primitive per run
// of its triangle runs (TriangleRuns), so one per material, triangles wound so that
// glTF's front faces are those the viewer shows, polygons split as the viewer splits
// them; with `lines`, two-corner faces as lines in their materials, else none. Normals
// are the ones the viewer draws with, made unit. With `joints` (the bones' count), a
// vertex is bound to its bone's joint, or to joint `joints` (one that never moves) when
// it has none the bones pose; a model none of whose vertices follows a bone, or with
// nothing to draw, gets no skin. `materials` maps each material to its glTF index.
// None (-1) when nothing is left to draw.
int addMesh(tinygltf::Model& gltf, GltfBuffer& buffer, const ZeltoModel& model, const PoseView& pose,
            const std::map<const ZeltoMaterial*, int>& materials, GltfLineMaterials* lines, uint32_t joints,
            GltfMeshFigures& figures);

// A copy of a mesh whose triangles are wound the other way round, its vertices shared:
// for a mirrored copy moved by joints, where glTF does not turn the winding itself.
int addTurnedMesh(tinygltf::Model& gltf, GltfBuffer& buffer, int mesh);
