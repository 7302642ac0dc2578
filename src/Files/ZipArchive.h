#pragma once

// A zip archive as a source of bytes: its entries by name, inflated by libzip within a
// budget.

#include <cstdint>
#include <mutex>
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
    bool leavesArchive = false;  // absolute, or with a ".." part: never used as a name
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
    // damaged, inflates to another size than stated, or whose name leaves the archive is
    // refused; a name not in the archive is Missing. Safe to call from several threads.
    SourceBytes open(const std::string& name, size_t maxBytes) const override;

    // The archive's document: its one .mqo entry or, of several, the one named like the
    // archive's file `fileName` ("car.mqoz" holds "car.mqo"). Throws SourceError (Refused)
    // when there is none, or several and none named so (they are listed), or the one
    // there has a name that leaves the archive.
    const Entry& documentEntry(std::string_view fileName) const;

private:
    SourceBytes _archive;
    SourceIdentity _identity;
    zip* _zip = nullptr;
    std::vector<Entry> _entries;
    std::unordered_map<std::string, size_t> _indexOfName;
    mutable std::mutex _lock;  // libzip's archive is not to be used by two threads at once
};

// Whether an archive's entry name is absolute or climbs out with "..": such names are
// never used to find anything.
bool leavesArchive(std::string_view name);

}  // namespace zelto
