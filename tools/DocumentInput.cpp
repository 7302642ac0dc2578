#include "DocumentInput.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <system_error>

#include "FileBytes.h"

std::optional<std::string> DocumentInput::documentPath() const {
    if (isStandardInput()) return std::nullopt;
    char* resolved = realpath(argument.c_str(), nullptr);
    if (!resolved) return argument;
    std::string path(resolved);
    std::free(resolved);
    return path;
}

zelto::DocumentBytes DocumentInput::readBytes() const {
    if (!isStandardInput()) return zelto::DocumentBytes::readFile(argument);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        size_t got = std::fread(buffer, 1, sizeof buffer, stdin);
        bytes.append(buffer, got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(stdin)) throw std::system_error(errno ? errno : EIO, std::generic_category(), "standard input");
    return zelto::DocumentBytes(std::move(bytes));
}

std::optional<zelto::DocumentBytes> DocumentInput::readBytesOrReport(const char* tool) const {
    try {
        return readBytes();
    } catch (const std::system_error& error) {
        std::cerr << tool << ": cannot read " << displayName() << ": " << error.code().message() << "\n";
        return std::nullopt;
    }
}

void DocumentInput::reportWarnings(const std::vector<MQAWarning>& warnings) const {
    for (const MQAWarning& warning : warnings) {
        MQAPlace place;
        place.line = warning.line;
        std::cerr << describeAt(displayName(), place, "warning: " + warning.message) << "\n";
    }
}
