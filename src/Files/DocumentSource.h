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

// A document from bytes already read, whose file (if any) is called `fileName`: the
// document inside them when they begin as a zip archive, else the bytes themselves.
OpenedDocument openDocumentBytes(SourceBytes bytes, const std::string& fileName, size_t maxBytes = documentByteLimit());

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
// archive, in the document's folder there. Leniently, as textureLocation is; and a name
// found nowhere so is looked for again ignoring the case of its ASCII letters, for
// documents made where names are told apart so (beside, then inside the archive).
class DocumentFiles final : public ByteSource {
public:
    // `documentPath`: the document's file, or its archive; none for a document without
    // one. `archive` and `documentEntry`: the archive the document came from and its
    // entry, when the caller has them (otherwise the archive is opened from
    // `documentPath` when a name is first looked for in it).
    explicit DocumentFiles(std::optional<std::string> documentPath = std::nullopt, bool lenient = false,
                           std::shared_ptr<const ZipArchive> archive = nullptr, const std::string& documentEntry = {});

    // Opens what find() finds; a name found nowhere is opened beside the document, to
    // say why not. A file found ignoring case is opened as any other.
    SourceBytes open(const std::string& name, size_t maxBytes) const override;
    // What find() finds, with its note.
    SourceName identify(const std::string& name) const override;

    // Where a name leads.
    struct Found {
        std::string path;   // a file beside the document (anything there: opening says what)
        std::string entry;  // else an entry of the archive, as entryName makes it
        // When found ignoring case: which file was taken for the name, and how it was
        // chosen of several.
        std::string note;
        bool found() const { return !path.empty() || !entry.empty(); }
    };
    Found find(const std::string& name) const;

    // Where the name is looked for beside the document, by the name as given (a path).
    std::string besideDocument(const std::string& name) const;

    const std::optional<std::string>& documentPath() const { return _documentPath; }
    bool lenient() const { return _lenient; }

private:
    struct Archive {
        std::shared_ptr<const ZipArchive> archive;
        std::string folder;  // of the document's entry, with its closing slash
    };
    const Archive& archive() const;
    // The entry names the name may have in the archive, in order of preference.
    std::vector<std::string> archiveNames(const std::string& name) const;

    std::optional<std::string> _documentPath;
    bool _lenient;
    mutable std::once_flag _archiveLooked;
    mutable Archive _archive;
};

}  // namespace zelto
