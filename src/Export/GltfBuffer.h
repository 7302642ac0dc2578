#pragma once

#include <tiny_gltf.h>

#include <cstdint>
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
    // Four joints per vertex, as unsigned shorts.
    int addJoints(std::span<const uint16_t> joints);

    // The accessors that were given numbers that are not finite, and how many each.
    const std::map<int, uint64_t>& nonFinite() const { return _nonFinite; }

private:
    int addAccessor(std::span<const unsigned char> bytes, int target, int componentType, int type, size_t count);

    tinygltf::Model& _model;
    std::map<int, uint64_t> _nonFinite;
};
