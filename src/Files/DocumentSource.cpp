#include "DocumentSource.h"

#include <sys/stat.h>

#include <algorithm>

#include "FileSystemSource.h"
#include "FileTypes.h"
#include "TextureLocation.h"

namespace zelto {
namespace {

std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// "models/car.mqo" -> "models/"; "car.mqo" -> "".
std::string folderOf(const std::string& entry) { return entry.substr(0, entry.find_last_of('/') + 1); }

bool exists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

// How many of the files that match a name ignoring case a note lists.
constexpr size_t kMatchesListed = 5;

// Says which file a name found ignoring case was taken to mean, and how of several.
std::string caseNote(const std::string& name, const std::vector<std::string>& matches, const std::string& where) {
    std::string note = "\"" + name + "\" is read from \"" + matches.front() + "\"" + where;
    if (matches.size() == 1) return note + ", whose name differs from it only in case";
    note += ", the first of " + std::to_string(matches.size()) + " files whose names differ from it only in case (";
    for (size_t i = 0; i < matches.size() && i < kMatchesListed; ++i) note += (i ? ", \"" : "\"") + matches[i] + "\"";
    if (matches.size() > kMatchesListed) note += ", ...";
    return note + "), taken part by part: as spelled first, then in sorted order";
}

const std::string kNotADocument =
    "it does not begin as a Metasequoia document (\"Metasequoia Document\") or a .mqoz archive does";

}  // namespace

OpenedDocument openDocumentBytes(SourceBytes bytes, const std::string& fileName, size_t maxBytes) {
    if (documentKindOf(bytes.bytes.view()) != DocumentKind::Archive)
        return {std::move(bytes.bytes), std::move(bytes.identity), nullptr};
    // The archive's document, inflated within the budget.
    auto archive = std::make_shared<const ZipArchive>(std::move(bytes));
    SourceBytes document = archive->openDocument(archive->documentEntry(fileName).name, maxBytes);
    return {std::move(document.bytes), std::move(document.identity), std::move(archive)};
}

OpenedDocument openDocument(const std::string& path, Streams streams, size_t maxBytes) {
    OpenPath file(path);
    if (!file.regular() && streams == Streams::Read && !S_ISDIR(file.status().st_mode))
        return readDocumentStream(file.fd(), maxBytes);
    return openDocumentBytes(file.regularFileBytes(maxBytes), fileNameOf(path), maxBytes);
}

OpenedDocument readDocumentStream(int fd, size_t maxBytes) {
    return openDocumentBytes({readStream(fd, maxBytes, couldBeginDocument, kNotADocument), {}}, "", maxBytes);
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

std::vector<std::string> DocumentFiles::archiveNames(const std::string& name) const {
    const std::string& folder = archive().folder;
    if (!_lenient) return {folder + name};
    // As beside the document: "\" separates folders too, and a path of another machine
    // is looked for by its file name alone.
    std::string unixName = name;
    std::replace(unixName.begin(), unixName.end(), '\\', '/');
    bool drive = unixName.size() > 2 && unixName[1] == ':' && unixName[2] == '/';
    std::vector<std::string> names;
    if (!drive) names.push_back(folder + unixName);
    names.push_back(folder + fileNameOf(unixName));
    return names;
}

DocumentFiles::Found DocumentFiles::find(const std::string& name) const {
    Found found;
    if (std::string beside = besideDocument(name); exists(beside)) {
        found.path = beside;
        return found;
    }
    const ZipArchive* inside = archive().archive.get();
    if (inside) {
        for (const std::string& entry : archiveNames(name))
            if (inside->holds(entry)) {
                found.entry = *entryName(entry);
                return found;
            }
    }
    if (!_lenient) return found;
    if (std::vector<std::string> paths = textureLocationsIgnoringCase(_documentPath, name); !paths.empty()) {
        found.path = paths.front();
        found.note = caseNote(name, paths, "");
        return found;
    }
    if (inside) {
        for (const std::string& entry : archiveNames(name))
            if (std::vector<std::string> entries = inside->namesIgnoringCase(entry); !entries.empty()) {
                found.entry = entries.front();
                found.note = caseNote(name, entries, " in the archive");
                return found;
            }
    }
    return found;
}

SourceName DocumentFiles::identify(const std::string& name) const {
    Found found = find(name);
    SourceName identified;
    if (!found.entry.empty())
        identified = archive().archive->identify(found.entry);
    else if (!found.path.empty())
        identified = fileSystem().identify(found.path);
    identified.note = std::move(found.note);
    return identified;
}

SourceBytes DocumentFiles::open(const std::string& name, size_t maxBytes) const {
    Found found = find(name);
    if (!found.entry.empty()) return archive().archive->open(found.entry, maxBytes);
    // Found beside the document, or nowhere: the file system says what is there, or why not.
    return fileSystem().open(found.found() ? found.path : besideDocument(name), maxBytes);
}

}  // namespace zelto
