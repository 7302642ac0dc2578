#pragma once

#include <optional>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "MQAException.h"

// Where the command-line tools read a document from: a file, or standard input for "-".
struct DocumentInput {
    std::string argument;  // as given on the command line

    bool isStandardInput() const { return argument == "-"; }
    // How messages name it.
    std::string displayName() const { return isStandardInput() ? "standard input" : argument; }
    // The document's file as an absolute path, against which textures resolve; none
    // for standard input.
    std::optional<std::string> documentPath() const;
    // All its bytes (a file's mapped where it can be). Throws std::system_error with the
    // system's reason when they cannot be read.
    zelto::DocumentBytes readBytes() const;
    // The same, or none after telling standard error "TOOL: cannot read NAME: REASON".
    std::optional<zelto::DocumentBytes> readBytesOrReport(const char* tool) const;
    // Reading's warnings as "NAME:LINE: warning: ...", on standard error.
    void reportWarnings(const std::vector<MQAWarning>& warnings) const;
};
