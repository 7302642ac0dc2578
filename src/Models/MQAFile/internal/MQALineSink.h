#pragma once

// Reading chosen blocks straight into their consumer: the lines of such a block are
// handed over as they are read instead of becoming attributes of the tree. Everything
// else about reading stays as it is: the same grammar, the same errors at the same
// places; the block itself stays in the tree, with no lines.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "MQAAttribute.h"

class MQALineSink {
public:
    virtual ~MQALineSink() = default;

    // One line of the block: its name, its parameters and its line in the file. A line
    // that opens a block of its own comes when that block has been read (and dropped).
    // A line with no name and no parameters is not handed over.
    virtual void line(std::optional<std::string_view> name, std::span<const MQAParam> params,
                      uint64_t fileLine) = 0;

    // Reads the line at p straight from the text when it has a shape this sink knows
    // (see MQASimpleLine) and returns where the next line starts; nullptr leaves the
    // line to the general reading, which then hands it to line(). A line taken here
    // must give exactly what line() would make of it, and never an error.
    virtual const char* takeSimpleLine(const char* p, const char* end, uint64_t fileLine) {
        (void)p;
        (void)end;
        (void)fileLine;
        return nullptr;
    }

    // For long blocks read in two halves: a sink of the same kind for the lines of the
    // second half, which another thread reads; none when this sink does not split.
    virtual std::unique_ptr<MQALineSink> forLaterLines() = 0;
    // Takes the lines of a sink made by forLaterLines(), as following this one's.
    virtual void takeLaterLines(MQALineSink& later) = 0;
};

class MQASinkChooser {
public:
    virtual ~MQASinkChooser() = default;

    // Called as a block opens with its owner attribute (its name and parameters read),
    // how deep the block is (1 for a block of a body line) and the lines of the
    // enclosing list read so far. Returns the sink for its lines, or none to keep them.
    virtual MQALineSink* sinkFor(const MQAAttribute& owner, size_t depth,
                                 const std::vector<MQAAttribute>& enclosingSoFar) = 0;
};
