#include "MQATreeReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>

#include "MQACompat.h"
#include "MQAException.h"
#include "MQALineSink.h"
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

MQATreeReader::Frame::Frame(std::optional<MQAAttribute> o, MQALineSink* s) : owner(std::move(o)), sink(s) {}
MQATreeReader::Frame::Frame(Frame&&) noexcept = default;
MQATreeReader::Frame& MQATreeReader::Frame::operator=(Frame&&) noexcept = default;
MQATreeReader::Frame::~Frame() = default;

void MQATreeReader::setLineMap(const mqa::LineMap* map, uint64_t firstReadLine, const char* textStart) {
    _fileLines = mqa::LineMap::Walker(map, firstReadLine);
    _readLine = firstReadLine;
    _lineMap = map;
    _textStart = textStart;
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

MQATreeReader::Outcome MQATreeReader::runPlaced(std::vector<Frame>& stack) {
    try {
        return run(stack);
    } catch (MQAException& error) {
        placeError(error);
        throw;
    }
}

std::optional<MQAAttribute> MQATreeReader::readAttribute() {
    std::vector<Frame> stack;
    Outcome outcome = runPlaced(stack);
    commit();
    return std::move(outcome.attribute);
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

void MQATreeReader::readList(MQALineSink& into) {
    std::vector<Frame> stack;
    stack.emplace_back(std::nullopt, &into);
    stack.back().endsWithList = true;
    if (_lines.empty()) _lines.emplace_back();
    runPlaced(stack);
    commit();
}

// Long blocks are worth a second thread; a block is long when its end is far off.
void MQATreeReader::splitSinkBlock(Frame& frame) {
    constexpr size_t kWorthSplitting = size_t{1} << 20;
    if (!_splitSinkBlocks || static_cast<size_t>(_end - _p) < kWorthSplitting) return;
    // The block ends at the first line that starts (after blanks) with "}": a line of
    // the block cannot, as no attribute line starts so.
    const char* end = _p;
    for (const char* at = _p; at < _end;) {
        const void* brace = std::memchr(at, '}', static_cast<size_t>(_end - at));
        if (!brace) {
            end = _end;
            break;
        }
        const char* b = static_cast<const char*>(brace);
        const char* lineStart = b;
        while (lineStart > _p && mqa::isBlank(lineStart[-1])) --lineStart;
        if (lineStart == _p || lineStart[-1] == '\n') {
            end = lineStart;
            break;
        }
        at = b + 1;
    }
    if (static_cast<size_t>(end - _p) < kWorthSplitting) return;
    const char* middle = MQAReadAhead::lineStartAfter(_p + (end - _p) / 2, end);
    std::unique_ptr<MQALineSink> later = frame.sink->forLaterLines();
    if (!middle || !later) return;
    try {
        // Counted from here, where the block's first line starts, rather than from the
        // start of the text: the second thread starts reading that much sooner.
        const char* countFrom = _textStart ? _p : nullptr;
        frame.secondHalf = std::make_unique<MQAReadAhead>(middle, _end, countFrom, _readLine, _lineMap,
                                                          _lenient, std::move(later));
    } catch (const std::system_error&) {
        // No thread to be had: read alone, which gives the same result.
    }
}

bool MQATreeReader::adoptSecondHalf(Frame& frame) {
    MQAReadAhead::Adopted adopted = frame.secondHalf->adoptInto(*frame.sink);
    frame.secondHalf.reset();
    _p = adopted.stop;
    _readLine += adopted.lineEnds;
    _lineStart = _p;
    if (!_firstMixedLine) _firstMixedLine = adopted.firstMixedLine;
    return true;
}

bool MQATreeReader::adoptReadAhead(std::vector<Frame>& stack) {
    if (!_readAhead || _p != _readAhead->start()) return false;
    // Lines read ahead as attributes cannot go to a sink: read them again instead.
    if (!stack.empty() && stack.back().sink) return false;
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
    Outcome outcome = runPlaced(stack);
    commit();
    return std::move(outcome.block);
}

void MQATreeReader::openBlock(std::vector<Frame>& stack, std::optional<MQAAttribute> owner) {
    MQALineSink* sink = nullptr;
    if (_chooser && owner) {
        static const std::vector<MQAAttribute> kNone;
        const std::vector<MQAAttribute>& enclosing =
            stack.empty() ? (_topList ? *_topList : kNone) : _lines[stack.size() - 1];
        sink = _chooser->sinkFor(*owner, stack.size() + 1, enclosing);
    }
    stack.emplace_back(std::move(owner), sink);
    if (_lines.size() < stack.size()) _lines.emplace_back();
    if (sink) splitSinkBlock(stack.back());
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
void MQATreeReader::readHead(MQAAttribute& attribute, bool keep) {
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
    if (keep && !_params.empty()) {
        MQAParamList& own = attribute.params();
        own.reserve(_params.size());
        for (MQAParam& param : _params) own.push_back(std::move(param));
    }
}

MQATreeReader::Outcome MQATreeReader::run(std::vector<Frame>& stack) {
    for (;;) {
        if (_cancel && _cancel->load(std::memory_order_relaxed)) throw Cancelled{};
        if (_progress && ++_linesSinceProgress == 4096) {
            _linesSinceProgress = 0;
            _progress->reached(static_cast<uint64_t>(_p - _progressFrom));
        }
        MQAAttribute current;
        // A line of a sink block keeps its parameters in _params, unless it opens a block.
        bool inScratch = !stack.empty() && stack.back().sink;
        // Lines read ahead end where a line read as none: the list ends here as well.
        bool listEnded = adoptReadAhead(stack);
        if (!listEnded && inScratch && stack.back().secondHalf && _p == stack.back().secondHalf->start())
            listEnded = adoptSecondHalf(stack.back());
        if (!listEnded && inScratch) {
            uint64_t fileLine = _fileLines.fileLine(_readLine);
            if (const char* next = stack.back().sink->takeSimpleLine(_p, _end, fileLine)) {
                lineEnded(next);
                continue;
            }
        }
        if (!listEnded) {
            current.setSourceLine(_fileLines.fileLine(_readLine));
            readHead(current, !inScratch);
            if (_lenient && mqa::compat::mixedNumbersSeen() && !_firstMixedLine)
                _firstMixedLine = current.sourceLine();
            if (const char* body = matchOpener(_p)) {
                if (inScratch)
                    for (MQAParam& param : _params) current.params().push_back(std::move(param));
                lineEnded(body);
                openBlock(stack, std::move(current));
                continue;
            }
        }
        // End the line of `current`; when that closes the list of the innermost block,
        // close the block and end the line of the attribute that opened it, and so on.
        for (;;) {
            std::optional<MQAAttribute> finished;
            bool empty = current.isEmpty() && !(inScratch && !_params.empty());
            if (listEnded) {
                listEnded = false;
            } else if (const char* next = mqa::matchLineEnd(_p, _end)) {
                if (next - _p >= 2 && next[-2] == '\r' && next[-1] == '\n')
                    lineEnded(next);
                else
                    _p = next;  // the end of the text
                if (!empty) finished = std::move(current);
            } else if (!empty) {
                _failAt = mqa::skipBlanks(_p, _end);
                MQARaise("Syntax Error.", "MQAAttribute", kAttributeSyntaxErrorLine);
            }
            if (stack.empty()) return Outcome{std::move(finished), std::nullopt};
            Frame& frame = stack.back();
            if (finished) {
                if (frame.sink) {
                    // Parameters are in the attribute when the line opened a block.
                    bool own = !finished->params().empty() || finished->block();
                    std::span<const MQAParam> params =
                        own ? std::span<const MQAParam>(finished->params().data(), finished->params().size())
                            : std::span<const MQAParam>(_params);
                    frame.sink->line(finished->name(), params, finished->sourceLine());
                } else {
                    mqa::appendGrowing(_lines[stack.size() - 1], std::move(*finished));
                }
                break;  // read the block's next line
            }
            if (frame.endsWithList) return Outcome{};  // a list read on its own ends here
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
            inScratch = !stack.empty() && stack.back().sink;
        }
    }
}
