#include "GltfBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

GltfBuffer::GltfBuffer(tinygltf::Model& model) : _model(model) { _model.buffers.emplace_back(); }

void GltfBuffer::reserve(size_t bytes) {
    std::vector<unsigned char>& data = _model.buffers[0].data;
    if (data.size() + bytes <= data.capacity()) return;
    // Growing by half at least, so that many small meshes are not copied once each.
    data.reserve(std::max(data.size() + bytes, data.capacity() + data.capacity() / 2));
}

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

int GltfBuffer::addAccessor(std::span<const unsigned char> bytes, int target, int componentType, int type, size_t count) {
    tinygltf::Accessor accessor;
    accessor.bufferView = addView(bytes, target);
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    _model.accessors.push_back(accessor);
    return static_cast<int>(_model.accessors.size()) - 1;
}

int GltfBuffer::addFloats(std::span<const float> values, int components, int type, int target, bool bounds) {
    const size_t width = static_cast<size_t>(components);
    int index = addAccessor(bytesOf(values), target, TINYGLTF_COMPONENT_TYPE_FLOAT, type, values.size() / width);
    // The copy in the buffer made finite, in place.
    std::vector<unsigned char>& data = _model.buffers[0].data;
    unsigned char* copy = data.data() + (data.size() - values.size_bytes());
    uint64_t replaced = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        if (std::isfinite(values[i])) continue;
        const float zero = 0;
        std::memcpy(copy + i * sizeof(float), &zero, sizeof zero);
        ++replaced;
    }
    if (replaced) _nonFinite[index] = replaced;
    if (bounds) {
        tinygltf::Accessor& accessor = _model.accessors[static_cast<size_t>(index)];
        accessor.minValues.assign(width, std::numeric_limits<double>::infinity());
        accessor.maxValues.assign(width, -std::numeric_limits<double>::infinity());
        for (size_t i = 0; i < values.size(); ++i) {
            const double value = std::isfinite(values[i]) ? values[i] : 0.0;
            accessor.minValues[i % width] = std::min(accessor.minValues[i % width], value);
            accessor.maxValues[i % width] = std::max(accessor.maxValues[i % width], value);
        }
    }
    return index;
}

int GltfBuffer::addIndices(std::span<const uint32_t> indices) {
    return addAccessor(bytesOf(indices), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                       TINYGLTF_TYPE_SCALAR, indices.size());
}

int GltfBuffer::addJoints(std::span<const uint16_t> joints) {
    return addAccessor(bytesOf(joints), TINYGLTF_TARGET_ARRAY_BUFFER, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                       TINYGLTF_TYPE_VEC4, joints.size() / 4);
}
