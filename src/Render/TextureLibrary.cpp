#include "TextureLibrary.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>

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
    std::set<GLuint> made;
    for (const auto& [location, name] : _textureNameMap) made.insert(name);
    for (GLuint name : made) glDeleteTextures(1, &name);
    _textureNameMap.clear();
    _lookups.clear();
    _notes.clear();
    if (!scene) return;
    std::map<std::pair<dev_t, ino_t>, GLuint> byFile;  // the texture of each file, by device and inode
    size_t used = 0;
    for (const ZeltoMaterial& material : scene->materials()) {
        if (material.textureName().empty()) continue;
        std::string location = textureURL(material.textureName());
        // One texture per location: a second material naming the same file shares it.
        if (_textureNameMap.contains(location)) continue;
        struct stat status {};
        if (stat(location.c_str(), &status) != 0) continue;
        auto file = byFile.find({status.st_dev, status.st_ino});
        if (file != byFile.end()) {
            _textureNameMap[location] = file->second;
            continue;
        }
        std::string refused;
        std::optional<GLuint> texture = loadTexture(location, _budget - used, &used, &refused);
        if (!refused.empty()) _notes.push_back("texture \"" + material.textureName() + "\" is drawn untextured: " + refused);
        if (!texture) continue;
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        _textureNameMap[location] = byFile[{status.st_dev, status.st_ino}] = *texture;
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

std::optional<GLuint> TextureLibrary::loadTexture(const std::string& path, size_t room, size_t* used,
                                                  std::string* refused) {
    bool tooLarge = false;
    QImage image = decodeTextureImage(QFile::decodeName(path.c_str()),
                                      static_cast<qint64>(std::min<size_t>(room, size_t{1} << 40)), &tooLarge);
    if (tooLarge && refused) *refused = "the document's textures would take more than the " + std::to_string(room >> 20) + " MB left for them";
    if (image.isNull()) return std::nullopt;
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
