#include "GltfMaterials.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>

#include "Metasequoia.h"
#include "TextureImage.h"
#include "DocumentSource.h"

namespace {

double unitClamped(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

// The file's bytes as glTF takes them, with their MIME type: PNG and JPEG as they are
// (the very bytes that decoded), any other image the texture reader takes as PNG. None
// when it is no image it reads.
std::optional<std::pair<QByteArray, std::string>> imageFile(const zelto::SourceBytes& file, const std::string& name) {
    QImage image = decodeTextureImage(file.bytes.view(), name);  // headers that tell the truth only
    if (image.isNull() || file.bytes.truncated()) return std::nullopt;
    QByteArray bytes(file.bytes.view().data(), static_cast<qsizetype>(file.bytes.size()));
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return std::pair{bytes, std::string("image/png")};
    if (bytes.startsWith("\xff\xd8\xff")) return std::pair{bytes, std::string("image/jpeg")};
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    if (!image.save(&out, "PNG")) return std::nullopt;
    return std::pair{png, std::string("image/png")};
}

}  // namespace

std::map<const ZeltoMaterial*, int> addMaterials(tinygltf::Model& gltf, GltfBuffer& buffer, const Metasequoia& scene,
                                                 const std::optional<std::string>& documentPath, bool lenientPaths,
                                                 std::vector<std::string>& warnings) {
    std::map<const ZeltoMaterial*, int> indices;
    const zelto::DocumentFiles files(documentPath, lenientPaths);
    std::map<std::string, int> textureOfName;                   // -1: a file that could not be read
    std::map<zelto::SourceIdentity, int> textureOfFile;          // one image per file, however named
    for (const ZeltoMaterial& material : scene.materials()) {
        tinygltf::Material out;
        out.name = material.name();
        const Color c = material.color();
        const double diffuse = material.diffuse(), emissive = material.emissive();
        out.pbrMetallicRoughness.baseColorFactor = {unitClamped(c.r * diffuse), unitClamped(c.g * diffuse),
                                                    unitClamped(c.b * diffuse), unitClamped(c.a)};
        out.emissiveFactor = {unitClamped(c.r * emissive), unitClamped(c.g * emissive), unitClamped(c.b * emissive)};
        out.pbrMetallicRoughness.metallicFactor = 0;
        // A Phong power p spreads a highlight about as much as roughness sqrt(2 / (p + 2)).
        out.pbrMetallicRoughness.roughnessFactor = unitClamped(std::sqrt(2.0 / (std::max(0.0f, material.power()) + 2)));
        out.alphaMode = c.a < 1 ? "BLEND" : "OPAQUE";
        out.doubleSided = false;
        if (!material.textureName().empty()) {
            const std::string& name = material.textureName();
            auto known = textureOfName.find(name);
            if (known == textureOfName.end()) {
                int texture = -1;
                std::optional<zelto::SourceBytes> file;
                try {
                    file = files.open(name, kMaxTextureFileBytes);
                } catch (const zelto::SourceError&) {
                }
                auto same = file ? textureOfFile.find(file->identity) : textureOfFile.end();
                if (same != textureOfFile.end()) {
                    texture = same->second;
                } else if (auto image = file ? imageFile(*file, name) : std::nullopt) {
                    tinygltf::Image gltfImage;
                    gltfImage.name = material.textureName();
                    gltfImage.mimeType = image->second;
                    gltfImage.bufferView = buffer.addView(
                        {reinterpret_cast<const unsigned char*>(image->first.constData()), static_cast<size_t>(image->first.size())});
                    gltf.images.push_back(gltfImage);
                    tinygltf::Texture gltfTexture;
                    gltfTexture.source = static_cast<int>(gltf.images.size()) - 1;
                    gltf.textures.push_back(gltfTexture);
                    texture = static_cast<int>(gltf.textures.size()) - 1;
                    textureOfFile.emplace(file->identity, texture);
                } else {
                    warnings.push_back("texture \"" + material.textureName() + "\" of material \"" + material.name() +
                                       "\" cannot be read (" + files.besideDocument(name) + "); the material goes without it");
                }
                known = textureOfName.emplace(name, texture).first;
            }
            out.pbrMetallicRoughness.baseColorTexture.index = known->second;
        }
        gltf.materials.push_back(out);
        indices[&material] = static_cast<int>(gltf.materials.size()) - 1;
    }
    return indices;
}
