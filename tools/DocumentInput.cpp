#include "DocumentInput.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "CompatibilityHint.h"

std::optional<std::string> DocumentInput::documentPath() const {
    if (isStandardInput()) return std::nullopt;
    char* resolved = realpath(argument.c_str(), nullptr);
    if (!resolved) return argument;
    std::string path(resolved);
    std::free(resolved);
    return path;
}

zelto::OpenedDocument DocumentInput::open() const {
    if (isStandardInput()) return zelto::readDocumentStream(STDIN_FILENO);
    return zelto::openDocument(argument, zelto::Streams::Read);
}

std::optional<zelto::OpenedDocument> DocumentInput::openOrReport(const char* tool,
                                                                 zelto::SourceError::Kind* failure) const {
    try {
        return open();
    } catch (const zelto::SourceError& error) {
        std::cerr << tool << ": cannot read " << displayName() << ": " << error.what() << "\n";
        if (failure) *failure = error.kind();
        return std::nullopt;
    }
}

zelto::DocumentFiles DocumentInput::files(const zelto::OpenedDocument& document, bool lenient) const {
    return zelto::DocumentFiles(documentPath(), lenient, document.archive, document.identity.entry);
}

void DocumentInput::noteCompatibilityHint(const char* tool) const {
    if (isStandardInput()) return;
    try {
        std::string hint = compatibilityHintFor(open().bytes);
        if (!hint.empty()) std::cerr << tool << ": note: " << displayName() << " opens with --compat (" << hint << ")\n";
    } catch (const std::exception&) {
    }
}

void DocumentInput::reportWarnings(const std::vector<MQAWarning>& warnings) const {
    for (const MQAWarning& warning : warnings) {
        MQAPlace place;
        place.line = warning.line;
        std::cerr << describeAt(displayName(), place, "warning: " + warning.message) << "\n";
    }
}
