#pragma once

// The scene as one visitor of the reader: materials, objects and bone animations taken
// from the lines as they are read, vertex and face lists straight into flat arrays, and
// the scene's errors chosen as the passes over a whole tree would choose them.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FaceResolution.h"
#include "MQAReader.h"
#include "ObjectDisplay.h"
#include "SceneLines.h"
#include "ZeltoAnimation.h"
#include "ZeltoMaterial.h"
#include "ZeltoModel.h"

namespace scene {

class VertexList;

// What a built scene holds.
struct SceneParts {
    std::vector<ZeltoMaterial> materials;
    std::vector<ZeltoModel> models;
    std::vector<ZeltoAnimation> bones;
    std::vector<ObjectDisplay> displays;
    std::vector<MQAWarning> warnings;
};

class SceneBuilder : public MQALineVisitor {
public:
    // Leniently, faces of more than four corners are split into triangles, and faces
    // without a usable material take a default one.
    explicit SceneBuilder(bool lenient);
    ~SceneBuilder() override;

    void line(const MQALine& line, uint32_t depth) override;
    void closed(uint32_t depth, uint64_t fileLine) override;
    bool takesBinary() const override { return _lenient; }
    std::unique_ptr<MQALineVisitor> forSecondHalf() override;
    void takeSecondHalf(MQALineVisitor& later) override;

    // Once every line is read: the scene, or the error that reading the whole tree first
    // and then making materials, objects and bone animations in turn would give.
    SceneParts build(MQAProgress* progress);

private:
    struct Object;
    struct BoneAnimation;
    // What the lines at a depth are.
    enum class Lines { Other, Materials, Object, Vertices, BinaryVertices, Faces, Frames, Bones, Track };
    // The passes' order: which error a tree's passes would raise first.
    using Order = std::array<uint64_t, 4>;
    void keep(Order order, const SceneError& error);
    // Runs `read`; keeps the error it raises, and gives whether it read.
    template <typename Read>
    bool attempt(Order order, Read&& read);
    void objectLine(const MQALine& line, Object& object);

    bool _lenient;
    std::vector<Lines> _lines;  // by depth
    uint32_t _opened = 0;       // the depth of the lines of the block opened last
    bool _sawMaterials = false;
    std::vector<ZeltoMaterial> _materials;
    std::vector<std::unique_ptr<Object>> _objects;
    std::vector<BoneAnimation> _boneAnimations;
    std::optional<std::pair<Order, SceneError>> _error;
};

}  // namespace scene
