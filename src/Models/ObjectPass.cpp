#include <array>
#include <cstdio>

#include "InHalves.h"
#include "LargeArrays.h"
#include "ObjectLines.h"
#include "ScenePasses.h"
#include "SceneReading.h"

namespace scene {
namespace {

// Releases a block's lines now rather than with the whole tree: their slabs go back to
// the system while the models are built, which keeps the peak of an open near the
// larger of tree and models rather than their sum.
void release(MQAAttribute& chunk) {
    chunk.setBlock(MQABlockPtr());
}

std::vector<ZeltoVertex> readVertices(MQAAttribute* chunk, const std::string& object) {
    std::vector<ZeltoVertex> vertices;
    if (!chunk || !chunk->block()) return vertices;
    std::vector<MQAAttribute>& lines = chunk->block()->attributes();
    vertices = zelto::largeVector<ZeltoVertex>(lines.size());
    forEachHalf(Halves(lines.size()), [&](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const SceneLine line(lines[i]);
            auto describe = [&] { return object + ", vertex line " + std::to_string(i + 1); };
            vertices[i] = vertexOfLine(line, Place(describe, &line));
        }
    });
    release(*chunk);
    return vertices;
}

// The face lines of the tree as read, releasing each line's memory as it goes.
RawFaces readRawFaces(MQAAttribute* chunk, LineNumbers& numbers) {
    RawFaces read;
    if (!chunk || !chunk->block()) return read;
    std::vector<MQAAttribute>& lines = chunk->block()->attributes();
    std::vector<RawFace> faces = zelto::largeVector<RawFace>(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) numbers.add(i, lines[i].sourceLine());
    forEachHalf(Halves(lines.size()), [&](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            faces[i] = rawFaceOfLine(lines[i]);
            lines[i].params() = MQAParamList();  // its memory is not needed again
        }
    });
    release(*chunk);
    read.append(std::move(faces));
    return read;
}

// Faces in material order, and where each face line's face went.
struct FaceList {
    std::vector<ZeltoFace> faces;
    std::vector<uint32_t> documentOrder;
};

// The material a face line's place is counted under. A line whose material cannot be
// used counts as material 0; resolving the line reports the error.
size_t countedMaterial(const RawFace& face, size_t materials) {
    int32_t index = face.materialState == RawFace::kMaterial ? face.material : 0;
    if (index < 0 || static_cast<size_t>(index) >= materials) index = 0;
    return static_cast<size_t>(index);
}

// Where each half's faces of each material go once faces are in material order:
// material by material (materials are in one list, so their order by address is their
// order in it), and within a material the first half's faces before the second's.
std::array<std::vector<uint32_t>, 2> materialStarts(const RawFaces& faces, const Halves& halves,
                                                    size_t materials) {
    std::array<std::vector<uint32_t>, 2> counts{std::vector<uint32_t>(materials, 0),
                                                std::vector<uint32_t>(materials, 0)};
    forEachHalf(halves, [&](int half, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) ++counts[half][countedMaterial(faces[i], materials)];
    });
    std::array<std::vector<uint32_t>, 2> starts{std::vector<uint32_t>(materials),
                                                std::vector<uint32_t>(materials)};
    uint32_t next = 0;
    for (size_t m = 0; m < materials; ++m) {
        starts[0][m] = next;
        starts[1][m] = next + counts[0][m];
        next += counts[0][m] + counts[1][m];
    }
    return starts;
}

// A face line as the scene read it, for the place of an error.
std::string excerptOf(const RawFace& face) {
    std::string text;
    auto number = [&](double value) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", value);
        text += buffer;
    };
    if (face.corners) {
        text += "V(";
        for (uint8_t k = 0; k < face.corners; ++k) {
            if (k) text += ' ';
            number(face.vertex[k]);
        }
        text += ")";
    }
    if (face.materialState != RawFace::kNoMaterial) {
        text += text.empty() ? "M(" : " M(";
        if (face.materialState == RawFace::kMaterial) number(face.material);
        text += ")";
    }
    return text;
}

// Checks each face line against the vertices and materials it names, in line order,
// and puts its face in material order.
FaceList resolveFaces(const RawFaces& raw, const LineNumbers& numbers, const std::string& object,
                      std::vector<ZeltoVertex>& vertices, const std::vector<ZeltoMaterial>& materials) {
    FaceList list;
    Halves halves(raw.size());
    // Each face goes straight to its place in material order, which spares the model
    // from sorting (and copying) the faces itself.
    std::array<std::vector<uint32_t>, 2> next =
        materialStarts(raw, halves, std::max<size_t>(materials.size(), 1));
    list.faces = zelto::largeVector<ZeltoFace>(raw.size());
    list.documentOrder = zelto::largeVector<uint32_t>(raw.size());
    forEachHalf(halves, [&](int half, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const RawFace& face = raw[i];
            auto fail = [&](std::string_view what) {
                failAt(object + ", face line " + std::to_string(i + 1), numbers.fileLine(i), excerptOf(face), what);
            };
            if (face.materialState == RawFace::kMaterialWithoutValue) fail(missingValue("\"m\"", 0, 0));
            int32_t materialIndex = face.materialState == RawFace::kMaterial ? face.material : 0;
            if (materialIndex < 0 || static_cast<size_t>(materialIndex) >= materials.size())
                fail("material index " + std::to_string(materialIndex) + " is out of range (" +
                     std::to_string(materials.size()) + " materials)");

            ZeltoVertex* corner[4] = {};
            for (uint8_t k = 0; k < face.corners; ++k) {
                int32_t index = face.vertex[k];
                if (index < 0) continue;  // an absent corner
                if (static_cast<size_t>(index) >= vertices.size())
                    fail("vertex index " + std::to_string(index) + " is out of range (" +
                         std::to_string(vertices.size()) + " vertices)");
                corner[k] = &vertices[static_cast<size_t>(index)];
            }
            for (int k = 0; k < 2; ++k)
                if (!corner[k])
                    fail("corner " + std::to_string(k) +
                         " has no vertex (a face needs vertices for its first two corners)");

            float c[8] = {};
            for (uint8_t j = 0; j < face.coordinates; ++j) c[j] = face.uv[j];
            uint32_t position = next[half][static_cast<size_t>(materialIndex)]++;
            list.documentOrder[i] = position;
            list.faces[position] = ZeltoFace::faceWithMaterial(
                &materials[static_cast<size_t>(materialIndex)], corner[0], corner[1], corner[2], corner[3],
                c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        }
    });
    return list;
}

std::vector<ZeltoAnimation> readObjectAnimations(const MQABlock& block, const std::string& object) {
    std::vector<ZeltoAnimation> animations;
    for (const MQAAttribute* chunk : block.attributesForName("animation")) {
        size_t number = animations.size() + 1;
        std::string name = textOfParam(*chunk, 0, [&] {
            return object + ", animation " + std::to_string(number);
        });
        std::vector<GLKMatrix4> frames;
        if (chunk->block()) {
            const std::vector<MQAAttribute>& lines = chunk->block()->attributes();
            frames.reserve(lines.size());
            for (size_t i = 0; i < lines.size(); ++i)
                frames.push_back(matrixOfLine(lines[i], [&] {
                    return object + ", animation " + quoted(name) + ", frame line " +
                           std::to_string(i + 1);
                }));
        }
        animations.push_back(ZeltoAnimation::animationWithMatrix(std::move(frames), name));
    }
    return animations;
}

MQAAttribute* firstNamed(MQABlock& block, std::string_view name) {
    for (MQAAttribute& attribute : block.attributes())
        if (attribute.hasName(name)) return &attribute;
    return nullptr;
}

}  // namespace

std::vector<ZeltoModel> readObjects(MQABlock& body, const std::vector<ZeltoMaterial>& materials,
                                    ObjectListSinks* sinks) {
    std::vector<ZeltoModel> models;
    for (MQAAttribute& chunk : body.attributes()) {
        if (!chunk.hasName("object")) continue;
        size_t number = models.size() + 1;
        // The lists read straight from the text, when they were.
        ObjectListSinks::Lists* read = sinks ? sinks->forObject(number - 1) : nullptr;
        std::string name = textOfParam(chunk, 0, [&] { return "Object " + std::to_string(number); });
        std::string object = "Object " + quoted(name);
        float facet = 90.0f;
        std::vector<ZeltoVertex> vertices;
        FaceList faces;
        std::vector<ZeltoAnimation> animations;
        if (MQABlock* block = chunk.block()) {
            if (const MQAAttribute* line = block->attributeForName("facet"))
                facet = floatOfParam(*line, 0, [&] { return object + ", \"facet\""; });
            if (read && read->vertices)
                vertices = read->vertices->take();
            else
                vertices = readVertices(firstNamed(*block, "vertex"), object);
            RawFaces raw;
            LineNumbers numbers;
            if (read && read->faces) {
                raw = read->faces->takeFaces();
                numbers = read->faces->lines();
            } else {
                raw = readRawFaces(firstNamed(*block, "face"), numbers);
            }
            faces = resolveFaces(raw, numbers, object, vertices, materials);
            raw.clear();  // gone before the model takes its memory
            animations = readObjectAnimations(*block, object);
        }
        release(chunk);
        models.push_back(ZeltoModel::modelWithName(name, facet, std::move(vertices),
                                                   std::move(faces.faces),
                                                   std::move(faces.documentOrder),
                                                   std::move(animations)));
    }
    return models;
}

}  // namespace scene
