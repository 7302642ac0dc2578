#include "SceneBuilder.h"

#include <algorithm>

#include "LargeArrays.h"
#include "MQAScan.h"
#include "MQASkippedChunks.h"

namespace scene {
namespace {

bool named(const MQALine& line, std::string_view name) {
    return line.name && mqa::equalsIgnoringCase(*line.name, name);
}

// Value 0 of the first parameter of a line; none without one.
std::optional<int32_t> intSetting(const MQALine& line) {
    if (line.params.empty() || line.params[0].count == 0) return std::nullopt;
    return line.intAt(line.params[0], 0);
}

}  // namespace

// The vertex lines of one object's vertex block, as the reader hands them over.
class VertexList : public MQALineVisitor {
public:
    VertexList(uint32_t depth, size_t expected) : _depth(depth) { vertices.reserve(expected); }
    void line(const MQALine& line, uint32_t depth) override {
        if (depth != _depth || problem) return;  // the list's first error is the one reported
        try {
            vertices.push_back(vertexOfLine(line));
        } catch (const SceneError& error) {
            problem = Problem{vertices.size(), error.what(), error.place()};
        }
    }
    void absorb(VertexList& later) {
        if (problem) return;
        if (later.problem) {
            problem = later.problem;
            problem->index += vertices.size();
        }
        vertices.reserve(vertices.size() + later.vertices.size());
        vertices.insert(vertices.end(), later.vertices.begin(), later.vertices.end());
    }

    struct Problem {
        size_t index;
        std::string what;
        std::optional<MQAPlace> place;
    };
    std::vector<ZeltoVertex> vertices;
    std::optional<Problem> problem;

private:
    uint32_t _depth;
};

struct SceneBuilder::Object {
    size_t index;          // among the body's objects, from 0
    std::string name;      // value 0 of parameter 0, as text
    std::string label;     // how messages name it: Object "name"
    std::string noteName;  // how notes name it: Object "name" for a string name, else Object
    uint64_t fileLine;
    float facet = 90.0f;
    bool sawFacet = false, sawVertices = false, sawFaces = false;
    std::unique_ptr<VertexList> vertices;
    std::unique_ptr<FaceList> faces;
    std::vector<ZeltoAnimation::Frames> frames;  // one list per animation, with its name
    std::vector<std::string> animationNames;
    // What the modeller shows, read from the first line of each name.
    std::optional<std::optional<int32_t>> visible, mirror, mirrorAxis;
    uint64_t visibleLine = 0, mirrorLine = 0, bvertexLine = 0;
    // Leniently, "BVertex" blocks and their binary data: the vertices of the first
    // "Vector" line with data, taken when the object has no vertex list.
    struct BinaryBlock {
        std::string name;  // as written
        uint64_t fileLine = 0, lines = 0;
        bool hasData = false;
    };
    std::vector<BinaryBlock> binaryBlocks;
    std::vector<ZeltoVertex> binaryVertices;
    std::optional<SceneError> binaryProblem;
    bool takesBinaryVertices() const {
        return !sawVertices &&
               std::any_of(binaryBlocks.begin(), binaryBlocks.end(), [](const BinaryBlock& b) { return b.hasData; });
    }
};

struct SceneBuilder::BoneAnimation {
    std::string name;
    ZeltoAnimation::Tracks tracks;
};

SceneBuilder::SceneBuilder(bool lenient) : _lenient(lenient) {}
SceneBuilder::~SceneBuilder() = default;

void SceneBuilder::keep(const ErrorRank& rank, const SceneError& error) {
    if (!_error || rank < _error->first) _error.emplace(rank, error);
}

template <typename Read>
bool SceneBuilder::attempt(const ErrorRank& rank, Read&& read) {
    try {
        read();
        return true;
    } catch (const SceneError& error) {
        keep(rank, error);
        return false;
    }
}

void SceneBuilder::line(const MQALine& line, uint32_t depth) {
    if (_lines.size() <= depth + 1) _lines.resize(depth + 2, Lines::Other);
    Lines lines = depth == 0 ? Lines::Other : _lines[depth];
    Lines block = Lines::Other;  // what the lines of the block it opens are
    if (depth == 0) {
        if (named(line, "material") && !_sawMaterials) {
            _sawMaterials = true;
            block = Lines::Materials;
        } else if (named(line, "object")) {
            auto object = std::make_unique<Object>();
            object->index = _objects.size();
            object->fileLine = line.fileLine;
            std::string number = "Object " + std::to_string(object->index + 1);
            object->label = number;
            object->noteName = "Object";
            if (attempt(ErrorRank::object(object->index, ErrorRank::Part::Name),
                        [&] { object->name = textOfParam(line, 0, [&] { return number; }); })) {
                object->label = "Object " + quoted(object->name);
                if (line.params[0].type == MQAParamTypeString) object->noteName = object->label;
            }
            _objects.push_back(std::move(object));
            block = Lines::Object;
        } else if (named(line, "boneanimation")) {
            size_t index = _boneAnimations.size();
            BoneAnimation& animation = _boneAnimations.emplace_back();
            attempt(ErrorRank::boneAnimation(index), [&] {
                animation.name = textOfParam(line, 0, [&] { return "Bone animation " + std::to_string(index + 1); });
            });
            block = Lines::Bones;
        }
    } else if (lines == Lines::Materials) {
        if (!attempt(ErrorRank::material(_materials.size()),
                     [&] { _materials.push_back(materialOfLine(line, _materials.size() + 1)); }))
            _materials.push_back(ZeltoMaterial());  // counts the line
    } else if (lines == Lines::Object) {
        Object& object = *_objects.back();
        if (named(line, "vertex") && !object.sawVertices) {
            object.sawVertices = true;
            if (line.opensBlock) {
                object.vertices = std::make_unique<VertexList>(depth + 1, line.claimedCount(6));
                block = Lines::Vertices;
            }
        } else if (named(line, "face") && !object.sawFaces) {
            object.sawFaces = true;
            if (line.opensBlock) {
                object.faces = std::make_unique<FaceList>(depth + 1, _lenient, line.claimedCount(8));
                block = Lines::Faces;
            }
        } else if (named(line, "bvertex") && line.opensBlock && _lenient) {
            object.binaryBlocks.push_back({std::string(*line.name), line.fileLine, 0, false});
            block = Lines::BinaryVertices;
        } else if (named(line, "animation")) {
            size_t number = object.frames.size() + 1;
            object.frames.emplace_back();
            object.animationNames.emplace_back();
            attempt(ErrorRank::animation(object.index, number - 1, 0), [&] {
                object.animationNames.back() =
                    textOfParam(line, 0, [&] { return object.label + ", animation " + std::to_string(number); });
            });
            block = Lines::Frames;
        } else {
            objectLine(line, object);
        }
    } else if (lines == Lines::Vertices) {
        _objects.back()->vertices->line(line, depth);
    } else if (lines == Lines::Faces) {
        _objects.back()->faces->line(line, depth);
    } else if (lines == Lines::BinaryVertices) {
        Object& object = *_objects.back();
        bool taken = std::any_of(object.binaryBlocks.begin(), object.binaryBlocks.end(),
                                 [](const Object::BinaryBlock& b) { return b.hasData; });
        if (named(line, "vector") && !line.binary.empty() && !taken) {
            Object::BinaryBlock& binary = object.binaryBlocks.back();
            binary.hasData = true;
            try {
                object.binaryVertices = verticesOfBinaryLine(line, object.label + ", " + quoted(binary.name));
            } catch (const SceneError& error) {
                object.binaryProblem = error;
            }
        }
    } else if (lines == Lines::Frames) {
        Object& object = *_objects.back();
        ZeltoAnimation::Frames& frames = object.frames.back();
        size_t number = object.frames.size(), frame = frames.size() + 1;
        frames.emplace_back();
        attempt(ErrorRank::animation(object.index, number - 1, frame), [&] {
            frames.back() = matrixOfLine(line, [&] {
                return object.label + ", animation " + quoted(object.animationNames.back()) + ", frame line " +
                       std::to_string(frame);
            });
        });
    } else if (lines == Lines::Bones && named(line, "bone")) {
        _boneAnimations.back().tracks.emplace_back();
        block = Lines::Track;
    } else if (lines == Lines::Track) {
        BoneAnimation& animation = _boneAnimations.back();
        ZeltoAnimation::Frames& track = animation.tracks.back();
        size_t bone = animation.tracks.size() - 1, frame = track.size() + 1;
        track.emplace_back();
        attempt(ErrorRank::boneFrame(_boneAnimations.size() - 1, bone, frame), [&] {
            track.back() = matrixOfLine(line, [&] {
                return "Bone animation " + quoted(animation.name) + ", bone " + std::to_string(bone) +
                       ", frame line " + std::to_string(frame);
            });
        });
    }
    if (line.opensBlock) {
        _lines[depth + 1] = block;
        _opened = depth + 1;
    }
}

void SceneBuilder::objectLine(const MQALine& line, Object& object) {
    if (named(line, "facet") && !object.sawFacet) {
        object.sawFacet = true;
        attempt(ErrorRank::object(object.index, ErrorRank::Part::Facet),
                [&] { object.facet = floatOfParam(line, 0, [&] { return object.label + ", \"facet\""; }); });
    } else if (named(line, "visible") && !object.visible) {
        object.visible = intSetting(line);
        object.visibleLine = line.fileLine;
    } else if (named(line, "mirror") && !object.mirror) {
        object.mirror = intSetting(line);
        object.mirrorLine = line.fileLine;
    } else if (named(line, "mirror_axis") && !object.mirrorAxis) {
        object.mirrorAxis = intSetting(line);
    } else if (named(line, "bvertex") && !object.bvertexLine) {
        object.bvertexLine = line.fileLine ? line.fileLine : object.fileLine;
    }
}

void SceneBuilder::closed(uint32_t depth, uint64_t fileLine) {
    Lines lines = _lines[depth + 1];
    _lines[depth + 1] = Lines::Other;
    if (lines == Lines::BinaryVertices) {
        Object::BinaryBlock& binary = _objects.back()->binaryBlocks.back();
        binary.lines = fileLine - binary.fileLine + 1;
    }
    if (lines == Lines::Vertices) zelto::dropSlack(_objects.back()->vertices->vertices);
    if (lines == Lines::Faces) _objects.back()->faces->close();
}

std::unique_ptr<MQALineVisitor> SceneBuilder::forSecondHalf() {
    if (_lines[_opened] == Lines::Vertices)
        return std::make_unique<VertexList>(_opened, _objects.back()->vertices->vertices.capacity());
    if (_lines[_opened] == Lines::Faces)
        return std::make_unique<FaceList>(_opened, _lenient, _objects.back()->faces->expected());
    return nullptr;
}

void SceneBuilder::takeSecondHalf(MQALineVisitor& later) {
    Object& object = *_objects.back();
    if (auto* vertices = dynamic_cast<VertexList*>(&later))
        object.vertices->absorb(*vertices);
    else
        object.faces->absorb(static_cast<FaceList&>(later));
}

SceneParts SceneBuilder::build(MQAProgress* progress) {
    SceneParts parts;
    mqa::SkippedChunks unread;
    // How the modeller shows each object (see displayNotes), notes on what is not read, and
    // errors in vertex lines.
    for (const auto& object : _objects) {
        ObjectDisplay display;
        display.noteName = object->noteName;
        if (object->visible && *object->visible == 0) {
            display.visible = false;
            display.visibleLine = object->visibleLine;
        }
        if (int32_t mirror = object->mirror ? object->mirror->value_or(0) : 0; mirror != 0) {
            display.mirrorAxes = (object->mirrorAxis ? object->mirrorAxis->value_or(1) : 1) & 7;
            if (display.mirrorAxes == 0) display.mirrorAxes = 1;
            display.mirror = mirror;
            display.mirrorLine = object->mirrorLine;
        }
        const std::string unreadVertices = object->noteName + " keeps vertices in a \"BVertex\" block, which is not read";
        if (object->bvertexLine) parts.warnings.push_back({object->bvertexLine, unreadVertices});
        parts.displays.push_back(display);
        // Binary vertices stand in for a vertex list the object does not have; other
        // "BVertex" blocks are not read.
        const bool binaryTaken = object->takesBinaryVertices();
        for (const Object::BinaryBlock& binary : object->binaryBlocks) {
            if (binaryTaken && binary.hasData) continue;
            if (binary.hasData)
                unread.add(binary.name, binary.fileLine, binary.lines);
            else
                parts.warnings.push_back({binary.fileLine, unreadVertices});
        }
        if (binaryTaken) {
            // A liberty strict reading does not take: said, as every other is.
            const auto data = std::find_if(object->binaryBlocks.begin(), object->binaryBlocks.end(),
                                           [](const Object::BinaryBlock& b) { return b.hasData; });
            parts.warnings.push_back({data->fileLine, object->noteName + " keeps its vertices as binary data in a \"" +
                                                          data->name + "\" block; they are read from it"});
            if (object->binaryProblem)
                keep(ErrorRank::object(object->index, ErrorRank::Part::Vertices), *object->binaryProblem);
            object->vertices = std::make_unique<VertexList>(0, 0);
            object->vertices->vertices = std::move(object->binaryVertices);
        }
        if (object->vertices && object->vertices->problem) {
            const VertexList::Problem& problem = *object->vertices->problem;
            SceneError error(object->label + ", vertex line " + std::to_string(problem.index + 1) + ": " + problem.what);
            if (problem.place) error.setPlace(*problem.place);
            keep(ErrorRank::object(object->index, ErrorRank::Part::Vertices), error);
        }
    }
    // Faces that name no material the document has take a neutral light grey, leniently.
    bool fallback = _lenient && std::any_of(_objects.begin(), _objects.end(), [&](const auto& object) {
        return object->faces && object->faces->needsMaterialPast(_materials.size());
    });
    if (fallback)
        _materials.push_back(ZeltoMaterial::materialWithName("(default)", 0.8f, 0.8f, 0.8f, 1.0f, 0.8f, 0.6f, 0.0f,
                                                             0.0f, 5.0f, ""));
    std::vector<ResolvedFaces> faces(_objects.size());
    for (const auto& object : _objects) {
        // An earlier error wins.
        if (_error && _error->first < ErrorRank::object(object->index, ErrorRank::Part::Faces)) break;
        if (!object->faces) continue;
        attempt(ErrorRank::object(object->index, ErrorRank::Part::Faces), [&] {
            const std::vector<ZeltoVertex> none;
            faces[object->index] = resolveFaces(*object->faces, object->vertices ? object->vertices->vertices : none,
                                                _materials, fallback, object->label, progress);
            object->faces.reset();  // gone before the models take their memory
        });
        const ResolvedFaces& resolved = faces[object->index];
        if (resolved.defaulted)
            parts.warnings.push_back({resolved.firstDefaultedLine,
                                      object->label + ": " + std::to_string(resolved.defaulted) +
                                          (resolved.defaulted == 1 ? " face names" : " faces name") +
                                          " no material the document has; drawn in a default light grey"});
        if (resolved.approximated == 1)
            parts.warnings.push_back({resolved.firstApproximatedLine,
                                      object->label + ": a polygon crosses or touches itself, or has no area in its plane; "
                                                      "its triangles only approximate it"});
        if (resolved.approximated > 1)
            parts.warnings.push_back({resolved.firstApproximatedLine,
                                      object->label + ": " + std::to_string(resolved.approximated) +
                                          " polygons cross or touch themselves, or have no area in their plane (the first "
                                          "on this line); their triangles only approximate them"});
    }
    unread.addTo(parts.warnings);
    if (_error) throw _error->second;

    parts.materials = std::move(_materials);
    parts.models.reserve(_objects.size());
    for (const auto& object : _objects) {
        std::vector<ZeltoAnimation> animations;
        for (size_t a = 0; a < object->frames.size(); ++a)
            animations.push_back(ZeltoAnimation::animationWithMatrix(std::move(object->frames[a]), object->animationNames[a]));
        std::vector<ZeltoVertex> vertices = object->vertices ? std::move(object->vertices->vertices) : std::vector<ZeltoVertex>();
        object->vertices.reset();
        ResolvedFaces& resolved = faces[object->index];
        parts.models.push_back(ZeltoModel::modelWithName(object->name, object->facet, std::move(vertices),
                                                         std::move(resolved.faces), std::move(resolved.documentOrder),
                                                         std::move(animations), progress));
    }
    for (BoneAnimation& animation : _boneAnimations)
        parts.bones.push_back(ZeltoAnimation::animationWithMatrix(std::move(animation.tracks), animation.name));
    return parts;
}

}  // namespace scene
