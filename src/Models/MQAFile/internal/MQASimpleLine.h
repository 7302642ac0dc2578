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
#include <cstring>
#include <string_view>

#include "MQAScan.h"

namespace mqa {

namespace detail {

inline uint64_t loadWord(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// How many of the word's first bytes (first in the text) are digits, 0 to 8. A byte is
// a digit when its high nibble is 3 and adding 6 keeps it so. The addition may carry
// out of a byte of 0xFA or more, but only into the bytes after it, which the count
// never reaches.
inline unsigned leadingDigits(uint64_t word) {
    constexpr uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ull;
    uint64_t nibbles = (word & kHigh) | (((word + 0x0606060606060606ull) & kHigh) >> 4);
    uint64_t other = nibbles ^ 0x3333333333333333ull;  // zero bytes for digits
    return other == 0 ? 8 : static_cast<unsigned>(std::countr_zero(other)) / 8;
}

// The value of the word's first n digits (1 to 7). The other bytes are shifted out
// first, and the zero bytes shifted in stand for leading zeros.
inline uint64_t digitsValue(uint64_t word, unsigned n) {
    uint64_t v = (word - 0x3030303030303030ull) << (8 * (8 - n));
    v = v * 10 + (v >> 8);  // pairs of digits
    v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >> 32;
    return v;
}

}  // namespace detail

// A value as scanNumber reads it: small enough to come back in registers.
struct MQANumberRead {
    const char* next = nullptr;
    uint32_t bits = 0;
    MQAValueKind kind = MQAValueKind::None;
};

// The value at p exactly as scanValue reads it (its kind, bits and end), taking numbers
// of up to seven digits before and after the point a word at a time rather than a digit
// at a time. Anything else (text, longer numbers, the last bytes of the text) is
// scanValue's.
[[gnu::always_inline]] inline MQANumberRead scanNumber(const char* p, const char* end) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
    static constexpr uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    p = skipBlanks(p, end);
    // Room for a sign, two runs of eight and the point: no bound checks below.
    auto general = [](const char* at, const char* stop) {
        MQAScannedValue v = scanValue(at, stop);
        return MQANumberRead{v.next, v.bits, v.kind};
    };
    if (end - p < 24) return general(p, end);
    const char* q = p;
    bool negative = *q == '-';
    q += negative;
    uint64_t word = detail::loadWord(q);
    unsigned intDigits = detail::leadingDigits(word);
    if (intDigits == 0 || intDigits == 8) return general(p, end);
    uint64_t mantissa = detail::digitsValue(word, intDigits);
    q += intDigits;
    if (q[0] != '.' || !isDigit(q[1])) {
        int64_t value = static_cast<int64_t>(mantissa);  // below 10^7: no saturation
        return {q, static_cast<uint32_t>(static_cast<int32_t>(negative ? -value : value)), MQAValueKind::Int};
    }
    const char* fraction = q + 1;
    uint64_t fractionWord = detail::loadWord(fraction);
    unsigned decimals = detail::leadingDigits(fractionWord);
    if (decimals == 8) return general(p, end);
    mantissa = mantissa * kScale[decimals] + detail::digitsValue(fractionWord, decimals);
    q = fraction + decimals;
    // As scanValue: a mantissa below 2^24 over a power of ten of at most ten digits is
    // one correctly rounded division.
    if (mantissa < (1u << 24)) {
        float value = static_cast<float>(mantissa) / kPowersOfTen[decimals];
        return {q, std::bit_cast<uint32_t>(negative ? -value : value), MQAValueKind::Float};
    }
    return {q, floatBitsFromText(std::string_view(p, static_cast<size_t>(q - p))), MQAValueKind::Float};
}

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
            MQANumberRead v = scanNumber(start, end);
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
            MQANumberRead v = scanNumber(q, end);
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
