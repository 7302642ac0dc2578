#pragma once

// Anchored scanners for the document grammar. Each takes the cursor position and the
// end of the text and returns the position after its match, or nullptr for no match.
// Character classes are ASCII; "." never matches CR or LF.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

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

// [\t ]*(\r\n|$) where $ is the end of the text.
inline const char* matchLineEnd(const char* p, const char* end) {
    p = skipBlanks(p, end);
    if (p == end) return p;
    if (end - p >= 2 && p[0] == '\r' && p[1] == '\n') return p + 2;
    return nullptr;
}

// [\t ]*<c>
inline const char* matchBlanksThen(const char* p, const char* end, char c) {
    p = skipBlanks(p, end);
    return (p != end && *p == c) ? p + 1 : nullptr;
}

enum class MQAValueKind { None, String, Float, Int };

// One value at the cursor: a quoted string, -?\d+\.\d+ or -?\d+, tried in that order.
// `text` is the string's content or the number's characters; `bits` holds a number's
// value (an int32 or the bits of the nearest float), converted during the scan.
struct MQAScannedValue {
    MQAValueKind kind = MQAValueKind::None;
    const char* next = nullptr;
    std::string_view text;
    uint32_t bits = 0;
};

// Slow path of the float conversion, for mantissas the fast path cannot take exactly.
uint32_t floatBitsFromText(std::string_view text);

inline MQAScannedValue scanValue(const char* p, const char* end) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                             1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    p = skipBlanks(p, end);
    if (p == end) return {};
    if (*p == '"') {
        // "(.+?)": at least one character, then the first quote after it, all on one line.
        const char* content = p + 1;
        if (content != end && !isLineBreak(*content)) {
            for (const char* q = content + 1; q != end && !isLineBreak(*q); ++q)
                if (*q == '"')
                    return {MQAValueKind::String, q + 1,
                            std::string_view(content, static_cast<size_t>(q - content))};
        }
        return {};
    }
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
            return {MQAValueKind::Float, q, text, std::bit_cast<uint32_t>(negative ? -value : value)};
        }
        return {MQAValueKind::Float, q, text, floatBitsFromText(text)};
    }
    // Saturate at the 32-bit limits; more than ten digits are beyond them anyway.
    int64_t value = intDigits > 10 ? (int64_t{1} << 32) : static_cast<int64_t>(mantissa);
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return {MQAValueKind::Int, q, std::string_view(p, static_cast<size_t>(q - p)),
            static_cast<uint32_t>(static_cast<int32_t>(value))};
}

}  // namespace mqa
