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
    // Whether lenient reading hands over binary data among the lines: the vertices of an
    // object's "BVertex" chunk. Otherwise that chunk is skipped like any other.
    virtual bool takesBinary() const { return false; }
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
    // decimals), and only the chunks a viewer reads are read: at the top Material,
    // Object and BoneAnimation; in an object its one-line settings and its vertex, face
    // and animation blocks (and its BVertex block with its binary data, for a visitor
    // that takes that); in a bone animation its bones. Any other chunk is skipped whole,
    // through its braces and any binary data (a line ending in "[N]" is followed by N
    // bytes). Each kind of liberty taken is one warning.
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
