#include "MQATreeBuilder.h"

#include <algorithm>

namespace mqa {

void TreeBuilder::line(const MQALine& line, uint32_t depth) {
    if (_lists.size() <= depth + 1) {
        _lists.resize(depth + 2);
        _roomAhead.resize(depth + 2);
    }
    MQAAttribute attribute;
    attribute.setName(line.name);
    std::vector<MQAParam>& params = attribute.params();
    params.reserve(line.params.size());
    for (const MQALineParam& param : line.params) params.push_back(line.toParam(param));
    attribute.setSourceLine(line.fileLine);
    _lists[depth].push_back(std::move(attribute));
    if (line.opensBlock) {
        _opened = depth + 1;
        // Room for the lines the block claims, as far as the text left could hold them:
        // the open blocks share that room, so that nested claims do not each take it.
        size_t room = line.claimedCount(kShortestLine);
        size_t unclaimed = line.textLeft / kShortestLine - std::min(line.textLeft / kShortestLine, _roomAheadInAll);
        _roomAhead[_opened] = std::min(room, unclaimed);
        _roomAheadInAll += _roomAhead[_opened];
        _lists[_opened].reserve(_roomAhead[_opened]);
    }
}

std::unique_ptr<MQALineVisitor> TreeBuilder::forSecondHalf() {
    auto later = std::make_unique<TreeBuilder>();
    later->_lists.resize(_opened + 2);
    later->_roomAhead.resize(_opened + 2);
    return later;
}

void TreeBuilder::takeSecondHalf(MQALineVisitor& later) {
    std::vector<MQAAttribute>& lines = static_cast<TreeBuilder&>(later)._lists[_opened];
    std::vector<MQAAttribute>& own = _lists[_opened];
    own.reserve(own.size() + lines.size());
    for (MQAAttribute& line : lines) own.push_back(std::move(line));
    lines.clear();
}

void TreeBuilder::closed(uint32_t depth, uint64_t) {
    _roomAheadInAll -= _roomAhead[depth + 1];
    _roomAhead[depth + 1] = 0;
    std::vector<MQAAttribute>& lines = _lists[depth + 1];
    std::vector<MQAAttribute> block;
    if (lines.capacity() - lines.size() > lines.size() / 8) {
        // Much more room than lines: the block keeps only what it holds.
        block.reserve(lines.size());
        for (MQAAttribute& line : lines) block.push_back(std::move(line));
        lines.clear();
    } else {
        block.swap(lines);
    }
    _lists[depth].back().setBlock(MQABlock::blockWithAttributes(std::move(block)));
}

std::vector<MQAAttribute> TreeBuilder::take() {
    if (_lists.empty()) return {};
    std::vector<MQAAttribute> top = std::move(_lists[0]);
    _lists.clear();
    return top;
}

}  // namespace mqa
