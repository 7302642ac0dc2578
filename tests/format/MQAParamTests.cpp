#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "DocumentText.h"
#include "MQAException.h"
#include "MQAFile.h"
#include "MQAParam.h"

namespace {

// The parameters of the line "x TEXT", read as part of a document.
std::vector<MQAParam> paramsOf(std::string_view text) {
    MQAFile file = MQAFile::initWithString(documentWithBody("x " + std::string(text) + "\r\n"));
    return std::move(file.body().attributes().at(0).params());
}

// The one parameter of such a line.
MQAParam decodeValue(std::string_view text) {
    std::vector<MQAParam> params = paramsOf(text);
    if (params.size() != 1) throw std::runtime_error("not one parameter in: " + std::string(text));
    return std::move(params[0]);
}

std::string encode(const MQAParam& param) {
    std::string out;
    param.appendText(out);
    return out;
}

std::string errorOf(std::string_view text) {
    try {
        paramsOf(text);
    } catch (const MQAException& e) {
        return e.what();
    }
    return "no error";
}

// Where in TEXT reading the line stopped with an error (0: the first character).
uint64_t stopOf(std::string_view text) {
    try {
        paramsOf(text);
    } catch (const MQAException& e) {
        return e.place()->column - 3;  // columns count from 1, after "x "
    }
    return text.size();
}

}  // namespace

TEST(MQAParamDecode, NumberKindsFollowTheDecimalPoint) {
    MQAParam f = decodeValue("1.0");
    EXPECT_EQ(f.type(), MQAParamTypeFloat);
    MQAParam i = decodeValue("1");
    EXPECT_EQ(i.type(), MQAParamTypeInt);
    MQAParam negativeZero = decodeValue("-0");
    EXPECT_EQ(negativeZero.type(), MQAParamTypeInt);
    EXPECT_EQ(negativeZero.intValueAtIndex(0), 0);
    MQAParam negativeFloat = decodeValue(" \t-0.0");
    EXPECT_TRUE(std::signbit(negativeFloat.floatValueAtIndex(0)));
}

TEST(MQAParamDecode, TrailingPointLeavesThePointUnread) {
    EXPECT_EQ(decodeValue("1 ").type(), MQAParamTypeInt);
    EXPECT_EQ(stopOf("1."), 1u);  // 1 is read; no value starts at the point
    EXPECT_EQ(stopOf(".5"), 0u);
    EXPECT_EQ(stopOf("+1"), 0u);
    EXPECT_EQ(stopOf("-"), 0u);
}

TEST(MQAParamDecode, ListsNeedNoSeparators) {
    MQAParam minus = decodeValue("(1-2)");
    ASSERT_EQ(minus.count(), 2u);
    EXPECT_EQ(minus.intValueAtIndex(0), 1);
    EXPECT_EQ(minus.intValueAtIndex(1), -2);
    MQAParam strings = decodeValue("(\"a\"\"b\")");
    ASSERT_EQ(strings.count(), 2u);
    EXPECT_EQ(strings.stringValueAtIndex(1), "b");
}

TEST(MQAParamDecode, EmptyAndNamedLists) {
    MQAParam empty = decodeValue("()");
    EXPECT_EQ(empty.type(), MQAParamTypeNone);
    EXPECT_EQ(empty.count(), 0u);
    EXPECT_FALSE(empty.name());
    EXPECT_EQ(encode(empty), "");

    EXPECT_EQ(stopOf("col \t(0.5 1.0 0.25 1.0) rest"), 24u);
    MQAParam named = decodeValue("col \t(0.5 1.0 0.25 1.0)");
    EXPECT_EQ(named.name(), "col");
    EXPECT_EQ(named.count(), 4u);
    EXPECT_EQ(encode(decodeValue("V()")), "V()");
}

TEST(MQAParamDecode, StringsEndAtTheNextQuote) {
    MQAParam s = decodeValue("\"tex ture.png\"");
    EXPECT_EQ(s.stringValueAtIndex(0), "tex ture.png");
    // The first character after the opening quote may itself be a quote.
    EXPECT_EQ(decodeValue("\"\"\"").stringValueAtIndex(0), "\"");
    EXPECT_EQ(stopOf("\"\""), 0u);
    EXPECT_EQ(errorOf("\"open\r\n\""), "Syntax Error. (MQAAttribute:146)");
}

TEST(MQAParamDecode, IntegersSaturate) {
    EXPECT_EQ(decodeValue("2147483647").intValueAtIndex(0), 2147483647);
    EXPECT_EQ(decodeValue("2147483648").intValueAtIndex(0), 2147483647);
    EXPECT_EQ(decodeValue("-2147483648").intValueAtIndex(0), -2147483647 - 1);
    EXPECT_EQ(decodeValue("-2147483649").intValueAtIndex(0), -2147483647 - 1);
    EXPECT_EQ(decodeValue("99999999999999999999999").intValueAtIndex(0), 2147483647);
}

TEST(MQAParamDecode, EveryErrorHasItsReasonText) {
    EXPECT_EQ(errorOf("(1 2"), "Syntax Error. (MQAParam:249)");
    EXPECT_EQ(errorOf("(1 x)"), "Syntax Error. (MQAParam:249)");
    EXPECT_EQ(errorOf("(1 \"a\")"), "Type Mismatch. (MQAParam:283)");
    EXPECT_EQ(errorOf("(1 0.5)"), "Type Mismatch. (MQAParam:292)");
    EXPECT_EQ(errorOf("(\"a\" 0.5)"), "Type Mismatch. (MQAParam:292)");
    EXPECT_EQ(errorOf("(0.5 1)"), "Type Mismatch. (MQAParam:301)");
}

TEST(MQAParamReads, ConvertBetweenKinds) {
    MQAParam floats = decodeValue("(2.9 -2.9)");
    EXPECT_EQ(floats.intValueAtIndex(0), 2);
    EXPECT_EQ(floats.intValueAtIndex(1), -2);
    EXPECT_EQ(decodeValue("7").floatValueAtIndex(0), 7.0f);
    EXPECT_EQ(decodeValue("12").stringValueAtIndex(0), "12");
    EXPECT_EQ(decodeValue("2.5").stringValueAtIndex(0), "2.5");

    auto text = MQAParam::paramWithStringValues({"  42abc", "x", "-7.5e1", "99999999999"});
    EXPECT_EQ(text.intValueAtIndex(0), 42);
    EXPECT_EQ(text.intValueAtIndex(1), 0);
    EXPECT_EQ(text.floatValueAtIndex(2), -75.0f);
    EXPECT_EQ(text.intValueAtIndex(3), 2147483647);

    auto huge = MQAParam::paramWithFloatValues(std::vector<double>{1e20, -1e20, NAN});
    EXPECT_EQ(huge.intValueAtIndex(0), 2147483647);
    EXPECT_EQ(huge.intValueAtIndex(1), -2147483647 - 1);
    EXPECT_EQ(huge.intValueAtIndex(2), 0);
    // Doubles beyond a float's range read as infinities (a plain conversion would be
    // undefined); tiny ones as zeros of their sign.
    auto wide = MQAParam::paramWithFloatValues(std::vector<double>{1e300, -1e300, -1e-300, 0.25});
    EXPECT_EQ(wide.floatValueAtIndex(0), INFINITY);
    EXPECT_EQ(wide.floatValueAtIndex(1), -INFINITY);
    EXPECT_EQ(wide.floatValueAtIndex(2), 0.0f);
    EXPECT_TRUE(std::signbit(wide.floatValueAtIndex(2)));
    EXPECT_EQ(wide.floatValueAtIndex(3), 0.25f);
}

TEST(MQAParamReads, IndexAtCountIsOutOfRange) {
    MQAParam p = decodeValue("(1 2 3)");
    EXPECT_THROW(p.intValueAtIndex(3), std::out_of_range);
    EXPECT_THROW(p.floatValueAtIndex(3), std::out_of_range);
    EXPECT_THROW(p.stringValueAtIndex(3), std::out_of_range);
    try {
        p.intValueAtIndex(7);
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "parameter value index 7 is out of range (3 values)");
    }
}

TEST(MQAParamConstruction, FactoriesFixTypeAndHolding) {
    auto ints = MQAParam::paramWithIntValues(std::vector<int32_t>{});
    EXPECT_EQ(ints.type(), MQAParamTypeInt);
    EXPECT_EQ(ints.count(), 0u);
    auto doubles = MQAParam::paramWithFloatValues(std::vector<double>{0.1, 2.0});
    EXPECT_EQ(doubles.type(), MQAParamTypeFloat);
    EXPECT_TRUE(doubles.isDoubleAtIndex(0));
    EXPECT_EQ(encode(doubles), "(0.1 2.0)");
    EXPECT_EQ(encode(MQAParam::paramWithFloatValues(std::vector<double>{1.0 / 3})),
              "0.3333333333333333");
    EXPECT_EQ(encode(MQAParam::paramWithFloatValue(1.0f / 3)), "0.3333333");
    EXPECT_EQ(MQAParam().type(), MQAParamTypeNone);
}

TEST(MQAParamConstruction, CopiesAreDeepAndNamesOfAnyLength) {
    auto a = decodeValue("UV(0.1 0.2 0.3 0.4 0.5 0.6)");
    MQAParam b = a;
    b.setName("texcoords");
    EXPECT_EQ(*a.name(), "UV");
    EXPECT_EQ(*b.name(), "texcoords");
    EXPECT_TRUE(b.hasName("TEXCOORDS"));
    EXPECT_EQ(encode(b), "texcoords(0.1 0.2 0.3 0.4 0.5 0.6)");
    b.setName(std::nullopt);
    EXPECT_EQ(encode(b), "(0.1 0.2 0.3 0.4 0.5 0.6)");
    MQAParam moved = std::move(a);
    EXPECT_EQ(moved.floatValueAtIndex(5), 0.6f);
}

TEST(MQAParamEncode, ParenthesesForNamesAndLists) {
    EXPECT_EQ(encode(MQAParam::paramWithIntValue(-3)), "-3");
    auto one = MQAParam::paramWithIntValue(0);
    one.setName("m");
    EXPECT_EQ(encode(one), "m(0)");
    EXPECT_EQ(encode(decodeValue("(1 -2 3)")), "(1 -2 3)");
    EXPECT_EQ(encode(MQAParam::paramWithStringValue("a b")), "\"a b\"");
}

// Only a program-built tree can hold these, and their text would read back differently
// (or not at all): writing refuses them rather than write a document that lies.
TEST(MQAParamEncode, StringsThatCannotReadBackAreRefused) {
    for (std::string_view value : {"", "a\"b", "\"a\"", "two\r\nlines", "a\nb", "\r"}) {
        try {
            encode(MQAParam::paramWithStringValues({"fine", value}));
            ADD_FAILURE() << "wrote " << value;
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(),
                         "A string value that is empty, holds a line break or holds a double "
                         "quote after its first character cannot be written as document text.");
        }
    }
}

// A quote right after the opening one is the string's first character, so reading
// gives strings that start with a quote; they must write back as they were read.
TEST(MQAParamEncode, StringsStartingWithAQuoteReadBack) {
    for (std::string_view text : {"\"\"x\"", "\"\"\"", "(\"\"a b\" \"\"\")"}) {
        MQAParam param = decodeValue(text);
        EXPECT_EQ(encode(param), text);
        EXPECT_EQ(encode(decodeValue(encode(param))), text);
    }
    EXPECT_EQ(decodeValue("\"\"x\"").stringValueAtIndex(0), "\"x");
}

TEST(MQAParamEncode, FloatFormsReadBackAsFloats) {
    struct Case {
        float value;
        const char* text;
    } cases[] = {
        {15.0f, "15.0"},          {0.8f, "0.8"},
        {-1.25f, "-1.25"},        {1e-05f, "0.00001"},
        {1.5e-07f, "0.00000015"}, {123456000.0f, "123456000.0"},
        {-0.0f, "-0.0"},          {1e7f, "10000000.0"},
    };
    for (const Case& c : cases) {
        std::string text = encode(MQAParam::paramWithFloatValue(c.value));
        EXPECT_EQ(text, c.text);
        MQAParam back = decodeValue(text);
        EXPECT_EQ(back.type(), MQAParamTypeFloat) << text;
        EXPECT_EQ(back.floatValueAtIndex(0), c.value) << text;
    }
    float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(decodeValue(encode(MQAParam::paramWithFloatValue(-inf))).floatValueAtIndex(0), -inf);
    float tiny = std::numeric_limits<float>::denorm_min();
    EXPECT_EQ(decodeValue(encode(MQAParam::paramWithFloatValue(tiny))).floatValueAtIndex(0), tiny);
}
