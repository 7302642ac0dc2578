#include "MQAReader.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "MQAChunkFilter.h"
#include "MQALexer.h"
#include "MQANumber.h"
#include "MQAScan.h"

namespace {

constexpr std::string_view kUnit = "MQAFile";
constexpr int kNotMQALine = 74;
constexpr int kTypeLine = 79;
constexpr int kVersionLine = 85;

std::string formatVersion(const char* format, float version) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, static_cast<double>(version));
    return buffer;
}

[[noreturn]] void raiseAt(std::string_view text, size_t offset, const std::string& message, int line) {
    MQAException error(message, kUnit, line);
    error.setPlace(mqa::placeInText(text, offset));
    throw error;
}

// What the header says, and where the body is.
struct Envelope {
    std::string_view type;     // the format type as written
    std::string_view version;  // \d+\.\d+
    size_t bodyStart = 0;      // the body runs up to the last "Eof" that only whitespace follows
    size_t bodyEnd = 0;
    bool blankLineMissing = false;  // leniently, the header may end without its blank line
    // Leniently, a text may hold no chunks: nothing but whitespace at all (no document),
    // or nothing after the header but "Eof" (or not even that).
    bool noDocument = false;
    bool noChunks = false;
    bool noEof = false;
};

// Matches
//   ^Metasequoia Document[\t ]*\r\nFormat (\w+) Ver (\d+\.\d+)[\t ]*\r\n\r\n(.+)Eof\s*$
// with letter case ignored; none when the text does not match, with where the match
// stopped in `failedAt`. Leniently, the header's lines may end with LF alone (the last
// one with the text), the blank line after them may be missing, and the body may be
// empty, "Eof" too.
std::optional<Envelope> matchEnvelope(std::string_view text, size_t& failedAt, bool lenient) {
    const char* textEnd = text.data() + text.size();
    if (lenient && mqa::skipSpaces(text.data(), textEnd) == textEnd) {
        Envelope none;
        none.type = "Text";
        none.version = "1.0";
        none.noDocument = none.noChunks = none.noEof = true;
        return none;
    }
    size_t pos = 0;  // moves only past what matched
    auto word = [&](std::string_view expected) {
        if (text.size() - pos < expected.size() || !mqa::equalsIgnoringCase(text.substr(pos, expected.size()), expected))
            return false;
        pos += expected.size();
        return true;
    };
    auto lineBreak = [&](size_t at) {
        const char* after = mqa::matchBreak(text.data() + at, text.data() + text.size(), lenient);
        if (after) pos = static_cast<size_t>(after - text.data());
        return after != nullptr;
    };
    auto lineEnd = [&] {
        return lineBreak(static_cast<size_t>(mqa::skipBlanks(text.data() + pos, textEnd) - text.data()));
    };
    auto lastHeaderLineEnd = [&] {
        if (lineEnd()) return true;
        if (!lenient || mqa::skipBlanks(text.data() + pos, textEnd) != textEnd) return false;
        pos = text.size();
        return true;
    };
    auto run = [&](bool (*is)(char)) {
        size_t start = pos;
        while (pos < text.size() && is(text[pos])) ++pos;
        return pos > start;
    };
    Envelope m;
    size_t typeAt = 0, versionAt = 0;
    bool header = word("Metasequoia Document") && lineEnd() && word("Format ") && (typeAt = pos, run(mqa::isNameChar)) &&
                  word(" Ver ") && (versionAt = pos, run(mqa::isDigit)) && word(".") && run(mqa::isDigit) &&
                  lastHeaderLineEnd();
    if (header) {
        m.type = text.substr(typeAt, text.find(' ', typeAt) - typeAt);
        m.version = text.substr(versionAt, text.find_first_not_of("0123456789.", versionAt) - versionAt);
        if (!lineBreak(pos)) {
            m.blankLineMissing = true;
            header = lenient;
        }
    }
    // The last "Eof" is the one that only whitespace follows; the body before it is
    // at least one character long.
    size_t end = text.size();
    while (header && end > pos && mqa::isSpace(text[end - 1])) --end;
    if (header && lenient && end - pos <= 3 &&
        (end == pos || mqa::equalsIgnoringCase(text.substr(pos, end - pos), "Eof"))) {
        m.noChunks = true;
        m.noEof = end == pos;
        m.blankLineMissing = false;  // a header alone needs none
        m.bodyStart = m.bodyEnd = pos;
        return m;
    }
    if (header && (end < pos + 4 || !mqa::equalsIgnoringCase(text.substr(end - 3, 3), "Eof"))) {
        pos = end;
        header = false;
    }
    if (!header) {
        failedAt = std::min(pos, text.size());
        return std::nullopt;
    }
    m.bodyStart = pos;
    m.bodyEnd = end - 3;
    return m;
}

// The warnings for the liberties lenient reading took with the grammar.
void addLiberties(const mqa::LexedLiberties& liberties, std::vector<MQAWarning>& warnings) {
    if (liberties.firstLoneLineFeed)
        warnings.push_back(
            {liberties.firstLoneLineFeed, "lines end with LF alone; they are read as if they ended with CR LF"});
    if (liberties.firstMixedNumbers)
        warnings.push_back({liberties.firstMixedNumbers, "integers among decimals in a list are read as decimals (here "
                                                         "and on any later line)"});
    if (liberties.firstExponent)
        warnings.push_back({liberties.firstExponent, "numbers in exponent notation are read as the decimals they stand "
                                                     "for (here and on any later line)"});
}

// What stopped the body's list at `stop`, for the warning about the text after it.
std::string stopReason(const char* stop, const char* end) {
    const char* p = mqa::skipBlanks(stop, end);
    if (p != end && *p == '}') return "a \"}\" that closes no block";
    if (p != end && *p == '#') return "an indented \"#\" line";
    return "a line that is not an attribute";
}

}  // namespace

const MQALineParam* MQALine::param(std::string_view wanted) const {
    for (const MQALineParam& p : params)
        if (!p.name.empty() && mqa::equalsIgnoringCase(p.name, wanted)) return &p;
    return nullptr;
}

int32_t MQALine::intAt(const MQALineParam& p, size_t k) const {
    if (p.type == MQAParamTypeString) return mqa::leadingInt(strings[p.first + k]);
    uint32_t bits = numbers[p.first + k];
    if (p.type == MQAParamTypeInt) return static_cast<int32_t>(bits);
    return mqa::truncateToInt(std::bit_cast<float>(bits));
}

float MQALine::floatAt(const MQALineParam& p, size_t k) const {
    if (p.type == MQAParamTypeString) return mqa::leadingFloat(strings[p.first + k]);
    uint32_t bits = numbers[p.first + k];
    if (p.type == MQAParamTypeInt) return static_cast<float>(static_cast<int32_t>(bits));
    return std::bit_cast<float>(bits);
}

std::string MQALine::textAt(const MQALineParam& p, size_t k) const {
    if (p.type == MQAParamTypeString) return std::string(strings[p.first + k]);
    std::string out;
    if (p.type == MQAParamTypeInt)
        mqa::appendInt(out, intAt(p, k));
    else
        mqa::appendFloat(out, floatAt(p, k), 7);
    return out;
}

size_t MQALine::claimedCount(size_t shortestLine) const {
    if (params.empty() || params[0].type != MQAParamTypeInt || params[0].count == 0) return 0;
    return std::min<size_t>(static_cast<size_t>(std::max(0, intAt(params[0], 0))), textLeft / shortestLine);
}

MQAParam MQALine::toParam(const MQALineParam& p) const {
    MQAParam param;
    switch (p.type) {
        case MQAParamTypeString: param = MQAParam::paramWithStringValues(strings.subspan(p.first, p.count)); break;
        case MQAParamTypeInt:
            param = MQAParam::paramWithIntValues(
                std::span<const int32_t>(reinterpret_cast<const int32_t*>(numbers.data() + p.first), p.count));
            break;
        case MQAParamTypeFloat:
            param = MQAParam::paramWithFloatValues(
                std::span<const float>(reinterpret_cast<const float*>(numbers.data() + p.first), p.count));
            break;
        default: break;
    }
    if (!p.name.empty()) param.setName(p.name);
    return param;
}

namespace mqa {

MQAReadResult readDocument(std::string_view text, MQALineVisitor& visitor, const MQAReadOptions& options) {
    MQAReadResult result;
    const bool lenient = options.lenient;
    size_t failedAt = 0;
    std::optional<Envelope> match = matchEnvelope(text, failedAt, lenient);
    if (!match) raiseAt(text, failedAt, "This is not MQA file.", kNotMQALine);
    auto at = [&](std::string_view part) { return static_cast<size_t>(part.data() - text.data()); };
    result.type = std::string(match->type);
    if (!equalsIgnoringCase(match->type, "text"))
        raiseAt(text, at(match->type), "'" + result.type + "' type is unsupported.", kTypeLine);
    result.version = parseFloat(match->version);
    if (result.version != 1.0f && !(lenient && (result.version == 1.1f || result.version == 1.2f)))
        raiseAt(text, at(match->version), formatVersion("Ver %.1f is unsupported.", result.version), kVersionLine);
    std::vector<MQAWarning>& warnings = result.warnings;
    if (result.version != 1.0f)
        warnings.push_back({2, formatVersion("format version %.1f is read as version 1.0", result.version)});
    if (match->blankLineMissing) warnings.push_back({3, "the blank line after the header is missing"});

    const char* body = text.data() + match->bodyStart;
    const char* end = text.data() + match->bodyEnd;
    const uint64_t firstLine = 1 + static_cast<uint64_t>(std::count(text.data(), body, '\n'));
    LexedLiberties liberties;
    for (size_t lf = 0; lenient && (lf = text.find('\n', lf)) < match->bodyStart; ++lf)  // the header's lines too
        if (lf == 0 || text[lf - 1] != '\r') {
            liberties.firstLoneLineFeed = 1 + static_cast<uint64_t>(std::count(text.data(), text.data() + lf, '\n'));
            break;
        }
    if (match->noChunks) {
        warnings.push_back({firstLine, match->noDocument ? "the file holds no document; it is read as one without chunks"
                                       : match->noEof    ? "the document has no chunks and no \"Eof\" line"
                                                         : "the document has no chunks"});
        addLiberties(liberties, warnings);
        return result;
    }
    // Leniently, only the chunks a scene is made of are read.
    std::optional<ChunkFilter> filter;
    if (lenient) filter.emplace(visitor);
    Lexer lexer(text, body, end, firstLine, options, liberties);
    lexer.readList(filter ? static_cast<MQALineVisitor&>(*filter) : visitor, 0);

    const char* stop = lexer.position();
    if (skipSpaces(stop, end) != end) {
        uint64_t stopLine = lexer.line();
        uint64_t lastLine = firstLine + static_cast<uint64_t>(std::count(body, end, '\n'));
        if (end[-1] == '\n') --lastLine;  // the body's last line ends there
        uint64_t ignored = lastLine >= stopLine ? lastLine - stopLine + 1 : 1;
        warnings.push_back(MQAWarning{
            stopLine, "the body ends at " + stopReason(stop, end) + "; the " +
                          (ignored == 1 ? std::string("line") : std::to_string(ignored) + " lines") +
                          " from here to \"Eof\" " + (ignored == 1 ? "is" : "are") + " ignored"});
    }
    addLiberties(liberties, warnings);
    if (filter) filter->skipped().addTo(warnings);
    return result;
}

}  // namespace mqa
