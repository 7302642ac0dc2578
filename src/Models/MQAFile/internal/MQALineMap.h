#pragma once

// From lines of a document body as read (comment and blank lines taken out) back to
// lines of the file as the user has it, and places within them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "MQAException.h"

namespace mqa {

// Lines taken out of a text: `count` lines at what became line `at` (0-based) of the
// text that was left.
struct LinesRemoved {
    uint64_t at;
    uint64_t count;
};

class LineMap {
public:
    // The body's first line in the file (1-based).
    uint64_t bodyFirstLine = 1;
    // Comment lines, in the coordinates of the text left after them; then blank lines,
    // in the coordinates of the text read.
    std::vector<LinesRemoved> comments;
    std::vector<LinesRemoved> blanks;
    // Lines taken out of the whole text before it was read (compatibility reading),
    // innermost step first, in 1-based line numbers of the text each step left.
    std::vector<std::vector<LinesRemoved>> outer;

    // The file's line for a 0-based line of the text read.
    uint64_t fileLine(uint64_t readLine) const;

    // The same for lines asked in increasing order, in constant time each.
    class Walker {
    public:
        explicit Walker(const LineMap* map, uint64_t firstReadLine = 0);
        uint64_t fileLine(uint64_t readLine);

    private:
        const LineMap* _map;
        size_t _blank = 0, _comment = 0;
        uint64_t _blanksBefore = 0, _commentsBefore = 0;
        std::vector<size_t> _outer;
        std::vector<uint64_t> _outerBefore;
    };
};

// Characters from `lineStart` to `at` plus 1: the column of `at`.
uint64_t columnOf(const char* lineStart, const char* at);
// The line that starts at `lineStart`, without its end, shortened to about 120 bytes
// (at a character boundary, with "…" where it was cut).
std::string excerptOf(const char* lineStart, const char* end);
// The place of a byte offset in a whole text: line, column and excerpt.
MQAPlace placeInText(std::string_view text, size_t offset);

}  // namespace mqa
