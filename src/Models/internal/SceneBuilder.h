#pragma once

// The scene as one visitor of the reader: materials, objects and bone animations taken
// from the lines as they are read, vertex and face lists straight into flat arrays, and
// the scene's errors chosen as the passes over a whole tree would choose them.

#include <array>
#include <compare>
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
    // Where an error stands in the order the passes over a whole tree would meet it: all
    // material lines first, then each object (its name, "facet", its vertices, its faces,
    // then each animation's own line and frame lines), then each bone animation (its
    // name, then each bone's frame lines). The lowest is the one reported.
    struct ErrorRank {
        enum class Pass : uint8_t { Materials, Objects, BoneAnimations };
        enum class Part : uint8_t { Name, Facet, Vertices, Faces, Tracks };
        Pass pass = Pass::Materials;
        uint64_t chunk = 0;  // the material line, object or bone animation, from 0
        Part part = Part::Name;
        uint64_t track = 0;  // the object's animation or the bone animation's bone, from 0
        uint64_t frame = 0;  // the frame line in that track, from 1; 0 for the track's own line
        auto operator<=>(const ErrorRank&) const = default;

        static ErrorRank material(uint64_t line) { return {Pass::Materials, line}; }
        static ErrorRank object(uint64_t index, Part part) { return {Pass::Objects, index, part}; }
        static ErrorRank animation(uint64_t object, uint64_t animation, uint64_t frame) {
            return {Pass::Objects, object, Part::Tracks, animation, frame};
        }
        static ErrorRank boneAnimation(uint64_t index) { return {Pass::BoneAnimations, index}; }
        static ErrorRank boneFrame(uint64_t index, uint64_t bone, uint64_t frame) {
            return {Pass::BoneAnimations, index, Part::Tracks, bone, frame};
        }
    };
    void keep(const ErrorRank& rank, const SceneError& error);
    // Runs `read`; keeps the error it raises, and gives whether it read.
    template <typename Read>
    bool attempt(const ErrorRank& rank, Read&& read);
    void objectLine(const MQALine& line, Object& object);

    bool _lenient;
    std::vector<Lines> _lines;  // by depth
    uint32_t _opened = 0;       // the depth of the lines of the block opened last
    bool _sawMaterials = false;
    std::vector<ZeltoMaterial> _materials;
    std::vector<std::unique_ptr<Object>> _objects;
    std::vector<BoneAnimation> _boneAnimations;
    std::optional<std::pair<ErrorRank, SceneError>> _error;
};

}  // namespace scene
