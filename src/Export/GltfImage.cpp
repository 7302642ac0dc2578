#include "GltfImage.h"

#include <QBuffer>
#include <cstdint>

namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

uint32_t bigEndian32(const char* at) {
    auto byte = [&](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(at[i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

// The PNG with only the chunks a glTF reader takes: the critical ones (their type
// begins with a capital), transparency (tRNS) and the plain sRGB marker. None when the
// chunks do not add up to the file.
std::optional<QByteArray> withSupportedChunks(std::string_view png) {
    QByteArray kept = kPngSignature;
    size_t at = kPngSignature.size();
    while (at + 12 <= png.size()) {
        const uint32_t length = bigEndian32(png.data() + at);
        if (length > png.size() - at - 12) return std::nullopt;
        const std::string_view type = png.substr(at + 4, 4);
        const size_t whole = 12 + size_t{length};
        const bool critical = type[0] >= 'A' && type[0] <= 'Z';
        if (critical || type == "tRNS" || type == "sRGB") kept.append(png.data() + at, static_cast<qsizetype>(whole));
        at += whole;
        if (type == "IEND") return kept;
    }
    return std::nullopt;
}

// The number of channels a JPEG's frame header gives; 0 when there is none.
int jpegChannels(std::string_view jpeg) {
    size_t at = 2;  // after the start-of-image marker
    while (at + 4 <= jpeg.size()) {
        if (static_cast<unsigned char>(jpeg[at]) != 0xff) return 0;
        const unsigned char marker = static_cast<unsigned char>(jpeg[at + 1]);
        if (marker == 0xff) {  // fill byte
            ++at;
            continue;
        }
        const size_t length = static_cast<size_t>(static_cast<unsigned char>(jpeg[at + 2])) << 8 |
                              static_cast<unsigned char>(jpeg[at + 3]);
        // Start of frame: any of C0-CF but the Huffman (C4), arithmetic (CC) and JPEG-LS (C8) tables.
        const bool frame = (marker & 0xf0) == 0xc0 && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frame) return at + 9 < jpeg.size() ? static_cast<unsigned char>(jpeg[at + 9]) : 0;
        at += 2 + length;
    }
    return 0;
}

std::optional<GltfImageBytes> asPng(const QImage& decoded) {
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    if (!decoded.save(&out, "PNG")) return std::nullopt;
    return GltfImageBytes{png, "image/png"};
}

}  // namespace

std::optional<GltfImageBytes> imageForGltf(std::string_view file, const QImage& decoded) {
    if (file.starts_with(std::string_view(kPngSignature.constData(), 8))) {
        if (std::optional<QByteArray> png = withSupportedChunks(file)) return GltfImageBytes{*png, "image/png"};
    } else if (file.starts_with("\xff\xd8\xff")) {
        const int channels = jpegChannels(file);
        if (channels == 1 || channels == 3)
            return GltfImageBytes{QByteArray(file.data(), static_cast<qsizetype>(file.size())), "image/jpeg"};
    }
    return asPng(decoded);
}

AlphaUse alphaUseOf(const QImage& rgba) {
    bool clear = false;
    for (int y = 0; y < rgba.height(); ++y) {
        const uchar* row = rgba.constScanLine(y);
        for (int x = 0; x < rgba.width(); ++x) {
            const uchar alpha = row[x * 4 + 3];
            if (alpha != 0 && alpha != 255) return AlphaUse::Translucent;
            clear = clear || alpha == 0;
        }
    }
    return clear ? AlphaUse::CutOut : AlphaUse::Opaque;
}
