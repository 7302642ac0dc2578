#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>

#include "MQAHalves.h"
#include "MQALexer.h"
#include "MQAScan.h"

// Reading a long block in halves, on two threads at once.

namespace mqa {

namespace {
constexpr uint32_t kHalvesDepth = 3;
}  // namespace

void Lexer::readInHalves(MQALineVisitor& visitor, uint32_t depth) {
    // One block in halves at a time: not within the halves of another. A document's long
    // lists (vertices, faces, their attributes) lie at most kHalvesDepth blocks deep;
    // deeper blocks are read whole, so that a deep nest costs no search per block.
    if (!_splits || depth > kHalvesDepth || static_cast<size_t>(_end - _p) < _options.halvesFrom) return;
    std::unique_ptr<MQALineVisitor> later = visitor.forSecondHalf();
    if (!later) return;
    // The block ends at the first line that starts (after blanks) with "}": none of its
    // own lines can start so.
    const char* blockEnd = _end;
    for (const char* at = _p; at < _end;) {
        const void* brace = std::memchr(at, '}', static_cast<size_t>(_end - at));
        if (!brace) break;
        const char* b = static_cast<const char*>(brace);
        const char* start = b;
        while (start > _p && isBlank(start[-1])) --start;
        if (start == _p || start[-1] == '\n') {
            blockEnd = start;
            break;
        }
        at = b + 1;
    }
    if (static_cast<size_t>(blockEnd - _p) < _options.halvesFrom) return;
    // The second half starts at a line that no comment or blank run can swallow: one
    // after a whole line end, not a comment, with more than blanks on it.
    const char* middle = nullptr;
    for (const char* at = _p + (blockEnd - _p) / 2; at < blockEnd && !middle;) {
        const void* lf = std::memchr(at, '\n', static_cast<size_t>(blockEnd - at));
        if (!lf) break;
        const char* start = static_cast<const char*>(lf) + 1;
        const char* content = start;
        while (content < blockEnd && isSpace(*content) && !isLineBreak(*content)) ++content;
        bool ended = _options.lenient || (start - 2 >= _p && start[-2] == '\r');
        if (ended && *start != '#' && content < blockEnd && !isSpace(*content)) middle = start;
        at = start;
    }
    if (!middle) return;

    struct {
        const char* stop = nullptr;
        const char* lineStart = nullptr;
        uint64_t line = 0;
        std::exception_ptr error;
        LexedLiberties liberties;
    } second;
    std::atomic<bool> unwanted{false};
    const uint64_t middleLine = _line + static_cast<uint64_t>(std::count(_p, middle, '\n'));
    runBoth(
        [&] {
            _stopAt = middle;
            _stopDepth = depth;
            _splits = false;
            // However the first half ends: the reader reads on whole, and a second half
            // that the first did not end at the start of is not wanted.
            struct Ended {
                Lexer& reader;
                std::atomic<bool>& unwanted;
                ~Ended() {
                    if (reader._p != reader._stopAt) unwanted = true;
                    reader._stopAt = nullptr;
                    reader._splits = true;
                }
            } ended{*this, unwanted};
            readList(visitor, depth);
        },
        [&] {
            try {
                Lexer other(_text, middle, _end, middleLine, _options, second.liberties);
                other._checkpoint = Checkpoint(_checkpoint, unwanted);
                other._splits = false;
                other.readList(*later, depth);
                second.stop = other._p;
                second.lineStart = other._lineStart;
                second.line = other._line;
            } catch (...) {
                second.error = std::current_exception();
            }
        });
    if (_p != middle) return;  // the first half ended early or passed the middle: read on alone
    if (second.error) std::rethrow_exception(second.error);
    visitor.takeSecondHalf(*later);
    _liberties.merge(second.liberties);
    _p = second.stop;
    _lineStart = second.lineStart;
    _line = second.line;
}

}  // namespace mqa
