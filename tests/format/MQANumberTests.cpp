#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "MQANumber.h"
#include "MQAScan.h"

// The fast path of the float reader must round exactly like a correctly rounded
// conversion, for the short decimals modellers write and for long ones.
TEST(MQANumber, ParseFloatRoundsCorrectly) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        int intDigits = 1 + static_cast<int>(random() % 9);
        int fracDigits = 1 + static_cast<int>(random() % 12);
        std::string text = (random() % 2) ? "-" : "";
        for (int d = 0; d < intDigits; ++d) text.push_back(static_cast<char>('0' + random() % 10));
        text.push_back('.');
        for (int d = 0; d < fracDigits; ++d) text.push_back(static_cast<char>('0' + random() % 10));
        ASSERT_EQ(mqa::parseFloat(text), std::strtof(text.c_str(), nullptr)) << text;
    }
}

TEST(MQANumber, ParseFloatOutOfRange) {
    std::string huge(60, '9');
    EXPECT_EQ(mqa::parseFloat(huge + ".0"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(mqa::parseFloat("-" + huge + ".0"), -std::numeric_limits<float>::infinity());
    std::string tiny = "0." + std::string(60, '0') + "1";
    EXPECT_EQ(mqa::parseFloat(tiny), 0.0f);
    EXPECT_TRUE(std::signbit(mqa::parseFloat("-" + tiny)));
}

// A text value read as a float: an exponent too small gives zero, never infinity.
TEST(MQANumber, LeadingFloatUnderflowsToZeroAndOverflowsToInfinity) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* text;
        float expected;
        bool negative;
    };
    const Case cases[] = {
        {"1e-50", 0.0f, false},      {"-1e-50", 0.0f, true},      {"  1e-400 mm", 0.0f, false},
        {"-1E-400", 0.0f, true},     {"1e50", inf, false},        {"-1e50", -inf, true},
        {"1e400", inf, false},       {"-1e+400", -inf, true},     {"3.5e38", inf, false},
        {"2.5e-3", 0.0025f, false},  {"7", 7.0f, false},          {"x1", 0.0f, false},
    };
    for (const Case& c : cases) {
        float value = mqa::leadingFloat(c.text);
        EXPECT_EQ(value, c.expected) << c.text;
        EXPECT_EQ(std::signbit(value), c.negative) << c.text;
    }
    float denormal = mqa::leadingFloat("1e-40");
    EXPECT_GT(denormal, 0.0f);
    EXPECT_LT(denormal, std::numeric_limits<float>::min());
}

TEST(MQANumber, WrittenFloatsReadBackExactly) {
    std::mt19937 random(11);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 100000; ++i) {
        float value = std::bit_cast<float>(bits(random));
        if (!std::isfinite(value)) continue;
        std::string text;
        mqa::appendFloat(text, value, 9);  // enough digits to identify every float
        ASSERT_EQ(text.find('e'), std::string::npos) << text;
        ASSERT_NE(text.find('.'), std::string::npos) << text;
        ASSERT_EQ(mqa::parseFloat(text), value) << text;
    }
}

// The word-at-a-time number reader must read every value exactly as the digit-by-digit
// scanner does: kind, value bits and where it stops, whatever
// follows the digits (UTF-8 bytes too) and however near the text's end.
TEST(MQANumber, WordAtATimeReadingMatchesTheScanner) {
    std::mt19937_64 random(11);
    const std::string followers[] = {" ", ")", "\r\n", "x", ".", "..5", "-", "\xC3\xA9", "\xFF", "\"", "(", "/", ":"};
    auto digits = [&](int count) {
        std::string run;
        for (int d = 0; d < count; ++d) run.push_back(static_cast<char>('0' + random() % 10));
        return run;
    };
    auto expectSame = [](const std::string& text, size_t from) {
        const char* begin = text.data() + from;
        const char* end = text.data() + text.size();
        mqa::MQAScannedValue fast = mqa::scanValue(begin, end);
        const char* at = mqa::skipBlanks(begin, end);
        mqa::MQAScannedValue plain;
        if (at != end && (*at == '-' || mqa::isDigit(*at))) plain = mqa::detail::scanNumberSlowly(at, end);
        ASSERT_EQ(static_cast<int>(fast.kind), static_cast<int>(plain.kind)) << text;
        ASSERT_EQ(fast.next, plain.next) << text;
        if (plain.kind != MQAParamTypeNone) {
            ASSERT_EQ(fast.bits, plain.bits) << text;
        }
    };
    for (int i = 0; i < 300000; ++i) {
        std::string number = random() % 4 == 0 ? "\t " : "";
        number += random() % 3 == 0 ? "-" : "";
        number += digits(static_cast<int>(random() % 11));
        if (random() % 4 != 0) number.append(".").append(digits(static_cast<int>(random() % 11)));
        std::string text = number + followers[random() % std::size(followers)];
        // Then enough of a line to be read a word at a time, or only a little of one.
        text += random() % 3 == 0 ? std::string(random() % 24, ' ') : " 1 2 3 4 5 6 7 8 9 10 11 12)\r\n";
        expectSame(text, 0);
    }
    // Words of every kind of byte after a digit: only the digits before the first other
    // byte count.
    for (int b = 0; b < 256; ++b)
        for (const char* form : {"7", "12.5", "-3.25", "1234567", "0.1234567"}) {
            std::string text = std::string(form) + static_cast<char>(b) + "9999999999999999999999999";
            expectSame(text, 0);
        }
}
