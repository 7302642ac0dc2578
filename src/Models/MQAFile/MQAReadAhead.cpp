#include "MQAReadAhead.h"

#include <algorithm>
#include <cstring>

#include "MQACompat.h"
#include "MQAMemory.h"
#include "MQATreeReader.h"

MQAReadAhead::MQAReadAhead(const char* start, const char* end, const char* countFrom, uint64_t linesBefore,
                           const mqa::LineMap* map, bool lenient, std::unique_ptr<MQALineSink> sink)
    : _start(start), _end(end), _sink(std::move(sink)) {
    _worker = std::thread([this, countFrom, linesBefore, map, lenient] {
        mqa::compat::setLenientNumbers(lenient);
        try {
            MQATreeReader reader(_start, _end);
            reader.setCancel(&_cancelled);
            reader.setLenient(lenient);
            // The lines between, all ended by CR LF, give the start's number.
            uint64_t firstLine =
                countFrom ? linesBefore + static_cast<uint64_t>(std::count(countFrom, _start, '\n')) : 0;
            reader.setLineMap(map, firstLine);
            if (_sink)
                reader.readList(*_sink);
            else
                reader.readList(_lines);
            _stop = reader.position();
            _lineEnds = reader.readLine() - firstLine;
            _firstMixedLine = reader.firstMixedLine();
        } catch (...) {
            _error = std::current_exception();
        }
        mqa::compat::setLenientNumbers(false);
        mqa::returnThreadSlab();
    });
}

MQAReadAhead::~MQAReadAhead() {
    _cancelled.store(true, std::memory_order_relaxed);
    if (_worker.joinable()) _worker.join();
}

MQAReadAhead::Adopted MQAReadAhead::finish() {
    _worker.join();
    if (_error) std::rethrow_exception(_error);
    return Adopted{_stop, _lineEnds, _firstMixedLine};
}

MQAReadAhead::Adopted MQAReadAhead::adoptInto(MQALineSink& sink) {
    Adopted adopted = finish();
    sink.takeLaterLines(*_sink);
    return adopted;
}

MQAReadAhead::Adopted MQAReadAhead::adoptInto(std::vector<MQAAttribute>& list) {
    Adopted adopted = finish();
    mqa::reserveAdvised(list, list.size() + _lines.size());
    for (MQAAttribute& line : _lines) list.push_back(std::move(line));
    _lines.clear();
    return adopted;
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
