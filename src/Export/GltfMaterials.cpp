#include "GltfMaterials.h"

#include <QBuffer>
#include <QFile>
#include <algorithm>
#include <cmath>

#include "Metasequoia.h"
#include "TextureImage.h"
#include "TextureLocation.h"

namespace {

double unitClamped(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

// The file's bytes as glTF takes them, with their MIME type: PNG and JPEG as they are,
// any other image the texture reader takes as PNG. None when it is no image it reads.
std::optional<std::pair<QByteArray, std::string>> imageFile(const std::string& path) {
    const QString name = QFile::decodeName(path.c_str());
    QImage image = decodeTextureImage(name);  // only regular files, and headers that tell the truth
    if (image.isNull()) return std::nullopt;
    QFile file(name);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
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
    std::map<std::string, int> textureOfFile;  // -1: a file that could not be read
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
            std::string path = textureLocation(documentPath, material.textureName(), lenientPaths);
            auto known = textureOfFile.find(path);
            if (known == textureOfFile.end()) {
                int texture = -1;
                if (auto image = imageFile(path)) {
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
                } else {
                    warnings.push_back("texture \"" + material.textureName() + "\" of material \"" + material.name() +
                                       "\" cannot be read (" + path + "); the material goes without it");
                }
                known = textureOfFile.emplace(path, texture).first;
            }
            out.pbrMetallicRoughness.baseColorTexture.index = known->second;
        }
        gltf.materials.push_back(out);
        indices[&material] = static_cast<int>(gltf.materials.size()) - 1;
    }
    return indices;
}
