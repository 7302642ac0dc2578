// bytes -> .mqoz: any bytes opened as an archive's give its document or a SourceError,
// never a crash, a hang, or more than the limit inflated; and every part of an archive
// that opens, looked for as a texture by the names a document might give it (as stored,
// spelled otherwise, in other case, as a path of another machine), strictly and
// leniently, gives its bytes within the limit or a SourceError.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "DocumentSource.h"

namespace {

// Small, so that a bomb is stopped in a few milliseconds; the limit's logic is the same.
constexpr size_t kLimit = size_t{1} << 20;

// Nothing is beside the archive: parts are found only inside it.
const std::string kArchivePath = "/nonexistent-zelto-fuzz/fuzz.mqoz";

std::string upperCase(std::string name) {
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return name;
}

void openAsTexture(const zelto::DocumentFiles& files, const std::string& name) {
    try {
        (void)files.identify(name);
        if (files.open(name, kLimit).bytes.size() > kLimit) std::abort();
    } catch (const zelto::SourceError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zelto::SourceBytes bytes{zelto::DocumentBytes(std::string(reinterpret_cast<const char*>(data), size)), {}};
    zelto::OpenedDocument document;
    try {
        document = zelto::openDocumentBytes(std::move(bytes), "fuzz.mqoz", kLimit);
    } catch (const zelto::SourceError&) {
        return 0;
    }
    if (document.bytes.size() > kLimit) std::abort();
    if (!document.archive) return 0;
    for (bool lenient : {false, true}) {
        const zelto::DocumentFiles files(kArchivePath, lenient, document.archive, document.identity.entry);
        for (const zelto::ArchiveEntry& entry : document.archive->entries()) {
            const std::string& name = entry.name;
            const std::string fileName = name.substr(name.find_last_of("/\\") + 1);
            for (const std::string& spelling :
                 {name, "./" + name, "../" + name, "x/../" + name, upperCase(name), "C:\\models\\" + fileName})
                openAsTexture(files, spelling);
        }
    }
    return 0;
}
