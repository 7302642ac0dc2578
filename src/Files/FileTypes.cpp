#include "FileTypes.h"

#include <algorithm>
#include <array>

namespace zelto {
namespace {

using namespace std::string_view_literals;

// The header's first words, with or without a UTF-8 byte-order mark before them.
constexpr std::array kTextSignatures{"Metasequoia Document"sv, "\xEF\xBB\xBFMetasequoia Document"sv};
// A zip's first local header, or the end of the directory of an archive with no entries.
constexpr std::array kArchiveSignatures{"PK\x03\x04"sv, "PK\x05\x06"sv};

constexpr std::array kTypes{
    DocumentFileType{DocumentKind::Text, ".mqo", "Metasequoia documents", kTextSignatures},
    DocumentFileType{DocumentKind::Archive, ".mqoz", "Metasequoia archives", kArchiveSignatures},
};

bool agrees(std::string_view first, std::string_view signature) {
    size_t n = std::min(first.size(), signature.size());
    return first.substr(0, n) == signature.substr(0, n);
}

bool endsWithIgnoringCase(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) return false;
    return std::equal(ending.begin(), ending.end(), name.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? char(b - 'A' + 'a') : b); });
}

}  // namespace

std::span<const DocumentFileType> documentFileTypes() { return kTypes; }

DocumentKind documentKindOf(std::string_view first) {
    for (const DocumentFileType& type : kTypes)
        for (std::string_view signature : type.signatures)
            if (first.starts_with(signature)) return type.kind;
    return DocumentKind::Text;
}

bool couldBeginDocument(std::string_view first) {
    for (const DocumentFileType& type : kTypes)
        for (std::string_view signature : type.signatures)
            if (agrees(first, signature)) return true;
    return false;
}

bool namesArchive(std::string_view name) {
    for (const DocumentFileType& type : kTypes)
        if (type.kind == DocumentKind::Archive && endsWithIgnoringCase(name, type.extension)) return true;
    return false;
}

}  // namespace zelto
