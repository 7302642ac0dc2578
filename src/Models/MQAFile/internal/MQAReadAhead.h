#pragma once

#include <atomic>
#include <exception>
#include <thread>
#include <vector>

#include "MQAAttribute.h"
#include "MQALineMap.h"
#include "MQALineSink.h"

// Reads the attribute lines that follow a line start further on, in a second thread,
// while the main reader works its way up to it. Reading a list of lines from a given
// place does not depend on how the reader got there, so when the main reader arrives
// at exactly that place about to read a line, it takes these lines (or this error) as
// its own and carries on after them: the result is the same as reading alone. If it
// never arrives there (it fails first, ends earlier, or passes the place inside a line)
// the lines are dropped.
class MQAReadAhead {
public:
    // Reads from `start` to `end`. Lines are numbered through `map` (none: not
    // numbered): `countFrom` is a line start before `start` that is read line
    // `linesBefore`, every line between it and `start` ended by CR LF.
    // With `sink`, the lines go to it instead (the reader of the first half takes them
    // over with takeLaterLines).
    MQAReadAhead(const char* start, const char* end, const char* countFrom = nullptr,
                 uint64_t linesBefore = 0, const mqa::LineMap* map = nullptr, bool lenient = false,
                 std::unique_ptr<MQALineSink> sink = nullptr);
    // Stops the second thread early if its lines were not taken over, then waits for it.
    ~MQAReadAhead();
    MQAReadAhead(const MQAReadAhead&) = delete;
    MQAReadAhead& operator=(const MQAReadAhead&) = delete;

    const char* start() const { return _start; }
    // What the lines read ahead were: where they end, how many line ends they took, and
    // the first line (0: none) where integers among decimals were read as decimals.
    struct Adopted {
        const char* stop;
        uint64_t lineEnds;
        uint64_t firstMixedLine;
    };
    // Waits for the lines and moves them to the end of `list` (or hands them to `sink`);
    // rethrows the error that ended them instead, if any.
    Adopted adoptInto(std::vector<MQAAttribute>& list);
    Adopted adoptInto(MQALineSink& sink);

    // The first position after a CR LF at or after `from`; nullptr when there is none.
    static const char* lineStartAfter(const char* from, const char* end);

private:
    const char* _start;
    const char* _end;
    Adopted finish();
    std::vector<MQAAttribute> _lines;
    std::unique_ptr<MQALineSink> _sink;
    const char* _stop = nullptr;
    uint64_t _lineEnds = 0;
    uint64_t _firstMixedLine = 0;
    std::exception_ptr _error;
    std::atomic<bool> _cancelled{false};
    std::thread _worker;
};
