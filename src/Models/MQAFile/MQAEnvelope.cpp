#include "MQAEnvelope.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "MQAScan.h"

namespace mqa {
namespace {

// Case-insensitive literal at text[pos]; returns the position after it or npos.
size_t matchWord(std::string_view text, size_t pos, std::string_view word) {
    if (pos == std::string_view::npos || text.size() - pos < word.size()) return std::string_view::npos;
    return equalsIgnoringCase(text.substr(pos, word.size()), word) ? pos + word.size()
                                                                   : std::string_view::npos;
}

// [\t ]*\r\n
size_t matchBlanksLineEnd(std::string_view text, size_t pos) {
    if (pos == std::string_view::npos) return pos;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    return matchWord(text, pos, "\r\n");
}

size_t matchDigits(std::string_view text, size_t pos) {
    size_t start = pos;
    while (pos < text.size() && isDigit(text[pos])) ++pos;
    return pos == start ? std::string_view::npos : pos;
}

// Lines start at the beginning of the text and after LF or a CR that no LF follows.
bool isLineStart(const char* text, size_t start, size_t pos) {
    if (pos == start) return true;
    char before = text[pos - 1];
    return before == '\n' || (before == '\r' && text[pos] != '\n');
}

// The first CR or LF at or after p; end when there is none. Sixteen bytes at a time
// where the processor allows, never reading at or past end.
const char* findLineBreak(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p >= 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
        if (found) return p + std::countr_zero(static_cast<unsigned>(found));
        p += 16;
    }
#endif
    while (p != end && !isLineBreak(*p)) ++p;
    return p;
}

// The start of the line after the one at pos: after its LF, its CR LF or its lone CR.
size_t nextLineStart(const char* text, size_t pos, size_t end) {
    const char* at = findLineBreak(text + pos, text + end);
    if (at == text + end) return end;
    if (*at == '\r' && at + 1 != text + end && at[1] == '\n') ++at;
    return static_cast<size_t>(at + 1 - text);
}

// Moves the kept pieces down as deletions are found; nothing is written before the
// first deletion. When asked, notes where lines went: each deletion's line count and
// the line of the kept text it stands before.
class Compactor {
public:
    Compactor(char* text, size_t start, std::vector<LinesRemoved>* record)
        : _text(text), _read(start), _write(start), _record(record) {}
    void remove(size_t from, size_t to) {
        keepUpTo(from);
        if (_record) {
            uint64_t lines = lineEnds(from, to);
            if (!_record->empty() && _record->back().at == _keptLines)
                _record->back().count += lines;  // straight after the last deletion
            else
                _record->push_back({_keptLines, lines});
        }
        _read = to;
    }
    size_t finish(size_t end) {
        keepUpTo(end);
        return _write;
    }

private:
    uint64_t lineEnds(size_t from, size_t to) const {
        return static_cast<uint64_t>(std::count(_text + from, _text + to, '\n'));
    }
    void keepUpTo(size_t pos) {
        if (_record && pos > _read) _keptLines += lineEnds(_read, pos);
        if (_write != _read && pos > _read)
            std::memmove(_text + _write, _text + _read, pos - _read);
        _write += pos - _read;
        _read = pos;
    }
    char* _text;
    size_t _read;
    size_t _write;
    std::vector<LinesRemoved>* _record;
    uint64_t _keptLines = 0;
};

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
    size_t pos = step(matchBlanksLineEnd(text, step(matchWord(text, 0, "Metasequoia Document"))));
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
    pos = step(matchBlanksLineEnd(text, pos));
    if (pos == npos) return failAt(reached);
    size_t blankLine = matchWord(text, pos, "\r\n");
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

size_t removeCommentLines(char* text, size_t start, size_t end, std::vector<LinesRemoved>* removed) {
    Compactor compactor(text, start, removed);
    const char* base = text;
    size_t pos = start;
    while (pos < end) {
        const void* hash = std::memchr(base + pos, '#', end - pos);
        if (!hash) break;
        size_t at = static_cast<size_t>(static_cast<const char*>(hash) - base);
        pos = at + 1;
        if (!isLineStart(text, start, at)) continue;
        size_t lineEnd = at + 1;
        while (lineEnd < end && !isLineBreak(base[lineEnd])) ++lineEnd;
        if (end - lineEnd >= 2 && base[lineEnd] == '\r' && base[lineEnd + 1] == '\n') {
            compactor.remove(at, lineEnd + 2);
            pos = lineEnd + 2;
        }
    }
    return compactor.finish(end);
}

size_t removeBlankLines(char* text, size_t start, size_t end, std::vector<LinesRemoved>* removed) {
    Compactor compactor(text, start, removed);
    const char* base = text;
    size_t pos = start;
    while (pos < end) {
        if (isSpace(base[pos])) {
            // \s* runs greedily, then gives back characters up to its last CR LF.
            size_t run = pos;
            while (run < end && isSpace(base[run])) ++run;
            size_t matchEnd = 0;
            for (size_t e = run; e >= pos + 2; --e)
                if (base[e - 2] == '\r' && base[e - 1] == '\n') {
                    matchEnd = e;
                    break;
                }
            if (matchEnd) {
                compactor.remove(pos, matchEnd);
                pos = matchEnd;
                continue;
            }
            // No line start inside the run can match either: its rest holds no CR LF.
            pos = run;
            if (pos == end) break;
        }
        pos = nextLineStart(text, pos, end);
    }
    return compactor.finish(end);
}

}  // namespace mqa
