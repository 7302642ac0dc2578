#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "GLKMath.h"
#include "GltfBuffer.h"

struct MirrorCopy;

// The joints bones move: one per bone and one that never moves (for vertices no bone
// poses), under the scene's root node, placed as the bones are at rest. The vertices
// they move are stored as they are, so every inverse bind matrix is the identity.
//
// A mirrored copy of a model the joints move is moved by a set of joints of its own,
// under a node that mirrors them: the copy is the joints' work, then the mirror, as the
// window draws it.
class GltfSkeleton {
public:
    GltfSkeleton(tinygltf::Model& gltf, GltfBuffer& buffer, uint32_t bones,
                 const std::optional<std::vector<GLKMatrix4>>& rest, int root);

    uint32_t joints() const { return _bones + 1; }
    int skin() const { return _skins.at(0); }
    // The skin of the joints under the mirror of `copy`, made the first time it is asked for.
    int mirroredSkin(const MirrorCopy& copy);
    // Joint j's node in every set: the nodes that joint's keyframes move.
    std::vector<int> nodesOfJoint(uint32_t j) const;

private:
    // A set of joints under `parent`, and its skin.
    int addSet(int parent);

    tinygltf::Model& _gltf;
    GltfBuffer& _buffer;
    uint32_t _bones;
    std::optional<std::vector<GLKMatrix4>> _rest;
    int _root;
    std::vector<std::vector<int>> _sets;
    std::map<int32_t, int> _skins;  // by the mirror's axes; 0: as stored
};
