#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ObjectDisplay.h"

class Metasequoia;
class MQAProgress;
namespace zelto {
class ByteSource;
}

// How a scene is exported.
struct GltfExportOptions {
    bool binary = true;  // one .glb; else .gltf text whose buffer is `resourcesName` beside it
    std::string resourcesName = "scene.bin";
    std::optional<std::string> documentPath;  // textures are looked for beside it; never written over
    bool lenientPaths = false;                // textures named as compatibility reading names them
    const zelto::ByteSource* textureFiles = nullptr;  // where textures are opened; by default beside documentPath
    size_t textureBudget = size_t{512} << 20;         // bytes the decoded textures may take, as in drawing
    // Counts the faces done against all of them; stops with MQACancelled once cancelled.
    MQAProgress* progress = nullptr;
    // The objects as the window shows them: mirrored halves added, hidden objects left out.
    DisplayChoice display;
    // Two-corner faces, which Zelto never draws, as lines with an unlit, untextured
    // material; left out otherwise.
    bool lines = false;
    // Metres per document unit: the scene is scaled by it, and the asset's extras say so.
    // Finite and above 0.
    double scale = 1;
};

// An exported scene: the file's bytes, the buffer for a text file, and what the export
// could not carry over exactly.
struct GltfExport {
    std::string file;
    std::string resources;  // empty for .glb
    std::vector<std::string> warnings;
    uint64_t triangles = 0, lines = 0, textures = 0, animations = 0;
};

// The scene as glTF 2.0: a root node with the scene's place (its sceneMatrix) and the
// export's scale; under it a node per model (its matrix at rest as translation, rotation
// and scale) with its mesh and its mirrored copies, and the bones' joints. A model whose
// vertices follow bones is skinned (its node then stands beside the root, as glTF skins
// ask). One animation per animation name, sampled at 30 frames a second over its loop,
// each frame's matrices split into translation, rotation and scale. The scene is only
// read. Throws std::invalid_argument for a scale that is not finite and above 0.
GltfExport exportGltf(const Metasequoia& scene, const GltfExportOptions& options);

// Where an export to `path` goes: the file, and beside a .gltf text file its buffer,
// the same name ending in .bin (none for a .glb file, which holds everything).
struct GltfFiles {
    std::string file;
    std::string buffer;
    bool binary() const { return buffer.empty(); }
};
// Throws std::runtime_error when `path` ends in neither .glb nor .gltf (any case), or
// when either file would be the document at `documentPath`.
GltfFiles gltfFilesFor(const std::string& path, const std::optional<std::string>& documentPath);

// The one way an export reaches its files, for the tool and the window alike: exports
// the scene (binary or text as `path` ends) and writes it, each file whole or not at all.
// Returns what the export could not carry over exactly. Throws std::runtime_error saying
// why nothing was written (never over the document), or MQACancelled.
std::vector<std::string> exportGltfFile(const Metasequoia& scene, const std::string& path,
                                        GltfExportOptions options);

// Writes an export's files (gltfFilesFor) whole or not at all; std::runtime_error when
// they cannot be written or one would be the document.
void writeGltfExport(const GltfExport& exported, const GltfFiles& files, const std::optional<std::string>& documentPath);
