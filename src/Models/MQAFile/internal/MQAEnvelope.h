#pragma once

// The document envelope: the header lines and the body's bounds.

#include <cstddef>
#include <optional>
#include <string_view>

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
// stopped in `failedAt`. Leniently, the header's lines may end with LF alone and the
// blank line after them may be missing.
std::optional<EnvelopeMatch> matchEnvelope(std::string_view text, size_t* failedAt = nullptr,
                                           bool lenient = false);

}  // namespace mqa
