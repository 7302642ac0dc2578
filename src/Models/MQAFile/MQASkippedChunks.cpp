#include "MQASkippedChunks.h"

#include <algorithm>

#include "MQAScan.h"

namespace mqa {

void SkippedChunks::add(std::string_view name, uint64_t firstLine, uint64_t lines) {
    auto same =
        std::find_if(_kinds.begin(), _kinds.end(), [&](const Kind& k) { return equalsIgnoringCase(k.name, name); });
    if (same == _kinds.end()) {
        _kinds.push_back({std::string(name), firstLine, 1, lines});
    } else {
        ++same->chunks;
        same->lines += lines;
    }
}

void SkippedChunks::merge(const SkippedChunks& later) {
    for (const Kind& kind : later._kinds) {
        auto same = std::find_if(_kinds.begin(), _kinds.end(),
                                 [&](const Kind& k) { return equalsIgnoringCase(k.name, kind.name); });
        if (same == _kinds.end()) {
            _kinds.push_back(kind);
        } else {
            same->chunks += kind.chunks;
            same->lines += kind.lines;
        }
    }
}

void SkippedChunks::addTo(std::vector<MQAWarning>& warnings) const {
    for (const Kind& kind : _kinds) {
        if (equalsIgnoringCase(kind.name, "codepage")) continue;  // the text's preparation reads it
        std::string lines = std::to_string(kind.lines) + (kind.lines == 1 ? " line" : " lines");
        warnings.push_back(
            {kind.firstLine, kind.chunks == 1
                                 ? "the \"" + kind.name + "\" chunk is not read and is skipped (" + lines + ")"
                                 : "the " + std::to_string(kind.chunks) + " \"" + kind.name +
                                       "\" chunks are not read and are skipped (" + lines + " in all)"});
    }
}

}  // namespace mqa
