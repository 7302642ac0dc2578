#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "GltfBuffer.h"

class Metasequoia;
class TextureFiles;
class ZeltoMaterial;

// Adds the scene's materials in metallic-roughness terms that come near the viewer's
// fixed-function look: base colour from the colour times its diffuse factor, alpha from
// the colour's (blended when under 1), emission from the colour times its emissive
// factor, roughness from the shininess power, no metal, one side. Textures come from
// `textures` (each file decoded once, within its budget) and go into the buffer: PNG and
// JPEG files as the very bytes that decoded, other formats as PNG; one image per file.
// A texture that cannot be read leaves its material untextured, with a warning. Returns
// each material's glTF index.
std::map<const ZeltoMaterial*, int> addMaterials(tinygltf::Model& gltf, GltfBuffer& buffer, const Metasequoia& scene,
                                                 TextureFiles& textures, std::vector<std::string>& warnings);
