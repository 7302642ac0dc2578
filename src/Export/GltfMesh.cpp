#include "GltfMesh.h"

#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "ZeltoModel.h"

namespace {

using CornerKey = std::array<uint32_t, 9>;  // position, normal and uv bits, joint

struct CornerKeyHash {
    size_t operator()(const CornerKey& key) const {
        uint64_t h = 1469598103934665603ull;
        for (uint32_t part : key) h = (h ^ part) * 1099511628211ull;
        return static_cast<size_t>(h);
    }
};

bool finite(GLKVector3 p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// The vertices and elements of one primitive, with corners that carry the same
// attributes shared.
struct PrimitiveBuilder {
    const ZeltoMaterial* material = nullptr;
    bool lines = false;
    std::vector<float> positions, normals, uvs, weights;
    std::vector<uint16_t> joints;
    std::vector<uint32_t> indices;
    std::unordered_map<CornerKey, uint32_t, CornerKeyHash> shared;

    uint32_t vertex(GLKVector3 position, GLKVector3 normal, GLKVector2 uv, uint32_t joint, bool skinned) {
        CornerKey key;
        const float parts[8] = {position.x, position.y, position.z, normal.x, normal.y, normal.z, uv.x, uv.y};
        std::memcpy(key.data(), parts, sizeof parts);
        key[8] = joint;
        auto [at, added] = shared.try_emplace(key, static_cast<uint32_t>(positions.size() / 3));
        if (added) {
            positions.insert(positions.end(), {position.x, position.y, position.z});
            normals.insert(normals.end(), {normal.x, normal.y, normal.z});
            uvs.insert(uvs.end(), {uv.x, uv.y});
            if (skinned) {
                joints.insert(joints.end(), {static_cast<uint16_t>(joint), 0, 0, 0});
                weights.insert(weights.end(), {1, 0, 0, 0});
            }
        }
        return at->second;
    }
};

// The normal the viewer lights a corner with, made unit; any unit normal for none.
GLKVector3 drawnNormal(const ZeltoModel& model, const ZeltoFace& face, int32_t corner) {
    GLKVector3 n = model.cornerNormal(face, corner);
    double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
    if (!(length > 0) || !std::isfinite(length)) return {0, 1, 0};
    return {static_cast<float>(-n.x / length), static_cast<float>(-n.y / length), static_cast<float>(-n.z / length)};
}

}  // namespace

int addMesh(tinygltf::Model& gltf, GltfBuffer& buffer, const ZeltoModel& model,
            const std::map<const ZeltoMaterial*, int>& materials, uint32_t joints, GltfMeshFigures& figures) {
    const std::vector<ZeltoVertex>& vertices = model.vertices();
    auto jointOf = [&](uint32_t v) {
        int32_t bone = vertices[v].bone;
        return bone >= 0 && static_cast<uint32_t>(bone) < joints ? static_cast<uint32_t>(bone) : joints;
    };
    if (joints > 0)
        for (uint32_t v = 0; v < vertices.size() && !figures.skinned; ++v) figures.skinned = jointOf(v) < joints;
    std::vector<PrimitiveBuilder> primitives;
    auto primitiveFor = [&](const ZeltoMaterial* material, bool lines) -> PrimitiveBuilder& {
        for (PrimitiveBuilder& p : primitives)
            if (p.material == material && p.lines == lines) return p;
        primitives.emplace_back();
        primitives.back().material = material;
        primitives.back().lines = lines;
        return primitives.back();
    };
    for (const ZeltoFace& face : model.faces()) {
        bool usable = face.count() >= 2;
        for (int32_t k = 0; k < face.count(); ++k) usable = usable && finite(vertices[face.corner(k).vertex].pos);
        if (!usable) {
            ++figures.skipped;
            continue;
        }
        PrimitiveBuilder& primitive = primitiveFor(face.material(), face.count() == 2);
        uint32_t element[4];
        for (int32_t k = 0; k < face.count(); ++k) {
            ZeltoCorner corner = face.corner(k);
            element[k] = primitive.vertex(vertices[corner.vertex].pos, drawnNormal(model, face, k), corner.uv,
                                          jointOf(corner.vertex), figures.skinned);
        }
        if (face.count() == 2) {
            primitive.indices.insert(primitive.indices.end(), {element[0], element[1]});
            ++figures.lines;
            continue;
        }
        // The viewer draws the fan (k, k + 1, 0) and shows the faces it sees turning
        // clockwise: glTF's front faces turn anticlockwise, so each triangle turns back.
        for (int32_t k = 1; k + 1 < face.count(); ++k) {
            primitive.indices.insert(primitive.indices.end(), {element[0], element[k + 1], element[k]});
            ++figures.triangles;
        }
    }
    tinygltf::Mesh mesh;
    mesh.name = model.name();
    for (const PrimitiveBuilder& p : primitives) {
        tinygltf::Primitive primitive;
        primitive.mode = p.lines ? TINYGLTF_MODE_LINE : TINYGLTF_MODE_TRIANGLES;
        primitive.attributes["POSITION"] =
            buffer.addFloats(p.positions, 3, TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER, true);
        if (!p.lines) {
            primitive.attributes["NORMAL"] = buffer.addFloats(p.normals, 3, TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER);
            primitive.attributes["TEXCOORD_0"] = buffer.addFloats(p.uvs, 2, TINYGLTF_TYPE_VEC2, TINYGLTF_TARGET_ARRAY_BUFFER);
        }
        if (figures.skinned) {
            primitive.attributes["JOINTS_0"] = buffer.addJoints(p.joints);
            primitive.attributes["WEIGHTS_0"] = buffer.addFloats(p.weights, 4, TINYGLTF_TYPE_VEC4, TINYGLTF_TARGET_ARRAY_BUFFER);
        }
        primitive.indices = buffer.addIndices(p.indices);
        auto material = materials.find(p.material);
        if (material != materials.end()) primitive.material = material->second;
        mesh.primitives.push_back(primitive);
    }
    if (mesh.primitives.empty()) return -1;  // nothing to draw: no mesh
    gltf.meshes.push_back(mesh);
    return static_cast<int>(gltf.meshes.size()) - 1;
}
