#pragma once

#include <cstdint>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "DocumentSource.h"
#include "RenderGL.h"
#include "TextureFiles.h"

class Metasequoia;
class ZeltoMaterial;

// The textures of one view: material texture names resolved against the document's
// folder, each image loaded into one OpenGL texture per location, and the map from
// location to texture that the frame binds from. Every GL call here needs the view's
// context current; the caller makes it so.
class TextureLibrary {
public:
    TextureLibrary() { _textureNameMap.reserve(10); }
    TextureLibrary(const TextureLibrary&) = delete;
    TextureLibrary& operator=(const TextureLibrary&) = delete;

    // The document's file (or its archive), or none for a document never saved. Does
    // not reload.
    void setTextureBaseURL(std::optional<std::string> documentPath);
    const std::optional<std::string>& textureBaseURL() const { return _textureBaseURL; }
    // Where texture files come from: beside the document, then inside its archive.
    const zelto::DocumentFiles& files() const { return *_files; }

    // The name taken relative to the document's folder (sub-folders included); an
    // absolute name stays as it is; without a document, relative to the working folder.
    // No check that the file exists. Leniently, see textureLocation.
    std::string textureURL(std::string_view name) const;
    // For documents read by compatibility reading; takes effect at the next reload.
    void setLenientPaths(bool lenient);

    // Deletes every texture made before, then loads each textured material's image of
    // the scene (none: nothing to load). An image that cannot be read gets no entry. A
    // file (or archive entry) is decoded once however many names reach it (TextureFiles),
    // and the decoded images of one scene take at most the budget. What does not fit, in
    // the budget or in the graphics memory, and an image whose file ends before its
    // pixels do, is drawn untextured, with a note once per file. A name found only by
    // ignoring case (see DocumentFiles) is noted with the file it was taken to mean.
    void reloadTextures(const Metasequoia* scene);
    // Bytes of decoded images one scene may take.
    static constexpr size_t kDefaultBudget = TextureFiles::kDefaultBudget;
    void setBudget(size_t bytes) { _budget = bytes; }
    // What the last reload left out, and why.
    const std::vector<std::string>& notes() const { return _notes; }

    // The texture for a material's location, as the frame binds it; none when the
    // material has no texture or its image did not load.
    std::optional<GLuint> textureForMaterial(const ZeltoMaterial* material);

    const std::unordered_map<std::string, GLuint>& textureNameMap() const { return _textureNameMap; }

    // The platform loader: a new 2D texture holding `image` (RGBA), left bound, with
    // linear filtering and no mipmaps, scaled down to fit what OpenGL holds; none (with
    // the reason in `refused`) when the graphics memory has no room for it.
    static std::optional<GLuint> loadTexture(const QImage& image, std::string* refused = nullptr);

private:
    std::optional<std::string> _textureBaseURL;
    bool _lenientPaths = false;
    std::unique_ptr<zelto::DocumentFiles> _files = std::make_unique<zelto::DocumentFiles>();
    std::unordered_map<std::string, GLuint> _textureNameMap;
    size_t _budget = kDefaultBudget;
    std::vector<std::string> _notes;
    // Lookups by material since the last reload; the map they read changes only then.
    std::unordered_map<const ZeltoMaterial*, std::optional<GLuint>> _lookups;
};
