#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ByteSource.h"
#include "TextureImage.h"

// The texture files one scene names, each decoded once, for drawing and export alike. A
// file is known by its identity (device and inode, or archive and entry) however many
// names reach it, and opened once, and what its decoding gave is remembered, a failure as much as an
// image. The images decoded take at most the budget together; a file that would go past
// it is not decoded. Nothing is kept of an image once it has been handed out.
class TextureFiles {
public:
    // Bytes of decoded images one scene may take.
    static constexpr size_t kDefaultBudget = size_t{512} << 20;

    // Names are opened through `source` (usually the document's files), which must
    // outlive this.
    explicit TextureFiles(const zelto::ByteSource& source, size_t budget = kDefaultBudget);

    // What a name reaches.
    struct Reach {
        int file = -1;  // the file's number here, the same for every name reaching it; -1: none
        // The first time a file is reached, or a name is found to reach none. A file's
        // first reach carries its decoding: the image (null when none) and the bytes it
        // was decoded from; later reaches carry neither.
        bool first = false;
        QImage image;
        std::optional<zelto::SourceBytes> bytes;
        // Why the name or its file gives no image; Fault::None when it did.
        TextureDecoding::Fault fault = TextureDecoding::Fault::None;
        std::string reason;
        // The first time a name is looked for, when the source found it other than as
        // given (ignoring case): which file it was taken to mean. Empty otherwise.
        std::string note;
    };
    // A file the source identifies (see ByteSource::identify) as one reached before is
    // not opened again: an archive's entry is inflated once however it is named.
    Reach reach(const std::string& name);

    // How many files were decoded.
    size_t decoded() const { return _decoded; }

private:
    struct Outcome {
        int file = -1;
        TextureDecoding::Fault fault = TextureDecoding::Fault::None;
        std::string reason;
    };
    Reach decode(zelto::SourceBytes bytes, const std::string& name);

    const zelto::ByteSource& _source;
    size_t _budget;
    size_t _used = 0;
    size_t _decoded = 0;
    std::unordered_map<std::string, Outcome> _byName;
    std::map<zelto::SourceIdentity, Outcome> _byFile;
    int _files = 0;
};
