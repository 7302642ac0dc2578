#pragma once

// The three passes that build a scene from a document tree, in the order they run.

#include <vector>

#include "MQABlock.h"
#include "ZeltoAnimation.h"
#include "ZeltoMaterial.h"
#include "ZeltoModel.h"

namespace scene {

// One material per line of the first "material" chunk.
std::vector<ZeltoMaterial> readMaterials(const MQABlock& body);

// One model per "object" chunk. Each chunk's lines are released as soon as they have
// been read, so the tree shrinks while the models grow. `materials` must not move
// afterwards: faces point at its records.
std::vector<ZeltoModel> readObjects(MQABlock& body, const std::vector<ZeltoMaterial>& materials);

// One bone animation per "boneanimation" chunk: one track per "bone", one frame per line.
std::vector<ZeltoAnimation> readBoneAnimations(const MQABlock& body);

}  // namespace scene
