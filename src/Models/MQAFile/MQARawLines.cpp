#include "MQARawLines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "MQAScan.h"

namespace mqa {

RawLine rawLineAt(const char* p, const char* end) {
    const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p));
    const char* stop = lf ? static_cast<const char*>(lf) : end;
    const char* next = lf ? stop + 1 : end;
    while (stop > p && (stop[-1] == '\r' || isBlank(stop[-1]))) --stop;
    return {std::string_view(p, static_cast<size_t>(stop - p)), next};
}

size_t binaryBytes(std::string_view content) {
    if (content.size() < 3 || content.back() != ']') return 0;
    // Back over the digits to the "[" before them: never further than the line's end.
    size_t open = content.size() - 1;
    while (open > 0 && isDigit(content[open - 1])) --open;
    if (open == 0 || open == content.size() - 1 || content[open - 1] != '[') return 0;
    size_t bytes = 0;
    for (size_t i = open; i + 1 < content.size(); ++i)
        bytes = std::min<size_t>(bytes * 10 + static_cast<size_t>(content[i] - '0'), SIZE_MAX / 16);
    return bytes;
}

const char* binaryRunEnd(const char* data, size_t bytes, const char* end) {
    const char* p = data + std::min(bytes, static_cast<size_t>(end - data));
    if (p != end && p[-1] != '\n') p = rawLineAt(p, end).next;
    return p;
}

}  // namespace mqa
