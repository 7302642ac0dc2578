#pragma once

// The lexer of the document grammar: it turns the attribute lines of a text into
// MQALines (names, parameters and blocks, with their places in the file) for a visitor,
// keeps blocks on a counter rather than the call stack, numbers the lines as the file
// has them and places every error there. It knows no chunk by name: which chunks to
// read, pass over whole, or read with their binary data, the visitor chooses (see
// MQALineVisitor::choose). Its one hook for progress and cancelling is a Checkpoint.
//
// Comment and blank lines are passed over where a line starts, exactly as removing
// every comment line and then every run of blank lines from the body before reading
// would: a comment line is "#" at a line start through its CR LF; a blank run is
// whitespace from a line start through its last CR LF, comment lines in it left out.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "MQACheckpoint.h"
#include "MQAReader.h"

namespace mqa {

// Where lenient lexing first took each liberty with the grammar: file lines, 0 for none.
struct LexedLiberties {
    uint64_t firstMixedNumbers = 0;  // integers among decimals in a list
    uint64_t firstExponent = 0;      // a number in exponent notation
    uint64_t firstLoneLineFeed = 0;  // a line that ends with LF alone

    void merge(const LexedLiberties& later);
};

class Lexer {
public:
    // Reads text[begin, end); `line` is the file line at `begin`, a line start, and
    // `text` the whole text (for progress).
    Lexer(std::string_view text, const char* begin, const char* end, uint64_t line, const MQAReadOptions& options,
          LexedLiberties& liberties);

    // Reads lines at `depth` (and the blocks they open) until a line there reads as
    // none; the reader then stands at that line's start, nothing of it read.
    void readList(MQALineVisitor& visitor, uint32_t depth);

    const char* position() const { return _p; }
    uint64_t line() const { return _line; }

private:
    struct Buffer {
        std::optional<std::string_view> name;
        std::vector<MQALineParam> params;
        std::vector<uint32_t> numbers;
        std::vector<std::string_view> strings;
    };
    // Passes over comment and blank lines at a line start; counts the line.
    void atLineStart();
    // Every so many lines: reports how far reading got (at `at`), and stops when asked to.
    void countLine(const char* at);
    void checkpoint(const char* at) const;
    void readHead();
    bool readParam(const char*& p);
    // CR LF (or, when lenient, LF) at p: the position after it, else nullptr. What the
    // comment and blank passes take out after a lone CR may leave an LF there: that CR
    // and LF then make one line end.
    const char* lineBreak(const char* p) const;
    const char* matchLineEnd(const char* p) const;  // [\t ]*(line break|end of text)
    const char* matchOpener(const char* p) const;   // [\t ]*\{.*?(line break)
    const char* commentEnd(const char* p) const;    // after a comment line at p, or nullptr
    const char* pastComments(const char* p) const;  // after the comment lines from p
    // From a line start: past the comment lines and the run of blank lines there, to
    // where reading resumes.
    const char* passOver(const char* p) const;
    bool isLineStart(const char* p) const;          // after LF, after a lone CR, or the beginning
    // Moves past a line's end; leniently, notes one that is LF alone.
    void passLineEnd(const char* after);
    // Moves to `to`, counting the line ends passed.
    void moveTo(const char* to);
    // Offers the chunk that starts with the line at _p to the visitor's choice: passes it
    // over whole when the visitor says so (true), or notes that its lines may carry
    // binary data.
    bool offerChunk(MQALineVisitor& visitor, uint32_t depth);
    // In a chunk whose binary data is read, a line whose head ends at _p with "[N]":
    // hands it over with its data and passes both; false for a line that is not such.
    bool readBinaryLine(MQALineVisitor& visitor, uint32_t depth);
    [[noreturn]] void failBinary(const std::string& message) const;
    // Passes over the chunk at _p: through its braces and its binary data (which
    // MQARawLines defines); the number of lines passed.
    uint64_t passChunk();
    // For a long block that the visitor offers to take in halves: reads its first half
    // while another thread reads the second, and carries on after both when the first
    // half ends where the second began; otherwise reading goes on alone. The one place
    // the lexer starts a thread (MQALexerHalves.cpp).
    void readInHalves(MQALineVisitor& visitor, uint32_t depth);
    MQALine currentLine(bool opensBlock) const;
    [[noreturn]] void fail(std::string_view message, std::string_view unit, int line) const;
    // "Syntax Error." at the first non-blank at or after p.
    [[noreturn]] void failAt(const char* p, std::string_view unit, int line);

    std::string_view _text;
    const char* _begin;
    const char* _p;
    const char* _end;
    const char* _lineStart;
    const char* _failAt;
    uint64_t _line;          // the file's line at _lineStart
    uint64_t _currentLine = 0;  // the line being read
    bool _splits = true;  // whether a long block may be read in halves now
    // While a chunk the visitor reads with its binary data is read: the depth of its lines.
    static constexpr uint32_t kNoBinary = UINT32_MAX;
    uint32_t _binaryFrom = kNoBinary;
    const MQAReadOptions& _options;
    LexedLiberties& _liberties;
    Buffer _buffer;
    uint32_t _linesSinceProgress = 0;
    Checkpoint _checkpoint;
    // While reading the first half of a block: where the second half starts.
    const char* _stopAt = nullptr;
    uint32_t _stopDepth = 0;
};

// The place of a byte offset in a whole text: line, column and excerpt.
MQAPlace placeInText(std::string_view text, size_t offset);

}  // namespace mqa
