#include "MQANumber.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "MQAScan.h"

namespace mqa {
namespace {

int32_t saturate(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Digits to an integer, stopping the growth past 2^32 so that it saturates.
int32_t digitsToInt(const char* p, const char* end, bool negative) {
    int64_t v = 0;
    for (; p != end && isDigit(*p); ++p) {
        v = v * 10 + (*p - '0');
        if (v > (int64_t{1} << 32)) v = int64_t{1} << 32;
    }
    return saturate(negative ? -v : v);
}

// from_chars with overflow mapped to infinity and underflow to zero (keeping the sign).
// Out of a float's range, the text is read again as a double, which tells the two apart
// by the value itself; only beyond a double's range too does the exponent decide.
float fromChars(const char* first, const char* last) {
    float value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc::result_out_of_range) return value;
    const bool negative = *first == '-';
    double wide = 0;
    auto [widePtr, wideEc] = std::from_chars(first, last, wide);
    if (wideEc != std::errc::result_out_of_range) {
        float narrowed = narrowToFloat(std::fabs(wide));
        return negative ? -narrowed : narrowed;
    }
    // Beyond a double: a negative exponent makes it tiny, anything else huge.
    const char* exponent = std::find_if(first, last, [](char c) { return c == 'e' || c == 'E'; });
    bool tiny = exponent != last && exponent + 1 != last && exponent[1] == '-';
    float magnitude = tiny ? 0.0f : std::numeric_limits<float>::infinity();
    return negative ? -magnitude : magnitude;
}

// Moves past leading spaces and one sign; whether the sign was '-'.
bool pastSpacesAndSign(const char*& p, const char* end) {
    while (p != end && isSpace(*p)) ++p;
    return p != end && (*p == '-' || *p == '+') && *p++ == '-';
}

}  // namespace

uint32_t floatBitsFromText(std::string_view text) {
    return std::bit_cast<uint32_t>(fromChars(text.data(), text.data() + text.size()));
}

float parseFloat(std::string_view text) {
    return std::bit_cast<float>(scanValue(text.data(), text.data() + text.size()).bits);
}

int32_t leadingInt(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    bool negative = pastSpacesAndSign(p, end);
    return digitsToInt(p, end, negative);
}

float leadingFloat(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    bool negative = pastSpacesAndSign(p, end);
    if (p == end || !(isDigit(*p) || (*p == '.' && end - p > 1 && isDigit(p[1])))) return 0.0f;
    float value = 0;
    auto [ptr, ec] = std::from_chars(p, end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) value = fromChars(p, ptr);
    return negative ? -value : value;
}

void appendInt(std::string& out, int32_t value) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendFloat(std::string& out, double value, int precision) {
    if (std::isnan(value)) {
        out.append(std::signbit(value) ? "-nan" : "nan");
        return;
    }
    if (std::isinf(value)) {
        // 1e39 lies beyond the largest float, so it reads back as infinity.
        out.append(value < 0 ? "-" : "").append("1000000000000000000000000000000000000000.0");
        return;
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                std::chars_format::general, precision);
    std::string_view g(buffer, static_cast<size_t>(result.ptr - buffer));
    size_t e = g.find('e');
    if (e == std::string_view::npos) {
        out.append(g);
        if (g.find('.') == std::string_view::npos) out.append(".0");
        return;
    }
    // Rewrite d.ddde±x as plain decimal digits.
    std::string_view mantissa = g.substr(0, e);
    int exponent = 0;
    std::from_chars(g.data() + e + 1 + (g[e + 1] == '+'), g.data() + g.size(), exponent);
    if (mantissa.front() == '-') {
        out.push_back('-');
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (char c : mantissa)
        if (c != '.') digits.push_back(c);
    // The mantissa has one digit before its point, so the point moves to 1 + exponent.
    int point = 1 + exponent;
    if (point <= 0) {
        out.append("0.").append(static_cast<size_t>(-point), '0').append(digits);
    } else if (static_cast<size_t>(point) >= digits.size()) {
        out.append(digits).append(static_cast<size_t>(point) - digits.size(), '0').append(".0");
    } else {
        out.append(digits, 0, static_cast<size_t>(point))
            .append(".")
            .append(digits, static_cast<size_t>(point));
    }
}

float narrowToFloat(double value) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (std::fabs(value) > std::numeric_limits<float>::max()) return std::signbit(value) ? -kInfinity : kInfinity;
    return static_cast<float>(value);
}

int32_t truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483649.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace mqa
