#include "GltfMaterials.h"

#include <algorithm>
#include <cmath>

#include "GltfImage.h"
#include "Metasequoia.h"
#include "TextureFiles.h"

namespace {

double unitClamped(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

// glTF's colour factors are linear; the document's colours are sRGB.
double linearFromSrgb(double c) {
    c = unitClamped(c);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::vector<double> linearColour(const Color& c, double factor) {
    return {linearFromSrgb(c.r * factor), linearFromSrgb(c.g * factor), linearFromSrgb(c.b * factor)};
}

// A file's texture in the export: its index (-1: none) and how its alpha is used.
struct ExportedTexture {
    int index = -1;
    AlphaUse alpha = AlphaUse::Opaque;
};

ExportedTexture addTexture(tinygltf::Model& gltf, GltfBuffer& buffer, const TextureFiles::Reach& reach, const std::string& name) {
    std::optional<GltfImageBytes> image = imageForGltf(reach.bytes->bytes.view(), reach.image);
    if (!image) return {};
    tinygltf::Image gltfImage;
    gltfImage.name = name;
    gltfImage.mimeType = image->mimeType;
    gltfImage.bufferView =
        buffer.addView({reinterpret_cast<const unsigned char*>(image->bytes.constData()), static_cast<size_t>(image->bytes.size())});
    gltf.images.push_back(gltfImage);
    tinygltf::Texture gltfTexture;
    gltfTexture.source = static_cast<int>(gltf.images.size()) - 1;
    gltf.textures.push_back(gltfTexture);
    return {static_cast<int>(gltf.textures.size()) - 1, alphaUseOf(reach.image)};
}

// What the viewer draws with that glTF has no place for: its ambient and specular
// factors, and the shininess power roughness only comes near.
tinygltf::Value unmatched(const ZeltoMaterial& material) {
    return tinygltf::Value(tinygltf::Value::Object{{"ambient", tinygltf::Value(double(material.ambient()))},
                                                   {"specular", tinygltf::Value(double(material.specular()))},
                                                   {"power", tinygltf::Value(double(material.power()))}});
}

}  // namespace

std::map<const ZeltoMaterial*, int> addMaterials(tinygltf::Model& gltf, GltfBuffer& buffer, const Metasequoia& scene,
                                                 TextureFiles& textures, std::vector<std::string>& warnings) {
    std::map<const ZeltoMaterial*, int> indices;
    std::vector<ExportedTexture> textureOfFile;  // by the file's number in `textures`
    for (const ZeltoMaterial& material : scene.materials()) {
        tinygltf::Material out;
        out.name = material.name();
        const Color c = material.color();
        out.pbrMetallicRoughness.baseColorFactor = linearColour(c, material.diffuse());
        out.pbrMetallicRoughness.baseColorFactor.push_back(unitClamped(c.a));
        out.emissiveFactor = linearColour(c, material.emissive());
        out.pbrMetallicRoughness.metallicFactor = 0;
        // A Phong power p spreads a highlight about as much as roughness sqrt(2 / (p + 2)).
        out.pbrMetallicRoughness.roughnessFactor = unitClamped(std::sqrt(2.0 / (std::max(0.0f, material.power()) + 2)));
        out.doubleSided = false;
        out.extras = unmatched(material);
        ExportedTexture texture;
        if (!material.textureName().empty()) {
            const std::string& name = material.textureName();
            TextureFiles::Reach reach = textures.reach(name);
            if (!reach.note.empty()) warnings.push_back("texture " + reach.note);
            if (reach.first && reach.file >= 0) {
                textureOfFile.resize(static_cast<size_t>(reach.file) + 1);
                if (!reach.image.isNull()) textureOfFile.back() = addTexture(gltf, buffer, reach, name);
            }
            if (reach.file >= 0) texture = textureOfFile[static_cast<size_t>(reach.file)];
            // Said once for each file, and once for each name that reaches none.
            if (texture.index < 0 && reach.first)
                warnings.push_back("texture \"" + name + "\" of material \"" + material.name() + "\" cannot be read (" +
                                   reach.reason + "); the material goes without it");
        }
        if (texture.index >= 0) {
            out.pbrMetallicRoughness.baseColorTexture.index = texture.index;
            // The viewer lights the texture, emission included: the texture tints it.
            const std::vector<double>& e = out.emissiveFactor;
            if (e[0] > 0 || e[1] > 0 || e[2] > 0) out.emissiveTexture.index = texture.index;
        }
        // The viewer blends every pixel by its alpha. Where the texture's alpha is all
        // clear or opaque, the alpha between a clear and an opaque texel, filtered, crosses
        // one half where the blend turns from more background to more surface: a mask
        // with glTF's cutoff of one half draws those pixels.
        if (unitClamped(c.a) < 1 || texture.alpha == AlphaUse::Translucent)
            out.alphaMode = "BLEND";
        else if (texture.alpha == AlphaUse::CutOut)
            out.alphaMode = "MASK";
        else
            out.alphaMode = "OPAQUE";
        out.alphaCutoff = 0.5;
        gltf.materials.push_back(out);
        indices[&material] = static_cast<int>(gltf.materials.size()) - 1;
    }
    return indices;
}
