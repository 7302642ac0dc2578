#include "MQALineMap.h"

#include <algorithm>

namespace mqa {

namespace {
constexpr size_t kExcerptBytes = 120;

bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

uint64_t LineMap::fileLine(uint64_t readLine) const {
    Walker walker(this, readLine);
    return walker.fileLine(readLine);
}

LineMap::Walker::Walker(const LineMap* map, uint64_t firstReadLine) : _map(map) {
    if (!map) return;
    // Start past the removals before the first line asked for, found by halving.
    auto firstAfter = [](uint64_t line, const LinesRemoved& r) { return line < r.at; };
    auto blankEnd = std::upper_bound(map->blanks.begin(), map->blanks.end(), firstReadLine, firstAfter);
    _blank = static_cast<size_t>(blankEnd - map->blanks.begin());
    for (auto it = map->blanks.begin(); it != blankEnd; ++it) _blanksBefore += it->count;
    uint64_t afterComments = firstReadLine + _blanksBefore;
    auto commentEnd = std::upper_bound(map->comments.begin(), map->comments.end(), afterComments, firstAfter);
    _comment = static_cast<size_t>(commentEnd - map->comments.begin());
    for (auto it = map->comments.begin(); it != commentEnd; ++it) _commentsBefore += it->count;
    _outer.assign(map->outer.size(), 0);
    _outerBefore.assign(map->outer.size(), 0);
}

uint64_t LineMap::Walker::fileLine(uint64_t readLine) {
    if (!_map) return readLine + 1;
    while (_blank < _map->blanks.size() && _map->blanks[_blank].at <= readLine)
        _blanksBefore += _map->blanks[_blank++].count;
    uint64_t afterComments = readLine + _blanksBefore;
    while (_comment < _map->comments.size() && _map->comments[_comment].at <= afterComments)
        _commentsBefore += _map->comments[_comment++].count;
    uint64_t line = _map->bodyFirstLine + afterComments + _commentsBefore;
    // Lines asked for only grow, so each step's removals are passed once.
    for (size_t step = 0; step < _map->outer.size(); ++step) {
        const std::vector<LinesRemoved>& removed = _map->outer[step];
        while (_outer[step] < removed.size() && removed[_outer[step]].at <= line)
            _outerBefore[step] += removed[_outer[step]++].count;
        line += _outerBefore[step];
    }
    return line;
}

uint64_t columnOf(const char* lineStart, const char* at) {
    uint64_t column = 1;
    for (const char* p = lineStart; p < at; ++p)
        if (!continuation(*p)) ++column;
    return column;
}

std::string excerptOf(const char* lineStart, const char* end) {
    const char* lineEnd = lineStart;
    while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
    if (static_cast<size_t>(lineEnd - lineStart) <= kExcerptBytes) return std::string(lineStart, lineEnd);
    const char* cut = lineStart + kExcerptBytes;
    while (cut > lineStart && continuation(*cut)) --cut;
    return std::string(lineStart, cut) + "\xE2\x80\xA6";  // …
}

MQAPlace placeInText(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    const char* begin = text.data();
    const char* at = begin + offset;
    MQAPlace place;
    place.line = 1 + static_cast<uint64_t>(std::count(begin, at, '\n'));
    const char* lineStart = at;
    while (lineStart > begin && lineStart[-1] != '\n') --lineStart;
    place.column = columnOf(lineStart, at);
    place.excerpt = excerptOf(lineStart, begin + text.size());
    return place;
}

}  // namespace mqa
