#pragma once

#include <tiny_gltf.h>

#include <ostream>

#include "GltfExport.h"

// The export in two steps, so that a file can be written from the model itself.

// The scene as glTF in memory (see exportGltf): `gltf`, empty before, filled in, its one
// buffer holding every view; returns the counts and warnings, the file and its
// resources left empty.
GltfExport exportGltfModel(const Metasequoia& scene, const GltfExportOptions& options, tinygltf::Model& gltf);

// The model as one .glb file, or as text with its buffer inside; std::runtime_error
// when it cannot be put together.
void writeGltfModel(const tinygltf::Model& gltf, std::ostream& out, bool binary);
