#pragma once

// The kinds of file a document is read from: what they are called and how their first
// bytes tell them apart. Opening, the file dialogs and the desktop's file type follow
// this list.

#include <span>
#include <string_view>

namespace zelto {

enum class DocumentKind {
    Text,     // a document as the modeller writes it (.mqo)
    Archive,  // a zip archive holding one (.mqoz)
};

struct DocumentFileType {
    DocumentKind kind;
    std::string_view extension;    // with its dot, in lower case
    std::string_view description;  // for file dialogs
    // What such a file may begin with; the first matching kind is the file's.
    std::span<const std::string_view> signatures;
};

std::span<const DocumentFileType> documentFileTypes();

// The kind of document bytes beginning with `first`: an archive for a zip's signature,
// text otherwise (the reader then says what is wrong with them).
DocumentKind documentKindOf(std::string_view first);

// Whether a stream that began with `first` may still turn out to be a document of some
// kind: false as soon as its bytes agree with no signature. Empty bytes could.
bool couldBeginDocument(std::string_view first);

// Whether the name ends in the extension of an archive (in any case).
bool namesArchive(std::string_view name);

}  // namespace zelto
