#include "MQAChunkFilter.h"

#include "MQAScan.h"

namespace mqa {

ChunkFilter::ChunkFilter(std::unique_ptr<MQALineVisitor> inner, std::string_view owner)
    : _ownInner(std::move(inner)), _inner(*_ownInner), _owner(owner) {}

void ChunkFilter::line(const MQALine& line, uint32_t depth) {
    if (depth == 0 && line.opensBlock) _owner = line.name.value_or(std::string_view());
    _inner.line(line, depth);
}

MQAChunkChoice ChunkFilter::choose(const MQAChunkHead& head, uint32_t depth) {
    auto is = [&](std::string_view wanted) { return equalsIgnoringCase(head.name, wanted); };
    if (depth == 0)
        return is("material") || is("object") || is("boneanimation") ? MQAChunkChoice::Read : MQAChunkChoice::PassOver;
    const bool object = equalsIgnoringCase(_owner, "object");
    const bool bones = equalsIgnoringCase(_owner, "boneanimation");
    if ((!object && !bones) || (!head.opensBlock && !head.announcesBinary)) return MQAChunkChoice::Read;
    if (object && (is("vertex") || is("face") || is("animation"))) return MQAChunkChoice::Read;
    if (object && is("bvertex") && head.opensBlock && _inner.takesBinary())
        return MQAChunkChoice::ReadWithBinary;
    if (bones && is("bone")) return MQAChunkChoice::Read;
    return MQAChunkChoice::PassOver;
}

void ChunkFilter::passedOver(const MQAChunkHead& head, uint64_t lines) { _skipped.add(head.name, head.fileLine, lines); }

std::unique_ptr<MQALineVisitor> ChunkFilter::forSecondHalf() {
    std::unique_ptr<MQALineVisitor> inner = _inner.forSecondHalf();
    if (!inner) return nullptr;
    return std::unique_ptr<MQALineVisitor>(new ChunkFilter(std::move(inner), _owner));
}

void ChunkFilter::takeSecondHalf(MQALineVisitor& later) {
    ChunkFilter& half = static_cast<ChunkFilter&>(later);
    _inner.takeSecondHalf(*half._ownInner);
    _skipped.merge(half._skipped);
}

}  // namespace mqa
