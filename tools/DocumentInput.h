#pragma once

#include <optional>
#include <string>
#include <vector>

#include "DocumentSource.h"
#include "MQAException.h"

// Where the command-line tools read a document from: a file (a .mqoz archive's document
// included), a pipe or device named as one, or standard input for "-".
struct DocumentInput {
    std::string argument;  // as given on the command line

    bool isStandardInput() const { return argument == "-"; }
    // How messages name it.
    std::string displayName() const { return isStandardInput() ? "standard input" : argument; }
    // The document's file as an absolute path, against which textures resolve; none
    // for standard input.
    std::optional<std::string> documentPath() const;
    // Its bytes (a file's mapped where it can be), within the memory policy's limit.
    // Throws zelto::SourceError with the reason when they cannot be read.
    zelto::OpenedDocument open() const;
    // The same, or none after telling standard error "TOOL: cannot read NAME: REASON";
    // `failure` then says what kind of failure it was.
    std::optional<zelto::OpenedDocument> openOrReport(const char* tool,
                                                      zelto::SourceError::Kind* failure = nullptr) const;
    // The files the document names, looked for as the viewer looks for them.
    zelto::DocumentFiles files(const zelto::OpenedDocument& document, bool lenient) const;
    // After strict reading refused a file that compatibility reading opens: standard error
    // is told "TOOL: note: NAME opens with --compat (WHAT IT TAKES)". A file is read again
    // for this; standard input, which cannot be, goes without.
    void noteCompatibilityHint(const char* tool) const;
    // Reading's warnings as "NAME:LINE: warning: ...", on standard error.
    void reportWarnings(const std::vector<MQAWarning>& warnings) const;
};
