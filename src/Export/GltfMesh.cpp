#include "GltfMesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "TriangleRuns.h"
#include "ZeltoModel.h"

namespace {

// The normal the viewer lights a corner with, made unit; any unit normal for none.
GLKVector3 drawnNormal(const PoseView& pose, const ZeltoFace& face, int32_t corner) {
    GLKVector3 n = pose.cornerNormal(face, corner);
    double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
    if (!(length > 0) || !std::isfinite(length)) return {0, 1, 0};
    return {static_cast<float>(-n.x / length), static_cast<float>(-n.y / length), static_cast<float>(-n.z / length)};
}

// The most bytes a mesh's runs take in the buffer: a run's views (at most six) each
// start on a four-byte boundary.
size_t bytesOfRuns(const TriangleRuns& runs, bool skinned) {
    constexpr size_t kViews = 6, kMostPadding = 3;
    size_t bytes = 0;
    for (const TriangleRuns::Run& run : runs.runs()) {
        if (run.indexCount == 0) continue;
        size_t perVertex = 3 * sizeof(float);                   // position
        if (!run.lines) perVertex += 3 * sizeof(float) + 2 * sizeof(float);  // normal, uv
        if (skinned) perVertex += 4 * sizeof(uint16_t) + 4 * sizeof(float);  // joints, weights
        bytes += run.elementCount * perVertex + run.indexCount * sizeof(uint32_t) + kViews * kMostPadding;
    }
    return bytes;
}

}  // namespace

int GltfLineMaterials::materialFor(int material) {
    auto [made, added] = _made.try_emplace(material, static_cast<int>(_gltf.materials.size()));
    if (!added) return made->second;
    tinygltf::Material lines;
    lines.name = material >= 0 ? _gltf.materials[static_cast<size_t>(material)].name + " (lines)" : "lines";
    if (material >= 0)
        lines.pbrMetallicRoughness.baseColorFactor =
            _gltf.materials[static_cast<size_t>(material)].pbrMetallicRoughness.baseColorFactor;
    lines.extensions["KHR_materials_unlit"] = tinygltf::Value(tinygltf::Value::Object());
    _gltf.materials.push_back(lines);
    std::vector<std::string>& used = _gltf.extensionsUsed;
    if (std::find(used.begin(), used.end(), "KHR_materials_unlit") == used.end()) used.push_back("KHR_materials_unlit");
    return made->second;
}

int addMesh(tinygltf::Model& gltf, GltfBuffer& buffer, const ZeltoModel& model, const PoseView& pose,
            const std::map<const ZeltoMaterial*, int>& materials, GltfLineMaterials* lines, uint32_t joints,
            GltfMeshFigures& figures) {
    const std::vector<ZeltoVertex>& vertices = model.vertices();
    auto jointOf = [&](uint32_t v) {
        int32_t bone = vertices[v].bone;
        return bone >= 0 && static_cast<uint32_t>(bone) < joints ? static_cast<uint32_t>(bone) : joints;
    };
    if (joints > 0)
        for (uint32_t v = 0; v < vertices.size() && !figures.skinned; ++v) figures.skinned = jointOf(v) < joints;
    TriangleRunChoices choices;
    choices.lines = lines != nullptr;
    choices.finiteFacesOnly = true;
    const TriangleRuns runs(model, choices);
    figures.skipped = runs.facesLeftOut();

    tinygltf::Mesh mesh;
    mesh.name = model.name();
    buffer.reserve(bytesOfRuns(runs, figures.skinned));
    for (const TriangleRuns::Run& run : runs.runs()) {
        if (run.indexCount == 0) continue;
        // Each value goes straight into the buffer, an attribute at a time.
        const std::span<const TriangleRuns::Corner> elements = runs.elements().subspan(run.firstElement, run.elementCount);
        auto cornerOf = [&](const TriangleRuns::Corner& element) {
            return model.faces()[element.face].corner(static_cast<int32_t>(element.corner));
        };
        tinygltf::Primitive primitive;
        primitive.mode = run.lines ? TINYGLTF_MODE_LINE : TINYGLTF_MODE_TRIANGLES;
        primitive.attributes["POSITION"] = buffer.addFloatsWrittenBy(
            elements.size(), 3, TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER, true, [&](std::span<float> out) {
                float* next = out.data();
                for (const TriangleRuns::Corner& element : elements) {
                    const GLKVector3& p = pose.position(cornerOf(element).vertex);
                    *next++ = p.x;
                    *next++ = p.y;
                    *next++ = p.z;
                }
            });
        if (!run.lines) {
            primitive.attributes["NORMAL"] = buffer.addFloatsWrittenBy(
                elements.size(), 3, TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER, false, [&](std::span<float> out) {
                    float* next = out.data();
                    for (const TriangleRuns::Corner& element : elements) {
                        const GLKVector3 n = drawnNormal(pose, model.faces()[element.face], static_cast<int32_t>(element.corner));
                        *next++ = n.x;
                        *next++ = n.y;
                        *next++ = n.z;
                    }
                });
            primitive.attributes["TEXCOORD_0"] = buffer.addFloatsWrittenBy(
                elements.size(), 2, TINYGLTF_TYPE_VEC2, TINYGLTF_TARGET_ARRAY_BUFFER, false, [&](std::span<float> out) {
                    float* next = out.data();
                    for (const TriangleRuns::Corner& element : elements) {
                        const ZeltoCorner corner = cornerOf(element);
                        *next++ = corner.uv.x;
                        *next++ = corner.uv.y;
                    }
                });
        }
        if (figures.skinned) {
            // Each element bound wholly to one joint.
            std::vector<uint16_t> boundJoints;
            std::vector<float> weights;
            boundJoints.reserve(elements.size() * 4);
            weights.reserve(elements.size() * 4);
            for (const TriangleRuns::Corner& element : elements) {
                boundJoints.insert(boundJoints.end(), {static_cast<uint16_t>(jointOf(cornerOf(element).vertex)), 0, 0, 0});
                weights.insert(weights.end(), {1, 0, 0, 0});
            }
            primitive.attributes["JOINTS_0"] = buffer.addJoints(boundJoints);
            primitive.attributes["WEIGHTS_0"] = buffer.addFloats(weights, 4, TINYGLTF_TYPE_VEC4, TINYGLTF_TARGET_ARRAY_BUFFER);
        }
        // The viewer shows the faces its triangles turn clockwise on: glTF's front faces
        // turn anticlockwise, so each triangle's corners go the other way round.
        const std::span<const uint32_t> runIndices = runs.indices().subspan(run.firstIndex, run.indexCount);
        primitive.indices = buffer.addIndicesWrittenBy(runIndices.size(), [&](std::span<uint32_t> out) {
            for (size_t i = 0; i < runIndices.size(); ++i) out[i] = runIndices[i] - run.firstElement;
            if (!run.lines)
                for (size_t t = 0; t < out.size(); t += 3) std::swap(out[t], out[t + 2]);
        });
        (run.lines ? figures.lines : figures.triangles) += runIndices.size() / (run.lines ? 2 : 3);
        auto material = materials.find(run.material);
        if (material != materials.end()) primitive.material = material->second;
        if (run.lines) primitive.material = lines->materialFor(primitive.material);
        mesh.primitives.push_back(primitive);
    }
    if (mesh.primitives.empty()) {  // nothing to draw: no mesh, and so nothing for a skin to move
        figures.skinned = false;
        return -1;
    }
    gltf.meshes.push_back(mesh);
    return static_cast<int>(gltf.meshes.size()) - 1;
}

int addTurnedMesh(tinygltf::Model& gltf, GltfBuffer& buffer, int mesh) {
    tinygltf::Mesh turned = gltf.meshes[static_cast<size_t>(mesh)];
    turned.name += " (turned)";
    for (tinygltf::Primitive& primitive : turned.primitives) {
        if (primitive.mode != TINYGLTF_MODE_TRIANGLES) continue;
        const tinygltf::Accessor& accessor = gltf.accessors[static_cast<size_t>(primitive.indices)];
        const tinygltf::BufferView& view = gltf.bufferViews[static_cast<size_t>(accessor.bufferView)];
        std::vector<uint32_t> indices(accessor.count);
        std::memcpy(indices.data(), gltf.buffers[0].data.data() + view.byteOffset + accessor.byteOffset,
                    indices.size() * sizeof(uint32_t));
        for (size_t t = 0; t + 2 < indices.size(); t += 3) std::swap(indices[t], indices[t + 2]);
        primitive.indices = buffer.addIndices(indices);
    }
    gltf.meshes.push_back(turned);
    return static_cast<int>(gltf.meshes.size()) - 1;
}
