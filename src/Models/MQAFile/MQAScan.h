#pragma once

// Anchored scanners for the document grammar. Each takes the cursor position and the
// end of the text and returns the position after its match, or nullptr for no match.
// Character classes are ASCII; "." never matches CR or LF.

#include <cstddef>
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
// `text` is the string's content or the number's characters.
struct MQAScannedValue {
    MQAValueKind kind = MQAValueKind::None;
    const char* next = nullptr;
    std::string_view text;
};

inline MQAScannedValue scanValue(const char* p, const char* end) {
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
    if (*q == '-') ++q;
    const char* digits = q;
    while (q != end && isDigit(*q)) ++q;
    if (q == digits) return {};
    if (end - q >= 2 && *q == '.' && isDigit(q[1])) {
        q += 2;
        while (q != end && isDigit(*q)) ++q;
        return {MQAValueKind::Float, q, std::string_view(p, static_cast<size_t>(q - p))};
    }
    return {MQAValueKind::Int, q, std::string_view(p, static_cast<size_t>(q - p))};
}

}  // namespace mqa
