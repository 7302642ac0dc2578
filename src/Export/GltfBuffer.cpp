#include "GltfBuffer.h"

#include <algorithm>
#include <limits>

GltfBuffer::GltfBuffer(tinygltf::Model& model) : _model(model) { _model.buffers.emplace_back(); }

int GltfBuffer::addView(std::span<const unsigned char> bytes, int target) {
    std::vector<unsigned char>& data = _model.buffers[0].data;
    data.resize((data.size() + 3) / 4 * 4, 0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = data.size();
    view.byteLength = bytes.size();
    view.target = target;
    data.insert(data.end(), bytes.begin(), bytes.end());
    _model.bufferViews.push_back(view);
    return static_cast<int>(_model.bufferViews.size()) - 1;
}

namespace {

template <typename T>
std::span<const unsigned char> bytesOf(std::span<const T> values) {
    return {reinterpret_cast<const unsigned char*>(values.data()), values.size_bytes()};
}

}  // namespace

int GltfBuffer::addFloats(std::span<const float> values, int components, int type, int target, bool bounds) {
    tinygltf::Accessor accessor;
    accessor.bufferView = addView(bytesOf(values), target);
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    accessor.type = type;
    accessor.count = values.size() / static_cast<size_t>(components);
    if (bounds) {
        accessor.minValues.assign(static_cast<size_t>(components), std::numeric_limits<double>::infinity());
        accessor.maxValues.assign(static_cast<size_t>(components), -std::numeric_limits<double>::infinity());
        for (size_t i = 0; i < values.size(); ++i) {
            size_t k = i % static_cast<size_t>(components);
            accessor.minValues[k] = std::min<double>(accessor.minValues[k], values[i]);
            accessor.maxValues[k] = std::max<double>(accessor.maxValues[k], values[i]);
        }
    }
    _model.accessors.push_back(accessor);
    return static_cast<int>(_model.accessors.size()) - 1;
}

int GltfBuffer::addIndices(std::span<const uint32_t> indices) {
    tinygltf::Accessor accessor;
    accessor.bufferView = addView(bytesOf(indices), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
    accessor.type = TINYGLTF_TYPE_SCALAR;
    accessor.count = indices.size();
    _model.accessors.push_back(accessor);
    return static_cast<int>(_model.accessors.size()) - 1;
}

int GltfBuffer::addJoints(std::span<const uint16_t> joints) {
    tinygltf::Accessor accessor;
    accessor.bufferView = addView(bytesOf(joints), TINYGLTF_TARGET_ARRAY_BUFFER);
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
    accessor.type = TINYGLTF_TYPE_VEC4;
    accessor.count = joints.size() / 4;
    _model.accessors.push_back(accessor);
    return static_cast<int>(_model.accessors.size()) - 1;
}
