#pragma once

#include <string>
#include <vector>

#include "GltfBuffer.h"
#include "TransformSplit.h"

// The keyframes of an animation for one part: a transform (translation, rotation and
// scale) for the nodes it moves, or the morph weights of the nodes whose meshes it
// blends. Several nodes may follow the same keyframes (a joint and its mirrored copies).
struct GltfTrack {
    std::vector<int> nodes;
    std::vector<float> translations, rotations, scales;
    std::vector<float> weights;  // morph weights, all of a keyframe's after another

    void add(const TransformSplit& split);
};

// Adds the animation `name` with keyframes at `times` (seconds), linear between them;
// none when no track has keyframes.
void addAnimation(tinygltf::Model& gltf, GltfBuffer& buffer, const std::string& name, const std::vector<float>& times,
                  const std::vector<GltfTrack>& tracks);
