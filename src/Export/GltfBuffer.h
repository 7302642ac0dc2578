#pragma once

#include <tiny_gltf.h>

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>

// The one buffer of an exported file, and the views and accessors into it. Every view
// starts on a four-byte boundary, as glTF asks of every component type.
class GltfBuffer {
public:
    explicit GltfBuffer(tinygltf::Model& model);

    // Room for `bytes` more, so that a large mesh goes in without the buffer being
    // copied as it grows.
    void reserve(size_t bytes);
    // A view of raw bytes (an image's file); returns the view's index.
    int addView(std::span<const unsigned char> bytes, int target = 0);
    // `components` floats per element (type TINYGLTF_TYPE_*); with `bounds`, the
    // accessor carries each component's least and greatest value (positions need them).
    // glTF takes finite numbers only: an infinity or NaN goes in as 0, counted in
    // nonFinite().
    int addFloats(std::span<const float> values, int components, int type, int target, bool bounds = false);
    int addIndices(std::span<const uint32_t> indices);
    // The same for `count` elements that `write` puts straight into the buffer, so that
    // a large mesh's values are never held twice: it is given the room for them, which
    // stays put while it runs.
    int addFloatsWrittenBy(size_t count, int components, int type, int target, bool bounds,
                           const std::function<void(std::span<float>)>& write);
    int addIndicesWrittenBy(size_t count, const std::function<void(std::span<uint32_t>)>& write);
    // Four joints per vertex, as unsigned shorts.
    int addJoints(std::span<const uint16_t> joints);

    // The accessors that were given numbers that are not finite, and how many each.
    const std::map<int, uint64_t>& nonFinite() const { return _nonFinite; }

private:
    int addAccessor(std::span<const unsigned char> bytes, int target, int componentType, int type, size_t count);
    // An accessor of `bytes` bytes at the buffer's end, left for the caller to fill.
    int addRoom(size_t bytes, int target, int componentType, int type, size_t count);
    template <typename T>
    std::span<T> roomOf(int accessor);
    // Makes the floats of a filled accessor finite, and with `bounds` notes their range.
    void finishFloats(int accessor, size_t components, bool bounds);

    tinygltf::Model& _model;
    std::map<int, uint64_t> _nonFinite;
};
