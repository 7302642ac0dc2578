#include "MQAEnvelope.h"

#include <algorithm>

#include "MQAScan.h"

namespace mqa {
namespace {

// Case-insensitive literal at text[pos]; returns the position after it or npos.
size_t matchWord(std::string_view text, size_t pos, std::string_view word) {
    if (pos == std::string_view::npos || text.size() - pos < word.size()) return std::string_view::npos;
    return equalsIgnoringCase(text.substr(pos, word.size()), word) ? pos + word.size()
                                                                   : std::string_view::npos;
}

// [\t ]*\r\n, or leniently [\t ]*\n too.
size_t matchBlanksLineEnd(std::string_view text, size_t pos, bool lenient) {
    if (pos == std::string_view::npos) return pos;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    if (const char* after = matchBreak(text.data() + pos, text.data() + text.size(), lenient))
        return static_cast<size_t>(after - text.data());
    return std::string_view::npos;
}

size_t matchDigits(std::string_view text, size_t pos) {
    size_t start = pos;
    while (pos < text.size() && isDigit(text[pos])) ++pos;
    return pos == start ? std::string_view::npos : pos;
}

}  // namespace

std::optional<EnvelopeMatch> matchEnvelope(std::string_view text, size_t* failedAt, bool lenient) {
    constexpr size_t npos = std::string_view::npos;
    // Where matching stopped: the last position a piece matched up to.
    size_t reached = 0;
    auto failAt = [&](size_t at) -> std::optional<EnvelopeMatch> {
        if (failedAt) *failedAt = std::min(at, text.size());
        return std::nullopt;
    };
    auto step = [&](size_t next) {
        if (next != npos) reached = next;
        return next;
    };
    EnvelopeMatch m;
    size_t pos = step(matchBlanksLineEnd(text, step(matchWord(text, 0, "Metasequoia Document")), lenient));
    pos = step(matchWord(text, pos, "Format "));
    if (pos == npos) return failAt(reached);
    size_t typeStart = pos;
    while (pos < text.size() && isNameChar(text[pos])) ++pos;
    if (pos == typeStart) return failAt(pos);
    m.type = text.substr(typeStart, pos - typeStart);
    pos = step(matchWord(text, step(pos), " Ver "));
    if (pos == npos) return failAt(reached);
    size_t versionStart = pos;
    pos = step(matchDigits(text, pos));
    pos = step(matchWord(text, pos, "."));
    if (pos == npos) return failAt(reached);
    pos = step(matchDigits(text, pos));
    if (pos == npos) return failAt(reached);
    m.version = text.substr(versionStart, pos - versionStart);
    pos = step(matchBlanksLineEnd(text, pos, lenient));
    if (pos == npos) return failAt(reached);
    const char* afterBlank = matchBreak(text.data() + pos, text.data() + text.size(), lenient);
    size_t blankLine = afterBlank ? static_cast<size_t>(afterBlank - text.data()) : npos;
    if (blankLine != npos) {
        pos = step(blankLine);
    } else if (lenient) {
        m.blankLineMissing = true;
    } else {
        return failAt(reached);
    }
    // The last "Eof" is the one that only whitespace follows; the body before it is
    // at least one character long.
    size_t end = text.size();
    while (end > pos && isSpace(text[end - 1])) --end;
    if (end < pos + 4 || !equalsIgnoringCase(text.substr(end - 3, 3), "Eof")) return failAt(end);
    m.bodyStart = pos;
    m.bodyEnd = end - 3;
    return m;
}

}  // namespace mqa
