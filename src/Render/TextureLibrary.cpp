#include "TextureLibrary.h"

#include <QFile>

#include "Metasequoia.h"
#include "TextureImage.h"
#include "TextureLocation.h"

void TextureLibrary::setTextureBaseURL(std::optional<std::string> documentPath) {
    _textureBaseURL = std::move(documentPath);
    _lookups.clear();
}

std::string TextureLibrary::textureURL(std::string_view name) const {
    return textureLocation(_textureBaseURL, name, _lenientPaths);
}

void TextureLibrary::reloadTextures(const Metasequoia* scene) {
    for (const auto& [location, name] : _textureNameMap) glDeleteTextures(1, &name);
    _textureNameMap.clear();
    _lookups.clear();
    if (!scene) return;
    for (const ZeltoMaterial& material : scene->materials()) {
        if (material.textureName().empty()) continue;
        std::string location = textureURL(material.textureName());
        // One texture per location: a second material naming the same file shares it.
        if (_textureNameMap.contains(location)) continue;
        std::optional<GLuint> texture = loadTexture(location);
        if (!texture) continue;
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        _textureNameMap[location] = *texture;
    }
}

std::optional<GLuint> TextureLibrary::textureForMaterial(const ZeltoMaterial* material) {
    if (!material) return std::nullopt;
    auto [entry, added] = _lookups.try_emplace(material);
    if (added) {
        auto found = _textureNameMap.find(textureURL(material->textureName()));
        if (found != _textureNameMap.end()) entry->second = found->second;
    }
    return entry->second;
}

std::optional<GLuint> TextureLibrary::loadTexture(const std::string& path) {
    QImage image = decodeTextureImage(QFile::decodeName(path.c_str()));
    if (image.isNull()) return std::nullopt;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    image = fitTextureImage(image, maxSize);

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // QImage rows are 4-byte aligned
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width(), image.height(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.constBits());
    return name;
}
