#include "MQAReadAhead.h"

#include <algorithm>
#include <cstring>

#include "MQAMemory.h"
#include "MQATreeReader.h"

MQAReadAhead::MQAReadAhead(const char* start, const char* end, const char* textStart,
                           const mqa::LineMap* map)
    : _start(start), _end(end) {
    _worker = std::thread([this, textStart, map] {
        try {
            MQATreeReader reader(_start, _end);
            reader.setCancel(&_cancelled);
            // The lines before the start, all read lines ended by CR LF, give its number.
            uint64_t firstLine = textStart ? static_cast<uint64_t>(std::count(textStart, _start, '\n')) : 0;
            reader.setLineMap(map, firstLine);
            reader.readList(_lines);
            _stop = reader.position();
            _lineEnds = reader.readLine() - firstLine;
        } catch (...) {
            _error = std::current_exception();
        }
        mqa::returnThreadSlab();
    });
}

MQAReadAhead::~MQAReadAhead() {
    _cancelled.store(true, std::memory_order_relaxed);
    if (_worker.joinable()) _worker.join();
}

const char* MQAReadAhead::adoptInto(std::vector<MQAAttribute>& list, uint64_t* lineEnds) {
    _worker.join();
    if (_error) std::rethrow_exception(_error);
    if (lineEnds) *lineEnds = _lineEnds;
    mqa::reserveAdvised(list, list.size() + _lines.size());
    for (MQAAttribute& line : _lines) list.push_back(std::move(line));
    _lines.clear();
    return _stop;
}

const char* MQAReadAhead::lineStartAfter(const char* from, const char* end) {
    while (from < end) {
        const void* lf = std::memchr(from, '\n', static_cast<size_t>(end - from));
        if (!lf) return nullptr;
        const char* at = static_cast<const char*>(lf);
        if (at > from && at[-1] == '\r' && at + 1 < end) return at + 1;
        from = at + 1;
    }
    return nullptr;
}
