#pragma once

#include <string>
#include <vector>

#include <tiny_gltf.h>

class GltfBuffer;

// glTF takes finite numbers only. The buffer has already put 0 in place of every
// infinity and NaN it was given; this names where they were (the model and what of it,
// the animation, the skin), each with a warning, and makes the numbers that must be unit
// (normals, rotations) unit again. Node transforms that are not finite become the
// identity's parts, with a warning.
void keepNumbersFinite(tinygltf::Model& gltf, const GltfBuffer& buffer, std::vector<std::string>& warnings);
