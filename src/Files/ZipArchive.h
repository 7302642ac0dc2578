#pragma once

// A zip archive as a source of bytes: its entries by name, inflated by libzip within a
// budget.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ByteSource.h"

struct zip;

namespace zelto {

// One entry of an archive, as its directory lists it.
struct ArchiveEntry {
    std::string name;  // as UTF-8 (names in the modeller's code page are decoded)
    uint64_t size = 0;  // as the archive states it, which need not be true
    bool encrypted = false;
    bool leavesArchive = false;  // absolute, or climbing out with "..": never used as a name
    bool folder = false;
};

class ZipArchive final : public ByteSource {
public:
    using Entry = ArchiveEntry;

    // Reads the archive's directory from its bytes, which it keeps. Throws SourceError
    // (Refused) when they are no zip archive.
    explicit ZipArchive(SourceBytes archive);
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;
    ~ZipArchive() override;

    const std::vector<Entry>& entries() const { return _entries; }
    const SourceIdentity& identity() const { return _identity; }

    // An entry's bytes, inflated in chunks: past `maxBytes` it stops at once
    // (SourceError TooLarge) whatever the archive states. An entry that is encrypted,
    // damaged, or inflates to another size than stated is refused; a name not in the
    // archive (or leaving it) is Missing. Names are taken as entryName makes them, so
    // "./a.png" and "sub/../a.png" open "a.png", and the identity names the entry so.
    // Safe to call from several threads.
    SourceBytes open(const std::string& name, size_t maxBytes) const override;
    // The same for the archive's document: refused as soon as its first bytes cannot
    // begin a document, so that an entry of zeros is not inflated whole to learn so.
    SourceBytes openDocument(const std::string& name, size_t maxBytes) const;
    // The identity of the entry `name` stands for, without inflating it.
    SourceName identify(const std::string& name) const override;

    // Whether a file (not a folder) of that name, as entryName makes it, is in the archive.
    bool holds(std::string_view name) const;
    // The files whose names (as entryName makes them) equal `name` ignoring ASCII case:
    // `name` itself first when there, then in sorted order.
    std::vector<std::string> namesIgnoringCase(std::string_view name) const;

    // The archive's document: its one .mqo entry or, of several, the one named like the
    // archive's file `fileName` ("car.mqoz" holds "car.mqo"). Throws SourceError (Refused)
    // when there is none, or several and none named so (they are listed), or the one
    // there has a name that leaves the archive.
    const Entry& documentEntry(std::string_view fileName) const;

private:
    SourceBytes inflate(const std::string& name, size_t maxBytes, bool asDocument) const;
    SourceBytes _archive;
    SourceIdentity _identity;
    zip* _zip = nullptr;
    std::vector<Entry> _entries;
    std::unordered_map<std::string, size_t> _indexOfName;  // files by their names as entryName makes them
    std::multimap<std::string, std::string> _namesByLowered;  // those names by their lower case
    mutable std::mutex _lock;  // libzip's archive is not to be used by two threads at once
};

// An entry's name as entries are told apart: between its "/", empty and "." parts are
// dropped, ".." taking the part before it away ("./a.png", "a//a.png" and "sub/../a.png"
// are all "a.png"). None for a name that is absolute, names a drive or climbs out with
// ".." (with "\" taken as a separator too, as Windows would): such names are never used
// to find anything.
std::optional<std::string> entryName(std::string_view name);
inline bool leavesArchive(std::string_view name) { return !entryName(name); }

}  // namespace zelto
