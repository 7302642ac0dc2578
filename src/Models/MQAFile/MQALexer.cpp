#include "MQALexer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <memory>

#include "MQAHalves.h"
#include "MQANumber.h"
#include "MQARawLines.h"
#include "MQAScan.h"

namespace mqa {
namespace {

constexpr int kAttributeSyntaxErrorLine = 146;
constexpr int kBlockSyntaxErrorLine = 110;
constexpr int kParamSyntaxErrorLine = 249;
constexpr int kStringMismatchLine = 283;
constexpr int kFloatMismatchLine = 292;
constexpr int kIntMismatchLine = 301;
constexpr uint32_t kLinesPerProgress = 4096;
// Within one long line or run of comment lines, how much is read between checkpoints.
constexpr size_t kBytesPerCheck = size_t{1} << 20;
constexpr uint32_t kValuesPerCheck = 1u << 16;
constexpr size_t kExcerptBytes = 120;

uint32_t intBitsAsFloatBits(uint32_t bits) {
    return std::bit_cast<uint32_t>(static_cast<float>(static_cast<int32_t>(bits)));
}

bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

uint64_t lineFeeds(const char* from, const char* to) {
    return static_cast<uint64_t>(std::count(from, to, '\n'));
}

// Characters from `lineStart` to `at` plus 1: the column of `at`.
uint64_t columnOf(const char* lineStart, const char* at) {
    uint64_t column = 1;
    for (const char* p = lineStart; p < at; ++p)
        if (!continuation(*p)) ++column;
    return column;
}

// The line that starts at `lineStart`, without its end, shortened to about 120 bytes (at a
// character boundary, with "…" where it was cut).
std::string excerptOf(const char* lineStart, const char* end) {
    const char* lineEnd = lineStart;
    while (lineEnd < end && !isLineBreak(*lineEnd)) ++lineEnd;
    if (static_cast<size_t>(lineEnd - lineStart) <= kExcerptBytes) return std::string(lineStart, lineEnd);
    const char* cut = lineStart + kExcerptBytes;
    while (cut > lineStart && continuation(*cut)) --cut;
    return std::string(lineStart, cut) + "\xE2\x80\xA6";  // …
}

}  // namespace

MQAPlace placeInText(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    const char* begin = text.data();
    const char* at = begin + offset;
    MQAPlace place;
    place.line = 1 + lineFeeds(begin, at);
    const char* lineStart = at;
    while (lineStart > begin && lineStart[-1] != '\n') --lineStart;
    place.column = columnOf(lineStart, at);
    place.excerpt = excerptOf(lineStart, begin + text.size());
    return place;
}

void LexedLiberties::merge(const LexedLiberties& later) {
    firstMixedNumbers = firstMixedNumbers ? firstMixedNumbers : later.firstMixedNumbers;
    firstExponent = firstExponent ? firstExponent : later.firstExponent;
    firstLoneLineFeed = firstLoneLineFeed ? firstLoneLineFeed : later.firstLoneLineFeed;
}

Lexer::Lexer(std::string_view text, const char* begin, const char* end, uint64_t line, const MQAReadOptions& options,
             LexedLiberties& liberties)
    : _text(text),
      _begin(begin),
      _p(begin),
      _end(end),
      _lineStart(begin),
      _failAt(begin),
      _line(line),
      _options(options),
      _liberties(liberties),
      _checkpoint(options.progress, options.reportsProgress) {}

void Lexer::failAt(const char* p, std::string_view unit, int line) {
    _failAt = skipBlanks(p, _end);
    fail("Syntax Error.", unit, line);
}

void Lexer::fail(std::string_view message, std::string_view unit, int line) const {
    MQAException error(message, unit, line);
    MQAPlace place;
    place.line = _line;
    place.column = columnOf(_lineStart, std::max(_failAt, _lineStart));
    place.excerpt = excerptOf(_lineStart, _end);
    error.setPlace(std::move(place));
    throw error;
}

bool Lexer::isLineStart(const char* p) const {
    return p == _begin || p[-1] == '\n' || (p[-1] == '\r' && (p == _end || *p != '\n'));
}

const char* Lexer::commentEnd(const char* p) const {
    const char* q = p + 1;
    while (q != _end && !isLineBreak(*q)) ++q;
    return matchBreak(q, _end, _options.lenient);
}

const char* Lexer::pastComments(const char* p) const {
    while (p != _end && *p == '#') {
        const char* after = commentEnd(p);
        if (!after) break;
        p = after;
    }
    return p;
}

const char* Lexer::lineBreak(const char* p) const {
    if (const char* after = matchBreak(p, _end, _options.lenient)) return after;
    if (p == _end || *p != '\r') return nullptr;
    // A lone CR ends a line for the comment and blank passes. Comment lines after it go
    // first: an LF after them makes one CR LF with it. Else a line starts after it, and
    // an LF after its blank run makes one.
    const char* q = pastComments(p + 1);
    if (q != _end && *q == '\n') return q + 1;
    const char* after = passOver(q);
    return after != q && after != _end && *after == '\n' ? after + 1 : nullptr;
}

const char* Lexer::passOver(const char* p) const {
    const char* q = p;
    const char* resume = p;  // where reading resumes when no blank run ends here
    const char* runEnd = nullptr;
    bool spaceSeen = false;
    const char* checked = p;  // a long run of comment lines is one line to countLine
    while (q != _end) {
        if (static_cast<size_t>(q - checked) > kBytesPerCheck) {
            checkpoint(q);
            checked = q;
        }
        if (*q == '#' && isLineStart(q)) {
            const char* after = commentEnd(q);
            if (!after) break;
            q = after;
            if (!spaceSeen) resume = q;
            continue;
        }
        if (!isSpace(*q)) break;
        spaceSeen = true;
        if (const char* after = matchBreak(q, _end, _options.lenient)) {
            q = runEnd = after;
            continue;
        }
        if (*q == '\r') {
            // A lone CR, comment lines, then LF: without the comments, one CR LF.
            const char* r = pastComments(q + 1);
            if (r != q + 1 && r != _end && *r == '\n') {
                q = runEnd = r + 1;
                continue;
            }
        }
        ++q;
    }
    // Comment lines right after the run went before it did.
    return runEnd ? pastComments(runEnd) : resume;
}

const char* Lexer::matchLineEnd(const char* p) const {
    p = skipBlanks(p, _end);
    return p == _end ? p : lineBreak(p);
}

const char* Lexer::matchOpener(const char* p) const {
    p = matchBlanksThen(p, _end, '{');
    if (!p) return nullptr;
    while (p != _end && !isLineBreak(*p)) ++p;
    return lineBreak(p);
}

void Lexer::moveTo(const char* to) {
    for (const char* at = _p; at < to;) {
        // Most moves pass a few bytes (the blanks and line end after a line's head).
        const char* lf = to - at <= 16 ? std::find(at, to, '\n')
                                       : static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(to - at)));
        if (!lf || lf == to) break;
        ++_line;
        _lineStart = at = lf + 1;
    }
    _p = to;
}

void Lexer::passLineEnd(const char* after) {
    if (_options.lenient && !_liberties.firstLoneLineFeed && after != _end && after[-1] == '\n' &&
        (after - 1 == _begin || after[-2] != '\r'))
        _liberties.firstLoneLineFeed = _currentLine;
    moveTo(after);
}

void Lexer::atLineStart() {
    // Indentation before a line's content is no blank line: only a "#" or a run of
    // spaces that reaches a line end needs passing over.
    if (_p != _end && (isSpace(*_p) || *_p == '#')) {
        const char* content = skipBlanks(_p, _end);
        if (*_p == '#' || content == _end || isSpace(*content)) moveTo(passOver(_p));
    }
    _currentLine = _line;
    countLine(_p);
}

void Lexer::countLine(const char* at) {
    if (++_linesSinceProgress < kLinesPerProgress) return;
    _linesSinceProgress = 0;
    checkpoint(at);
}

void Lexer::checkpoint(const char* at) const { _checkpoint.reached(static_cast<uint64_t>(at - _text.data())); }

bool Lexer::readParam(const char*& p) {
    Buffer& b = _buffer;
    const char* start = skipBlanks(p, _end);
    const char* open = nullptr;
    std::string_view name;
    if (const char* nameEnd = scanName(start, _end)) {
        open = matchBlanksThen(nameEnd, _end, '(');
        if (open) name = std::string_view(start, static_cast<size_t>(nameEnd - start));
    } else if (start != _end && *start == '(') {
        open = start + 1;
    }
    const bool lenient = _options.lenient;
    if (!open) {
        MQAScannedValue v = scanValue(start, _end, lenient);
        if (v.kind == MQAParamTypeNone) return false;
        if (v.exponent && !_liberties.firstExponent) _liberties.firstExponent = _currentLine;
        // Filled in place: a copy built on the stack and then stored costs a stall here.
        MQALineParam& param = b.params.emplace_back();
        param.type = v.kind;
        param.count = 1;
        if (v.kind == MQAParamTypeString) {
            param.first = static_cast<uint32_t>(b.strings.size());
            b.strings.push_back(v.text);
        } else {
            param.first = static_cast<uint32_t>(b.numbers.size());
            b.numbers.push_back(v.bits);
        }
        p = v.next;
        return true;
    }
    MQALineParam param{name, MQAParamTypeNone, 0, 0};
    for (const char* q = open;;) {
        MQAScannedValue v = scanValue(q, _end, lenient);
        if (v.kind == MQAParamTypeNone) {
            const char* close = matchBlanksThen(q, _end, ')');
            if (!close) fail("Syntax Error.", "MQAParam", kParamSyntaxErrorLine);
            b.params.push_back(param);
            p = close;
            return true;
        }
        if (v.exponent && !_liberties.firstExponent) _liberties.firstExponent = _currentLine;
        MQAParamType type = v.kind;
        if (lenient && param.type != MQAParamTypeNone && type != param.type && type != MQAParamTypeString &&
            param.type != MQAParamTypeString) {
            // Integers among decimals read as decimals.
            if (!_liberties.firstMixedNumbers) _liberties.firstMixedNumbers = _currentLine;
            if (param.type == MQAParamTypeInt) {
                for (uint32_t k = 0; k < param.count; ++k)
                    b.numbers[param.first + k] = intBitsAsFloatBits(b.numbers[param.first + k]);
                param.type = MQAParamTypeFloat;
            }
            if (type == MQAParamTypeInt) v.bits = intBitsAsFloatBits(v.bits);
            type = MQAParamTypeFloat;
        }
        if (param.type != MQAParamTypeNone && type != param.type) {
            int line = type == MQAParamTypeString  ? kStringMismatchLine
                       : type == MQAParamTypeFloat ? kFloatMismatchLine
                                                   : kIntMismatchLine;
            fail("Type Mismatch.", "MQAParam", line);
        }
        if (param.type == MQAParamTypeNone) {
            param.type = type;
            param.first = static_cast<uint32_t>(type == MQAParamTypeString ? b.strings.size() : b.numbers.size());
        }
        if (type == MQAParamTypeString)
            b.strings.push_back(v.text);
        else
            b.numbers.push_back(v.bits);
        if (++param.count % kValuesPerCheck == 0) checkpoint(q);
        q = v.next;
    }
}

void Lexer::readHead() {
    Buffer& b = _buffer;
    b.name.reset();
    b.params.clear();
    b.numbers.clear();
    b.strings.clear();
    // `next` runs ahead over blanks; _p moves only past what was read.
    const char* next = skipBlanks(_p, _end);
    if (const char* nameEnd = scanName(next, _end)) {
        b.name = std::string_view(next, static_cast<size_t>(nameEnd - next));
        _p = next = nameEnd;
    }
    for (;;) {
        _failAt = skipBlanks(next, _end);
        if (!readParam(next)) break;
        _p = next;
        if (b.params.size() % kValuesPerCheck == 0) checkpoint(next);
    }
}

MQALine Lexer::currentLine(bool opensBlock) const {
    MQALine line;
    line.name = _buffer.name;
    line.params = _buffer.params;
    line.numbers = _buffer.numbers;
    line.strings = _buffer.strings;
    line.fileLine = _currentLine;
    line.opensBlock = opensBlock;
    line.textLeft = static_cast<size_t>(_end - _p);
    return line;
}

void Lexer::readList(MQALineVisitor& visitor, uint32_t depth) {
    const uint32_t base = depth;  // the depth whose list ends the reading
    const uint32_t choosesBelow = visitor.choosesBelow();
    for (;;) {
        atLineStart();
        if (_stopAt && depth == _stopDepth && _p >= _stopAt) return;
        if (depth < _binaryFrom) _binaryFrom = kNoBinary;  // the chunk with binary data ended
        if (depth < choosesBelow && offerChunk(visitor, depth)) continue;
        const char* lineStart = _p;
        readHead();
        const bool empty = !_buffer.name && _buffer.params.empty();
        if (const char* body = matchOpener(_p)) {
            visitor.line(currentLine(true), depth);
            passLineEnd(body);
            ++depth;
            readInHalves(visitor, depth);
            continue;
        }
        const char* next = matchLineEnd(_p);
        if (next && !empty) {
            MQALine line = currentLine(false);
            passLineEnd(next);
            visitor.line(line, depth);
            continue;
        }
        if (!next && !empty && depth >= _binaryFrom && readBinaryLine(visitor, depth)) continue;
        if (!empty) failAt(_p, "MQAAttribute", kAttributeSyntaxErrorLine);
        // The line reads as none (an empty line is taken with it): the list ends here.
        _p = lineStart;
        if (next) moveTo(next);
        if (depth == base) return;
        const char* closer = matchBlanksThen(_p, _end, '}');
        if (!closer) failAt(_p, "MQABlock", kBlockSyntaxErrorLine);
        _p = closer;
        --depth;
        visitor.closed(depth, _currentLine);
        next = matchLineEnd(_p);
        if (!next) failAt(_p, "MQAAttribute", kAttributeSyntaxErrorLine);
        passLineEnd(next);
    }
}

bool Lexer::readBinaryLine(MQALineVisitor& visitor, uint32_t depth) {
    // The rest of the line is "[N]" and its end.
    const char* open = skipBlanks(_p, _end);
    RawLine rest = rawLineAt(open, _end);
    size_t bytes = binaryBytes(rest.content);
    if (!bytes || rest.content.front() != '[' || rest.content.find(']') != rest.content.size() - 1) return false;
    const char* data = matchLineEnd(open + rest.content.size());
    if (!data || data != rest.next) return false;
    const bool crlf = data - _p >= 2 && data[-2] == '\r';
    _failAt = open;
    if (static_cast<size_t>(_end - data) < bytes)
        failBinary("the line announces " + std::to_string(bytes) + " bytes of binary data, but only " +
                   std::to_string(_end - data) + " are left");
    const char* after = data + bytes;
    const char* lineEnd = matchBreak(after, _end, _options.lenient);
    if (!lineEnd || (crlf && lineEnd - after != 2))
        failBinary("the " + std::to_string(bytes) + " bytes of binary data the line announces are not followed by "
                   "a line end: the data is shorter or longer than that");
    MQALine line = currentLine(false);
    line.binary = std::string_view(data, bytes);
    line.textLeft = static_cast<size_t>(_end - lineEnd);
    if (_options.binaryRuns)
        _options.binaryRuns->emplace_back(static_cast<size_t>(data - _text.data()),
                                          static_cast<size_t>(lineEnd - _text.data()));
    passLineEnd(data);
    moveTo(lineEnd);
    visitor.line(line, depth);
    return true;
}

void Lexer::failBinary(const std::string& message) const {
    MQAInvalidText error(message);
    MQAPlace place;
    place.line = _line;
    place.column = columnOf(_lineStart, _failAt);
    place.excerpt = excerptOf(_lineStart, _end);
    place.byteOffset = static_cast<uint64_t>(_failAt - _text.data());
    error.setPlace(std::move(place));
    throw error;
}

bool Lexer::offerChunk(MQALineVisitor& visitor, uint32_t depth) {
    const char* nameStart = skipBlanks(_p, _end);
    const char* nameEnd = scanName(nameStart, _end);
    if (!nameEnd) return false;
    std::string_view content = rawLineAt(_p, _end).content;
    MQAChunkHead head{std::string_view(nameStart, static_cast<size_t>(nameEnd - nameStart)), _currentLine,
                      content.ends_with('{'), binaryBytes(content) != 0};
    switch (visitor.choose(head, depth)) {
        case MQAChunkChoice::Read: return false;
        case MQAChunkChoice::ReadWithBinary: _binaryFrom = depth + 1; return false;  // the lines of its block
        case MQAChunkChoice::PassOver: break;
    }
    visitor.passedOver(head, passChunk());
    return true;
}

uint64_t Lexer::passChunk() {
    const char* p = _p;
    int64_t depth = 0;
    for (bool first = true;; first = false) {
        if (p == _end) {
            if (depth <= 0) break;
            moveTo(_end);
            _failAt = _end;
            fail("Syntax Error.", "MQABlock", kBlockSyntaxErrorLine);
        }
        RawLine line = rawLineAt(p, _end);
        const char* firstChar = skipBlanks(p, _end);
        if (!first && firstChar != _end && *firstChar == '}')
            --depth;
        else if (line.content.ends_with('{'))
            ++depth;
        p = line.next;
        if (size_t bytes = binaryBytes(line.content)) {
            const char* data = p;
            p = binaryRunEnd(data, bytes, _end);
            if (_options.binaryRuns)
                _options.binaryRuns->emplace_back(static_cast<size_t>(data - _text.data()),
                                                  static_cast<size_t>(p - _text.data()));
        }
        if (depth <= 0) break;
        countLine(p);
    }
    const uint64_t lines = lineFeeds(_p, p) + (p == _end && p[-1] != '\n' ? 1 : 0);
    moveTo(p);
    return lines;
}

}  // namespace mqa
