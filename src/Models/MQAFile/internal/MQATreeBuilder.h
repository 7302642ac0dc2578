#pragma once

// The document tree as one visitor of the reader: each line an attribute, each block
// the lines between its opener and its "}".

#include <vector>

#include "MQAAttribute.h"
#include "MQABlock.h"
#include "MQAReader.h"

namespace mqa {

class TreeBuilder : public MQALineVisitor {
public:
    void line(const MQALine& line, uint32_t depth) override;
    void closed(uint32_t depth, uint64_t fileLine) override;
    // A long block's second half goes to a builder of its own, whose lines follow this
    // one's in the block.
    std::unique_ptr<MQALineVisitor> forSecondHalf() override;
    void takeSecondHalf(MQALineVisitor& later) override;
    // The lines read at depth 0, which leave the builder.
    std::vector<MQAAttribute> take();

private:
    // The lines read so far at each depth: those of the block being filled there, whose
    // owner is the last line of the depth above. A block's lines move into a list of
    // their size when it closes.
    std::vector<std::vector<MQAAttribute>> _lists;
    uint32_t _opened = 0;  // the depth of the lines of the block opened last
    // Lines that room was made for when a block opened, by depth and in all open blocks.
    static constexpr size_t kShortestLine = 8;
    std::vector<size_t> _roomAhead;
    size_t _roomAheadInAll = 0;
};

}  // namespace mqa
