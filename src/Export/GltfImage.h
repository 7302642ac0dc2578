#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QImage>

// A texture's image as glTF readers take it, with its MIME type. A PNG goes in as its
// own bytes less the chunks glTF readers do not support (colour-space chunks such as
// iCCP, cHRM and gAMA, pixel proportions, animation frames, text): what is left are the
// pixels the viewer draws, which ignores those chunks too. A JPEG of grey or of three
// channels goes in as it is. Anything else (CMYK JPEGs, TGA, BMP, ...) goes in as the
// decoded image encoded as PNG. None when even that fails.
struct GltfImageBytes {
    QByteArray bytes;
    std::string mimeType;
};
std::optional<GltfImageBytes> imageForGltf(std::string_view file, const QImage& decoded);

// How a texture's alpha channel takes part in drawing it: not at all (every pixel
// opaque), as a cut-out (every pixel fully clear or fully opaque) or as translucency.
enum class AlphaUse { Opaque, CutOut, Translucent };
AlphaUse alphaUseOf(const QImage& rgba);
