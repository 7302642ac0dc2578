#pragma once

// Lenient reading's choice of chunks, as a visitor on top of the one that takes the
// lines: it reads the chunks a scene is made of and passes over the rest whole, through
// their braces and binary data, noting each kind it passes over. Read are, at the top,
// Material, Object and BoneAnimation; in an object its one-line settings and its vertex,
// face and animation blocks, and its BVertex block with its binary data when the visitor
// takes that; in a bone animation its bones. In an object or a bone animation only
// blocks and lines that announce binary data are chunks: other lines are read.

#include <memory>
#include <string_view>

#include "MQAReader.h"
#include "MQASkippedChunks.h"

namespace mqa {

class ChunkFilter : public MQALineVisitor {
public:
    explicit ChunkFilter(MQALineVisitor& inner) : _inner(inner) {}

    void line(const MQALine& line, uint32_t depth) override;
    void closed(uint32_t depth, uint64_t fileLine) override { _inner.closed(depth, fileLine); }
    bool takesBinary() const override { return _inner.takesBinary(); }
    uint32_t choosesBelow() const override { return 2; }
    MQAChunkChoice choose(const MQAChunkHead& head, uint32_t depth) override;
    void passedOver(const MQAChunkHead& head, uint64_t lines) override;
    // A second half chooses as this filter would there, for the inner visitor's second half.
    std::unique_ptr<MQALineVisitor> forSecondHalf() override;
    void takeSecondHalf(MQALineVisitor& later) override;

    // The chunks passed over, by kind.
    const SkippedChunks& skipped() const { return _skipped; }

private:
    ChunkFilter(std::unique_ptr<MQALineVisitor> inner, std::string_view owner);

    std::unique_ptr<MQALineVisitor> _ownInner;  // a second half's
    MQALineVisitor& _inner;
    std::string_view _owner;  // the name of the line whose top-level block is read
    SkippedChunks _skipped;
};

}  // namespace mqa
