#pragma once

// The document envelope: header lines, body bounds, and the removal of comment and
// blank lines from the body.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MQALineMap.h"

namespace mqa {

struct EnvelopeMatch {
    std::string_view type;     // the format type as written
    std::string_view version;  // \d+\.\d+
    size_t bodyStart = 0;      // the body runs up to the last "Eof" that only whitespace follows
    size_t bodyEnd = 0;
    bool blankLineMissing = false;  // leniently, the header may end without its blank line
};

// Matches
//   ^Metasequoia Document[\t ]*\r\nFormat (\w+) Ver (\d+\.\d+)[\t ]*\r\n\r\n(.+)Eof\s*$
// with letter case ignored; none when the text does not match, with where the match
// stopped in `failedAt`.
// Leniently, the blank line after the header may be missing.
std::optional<EnvelopeMatch> matchEnvelope(std::string_view text, size_t* failedAt = nullptr,
                                           bool lenient = false);

// Deletes, in one left-to-right pass each, every comment line (^#.*\r\n) and then every
// run of whitespace-only lines (^\s*\r\n) in text[start, end), moving the rest down in
// place. Returns the new end. With `removed`, notes where lines were taken out.
size_t removeCommentLines(char* text, size_t start, size_t end,
                          std::vector<LinesRemoved>* removed = nullptr);
size_t removeBlankLines(char* text, size_t start, size_t end,
                        std::vector<LinesRemoved>* removed = nullptr);

}  // namespace mqa
