#include "GltfBuffer.h"

#include <algorithm>
#include <cmath>
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

int GltfBuffer::addRoom(size_t bytes, int target, int componentType, int type, size_t count) {
    std::vector<unsigned char>& data = _model.buffers[0].data;
    data.resize((data.size() + 3) / 4 * 4, 0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = data.size();
    view.byteLength = bytes;
    view.target = target;
    data.resize(data.size() + bytes);
    _model.bufferViews.push_back(view);
    tinygltf::Accessor accessor;
    accessor.bufferView = static_cast<int>(_model.bufferViews.size()) - 1;
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    _model.accessors.push_back(accessor);
    return static_cast<int>(_model.accessors.size()) - 1;
}

template <typename T>
std::span<T> GltfBuffer::roomOf(int accessor) {
    const tinygltf::BufferView& view =
        _model.bufferViews[static_cast<size_t>(_model.accessors[static_cast<size_t>(accessor)].bufferView)];
    return {reinterpret_cast<T*>(_model.buffers[0].data.data() + view.byteOffset), view.byteLength / sizeof(T)};
}

void GltfBuffer::finishFloats(int index, size_t width, bool bounds) {
    const std::span<float> values = roomOf<float>(index);
    uint64_t replaced = 0;
    for (float& value : values) {
        if (std::isfinite(value)) continue;
        value = 0;
        ++replaced;
    }
    if (replaced) _nonFinite[index] = replaced;
    if (bounds) {
        tinygltf::Accessor& accessor = _model.accessors[static_cast<size_t>(index)];
        accessor.minValues.assign(width, std::numeric_limits<double>::infinity());
        accessor.maxValues.assign(width, -std::numeric_limits<double>::infinity());
        for (size_t i = 0; i < values.size(); ++i) {
            accessor.minValues[i % width] = std::min<double>(accessor.minValues[i % width], values[i]);
            accessor.maxValues[i % width] = std::max<double>(accessor.maxValues[i % width], values[i]);
        }
    }
}

int GltfBuffer::addFloats(std::span<const float> values, int components, int type, int target, bool bounds) {
    return addFloatsWrittenBy(values.size() / static_cast<size_t>(components), components, type, target, bounds,
                              [&](std::span<float> room) { std::copy_n(values.begin(), room.size(), room.begin()); });
}

int GltfBuffer::addFloatsWrittenBy(size_t count, int components, int type, int target, bool bounds,
                                   const std::function<void(std::span<float>)>& write) {
    const size_t width = static_cast<size_t>(components);
    const int index = addRoom(count * width * sizeof(float), target, TINYGLTF_COMPONENT_TYPE_FLOAT, type, count);
    write(roomOf<float>(index));
    finishFloats(index, width, bounds);
    return index;
}

int GltfBuffer::addIndicesWrittenBy(size_t count, const std::function<void(std::span<uint32_t>)>& write) {
    const int index = addRoom(count * sizeof(uint32_t), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER,
                              TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, count);
    write(roomOf<uint32_t>(index));
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
