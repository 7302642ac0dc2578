#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Metasequoia;
class MQAProgress;
namespace zelto {
class ByteSource;
}

// How a scene is exported.
struct GltfExportOptions {
    bool binary = true;  // one .glb; else .gltf text whose buffer is `resourcesName` beside it
    std::string resourcesName = "scene.bin";
    std::optional<std::string> documentPath;  // textures are looked for beside it
    bool lenientPaths = false;                // textures named as compatibility reading names them
    const zelto::ByteSource* textureFiles = nullptr;  // where textures are opened; by default beside documentPath
    size_t textureBudget = size_t{512} << 20;         // bytes the decoded textures may take, as in drawing
    MQAProgress* progress = nullptr;          // stops with MQACancelled once cancelled
};

// An exported scene: the file's bytes, the buffer for a text file, and what the export
// could not carry over exactly.
struct GltfExport {
    std::string file;
    std::string resources;  // empty for .glb
    std::vector<std::string> warnings;
    uint64_t triangles = 0, lines = 0, textures = 0, animations = 0;
};

// The scene as glTF 2.0: a root node with the scene's position and rotation; under it a
// node per model (its matrix at rest as translation, rotation and scale) with its mesh,
// and the bones' joints. A model whose vertices follow bones is skinned (its node then
// stands beside the root, as glTF skins ask). One animation per animation name, sampled
// at 30 frames a second over its loop, each frame's matrices split into translation,
// rotation and scale. Poses the scene's models and leaves them at rest.
GltfExport exportGltf(Metasequoia& scene, const GltfExportOptions& options);

// Writes an export to `path` (and a text file's buffer beside it), each file whole or
// not at all. Refuses, with a std::runtime_error that says why, to write over
// `documentPath`; other errors are std::runtime_error too.
void writeGltfExport(const GltfExport& exported, const std::string& path, const std::optional<std::string>& documentPath,
                     const std::string& resourcesPath);
