#include "TextureFiles.h"

#include <algorithm>

TextureFiles::TextureFiles(const zelto::ByteSource& source, size_t budget) : _source(source), _budget(budget) {}

TextureFiles::Reach TextureFiles::reach(const std::string& name) {
    auto again = [](const Outcome& outcome) {
        Reach reach;
        reach.file = outcome.file;
        reach.fault = outcome.fault;
        reach.reason = outcome.reason;
        return reach;
    };
    if (auto known = _byName.find(name); known != _byName.end()) return again(known->second);
    // Known by another name: not opened again.
    zelto::SourceName identified = _source.identify(name);
    auto reachedBefore = [&](const zelto::SourceIdentity& identity) -> std::optional<Reach> {
        auto known = identity.known() ? _byFile.find(identity) : _byFile.end();
        if (known == _byFile.end()) return std::nullopt;
        _byName.emplace(name, known->second);
        Reach reach = again(known->second);
        reach.note = identified.note;
        return reach;
    };
    if (std::optional<Reach> reach = reachedBefore(identified.identity)) return std::move(*reach);
    std::optional<zelto::SourceBytes> bytes;
    try {
        bytes = _source.open(name, kMaxTextureFileBytes);
    } catch (const zelto::SourceError& error) {
        Outcome missing{-1, TextureDecoding::Fault::NotAnImage, error.what()};
        _byName.emplace(name, missing);
        Reach first = again(missing);
        first.first = true;
        first.note = identified.note;
        return first;
    }
    // Identified otherwise when opened (the file changed in between): the opened bytes'
    // identity is the one that counts.
    const zelto::SourceIdentity identity = bytes->identity;
    if (std::optional<Reach> reach = reachedBefore(identity)) return std::move(*reach);
    Reach first = decode(std::move(*bytes), name);
    first.note = identified.note;
    const Outcome outcome{first.file, first.fault, first.reason};
    _byName.emplace(name, outcome);
    if (identity.known()) _byFile.emplace(identity, outcome);
    return first;
}

TextureFiles::Reach TextureFiles::decode(zelto::SourceBytes bytes, const std::string& name) {
    Reach reach;
    reach.file = _files++;
    reach.first = true;
    const size_t room = _budget - std::min(_used, _budget);
    // An archive's entry is named by the entry, whose extension may tell a TGA file.
    const std::string& fileName = bytes.identity.entry.empty() ? name : bytes.identity.entry;
    TextureDecoding decoding = decodeTexture(bytes.bytes.view(), fileName, static_cast<qint64>(std::min<size_t>(room, size_t{1} << 40)));
    ++_decoded;
    if (bytes.bytes.truncated()) {
        decoding.image = QImage();
        decoding.fault = TextureDecoding::Fault::CutShort;
        decoding.reason = "its file was cut short while it was read";
    }
    if (decoding.fault == TextureDecoding::Fault::TooLarge)
        decoding.reason += ", more than the " + std::to_string(room >> 20) + " MB left for the document's textures";
    _used += static_cast<size_t>(decoding.image.sizeInBytes());
    reach.image = std::move(decoding.image);
    reach.fault = decoding.fault;
    reach.reason = std::move(decoding.reason);
    reach.bytes = std::move(bytes);
    return reach;
}
