#pragma once

// Where a document's bytes come from: its file, the .mqo inside a .mqoz archive, or a
// stream; and where the files it names (its textures) are found.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "MemoryPolicy.h"
#include "ZipArchive.h"

namespace zelto {

struct OpenedDocument {
    DocumentBytes bytes;
    SourceIdentity identity;  // the file's, or the archive's and its entry's; none for a stream
    // For a document from an archive: the archive, which the document's textures may be in.
    std::shared_ptr<const ZipArchive> archive;
};

// Whether a path that names a pipe or a device is read as a stream. The window reads
// regular files only; the command-line tools read what they are given.
enum class Streams { Refused, Read };

// Opens the document at `path` without blocking. A regular file is mapped; one that
// begins as a zip archive is an archive, whose document (ZipArchive::documentEntry) is
// inflated. With Streams::Read, a pipe or device is read as a stream (readDocumentStream).
// No more than `maxBytes` are read or inflated. Throws SourceError saying why not.
OpenedDocument openDocument(const std::string& path, Streams streams, size_t maxBytes = documentByteLimit());

// A document from a stream already open (standard input): refused as soon as its first
// bytes can begin no document, and read to at most `maxBytes`. An archive in the stream
// is read as one from a file would be.
OpenedDocument readDocumentStream(int fd, size_t maxBytes = documentByteLimit());

// The parts of the archive at `path`, if it is one: its entries, and which is the
// document. None for anything that is not a readable archive.
struct ArchiveListing {
    std::vector<ArchiveEntry> entries;
    std::string documentEntry;  // empty when the archive has no document to read
};
std::optional<ArchiveListing> listArchive(const std::string& path);

// The files a document names, by the names it gives them: looked for beside the document
// (beside its archive, for a document from one: see textureLocation), then inside its
// archive, in the document's folder there. Leniently, as textureLocation is.
class DocumentFiles final : public ByteSource {
public:
    // `documentPath`: the document's file, or its archive; none for a document without
    // one. `archive` and `documentEntry`: the archive the document came from and its
    // entry, when the caller has them (otherwise the archive is opened from
    // `documentPath` when a name is first looked for in it).
    explicit DocumentFiles(std::optional<std::string> documentPath = std::nullopt, bool lenient = false,
                           std::shared_ptr<const ZipArchive> archive = nullptr, const std::string& documentEntry = {});

    SourceBytes open(const std::string& name, size_t maxBytes) const override;

    // Where the name is looked for beside the document (a path), and whether the
    // document's archive holds it (the entry's name, or empty).
    std::string besideDocument(const std::string& name) const;
    std::string inArchive(const std::string& name) const;

    const std::optional<std::string>& documentPath() const { return _documentPath; }
    bool lenient() const { return _lenient; }

private:
    struct Archive {
        std::shared_ptr<const ZipArchive> archive;
        std::string folder;  // of the document's entry, with its closing slash
    };
    const Archive& archive() const;

    std::optional<std::string> _documentPath;
    bool _lenient;
    mutable std::once_flag _archiveLooked;
    mutable Archive _archive;
};

}  // namespace zelto
