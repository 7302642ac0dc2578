#include "TextureLibrary.h"

#include <algorithm>
#include <set>

#include "Metasequoia.h"
#include "TextureImage.h"
#include "TextureLocation.h"

void TextureLibrary::setTextureBaseURL(std::optional<std::string> documentPath) {
    _textureBaseURL = std::move(documentPath);
    _files = std::make_unique<zelto::DocumentFiles>(_textureBaseURL, _lenientPaths);
    _lookups.clear();
}

void TextureLibrary::setLenientPaths(bool lenient) {
    _lenientPaths = lenient;
    _files = std::make_unique<zelto::DocumentFiles>(_textureBaseURL, _lenientPaths);
    _lookups.clear();
}

std::string TextureLibrary::textureURL(std::string_view name) const {
    return textureLocation(_textureBaseURL, name, _lenientPaths);
}

void TextureLibrary::reloadTextures(const Metasequoia* scene) {
    std::set<GLuint> made;
    for (const auto& [location, name] : _textureNameMap) made.insert(name);
    for (GLuint name : made) glDeleteTextures(1, &name);
    _textureNameMap.clear();
    _lookups.clear();
    _notes.clear();
    if (!scene) return;
    TextureFiles files(*_files, _budget);
    std::vector<std::optional<GLuint>> byFile;  // the texture of each file, by its number there
    for (const ZeltoMaterial& material : scene->materials()) {
        if (material.textureName().empty()) continue;
        std::string location = textureURL(material.textureName());
        // One texture per location: a second material naming the same file shares it.
        if (_textureNameMap.contains(location)) continue;
        TextureFiles::Reach reach = files.reach(material.textureName());
        if (!reach.note.empty()) _notes.push_back("texture " + reach.note);
        if (reach.file < 0) continue;
        if (reach.first) {
            byFile.resize(static_cast<size_t>(reach.file) + 1);
            std::string refused = reach.reason;
            if (!reach.image.isNull()) byFile.back() = loadTexture(reach.image, &refused);
            // Files that are no image at all (or none) are common and go quietly.
            if (!byFile.back() && reach.fault != TextureDecoding::Fault::NotAnImage)
                _notes.push_back("texture \"" + material.textureName() + "\" is drawn untextured: " + refused);
        }
        const std::optional<GLuint> texture = byFile[static_cast<size_t>(reach.file)];
        if (!texture) continue;
        if (reach.first) {
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        }
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

std::optional<GLuint> TextureLibrary::loadTexture(const QImage& decoded, std::string* refused) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const QImage image = fitTextureImage(decoded, maxSize);

    for (int stale = 0; stale < 16 && glGetError() != GL_NO_ERROR; ++stale) {
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // QImage rows are 4-byte aligned
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width(), image.height(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.constBits());
    if (glGetError() != GL_NO_ERROR) {  // out of memory: the texture is given up
        glDeleteTextures(1, &name);
        if (refused) *refused = "its image does not fit in the graphics memory";
        return std::nullopt;
    }
    return name;
}
