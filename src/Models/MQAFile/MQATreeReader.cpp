#include "MQATreeReader.h"

#include <algorithm>
#include <memory>

#include "MQACompat.h"
#include "MQAException.h"
#include "MQAMemory.h"
#include "MQAReadAhead.h"
#include "MQAScan.h"
#include "MQATextStorage.h"

namespace {
constexpr int kAttributeSyntaxErrorLine = 146;
constexpr int kBlockSyntaxErrorLine = 110;
}  // namespace

MQATreeReader::MQATreeReader(MQATextStorage& storage)
    : _storage(&storage), _p(storage.cursor()), _end(storage.end()), _lineStart(_p), _failAt(_p) {}

MQATreeReader::MQATreeReader(const char* begin, const char* end)
    : _p(begin), _end(end), _lineStart(begin), _failAt(begin) {}

void MQATreeReader::setLineMap(const mqa::LineMap* map, uint64_t firstReadLine) {
    _fileLines = mqa::LineMap::Walker(map, firstReadLine);
    _readLine = firstReadLine;
}

void MQATreeReader::lineEnded(const char* next) {
    _p = next;
    _lineStart = next;
    ++_readLine;
}

void MQATreeReader::placeError(MQAException& error) {
    if (error.place()) return;  // placed where it was raised, or by a reader ahead
    MQAPlace place;
    place.line = _fileLines.fileLine(_readLine);
    place.column = mqa::columnOf(_lineStart, std::max(_failAt, _lineStart));
    place.excerpt = mqa::excerptOf(_lineStart, _end);
    error.setPlace(std::move(place));
}

void MQATreeReader::commit() {
    if (_storage) _storage->advanceTo(_p);
}

std::optional<MQAAttribute> MQATreeReader::readAttribute() {
    std::vector<Frame> stack;
    try {
        Outcome outcome = run(stack);
        commit();
        return std::move(outcome.attribute);
    } catch (MQAException& error) {
        placeError(error);
        throw;
    }
}

void MQATreeReader::readList(std::vector<MQAAttribute>& into) {
    _topList = &into;
    std::vector<Frame> stack;
    try {
        while (std::optional<MQAAttribute> attribute = run(stack).attribute)
            mqa::appendGrowing(into, std::move(*attribute));
    } catch (MQAException& error) {
        _topList = nullptr;
        placeError(error);
        throw;
    }
    _topList = nullptr;
    commit();
}

bool MQATreeReader::adoptReadAhead(std::vector<Frame>& stack) {
    if (!_readAhead || _p != _readAhead->start()) return false;
    std::vector<MQAAttribute>* list = stack.empty() ? _topList : &_lines[stack.size() - 1];
    if (!list) return false;
    MQAReadAhead::Adopted adopted = _readAhead->adoptInto(*list);
    _readAhead = nullptr;
    // The lines read ahead all ended with a line end; the reader stands after them.
    _p = adopted.stop;
    _readLine += adopted.lineEnds;
    _lineStart = _p;
    if (!_firstMixedLine) _firstMixedLine = adopted.firstMixedLine;
    return true;
}

std::optional<MQABlock> MQATreeReader::readBlock() {
    const char* body = matchOpener(_p);
    if (!body) return std::nullopt;
    lineEnded(body);
    std::vector<Frame> stack;
    openBlock(stack, std::nullopt);
    try {
        Outcome outcome = run(stack);
        commit();
        return std::move(outcome.block);
    } catch (MQAException& error) {
        placeError(error);
        throw;
    }
}

void MQATreeReader::openBlock(std::vector<Frame>& stack, std::optional<MQAAttribute> owner) {
    stack.push_back(Frame{std::move(owner)});
    if (_lines.size() < stack.size()) _lines.emplace_back();
}

MQABlock MQATreeReader::closeBlock(std::vector<Frame>& stack) {
    std::vector<MQAAttribute>& lines = _lines[stack.size() - 1];
    std::vector<MQAAttribute> exact;
    mqa::reserveAdvised(exact, lines.size());
    for (MQAAttribute& line : lines) exact.push_back(std::move(line));
    lines.clear();
    return MQABlock::blockWithAttributes(std::move(exact));
}

// [\t ]*\{.*?\r\n : the rest of the opener's line is skipped.
const char* MQATreeReader::matchOpener(const char* p) const {
    p = mqa::matchBlanksThen(p, _end, '{');
    if (!p) return nullptr;
    while (p != _end && !mqa::isLineBreak(*p)) ++p;
    if (_end - p >= 2 && p[0] == '\r' && p[1] == '\n') return p + 2;
    return nullptr;
}

// Name and parameters of an attribute line; consumes only what matched.
void MQATreeReader::readHead(MQAAttribute& attribute) {
    // `next` runs ahead over blanks; _p moves only past what was read.
    const char* next = mqa::skipBlanks(_p, _end);
    if (const char* nameEnd = mqa::scanName(next, _end)) {
        attribute.setName(std::string_view(next, static_cast<size_t>(nameEnd - next)));
        _p = next = nameEnd;
    }
    // Gathered first so the attribute's list is allocated once at its exact size.
    _params.clear();
    for (;;) {
        _failAt = mqa::skipBlanks(next, _end);
        if (!MQAParam::decodeInto(next, _end, _params)) break;
        _p = next;
    }
    if (!_params.empty()) {
        MQAParamList& own = attribute.params();
        own.reserve(_params.size());
        for (MQAParam& param : _params) own.push_back(std::move(param));
    }
}

MQATreeReader::Outcome MQATreeReader::run(std::vector<Frame>& stack) {
    for (;;) {
        if (_cancel && _cancel->load(std::memory_order_relaxed)) throw Cancelled{};
        MQAAttribute current;
        // Lines read ahead end where a line read as none: the list ends here as well.
        bool listEnded = adoptReadAhead(stack);
        if (!listEnded) {
            current.setSourceLine(_fileLines.fileLine(_readLine));
            readHead(current);
            if (_lenient && mqa::compat::mixedNumbersSeen() && !_firstMixedLine)
                _firstMixedLine = current.sourceLine();
            if (const char* body = matchOpener(_p)) {
                lineEnded(body);
                openBlock(stack, std::move(current));
                continue;
            }
        }
        // End the line of `current`; when that closes the list of the innermost block,
        // close the block and end the line of the attribute that opened it, and so on.
        for (;;) {
            std::optional<MQAAttribute> finished;
            if (listEnded) {
                listEnded = false;
            } else if (const char* next = mqa::matchLineEnd(_p, _end)) {
                if (next - _p >= 2 && next[-2] == '\r' && next[-1] == '\n')
                    lineEnded(next);
                else
                    _p = next;  // the end of the text
                if (!current.isEmpty()) finished = std::move(current);
            } else if (!current.isEmpty()) {
                _failAt = mqa::skipBlanks(_p, _end);
                MQARaise("Syntax Error.", "MQAAttribute", kAttributeSyntaxErrorLine);
            }
            if (stack.empty()) return Outcome{std::move(finished), std::nullopt};
            if (finished) {
                mqa::appendGrowing(_lines[stack.size() - 1], std::move(*finished));
                break;  // read the block's next line
            }
            const char* closed = mqa::matchBlanksThen(_p, _end, '}');
            if (!closed) {
                _failAt = mqa::skipBlanks(_p, _end);
                MQARaise("Syntax Error.", "MQABlock", kBlockSyntaxErrorLine);
            }
            _p = closed;
            MQABlock block = closeBlock(stack);
            std::optional<MQAAttribute> owner = std::move(stack.back().owner);
            stack.pop_back();
            if (!owner) return Outcome{std::nullopt, std::move(block)};
            current = std::move(*owner);
            current.setBlock(std::move(block));
        }
    }
}
