#include "DocumentSource.h"

#include <algorithm>

#include "FileSystemSource.h"
#include "FileTypes.h"
#include "TextureLocation.h"

namespace zelto {
namespace {

std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// "models/car.mqo" -> "models/"; "car.mqo" -> "".
std::string folderOf(const std::string& entry) { return entry.substr(0, entry.find_last_of('/') + 1); }

// The document inside an archive's bytes, inflated within the budget.
OpenedDocument fromArchive(SourceBytes archiveBytes, const std::string& fileName, size_t maxBytes) {
    auto archive = std::make_shared<const ZipArchive>(std::move(archiveBytes));
    SourceBytes document = archive->open(archive->documentEntry(fileName).name, maxBytes);
    return {std::move(document.bytes), std::move(document.identity), std::move(archive)};
}

const std::string kNotADocument =
    "it does not begin as a Metasequoia document (\"Metasequoia Document\") or a .mqoz archive does";

}  // namespace

OpenedDocument openDocument(const std::string& path, Streams streams, size_t maxBytes) {
    OpenPath file(path);
    if (!file.regular() && streams == Streams::Read && !S_ISDIR(file.status().st_mode))
        return readDocumentStream(file.fd(), maxBytes);
    SourceBytes bytes = file.regularFileBytes(maxBytes);
    if (documentKindOf(bytes.bytes.view()) == DocumentKind::Archive)
        return fromArchive(std::move(bytes), fileNameOf(path), maxBytes);
    return {std::move(bytes.bytes), std::move(bytes.identity), nullptr};
}

OpenedDocument readDocumentStream(int fd, size_t maxBytes) {
    DocumentBytes bytes = readStream(fd, maxBytes, couldBeginDocument, kNotADocument);
    if (documentKindOf(bytes.view()) == DocumentKind::Archive) return fromArchive({std::move(bytes), {}}, "", maxBytes);
    return {std::move(bytes), {}, nullptr};
}

std::optional<ArchiveListing> listArchive(const std::string& path) {
    try {
        OpenPath file(path);
        if (!file.regular() || documentKindOf(file.firstBytes(4)) != DocumentKind::Archive) return std::nullopt;
        ZipArchive archive(file.regularFileBytes(documentByteLimit()));
        ArchiveListing listing{archive.entries(), {}};
        try {
            listing.documentEntry = archive.documentEntry(fileNameOf(path)).name;
        } catch (const SourceError&) {
        }
        return listing;
    } catch (const SourceError&) {
        return std::nullopt;
    }
}

DocumentFiles::DocumentFiles(std::optional<std::string> documentPath, bool lenient,
                             std::shared_ptr<const ZipArchive> archive, const std::string& documentEntry)
    : _documentPath(std::move(documentPath)), _lenient(lenient) {
    if (!archive) return;
    // Known already: archive() need not look for it.
    std::call_once(_archiveLooked, [&] { _archive = {std::move(archive), folderOf(documentEntry)}; });
}

const DocumentFiles::Archive& DocumentFiles::archive() const {
    std::call_once(_archiveLooked, [this] {
        if (!_documentPath) return;
        try {
            OpenPath file(*_documentPath);
            // Only an archive is mapped and read; a plain document is left alone.
            if (!file.regular() || documentKindOf(file.firstBytes(4)) != DocumentKind::Archive) return;
            auto archive = std::make_shared<const ZipArchive>(file.regularFileBytes(documentByteLimit()));
            std::string folder = folderOf(archive->documentEntry(fileNameOf(*_documentPath)).name);
            _archive = {std::move(archive), std::move(folder)};
        } catch (const SourceError&) {
            // No archive to look in: names are looked for beside the document only.
        }
    });
    return _archive;
}

std::string DocumentFiles::besideDocument(const std::string& name) const {
    return textureLocation(_documentPath, name, _lenient);
}

std::string DocumentFiles::inArchive(const std::string& name) const {
    const Archive& found = archive();
    if (!found.archive) return {};
    std::vector<std::string> candidates;
    if (!_lenient) {
        candidates.push_back(found.folder + name);
    } else {
        // As beside the document: "\" separates folders too, and a path of another
        // machine is looked for by its file name alone.
        std::string unixName = name;
        std::replace(unixName.begin(), unixName.end(), '\\', '/');
        bool drive = unixName.size() > 2 && unixName[1] == ':' && unixName[2] == '/';
        if (!drive) candidates.push_back(found.folder + unixName);
        candidates.push_back(found.folder + fileNameOf(unixName));
    }
    for (const std::string& candidate : candidates) {
        if (leavesArchive(candidate)) continue;
        for (const ZipArchive::Entry& entry : found.archive->entries())
            if (entry.name == candidate && !entry.folder) return candidate;
    }
    return {};
}

SourceBytes DocumentFiles::open(const std::string& name, size_t maxBytes) const {
    try {
        return fileSystem().open(besideDocument(name), maxBytes);
    } catch (const SourceError& error) {
        if (error.kind() != SourceError::Kind::Missing) throw;
        std::string entry = inArchive(name);
        if (entry.empty()) throw;
        return archive().archive->open(entry, maxBytes);
    }
}

}  // namespace zelto
