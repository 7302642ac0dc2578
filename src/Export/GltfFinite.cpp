#include "GltfFinite.h"

#include <cmath>
#include <cstring>
#include <set>

#include "GltfBuffer.h"

namespace {

std::string what(const std::string& attribute) {
    if (attribute == "POSITION") return "positions";
    if (attribute == "NORMAL") return "normals";
    if (attribute.starts_with("TEXCOORD")) return "texture coordinates";
    if (attribute.starts_with("WEIGHTS")) return "joint weights";
    return attribute;
}

// The accessor's floats, scaled to unit length `width` at a time; a zero-length element
// becomes `fallback`. An element whose part was replaced by 0 is no longer unit.
void makeUnit(tinygltf::Model& gltf, int accessorIndex, size_t width, std::vector<float> fallback) {
    const tinygltf::Accessor& accessor = gltf.accessors[static_cast<size_t>(accessorIndex)];
    const tinygltf::BufferView& view = gltf.bufferViews[static_cast<size_t>(accessor.bufferView)];
    unsigned char* bytes = gltf.buffers[static_cast<size_t>(view.buffer)].data.data() + view.byteOffset + accessor.byteOffset;
    std::vector<float> element(width);
    for (size_t e = 0; e < accessor.count; ++e) {
        std::memcpy(element.data(), bytes + e * width * sizeof(float), width * sizeof(float));
        double length = 0;
        for (float part : element) length += double(part) * part;
        length = std::sqrt(length);
        if (length > 0)
            for (float& part : element) part = static_cast<float>(part / length);
        else
            element = fallback;
        std::memcpy(bytes + e * width * sizeof(float), element.data(), width * sizeof(float));
    }
}

std::string nonFiniteNote(uint64_t count) {
    return std::to_string(count) + (count == 1 ? " value is" : " values are") + " not a finite number and went in as 0";
}

// Replaces each part of `values` that is not finite by `identity`'s, or with `whole`
// (a rotation's parts stand together) all of them; true if any was.
bool finiteParts(std::vector<double>& values, const std::vector<double>& identity, bool whole = false) {
    bool replaced = false;
    for (size_t i = 0; i < values.size() && i < identity.size(); ++i) {
        if (std::isfinite(values[i])) continue;
        replaced = true;
        if (whole) {
            values = identity;
            break;
        }
        values[i] = identity[i];
    }
    return replaced;
}

}  // namespace

void keepNumbersFinite(tinygltf::Model& gltf, const GltfBuffer& buffer, std::vector<std::string>& warnings) {
    const std::map<int, uint64_t>& nonFinite = buffer.nonFinite();
    std::set<int> named;
    auto count = [&](int accessor) -> uint64_t {
        auto found = nonFinite.find(accessor);
        if (found == nonFinite.end() || !named.insert(accessor).second) return 0;
        return found->second;
    };
    if (!nonFinite.empty()) {
        for (const tinygltf::Mesh& mesh : gltf.meshes)
            for (const tinygltf::Primitive& primitive : mesh.primitives)
                for (const auto& [attribute, accessor] : primitive.attributes)
                    if (uint64_t n = count(accessor)) {
                        warnings.push_back("model \"" + mesh.name + "\", " + what(attribute) + ": " + nonFiniteNote(n));
                        if (attribute == "NORMAL") makeUnit(gltf, accessor, 3, {0, 1, 0});
                    }
        for (const tinygltf::Animation& animation : gltf.animations)
            for (const tinygltf::AnimationChannel& channel : animation.channels) {
                const int output = animation.samplers[static_cast<size_t>(channel.sampler)].output;
                if (uint64_t n = count(output)) {
                    warnings.push_back("animation \"" + animation.name + "\": " + nonFiniteNote(n));
                    if (channel.target_path == "rotation") makeUnit(gltf, output, 4, {0, 0, 0, 1});
                }
            }
        uint64_t elsewhere = 0;
        for (const auto& [accessor, n] : nonFinite) elsewhere += count(accessor);
        if (elsewhere) warnings.push_back("elsewhere in the buffer (times, bind matrices, morph targets): " + nonFiniteNote(elsewhere));
    }
    for (tinygltf::Node& node : gltf.nodes) {
        bool replaced = finiteParts(node.translation, {0, 0, 0});
        replaced = finiteParts(node.rotation, {0, 0, 0, 1}, true) || replaced;
        replaced = finiteParts(node.scale, {1, 1, 1}) || replaced;
        if (replaced)
            warnings.push_back("node \"" + node.name + "\": a part of its place that is not finite went in as the identity's");
    }
}
