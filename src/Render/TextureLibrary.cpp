#include "TextureLibrary.h"

#include <algorithm>
#include <map>
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
    std::map<zelto::SourceIdentity, GLuint> byFile;  // the texture of each file or archive entry
    size_t used = 0;
    for (const ZeltoMaterial& material : scene->materials()) {
        if (material.textureName().empty()) continue;
        std::string location = textureURL(material.textureName());
        // One texture per location: a second material naming the same file shares it.
        if (_textureNameMap.contains(location)) continue;
        std::optional<zelto::SourceBytes> file;
        try {
            file = _files->open(material.textureName(), kMaxTextureFileBytes);
        } catch (const zelto::SourceError&) {
            continue;
        }
        auto known = byFile.find(file->identity);
        if (known != byFile.end()) {
            _textureNameMap[location] = known->second;
            continue;
        }
        std::string refused;
        std::optional<GLuint> texture = loadTexture(file->bytes, file->identity.entry.empty() ? location : file->identity.entry,
                                                    _budget - used, &used, &refused);
        if (!refused.empty()) _notes.push_back("texture \"" + material.textureName() + "\" is drawn untextured: " + refused);
        if (!texture) continue;
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        _textureNameMap[location] = byFile[file->identity] = *texture;
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

std::optional<GLuint> TextureLibrary::loadTexture(const zelto::DocumentBytes& file, std::string_view fileName, size_t room,
                                                  size_t* used, std::string* refused) {
    bool tooLarge = false;
    QImage image = decodeTextureImage(file.view(), fileName, static_cast<qint64>(std::min<size_t>(room, size_t{1} << 40)),
                                      &tooLarge);
    if (tooLarge && refused) *refused = "the document's textures would take more than the " + std::to_string(room >> 20) + " MB left for them";
    if (image.isNull() || file.truncated()) return std::nullopt;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    image = fitTextureImage(image, maxSize);
    if (used) *used += static_cast<size_t>(image.sizeInBytes());

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
