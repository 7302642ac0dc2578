#include <array>

#include "InHalves.h"
#include "LargeArrays.h"
#include "SceneReading.h"
#include "ScenePasses.h"

namespace scene {
namespace {

// The first parameter of each of the given names, found in one look at the line.
template <size_t N>
std::array<const MQAParam*, N> namedParams(const MQAAttribute& line,
                                           const std::array<std::string_view, N>& names) {
    std::array<const MQAParam*, N> found{};
    for (const MQAParam& param : line.params()) {
        if (!param.name()) continue;
        for (size_t k = 0; k < N; ++k)
            if (!found[k] && param.hasName(names[k])) found[k] = &param;
    }
    return found;
}

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
            Place where(describe, &line);
            float x = floatOfParam(line, 0, where);
            float y = floatOfParam(line, 1, where);
            float z = floatOfParam(line, 2, where);
            const MQAParam* b = line.paramForName("b");
            int32_t bone = b ? intAt(*b, 0, "\"b\"", where) : -1;
            vertices[i] = ZeltoVertex::initWithPosX(x, y, z, bone);
        }
    });
    release(*chunk);
    return vertices;
}

// Faces in material order, and where each face line's face went.
struct FaceList {
    std::vector<ZeltoFace> faces;
    std::vector<uint32_t> documentOrder;
};

// The material index a face line's place is counted under. A line whose material
// cannot be used counts as material 0; reading the line reports the error.
size_t countedMaterial(const MQAAttribute& line, size_t materials) {
    int32_t index = 0;
    if (const MQAParam* m = line.paramForName("m"); m && m->count() > 0) index = m->intValueAtIndex(0);
    if (index < 0 || static_cast<size_t>(index) >= materials) index = 0;
    return static_cast<size_t>(index);
}

// Where each half's faces of each material go once faces are in material order:
// material by material (materials are in one list, so their order by address is their
// order in it), and within a material the first half's faces before the second's.
std::array<std::vector<uint32_t>, 2> materialStarts(const std::vector<MQAAttribute>& lines,
                                                    const Halves& halves, size_t materials) {
    std::array<std::vector<uint32_t>, 2> counts{std::vector<uint32_t>(materials, 0),
                                                std::vector<uint32_t>(materials, 0)};
    forEachHalf(halves, [&](int half, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) ++counts[half][countedMaterial(lines[i], materials)];
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

FaceList readFaces(MQAAttribute* chunk, const std::string& object,
                   std::vector<ZeltoVertex>& vertices, const std::vector<ZeltoMaterial>& materials) {
    FaceList list;
    if (!chunk || !chunk->block()) return list;
    std::vector<MQAAttribute>& lines = chunk->block()->attributes();
    Halves halves(lines.size());
    // Each face goes straight to its place in material order, which spares the model
    // from sorting (and copying) the faces itself.
    std::array<std::vector<uint32_t>, 2> next =
        materialStarts(lines, halves, std::max<size_t>(materials.size(), 1));
    list.faces = zelto::largeVector<ZeltoFace>(lines.size());
    list.documentOrder = zelto::largeVector<uint32_t>(lines.size());
    static constexpr std::array<std::string_view, 3> kNames{"v", "m", "uv"};
    forEachHalf(halves, [&](int half, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            MQAAttribute& attribute = lines[i];
            const SceneLine line(attribute);
            auto describe = [&] { return object + ", face line " + std::to_string(i + 1); };
            Place where(describe, &line);
            auto [v, m, uv] = namedParams(attribute, kNames);

            int32_t materialIndex = m ? intAt(*m, 0, "\"m\"", where) : 0;
            if (materialIndex < 0 || static_cast<size_t>(materialIndex) >= materials.size())
                fail(where, "material index " + std::to_string(materialIndex) + " is out of range (" +
                                std::to_string(materials.size()) + " materials)");

            ZeltoVertex* corner[4] = {};
            uint64_t cornerValues = v ? v->count() : 0;
            for (uint64_t k = 0; k < 4 && k < cornerValues; ++k) {
                int32_t index = v->intValueAtIndex(k);
                if (index < 0) continue;  // an absent corner
                if (static_cast<size_t>(index) >= vertices.size())
                    fail(where, "vertex index " + std::to_string(index) + " is out of range (" +
                                    std::to_string(vertices.size()) + " vertices)");
                corner[k] = &vertices[static_cast<size_t>(index)];
            }
            for (int k = 0; k < 2; ++k)
                if (!corner[k])
                    fail(where, "corner " + std::to_string(k) +
                                    " has no vertex (a face needs vertices for its first two corners)");

            float coordinates[8] = {};
            uint64_t uvValues = uv ? uv->count() : 0;
            for (uint64_t j = 0; j < 8 && j < uvValues; ++j) coordinates[j] = uv->floatValueAtIndex(j);

            uint32_t position = next[half][static_cast<size_t>(materialIndex)]++;
            list.documentOrder[i] = position;
            list.faces[position] = ZeltoFace::faceWithMaterial(
                &materials[static_cast<size_t>(materialIndex)], corner[0], corner[1], corner[2],
                corner[3], coordinates[0], coordinates[1], coordinates[2], coordinates[3],
                coordinates[4], coordinates[5], coordinates[6], coordinates[7]);
            attribute.params() = MQAParamList();  // its memory is not needed again
        }
    });
    release(*chunk);
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

std::vector<ZeltoModel> readObjects(MQABlock& body, const std::vector<ZeltoMaterial>& materials) {
    std::vector<ZeltoModel> models;
    for (MQAAttribute& chunk : body.attributes()) {
        if (!chunk.hasName("object")) continue;
        size_t number = models.size() + 1;
        std::string name = textOfParam(chunk, 0, [&] { return "Object " + std::to_string(number); });
        std::string object = "Object " + quoted(name);
        float facet = 90.0f;
        std::vector<ZeltoVertex> vertices;
        FaceList faces;
        std::vector<ZeltoAnimation> animations;
        if (MQABlock* block = chunk.block()) {
            if (const MQAAttribute* line = block->attributeForName("facet"))
                facet = floatOfParam(*line, 0, [&] { return object + ", \"facet\""; });
            vertices = readVertices(firstNamed(*block, "vertex"), object);
            faces = readFaces(firstNamed(*block, "face"), object, vertices, materials);
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
