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
// fixed-function look. Base colour: the colour times its diffuse factor, made linear,
// with the colour's alpha as it is; emission: the colour times its emissive factor, made
// linear, tinted by the texture as the viewer's lighting is; roughness from the
// shininess power; no metal; one side. Ambient, specular and power go into the
// material's extras. Blended where the alpha is under 1 or the texture has translucent
// pixels, masked where its pixels are only fully clear or fully opaque. Textures come
// from `textures` (each file decoded once, within its budget) and go into the buffer as
// glTF readers take them (imageForGltf), one image per file. A texture that cannot be
// read leaves its material untextured, with a warning. Returns each material's glTF
// index.
std::map<const ZeltoMaterial*, int> addMaterials(tinygltf::Model& gltf, GltfBuffer& buffer, const Metasequoia& scene,
                                                 TextureFiles& textures, std::vector<std::string>& warnings);
