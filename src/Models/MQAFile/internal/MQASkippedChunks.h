#pragma once

// Chunks that lenient reading does not read, gathered by kind for one warning each.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "MQAException.h"

namespace mqa {

class SkippedChunks {
public:
    // One chunk of `lines` lines from `firstLine`; kinds are told apart ignoring case.
    void add(std::string_view name, uint64_t firstLine, uint64_t lines);
    // The chunks another reading skipped after this one's.
    void merge(const SkippedChunks& later);
    // One warning for each kind, in the order the kinds were first met: "the "NAME" chunk
    // is not read and is skipped (N lines)", or for several, "the K "NAME" chunks are
    // not read and are skipped (N lines in all)".
    void addTo(std::vector<MQAWarning>& warnings) const;

private:
    struct Kind {
        std::string name;  // as first written
        uint64_t firstLine = 0;
        uint64_t chunks = 0;
        uint64_t lines = 0;
    };
    std::vector<Kind> _kinds;
};

}  // namespace mqa
