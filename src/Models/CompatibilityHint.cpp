#include "CompatibilityHint.h"

#include "Metasequoia.h"

#include <algorithm>
#include <exception>
#include <cstdlib>
#include <string_view>

namespace {

bool startsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

// The text between `before` and the next `after`; empty when either is missing.
std::string between(std::string_view text, std::string_view before, std::string_view after) {
    size_t from = text.find(before);
    if (from == std::string_view::npos) return {};
    from += before.size();
    size_t to = text.find(after, from);
    return to == std::string_view::npos ? std::string() : std::string(text.substr(from, to - from));
}

// 'the "Thumbnail" chunk is not read and is skipped (12 lines)', when strict reading
// stopped within those lines: the chunk's name.
std::string chunkStrictReadingStoppedIn(const MQAWarning& warning, uint64_t strictFailureLine) {
    std::string_view text = warning.message;
    if (!startsWith(text, "the \"") || text.find("\" chunk is not read") == std::string_view::npos) return {};
    uint64_t lines = std::strtoull(between(text, "skipped (", " line").c_str(), nullptr, 10);
    if (strictFailureLine < warning.line || strictFailureLine >= warning.line + lines) return {};
    return between(text, "\"", "\"");
}

// The plain words for one warning; none for a warning that names no liberty taken.
std::string phraseFor(const MQAWarning& warning, uint64_t strictFailureLine) {
    std::string_view text = warning.message;
    if (startsWith(text, "lines end with LF alone")) return "LF line ends";
    if (startsWith(text, "the blank line after the header is missing")) return "no blank line after the header";
    if (startsWith(text, "format version ")) return "format " + between(text, "version ", " ") + " from a newer modeller";
    if (startsWith(text, "the file holds no document")) return "the file is empty";
    if (startsWith(text, "the document has no chunks")) return "a document with no chunks";
    if (startsWith(text, "a UTF-8 byte-order mark")) return "a byte-order mark at the start";
    if (startsWith(text, "the text is read as code page ")) return "text in code page " + between(text, "page ", ",");
    if (startsWith(text, "the text is not UTF-8")) return "Shift_JIS text rather than UTF-8";
    if (startsWith(text, "integers among decimals")) return "integers among decimals";
    if (startsWith(text, "numbers in exponent notation")) return "numbers in exponent notation";
    if (text.find("no material the document has") != std::string_view::npos) return "faces naming no material";
    if (text.find(" keeps its vertices as binary data in a \"") != std::string_view::npos) return "binary vertices";
    if (std::string chunk = chunkStrictReadingStoppedIn(warning, strictFailureLine); !chunk.empty())
        return "a \"" + chunk + "\" chunk that compatibility reading skips";
    return {};
}

}  // namespace

std::string compatibilityHint(const std::vector<MQAWarning>& warnings, uint64_t strictFailureLine) {
    std::vector<std::string> phrases;
    for (const MQAWarning& warning : warnings) {
        std::string phrase = phraseFor(warning, strictFailureLine);
        if (!phrase.empty() && std::find(phrases.begin(), phrases.end(), phrase) == phrases.end())
            phrases.push_back(std::move(phrase));
    }
    std::string hint;
    for (size_t i = 0; i < phrases.size(); ++i) {
        if (i > 0) hint += i + 1 == phrases.size() ? " and " : ", ";
        hint += phrases[i];
    }
    return hint;
}

std::string compatibilityHintFor(zelto::DocumentBytes&& bytes) {
    try {
        std::exception_ptr strictFailure;
        Metasequoia scene =
            Metasequoia::initWithData(std::move(bytes), MQAReading::Compatible, nullptr, &strictFailure);
        if (!strictFailure) return {};
        uint64_t line = 0;
        try {
            std::rethrow_exception(strictFailure);
        } catch (const std::exception& error) {
            if (std::optional<MQAPlace> place = placeOfError(error)) line = place->line;
        }
        return compatibilityHint(scene.warnings(), line);
    } catch (const std::exception&) {
        return {};
    }
}
