#include "GltfMaterials.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>

#include "Metasequoia.h"
#include "TextureImage.h"
#include "TextureFiles.h"

namespace {

double unitClamped(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

// A decoded file's bytes as glTF takes them, with their MIME type: PNG and JPEG as they
// are (the very bytes that decoded), any other image as PNG.
std::optional<std::pair<QByteArray, std::string>> imageFile(const TextureFiles::Reach& reach) {
    const std::string_view file = reach.bytes->bytes.view();
    QByteArray bytes = QByteArray::fromRawData(file.data(), static_cast<qsizetype>(file.size()));
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return std::pair{bytes, std::string("image/png")};
    if (bytes.startsWith("\xff\xd8\xff")) return std::pair{bytes, std::string("image/jpeg")};
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    if (!reach.image.save(&out, "PNG")) return std::nullopt;
    return std::pair{png, std::string("image/png")};
}

}  // namespace

std::map<const ZeltoMaterial*, int> addMaterials(tinygltf::Model& gltf, GltfBuffer& buffer, const Metasequoia& scene,
                                                 TextureFiles& textures, std::vector<std::string>& warnings) {
    std::map<const ZeltoMaterial*, int> indices;
    std::vector<int> textureOfFile;  // by the file's number in `textures`; -1: it gave no image
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
            TextureFiles::Reach reach = textures.reach(name);
            if (reach.first && reach.file >= 0) {
                int texture = -1;
                if (auto image = reach.image.isNull() ? std::nullopt : imageFile(reach)) {
                    tinygltf::Image gltfImage;
                    gltfImage.name = name;
                    gltfImage.mimeType = image->second;
                    gltfImage.bufferView = buffer.addView(
                        {reinterpret_cast<const unsigned char*>(image->first.constData()), static_cast<size_t>(image->first.size())});
                    gltf.images.push_back(gltfImage);
                    tinygltf::Texture gltfTexture;
                    gltfTexture.source = static_cast<int>(gltf.images.size()) - 1;
                    gltf.textures.push_back(gltfTexture);
                    texture = static_cast<int>(gltf.textures.size()) - 1;
                }
                textureOfFile.resize(static_cast<size_t>(reach.file) + 1, -1);
                textureOfFile.back() = texture;
            }
            const bool image = reach.file >= 0 && textureOfFile[static_cast<size_t>(reach.file)] >= 0;
            if (image) out.pbrMetallicRoughness.baseColorTexture.index = textureOfFile[static_cast<size_t>(reach.file)];
            // Said once for each file, and once for each name that reaches none.
            if (!image && reach.first)
                warnings.push_back("texture \"" + name + "\" of material \"" + material.name() + "\" cannot be read (" +
                                   reach.reason + "); the material goes without it");
        }
        gltf.materials.push_back(out);
        indices[&material] = static_cast<int>(gltf.materials.size()) - 1;
    }
    return indices;
}
