#include "GltfSkeleton.h"

#include "ObjectDisplay.h"
#include "TransformSplit.h"

namespace {

void setTransform(tinygltf::Node& node, const TransformSplit& split) {
    node.translation.assign(split.translation.begin(), split.translation.end());
    node.rotation.assign(split.rotation.begin(), split.rotation.end());
    node.scale.assign(split.scale.begin(), split.scale.end());
}

}  // namespace

GltfSkeleton::GltfSkeleton(tinygltf::Model& gltf, GltfBuffer& buffer, uint32_t bones,
                           const std::optional<std::vector<GLKMatrix4>>& rest, int root)
    : _gltf(gltf), _buffer(buffer), _bones(bones), _rest(rest), _root(root) {
    _skins[0] = addSet(root);
}

int GltfSkeleton::addSet(int parent) {
    std::vector<int>& nodes = _sets.emplace_back();
    for (uint32_t j = 0; j <= _bones; ++j) {
        tinygltf::Node node;
        node.name = j < _bones ? "bone " + std::to_string(j) : "unposed";
        if (_sets.size() > 1) node.name += " (mirrored)";
        bool posed = j < _bones && _rest && j < _rest->size();
        setTransform(node, splitTransform(posed ? (*_rest)[j] : GLKMatrix4Identity));
        _gltf.nodes.push_back(node);
        nodes.push_back(static_cast<int>(_gltf.nodes.size()) - 1);
        _gltf.nodes[static_cast<size_t>(parent)].children.push_back(nodes.back());
    }
    tinygltf::Skin skin;
    skin.joints = nodes;
    // Written out, as some readers do not take the identity for granted.
    std::vector<float> identities;
    for (size_t j = 0; j < nodes.size(); ++j)
        identities.insert(identities.end(), GLKMatrix4Identity.m.begin(), GLKMatrix4Identity.m.end());
    skin.inverseBindMatrices = _buffer.addFloats(identities, 16, TINYGLTF_TYPE_MAT4, 0);
    _gltf.skins.push_back(skin);
    return static_cast<int>(_gltf.skins.size()) - 1;
}

int GltfSkeleton::mirroredSkin(const MirrorCopy& copy) {
    auto found = _skins.find(copy.across);
    if (found != _skins.end()) return found->second;
    tinygltf::Node mirror;
    mirror.name = "mirror";
    mirror.scale = {copy.scale.x, copy.scale.y, copy.scale.z};
    _gltf.nodes.push_back(mirror);
    const int node = static_cast<int>(_gltf.nodes.size()) - 1;
    _gltf.nodes[static_cast<size_t>(_root)].children.push_back(node);
    return _skins[copy.across] = addSet(node);
}

std::vector<int> GltfSkeleton::nodesOfJoint(uint32_t j) const {
    std::vector<int> nodes;
    for (const std::vector<int>& set : _sets) nodes.push_back(set[j]);
    return nodes;
}
