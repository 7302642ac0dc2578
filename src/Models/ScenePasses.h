#pragma once

// The three passes that build a scene from a document tree, in the order they run.

#include <vector>

#include "MQABlock.h"
#include "MQAException.h"
#include "ObjectDisplay.h"
#include "ZeltoAnimation.h"
#include "ZeltoMaterial.h"
#include "ZeltoModel.h"

namespace scene {

// One material per line of the first "material" chunk.
std::vector<ZeltoMaterial> readMaterials(const MQABlock& body);

// One model per "object" chunk. Each chunk's lines are released as soon as they have
// been read, so the tree shrinks while the models grow. `materials` must not move
// afterwards: faces point at its records.
// With `sinks`, the vertex and face lists the reader handed to them are taken from
// there instead of from the tree.
class ObjectListSinks;
std::vector<ZeltoModel> readObjects(MQABlock& body, const std::vector<ZeltoMaterial>& materials,
                                    ObjectListSinks* sinks = nullptr);

// One bone animation per "boneanimation" chunk: one track per "bone", one frame per line.
std::vector<ZeltoAnimation> readBoneAnimations(const MQABlock& body);

// What the object chunks say about showing the objects, which the scene does not use
// (one entry per "object" chunk), and warnings for what the scene leaves out: objects
// hidden or mirrored in the modeller, vertices kept in a "BVertex" block. Runs before
// readObjects, which releases the chunks.
struct ObjectNotes {
    std::vector<ObjectDisplay> displays;
    std::vector<MQAWarning> warnings;
};
ObjectNotes readObjectNotes(const MQABlock& body);

}  // namespace scene
