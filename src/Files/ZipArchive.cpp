#include "ZipArchive.h"

#include <iconv.h>
#include <zip.h>

#include <algorithm>
#include <memory>

#include "CaseFolding.h"
#include "FileTypes.h"
#include "MemoryPolicy.h"

namespace zelto {
namespace {

constexpr size_t kChunk = size_t{1} << 20;
// More than any document signature is long: past it, a document entry's start is known.
constexpr size_t kSignatureBytes = 64;
constexpr size_t kNamesListed = 10;

[[noreturn]] void refuse(const std::string& reason) { throw SourceError(SourceError::Kind::Refused, reason); }

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

bool validUTF8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > s.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// Names not in UTF-8 are taken as the modeller's Windows writes them (Shift_JIS);
// failing that, as libzip guesses (code page 437).
std::string utf8Name(zip* archive, zip_uint64_t index, const char* raw) {
    std::string_view name(raw);
    if (validUTF8(name)) return std::string(name);
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter != reinterpret_cast<iconv_t>(-1)) {
        std::string out(name.size() * 3, '\0');
        char* in = const_cast<char*>(name.data());
        char* to = out.data();
        size_t inLeft = name.size(), outLeft = out.size();
        size_t done = iconv(converter, &in, &inLeft, &to, &outLeft);
        iconv_close(converter);
        if (done != static_cast<size_t>(-1) && inLeft == 0) {
            out.resize(out.size() - outLeft);
            return out;
        }
    }
    const char* guessed = zip_get_name(archive, index, ZIP_FL_ENC_GUESS);
    return guessed ? guessed : std::string(name);
}

std::string fileNameOf(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool isDocumentName(std::string_view name) {
    return name.size() > 4 && equalIgnoringCase(name.substr(name.size() - 4), ".mqo");
}

std::string listOf(const std::vector<const ZipArchive::Entry*>& entries) {
    std::string list;
    for (size_t i = 0; i < entries.size() && i < kNamesListed; ++i) list += (i ? ", " : "") + quoted(entries[i]->name);
    if (entries.size() > kNamesListed) list += " and " + std::to_string(entries.size() - kNamesListed) + " more";
    return list;
}

// The parts of `name` between `separators`, but for empty and "." parts, ".." taking the
// part before it away; none when ".." climbs above the first part.
std::optional<std::vector<std::string_view>> resolvedParts(std::string_view name, const char* separators) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = std::min(name.find_first_of(separators, start), name.size());
        std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::optional<std::string> entryName(std::string_view name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return std::nullopt;
    if (name.size() > 1 && name[1] == ':') return std::nullopt;  // a drive: "C:\..."
    // Whether it climbs out is judged as Windows would extract it, "\" separating too.
    if (!resolvedParts(name, "/\\")) return std::nullopt;
    const std::optional<std::vector<std::string_view>> parts = resolvedParts(name, "/");
    if (!parts) return std::nullopt;  // "a\b/../.." climbs out by "/" alone
    std::string joined;
    for (std::string_view part : *parts) (joined += joined.empty() ? "" : "/") += part;
    return joined;
}

ZipArchive::ZipArchive(SourceBytes archive) : _archive(std::move(archive)), _identity(_archive.identity) {
    zip_error_t error;
    zip_error_init(&error);
    std::string_view bytes = _archive.bytes.view();
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source) {
        _zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!_zip) zip_source_free(source);
    }
    if (!_zip) {
        std::string reason = zip_error_strerror(&error);
        zip_error_fini(&error);
        refuse("it is not a zip archive that can be read (" + reason + ")");
    }
    zip_error_fini(&error);
    zip_int64_t count = zip_get_num_entries(_zip, 0);
    _entries.reserve(static_cast<size_t>(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t status;
        zip_stat_init(&status);
        if (zip_stat_index(_zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &status) != 0 || !status.name) continue;
        Entry entry;
        entry.name = utf8Name(_zip, static_cast<zip_uint64_t>(i), status.name);
        entry.size = (status.valid & ZIP_STAT_SIZE) ? status.size : 0;
        entry.encrypted = (status.valid & ZIP_STAT_ENCRYPTION_METHOD) && status.encryption_method != ZIP_EM_NONE;
        std::optional<std::string> name = entryName(entry.name);
        entry.leavesArchive = !name;
        entry.folder = entry.name.ends_with('/');
        // Of several entries that are one name, the first is the one read.
        if (name && !name->empty() && !entry.folder && _indexOfName.emplace(*name, static_cast<size_t>(i)).second)
            _namesByLowered.emplace(asciiLowered(*name), *name);
        _entries.push_back(std::move(entry));
    }
}

ZipArchive::~ZipArchive() {
    if (_zip) zip_discard(_zip);
}

bool ZipArchive::holds(std::string_view name) const {
    std::optional<std::string> entry = entryName(name);
    return entry && _indexOfName.contains(*entry);
}

std::vector<std::string> ZipArchive::namesIgnoringCase(std::string_view name) const {
    std::optional<std::string> entry = entryName(name);
    if (!entry) return {};
    auto [first, end] = _namesByLowered.equal_range(asciiLowered(*entry));
    std::vector<std::string> names;
    for (auto it = first; it != end; ++it) names.push_back(it->second);
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        if ((a == *entry) != (b == *entry)) return a == *entry;
        return a < b;
    });
    return names;
}

SourceName ZipArchive::identify(const std::string& name) const {
    std::optional<std::string> entry = entryName(name);
    if (!entry || !_indexOfName.contains(*entry)) return {};
    return {SourceIdentity{_identity.device, _identity.inode, *entry}, {}};
}

SourceBytes ZipArchive::open(const std::string& name, size_t maxBytes) const { return inflate(name, maxBytes, false); }

SourceBytes ZipArchive::openDocument(const std::string& name, size_t maxBytes) const {
    return inflate(name, maxBytes, true);
}

SourceBytes ZipArchive::inflate(const std::string& asked, size_t maxBytes, bool asDocument) const {
    std::optional<std::string> entry = entryName(asked);
    auto found = entry ? _indexOfName.find(*entry) : _indexOfName.end();
    if (found == _indexOfName.end()) throw SourceError(SourceError::Kind::Missing, quoted(asked) + " is not in the archive");
    const std::string& name = *entry;
    const zip_uint64_t index = found->second;
    const std::string what = quoted(name) + " in the archive";
    std::lock_guard lock(_lock);
    zip_stat_t status;
    zip_stat_init(&status);
    if (zip_stat_index(_zip, index, 0, &status) != 0) refuse(what + " cannot be read (" + zip_strerror(_zip) + ")");
    if ((status.valid & ZIP_STAT_ENCRYPTION_METHOD) && status.encryption_method != ZIP_EM_NONE)
        refuse(what + " is encrypted; encrypted archives are not read");
    const bool sized = status.valid & ZIP_STAT_SIZE;
    if (sized && status.size > maxBytes)
        throw SourceError(SourceError::Kind::TooLarge,
                          what + " is larger than the limit of " + megabytes(maxBytes));
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(_zip, index, 0), zip_fclose);
    if (!file) refuse(what + " cannot be read (" + zip_strerror(_zip) + ")");

    // Inflated a chunk at a time against the budget: the stated size is not trusted.
    ScratchBytes bytes(maxBytes + 1);
    size_t used = 0;
    for (;;) {
        size_t room = std::min(kChunk, bytes.capacity() - used);
        zip_int64_t got = zip_fread(file.get(), bytes.data() + used, room);
        if (got < 0) refuse(what + " is damaged (" + zip_error_strerror(zip_file_get_error(file.get())) + ")");
        if (got == 0) break;
        if (asDocument && used < kSignatureBytes &&
            !couldBeginDocument(std::string_view(bytes.data(), used + static_cast<size_t>(got))))
            refuse(what + " does not begin as a Metasequoia document (\"Metasequoia Document\")");
        used += static_cast<size_t>(got);
        // An entry that goes on past the size it states is damaged or hostile: refused
        // as soon as it does, not when it has filled the budget.
        if (sized && used > status.size)
            refuse(what + " is damaged: it states " + std::to_string(status.size) + " bytes but holds more");
        if (used > maxBytes)
            throw SourceError(SourceError::Kind::TooLarge,
                              what + " inflates to more than the limit of " + megabytes(maxBytes));
    }
    if (sized && used != status.size)
        refuse(what + " is damaged: it states " + std::to_string(status.size) + " bytes but holds " +
               std::to_string(used));
    return {bytes.finish(used), SourceIdentity{_identity.device, _identity.inode, name}};
}

const ZipArchive::Entry& ZipArchive::documentEntry(std::string_view fileName) const {
    std::vector<const Entry*> documents;
    for (const Entry& entry : _entries)
        if (!entry.folder && isDocumentName(entry.name)) documents.push_back(&entry);
    if (documents.empty()) refuse("the archive holds no .mqo document");
    std::vector<const Entry*> usable;
    for (const Entry* entry : documents)
        if (!entry->leavesArchive) usable.push_back(entry);
    if (usable.empty())
        refuse("the archive's document " + quoted(documents.front()->name) +
               " has a name that leads out of the archive; it is not read");
    if (usable.size() == 1) return *usable.front();
    // Of several, the one named like the archive.
    std::string stem = fileNameOf(fileName);
    stem = stem.substr(0, stem.rfind('.'));
    std::vector<const Entry*> named;
    for (const Entry* entry : usable)
        if (equalIgnoringCase(fileNameOf(entry->name), stem + ".mqo")) named.push_back(entry);
    if (named.size() == 1) return *named.front();
    refuse("the archive holds " + std::to_string(usable.size()) + " .mqo documents and none is named \"" + stem +
           ".mqo\" to choose it: " + listOf(usable));
}

}  // namespace zelto
