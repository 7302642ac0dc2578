#pragma once

// Reading a document's lines: one reader turns each attribute line of the body into its
// name and parameters, with its line in the file, and hands it to a visitor. The
// document tree (MQAFile) is one visitor; the scene is another.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MQAException.h"
#include "MQAParam.h"
#include "MQAProgress.h"

// One parameter of a line as read: its name when it is a named list, the kind of its
// values, and where they are among the line's numbers or strings.
struct MQALineParam {
    std::string_view name;  // empty when the parameter has no name
    MQAParamType type = MQAParamTypeNone;
    uint32_t first = 0;
    uint32_t count = 0;
};

// One attribute line as read. Numbers are held as 32-bit patterns: an int32, or a
// float's bits, as their parameter's type says. Reads convert as MQAParam's do.
struct MQALine {
    std::optional<std::string_view> name;
    std::span<const MQALineParam> params;
    std::span<const uint32_t> numbers;
    std::span<const std::string_view> strings;
    uint64_t fileLine = 0;
    bool opensBlock = false;
    size_t textLeft = 0;  // bytes of text after the line
    // Leniently, in a chunk whose binary data is read: the data that follows the line, as
    // many bytes as the "[N]" at its end says; empty for other lines.
    std::string_view binary;

    // The first parameter of that name, ignoring ASCII letter case; none without one.
    const MQALineParam* param(std::string_view wanted) const;
    // Value k of a parameter (k below its count) as an integer, a float or text.
    int32_t intAt(const MQALineParam& param, size_t k) const;
    float floatAt(const MQALineParam& param, size_t k) const;
    std::string textAt(const MQALineParam& param, size_t k) const;
    // The parameter as a tree holds it.
    MQAParam toParam(const MQALineParam& param) const;
    // For a line that opens a block with a count ("vertex 8 {"): that count, up to what
    // the text left could hold at `shortestLine` bytes a line; 0 without one. Room is
    // made for so many lines up front.
    size_t claimedCount(size_t shortestLine) const;
};

// A line as a choice of chunks sees it, before it is read: the name it starts with,
// and how its content ends.
struct MQAChunkHead {
    std::string_view name;
    uint64_t fileLine = 0;
    bool opensBlock = false;       // it ends in "{"
    bool announcesBinary = false;  // it ends in "[N]": N bytes of binary data follow it
};

enum class MQAChunkChoice {
    Read,            // read the line, and the block it opens
    ReadWithBinary,  // the same, and lines in its block hand over the binary data they announce
    PassOver,        // pass over the chunk whole: through its braces and its binary data
};

// Takes the lines of a body as they are read.
class MQALineVisitor {
public:
    virtual ~MQALineVisitor() = default;
    // A line at `depth` (0 for the body's own lines). A line that opens a block comes
    // before the block's lines, which come at depth + 1, and closed() after them.
    virtual void line(const MQALine& line, uint32_t depth) = 0;
    // The block of the last line at `depth` ends, with the "}" on `fileLine`.
    virtual void closed(uint32_t depth, uint64_t fileLine) {
        (void)depth;
        (void)fileLine;
    }
    // Whether the visitor takes the binary data some lines announce (MQALine::binary).
    virtual bool takesBinary() const { return false; }
    // A choice of chunks: each line at a depth below choosesBelow() that starts with a
    // name is offered to choose() before it is read, and a chunk passed over is told to
    // passedOver() with the number of lines it took.
    virtual uint32_t choosesBelow() const { return 0; }
    virtual MQAChunkChoice choose(const MQAChunkHead& head, uint32_t depth) {
        (void)head;
        (void)depth;
        return MQAChunkChoice::Read;
    }
    virtual void passedOver(const MQAChunkHead& head, uint64_t lines) {
        (void)head;
        (void)lines;
    }
    // Asked right after a line that opens a block: for a long block, a visitor of the
    // same kind that takes the lines of the block's second half, which another thread
    // then reads at once; none to read the block in one go. The second half's lines
    // are handed over (takeSecondHalf) where reading in one go would reach them.
    virtual std::unique_ptr<MQALineVisitor> forSecondHalf() { return nullptr; }
    virtual void takeSecondHalf(MQALineVisitor& later) { (void)later; }
};

struct MQAReadOptions {
    // Lenient reading (compatibility reading): lines may end with LF alone, numbers may
    // be written with an exponent, a list may mix integers and decimals (read as
    // decimals), and only the chunks a scene reads are read (see ChunkFilter). Each kind
    // of liberty taken is one warning.
    bool lenient = false;
    // Blocks at least this long whose visitor offers a second half are read in halves.
    size_t halvesFrom = size_t{1} << 20;
    // Where to report how far reading got (unless not `reportsProgress`), and to be asked
    // to stop.
    MQAProgress* progress = nullptr;
    bool reportsProgress = true;
    // Where to note the binary data that reading passes over, as [begin, end) offsets in
    // the text; for a reading whose visitor takes no block in halves.
    std::vector<std::pair<size_t, size_t>>* binaryRuns = nullptr;
};

// How a document's text was read: its header, and what reading left out or changed
// without an error.
struct MQAReadResult {
    std::string type;
    float version = 1.0f;
    std::vector<MQAWarning> warnings;
};

namespace mqa {

// Checks the header of `text`, then reads the body's lines into the visitor. Throws
// MQAException for malformed text, with its place in the file.
MQAReadResult readDocument(std::string_view text, MQALineVisitor& visitor, const MQAReadOptions& options = {});

}  // namespace mqa
