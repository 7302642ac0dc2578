#pragma once

// The common shape of a long list's lines, read without building parameters: no name,
// then bare numbers and named lists of numbers, then the line end. Such a line reads
// exactly as the general reading reads it; any other line (a name, a string, an
// unnamed or empty list, numbers of two kinds in one list, anything the general
// reading would refuse) is left to the general reading, errors included.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "MQAScan.h"

namespace mqa {

struct MQASimpleLine {
    static constexpr size_t kMostParams = 8;
    static constexpr size_t kMostValues = 32;

    struct Param {
        std::string_view name;  // empty for a bare number
        bool isInt = false;     // else every value is a float
        uint8_t count = 0;      // at least 1
        uint8_t first = 0;      // where its values start in `values`
    };

    std::array<Param, kMostParams> params;
    std::array<uint32_t, kMostValues> values;  // an int32 or a float's bits, as kinds say
    size_t paramCount = 0;
    const char* next = nullptr;  // where the following line starts

    // Value k of parameter `param`, read as the parameter model reads it.
    float floatAt(const Param& param, size_t k) const {
        uint32_t bits = values[param.first + k];
        return param.isInt ? static_cast<float>(static_cast<int32_t>(bits)) : std::bit_cast<float>(bits);
    }
    int32_t intAt(const Param& param, size_t k) const { return static_cast<int32_t>(values[param.first + k]); }
    // The first parameter of that name, ignoring ASCII letter case.
    const Param* named(std::string_view wanted) const {
        for (size_t i = 0; i < paramCount; ++i)
            if (!params[i].name.empty() && equalsIgnoringCase(params[i].name, wanted)) return &params[i];
        return nullptr;
    }
};

// Reads the line at p when it has the simple shape, following the general reading's
// grammar step by step; false, with nothing read, otherwise.
inline bool readSimpleLine(const char* p, const char* end, MQASimpleLine& line) {
    line.paramCount = 0;
    size_t valueCount = 0;
    p = skipBlanks(p, end);
    if (scanName(p, end)) return false;  // a line's leading name is the line's own
    for (;;) {
        const char* start = skipBlanks(p, end);
        if (end - start >= 2 && start[0] == '\r' && start[1] == '\n') {
            if (line.paramCount == 0) return false;
            line.next = start + 2;
            return true;
        }
        if (line.paramCount == MQASimpleLine::kMostParams) return false;
        MQASimpleLine::Param& param = line.params[line.paramCount];
        const char* nameEnd = scanName(start, end);
        if (!nameEnd) {
            MQAScannedValue v = scanValue(start, end);
            if ((v.kind != MQAValueKind::Int && v.kind != MQAValueKind::Float) ||
                valueCount == MQASimpleLine::kMostValues)
                return false;
            param = {std::string_view(), v.kind == MQAValueKind::Int, 1, static_cast<uint8_t>(valueCount)};
            line.values[valueCount++] = v.bits;
            ++line.paramCount;
            p = v.next;
            continue;
        }
        const char* q = matchBlanksThen(nameEnd, end, '(');
        if (!q) return false;
        param = {std::string_view(start, static_cast<size_t>(nameEnd - start)), false, 0,
                 static_cast<uint8_t>(valueCount)};
        MQAValueKind kind = MQAValueKind::None;
        for (;;) {
            MQAScannedValue v = scanValue(q, end);
            if (v.kind == MQAValueKind::None) break;
            if (v.kind == MQAValueKind::String || (kind != MQAValueKind::None && v.kind != kind) ||
                valueCount == MQASimpleLine::kMostValues)
                return false;
            kind = v.kind;
            line.values[valueCount++] = v.bits;
            ++param.count;
            q = v.next;
        }
        if (param.count == 0) return false;
        param.isInt = kind == MQAValueKind::Int;
        p = matchBlanksThen(q, end, ')');
        if (!p) return false;
        ++line.paramCount;
    }
}

}  // namespace mqa
