#pragma once

// Compatibility reading's first step: a document's bytes as text. The rest of its
// liberties are lenient reading's (MQAReadOptions).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MQAException.h"
#include "MQAProgress.h"

namespace mqa::compat {

struct PreparedText {
    std::string_view text;             // the bytes themselves, or `decoded`
    std::optional<std::string> decoded;
    std::vector<MQAWarning> warnings;
    PreparedText() = default;
    PreparedText(PreparedText&& other) noexcept;  // keeps `text` on its own `decoded`
};

// Skips a UTF-8 byte-order mark, then decodes the bytes as the document's "CodePage"
// line says (utf8, or a code page number such as 932). Without one, bytes that are not
// valid UTF-8 are read as Shift_JIS (CP932), as modellers of the format's first
// versions wrote them. The line count and every line end stay as they were. Throws
// MQAInvalidText when the bytes are text in neither. The bytes must outlive the result.
// With `progress`, stops with MQACancelled soon after it is cancelled.
PreparedText prepareText(std::string_view bytes, const MQAProgress* progress = nullptr);

}  // namespace mqa::compat
