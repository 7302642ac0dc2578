#include "MQACompat.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <memory>

#include "MQAScan.h"
#include "MQAUTF8.h"

namespace mqa::compat {
namespace {

thread_local bool tLenientNumbers = false;
thread_local bool tMixedNumbersSeen = false;

uint64_t lineAt(const std::string& text, size_t offset) {
    return 1 + static_cast<uint64_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(offset), '\n'));
}

// The 1-based line of the text before a step, for a line of the text after it.
uint64_t lineBefore(const std::vector<LinesRemoved>& removed, uint64_t line) {
    for (const LinesRemoved& r : removed)
        if (r.at <= line) line += r.count;
    return line;
}

// The same through every step taken so far, last step first.
uint64_t originalLine(const std::vector<std::vector<LinesRemoved>>& steps, uint64_t line) {
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) line = lineBefore(*step, line);
    return line;
}

// Notes that `count` lines went out just before what is now line `at`.
void noteRemoval(std::vector<LinesRemoved>& removed, uint64_t at, uint64_t count) {
    if (count == 0) return;
    if (!removed.empty() && removed.back().at == at)
        removed.back().count += count;
    else
        removed.push_back({at, count});
}

bool startsWithWord(std::string_view line, std::string_view word) {
    size_t p = 0;
    while (p < line.size() && isBlank(line[p])) ++p;
    if (line.size() - p < word.size() || !equalsIgnoringCase(line.substr(p, word.size()), word)) return false;
    return p + word.size() == line.size() || !isNameChar(line[p + word.size()]);
}

// "Vector N [BYTES]": the byte count, when the line says one.
std::optional<size_t> binaryBytes(std::string_view line) {
    if (!startsWithWord(line, "vector")) return std::nullopt;
    size_t open = line.find('['), close = line.find(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    size_t bytes = 0;
    auto [end, ec] = std::from_chars(line.data() + open + 1, line.data() + close, bytes);
    if (ec != std::errc() || end != line.data() + close) return std::nullopt;
    return bytes;
}

void cutBinaryData(Prepared& out) {
    std::string& text = out.text;
    std::vector<LinesRemoved> removed;
    std::string kept;
    kept.reserve(text.size());
    uint64_t keptLines = 1;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        size_t lineEnd = lf == std::string::npos ? text.size() : lf + 1;
        std::string_view line(text.data() + pos, lineEnd - pos);
        kept.append(line);
        pos = lineEnd;
        if (lf == std::string::npos) break;
        ++keptLines;
        std::string_view content = line.substr(0, line.size() - 1);
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        if (std::optional<size_t> bytes = binaryBytes(content)) {
            size_t cut = std::min(*bytes, text.size() - pos);
            uint64_t lines = static_cast<uint64_t>(std::count(text.begin() + static_cast<ptrdiff_t>(pos),
                                                              text.begin() + static_cast<ptrdiff_t>(pos + cut), '\n'));
            out.warnings.push_back({lineAt(text, pos - 1), "the " + std::to_string(cut) +
                                                               " bytes of binary data after this line are skipped"});
            noteRemoval(removed, keptLines, lines);
            pos += cut;
            // The data may stop mid-line: what follows up to the line end belongs with it.
        }
    }
    if (!removed.empty()) {
        text = std::move(kept);
        out.removed.push_back(std::move(removed));
    }
}

void endLinesWithCRLF(Prepared& out) {
    std::string& text = out.text;
    size_t lone = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++lone;
    if (lone == 0) return;
    std::string converted;
    converted.reserve(text.size() + lone);
    uint64_t firstLine = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            if (!firstLine) firstLine = lineAt(text, i);
            converted.push_back('\r');
        }
        converted.push_back(text[i]);
    }
    text = std::move(converted);
    out.warnings.push_back({originalLine(out.removed, firstLine),
                            std::to_string(lone) + (lone == 1 ? " line ends" : " lines end") +
                                " with LF alone; read as CR LF"});
}

void decodeShiftJIS(Prepared& out) {
    std::optional<size_t> invalid = findInvalidUTF8(out.text);
    if (!invalid) return;
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) raiseInvalidUTF8(out.text, *invalid);
    std::unique_ptr<void, int (*)(iconv_t)> closer(converter, iconv_close);
    std::string decoded(out.text.size() * 3 / 2 + 16, '\0');
    char* in = out.text.data();
    size_t inLeft = out.text.size();
    char* outPos = decoded.data();
    size_t outLeft = decoded.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &outPos, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            size_t used = static_cast<size_t>(outPos - decoded.data());
            decoded.resize(decoded.size() * 2);
            outPos = decoded.data() + used;
            outLeft = decoded.size() - used;
            continue;
        }
        // Neither UTF-8 nor Shift_JIS: the first byte that is not UTF-8 is the one shown.
        raiseInvalidUTF8(out.text, *invalid);
    }
    decoded.resize(static_cast<size_t>(outPos - decoded.data()));
    out.warnings.push_back({originalLine(out.removed, lineAt(out.text, *invalid)),
                            "the text is not UTF-8; it is read as Shift_JIS (CP932)"});
    out.text = std::move(decoded);
}

// Chunks the scene does not read whose lines need not follow the grammar: hex lines of
// a thumbnail, what is left of a BVertex block once its binary data is cut.
void removeUnreadChunks(Prepared& out) {
    std::string& text = out.text;
    std::vector<LinesRemoved> removed;
    std::string kept;
    uint64_t keptLines = 1, removedLines = 0;
    size_t pos = 0, copiedUpTo = 0;
    auto lineAfter = [&](size_t at) {
        size_t lf = text.find('\n', at);
        return lf == std::string::npos ? text.size() : lf + 1;
    };
    auto contentOf = [&](size_t at, size_t end) {
        std::string_view line(text.data() + at, end - at);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || isBlank(line.back())))
            line.remove_suffix(1);
        return line;
    };
    while (pos < text.size()) {
        size_t end = lineAfter(pos);
        std::string_view line = contentOf(pos, end);
        bool thumbnail = startsWithWord(line, "thumbnail");
        if ((thumbnail || startsWithWord(line, "bvertex")) && !line.empty() && line.back() == '{') {
            // Find the line that closes it, counting braces that end or start lines.
            int depth = 1;
            size_t scan = end;
            uint64_t lines = 1;
            while (scan < text.size() && depth > 0) {
                size_t next = lineAfter(scan);
                std::string_view inner = contentOf(scan, next);
                size_t first = inner.find_first_not_of(" \t");
                if (first != std::string_view::npos && inner[first] == '}') --depth;
                else if (!inner.empty() && inner.back() == '{') ++depth;
                scan = next;
                ++lines;
            }
            if (depth == 0) {
                uint64_t first = keptLines + removedLines;
                uint64_t fileLine = originalLine(out.removed, first);
                uint64_t fileLines = originalLine(out.removed, first + lines - 1) - fileLine + 1;
                removedLines += lines;
                kept.append(text, copiedUpTo, pos - copiedUpTo);
                copiedUpTo = scan;
                noteRemoval(removed, keptLines, lines);
                out.warnings.push_back(
                    {fileLine, std::string(thumbnail ? "a \"Thumbnail\" chunk" : "a \"BVertex\" chunk (vertices the scene does not read)") +
                                   " of " + std::to_string(fileLines) + " lines is skipped"});
                pos = scan;
                continue;
            }
        }
        if (end > pos && text[end - 1] == '\n') ++keptLines;
        pos = end;
    }
    if (!removed.empty()) {
        kept.append(text, copiedUpTo, std::string::npos);
        text = std::move(kept);
        out.removed.push_back(std::move(removed));
    }
}

}  // namespace

Prepared prepare(std::string bytes) {
    Prepared out;
    out.text = std::move(bytes);
    if (out.text.starts_with("\xEF\xBB\xBF")) {
        out.text.erase(0, 3);
        out.warnings.push_back({1, "a UTF-8 byte-order mark at the start is skipped"});
    }
    cutBinaryData(out);
    endLinesWithCRLF(out);
    decodeShiftJIS(out);
    removeUnreadChunks(out);
    std::stable_sort(out.warnings.begin(), out.warnings.end(),
                     [](const MQAWarning& a, const MQAWarning& b) { return a.line < b.line; });
    return out;
}

void setLenientNumbers(bool lenient) {
    tLenientNumbers = lenient;
    tMixedNumbersSeen = false;
}
bool lenientNumbers() { return tLenientNumbers; }
void noteMixedNumbers() { tMixedNumbersSeen = true; }
bool mixedNumbersSeen() {
    bool seen = tMixedNumbersSeen;
    tMixedNumbersSeen = false;
    return seen;
}

}  // namespace mqa::compat
