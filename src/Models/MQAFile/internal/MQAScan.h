#pragma once

// Anchored scanners for the document grammar. Each takes the cursor position and the
// end of the text and returns the position after its match, or nullptr for no match.
// Character classes are ASCII; "." never matches CR or LF.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "MQAParam.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mqa {

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isLineBreak(char c) { return c == '\r' || c == '\n'; }
inline bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
inline bool isNameChar(char c) { return isNameStart(c) || isDigit(c); }

inline char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// The first item of a list (attributes, parameters) with a name, ignoring case; all such.
template <typename Item>
const Item* firstNamed(const std::vector<Item>& items, std::string_view name) {
    for (const Item& item : items)
        if (item.hasName(name)) return &item;
    return nullptr;
}
template <typename Item>
std::vector<const Item*> allNamed(const std::vector<Item>& items, std::string_view name) {
    std::vector<const Item*> found;
    for (const Item& item : items)
        if (item.hasName(name)) found.push_back(&item);
    return found;
}

// [\t ]*
inline const char* skipBlanks(const char* p, const char* end) {
    while (p != end && isBlank(*p)) ++p;
    return p;
}

// \s*
inline const char* skipSpaces(const char* p, const char* end) {
    while (p != end && isSpace(*p)) ++p;
    return p;
}

// [a-zA-Z_][a-zA-Z0-9_]* at p exactly.
inline const char* scanName(const char* p, const char* end) {
    if (p == end || !isNameStart(*p)) return nullptr;
    ++p;
    while (p != end && isNameChar(*p)) ++p;
    return p;
}

// [\t ]*<c>
inline const char* matchBlanksThen(const char* p, const char* end, char c) {
    p = skipBlanks(p, end);
    return (p != end && *p == c) ? p + 1 : nullptr;
}

// The end of a line: CR LF, and for lenient reading LF alone too. The position after
// it, or nullptr when p stands at none.
inline const char* matchBreak(const char* p, const char* end, bool lenient) {
    if (end - p >= 2 && p[0] == '\r' && p[1] == '\n') return p + 2;
    if (lenient && p != end && *p == '\n') return p + 1;
    return nullptr;
}

// One value at the cursor: a quoted string, -?\d+\.\d+ or -?\d+, tried in that order.
// `text` is the string's content or the number's characters; `bits` holds a number's
// value (an int32 or the bits of the nearest float). With `exponents` (lenient
// reading), a number may end in an exponent, e-17 or E+3, which makes it a float.
struct MQAScannedValue {
    MQAParamType kind = MQAParamTypeNone;
    const char* next = nullptr;
    std::string_view text;
    uint32_t bits = 0;
    bool exponent = false;  // read by its exponent
};

// The nearest float to a number's text (correctly rounded; beyond a float's range,
// infinity or zero with its sign).
uint32_t floatBitsFromText(std::string_view text);

namespace detail {

inline uint64_t loadWord(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
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

inline constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// A number ended at q: lenient reading takes an exponent after it.
inline MQAScannedValue withExponent(MQAScannedValue v, const char* start, const char* end) {
    const char* q = v.next;
    if (q == end || (*q != 'e' && *q != 'E')) return v;
    const char* r = q + 1;
    if (r != end && (*r == '+' || *r == '-')) ++r;
    if (r == end || !isDigit(*r)) return v;
    while (r != end && isDigit(*r)) ++r;
    std::string_view text(start, static_cast<size_t>(r - start));
    return {MQAParamTypeFloat, r, text, floatBitsFromText(text), true};
}

// The general scan of a number at p (after blanks), digit by digit.
inline MQAScannedValue scanNumberSlowly(const char* p, const char* end) {
    const char* q = p;
    bool negative = *q == '-';
    if (negative) ++q;
    const char* digits = q;
    uint64_t mantissa = 0;
    while (q != end && isDigit(*q)) mantissa = mantissa * 10 + static_cast<uint64_t>(*q++ - '0');
    size_t intDigits = static_cast<size_t>(q - digits);
    if (intDigits == 0) return {};
    if (end - q >= 2 && *q == '.' && isDigit(q[1])) {
        const char* fraction = ++q;
        while (q != end && isDigit(*q)) mantissa = mantissa * 10 + static_cast<uint64_t>(*q++ - '0');
        size_t decimals = static_cast<size_t>(q - fraction);
        std::string_view text(p, static_cast<size_t>(q - p));
        // A mantissa below 2^24 and at most ten decimals are both exact floats, so one
        // division gives the correctly rounded result.
        if (intDigits + decimals <= 19 && mantissa < (1u << 24) && decimals <= 10) {
            float value = static_cast<float>(mantissa) / kPowersOfTen[decimals];
            return {MQAParamTypeFloat, q, text, std::bit_cast<uint32_t>(negative ? -value : value)};
        }
        return {MQAParamTypeFloat, q, text, floatBitsFromText(text)};
    }
    // Saturate at the 32-bit limits; more than ten digits are beyond them anyway.
    int64_t value = intDigits > 10 ? (int64_t{1} << 32) : static_cast<int64_t>(mantissa);
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return {MQAParamTypeInt, q, std::string_view(p, static_cast<size_t>(q - p)),
            static_cast<uint32_t>(static_cast<int32_t>(value))};
}

// The same for numbers of up to seven digits before and after the point, where at least
// 24 bytes of text remain; anything else is scanned slowly. Where the number ends comes
// from one 16-byte look at which bytes are digits, so finding the next number waits on
// little; the digits' values are worked out beside that, a word at a time.
[[gnu::always_inline]] inline MQAScannedValue scanNumber(const char* p, const char* end) {
#if defined(__SSE2__)
    static constexpr uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    if (end - p < 24) return scanNumberSlowly(p, end);
    const uint32_t negative = *p == '-';
    const char* q = p + negative;
    __m128i digits = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), _mm_set1_epi8('0'));
    __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digits, _mm_set1_epi8(9)), digits);
    const uint32_t other = ~static_cast<uint32_t>(_mm_movemask_epi8(isDigit));  // bits 16 on set
    const unsigned intDigits = static_cast<unsigned>(std::countr_zero(other));
    if (intDigits == 0 || intDigits > 7) return scanNumberSlowly(p, end);
    uint64_t mantissa = digitsValue(loadWord(q), intDigits);
    // The sign is applied without a branch: signs in a mesh's coordinates follow no
    // pattern a branch predictor could learn.
    if (q[intDigits] != '.' || (other >> (intDigits + 1) & 1)) {
        uint32_t value = static_cast<uint32_t>(mantissa);  // below 10^7: no saturation
        return {MQAParamTypeInt, q + intDigits, std::string_view(p, negative + intDigits), (value ^ -negative) + negative};
    }
    const unsigned decimals = static_cast<unsigned>(std::countr_zero(other >> (intDigits + 1)));
    if (decimals > 7) return scanNumberSlowly(p, end);
    const char* fraction = q + intDigits + 1;
    mantissa = mantissa * kScale[decimals] + digitsValue(loadWord(fraction), decimals);
    std::string_view text(p, static_cast<size_t>(fraction + decimals - p));
    if (mantissa < (1u << 24)) {
        float value = static_cast<float>(mantissa) / kPowersOfTen[decimals];
        return {MQAParamTypeFloat, fraction + decimals, text, std::bit_cast<uint32_t>(value) | negative << 31};
    }
    return {MQAParamTypeFloat, fraction + decimals, text, floatBitsFromText(text)};
#else
    return scanNumberSlowly(p, end);
#endif
}

}  // namespace detail

[[gnu::always_inline]] inline MQAScannedValue scanValue(const char* p, const char* end, bool exponents = false) {
    p = skipBlanks(p, end);
    if (p == end) return {};
    if (*p == '"') {
        // "(.+?)": at least one character, then the first quote after it, all on one line.
        const char* content = p + 1;
        if (content != end && !isLineBreak(*content)) {
            for (const char* q = content + 1; q != end && !isLineBreak(*q); ++q)
                if (*q == '"')
                    return {MQAParamTypeString, q + 1, std::string_view(content, static_cast<size_t>(q - content))};
        }
        return {};
    }
    if (*p != '-' && !isDigit(*p)) return {};
    MQAScannedValue v = detail::scanNumber(p, end);
    if (exponents && v.kind != MQAParamTypeNone) return detail::withExponent(v, p, end);
    return v;
}

}  // namespace mqa
