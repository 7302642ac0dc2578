#include <gtest/gtest.h>

#include "DocumentText.h"
#include "MQABlock.h"
#include "MQAException.h"
#include "MQAFile.h"
#include "MQATreeWriter.h"

namespace {

// The first line of a body, read as part of a document.
std::optional<MQAAttribute> decodeAttribute(std::string_view body) {
    MQAFile file = MQAFile::initWithString(documentWithBody(body));
    if (file.body().attributes().empty()) return std::nullopt;
    return std::move(file.body().attributes()[0]);
}

std::string encode(const MQAAttribute& attribute, int32_t indent = 0) {
    std::string out;
    mqa::TreeWriter(out).writeAttribute(attribute, indent);
    return out;
}

std::string errorOf(std::string_view text) {
    try {
        decodeAttribute(text);
    } catch (const MQAException& e) {
        return e.what();
    }
    return "no error";
}

// Reads a body, writes it, and checks that reading the written text gives the same text.
std::string roundTrip(std::string_view body) {
    std::string written = MQAFile::initWithString(documentWithBody(body)).stringValue();
    EXPECT_EQ(MQAFile::initWithString(written).stringValue(), written);
    return written;
}

}  // namespace

TEST(MQAAttributeDecode, FaceLineDividesIntoParameters) {
    auto face = decodeAttribute("3 v(0 1 2) m(0) uv(0.5 0.5 1.5 0.5 1.5 1.5)\r\n");
    ASSERT_TRUE(face);
    EXPECT_FALSE(face->name());
    ASSERT_EQ(face->params().size(), 4u);
    EXPECT_EQ(face->params()[0].intValueAtIndex(0), 3);
    EXPECT_EQ(face->paramForName("V")->count(), 3u);
    EXPECT_EQ(face->paramForName("UV")->floatValueAtIndex(2), 1.5f);
    EXPECT_EQ(face->paramForName("x"), nullptr);
    EXPECT_TRUE(face->paramsForName("zz").empty());
}

TEST(MQAAttributeDecode, LeadingNamedListIsTheAttributeName) {
    auto attribute = decodeAttribute("col(1 2)\r\n");
    EXPECT_EQ(*attribute->name(), "col");
    EXPECT_FALSE(attribute->params()[0].name());
    EXPECT_EQ(encode(*attribute), "col (1 2)\r\n");
    auto single = decodeAttribute("col(1)\r\n");
    EXPECT_EQ(encode(*single), "col 1\r\n");
}

TEST(MQAAttributeDecode, SyntaxErrorsOfTheLine) {
    const char* expected = "Syntax Error. (MQAAttribute:146)";
    EXPECT_EQ(errorOf("a +\r\n"), expected);
    EXPECT_EQ(errorOf("a .\r\n"), expected);
    EXPECT_EQ(errorOf("a \"open\r\n"), expected);
    EXPECT_EQ(errorOf("a 1\n"), expected);  // LF alone
    EXPECT_EQ(errorOf("a {\r\n} x\r\n"), expected);
    EXPECT_EQ(errorOf("a {\r\n}}\r\n"), expected);
    EXPECT_EQ(errorOf("a {\r\nb 1\r\n"), "Syntax Error. (MQABlock:110)");
    EXPECT_EQ(errorOf("a {\r\n  # x\r\n}\r\n"), "Syntax Error. (MQABlock:110)");
}

TEST(MQAAttributeDecode, BlockOpenerSkipsTheRestOfItsLine) {
    auto attribute = decodeAttribute("Object \"o\" { words } more\r\nfacet 1\r\n}\r\n");
    ASSERT_TRUE(attribute && attribute->block());
    ASSERT_EQ(attribute->block()->attributes().size(), 1u);
    EXPECT_EQ(*attribute->block()->attributes()[0].name(), "facet");
    EXPECT_EQ(attribute->params()[0].stringValueAtIndex(0), "o");
}

TEST(MQAAttributeDecode, OnlyABlock) {
    auto attribute = decodeAttribute("{\r\nx\r\n}\r\n");
    ASSERT_TRUE(attribute);
    EXPECT_FALSE(attribute->name());
    EXPECT_TRUE(attribute->params().empty());
    EXPECT_EQ(encode(*attribute), " {\r\n\tx \r\n}\r\n");
}

TEST(MQABlockLookup, NamesIgnoreCaseAndKeepOrder) {
    auto attribute = decodeAttribute("r {\r\nMaterial 1\r\n2\r\nmaterial 2\r\n}\r\n");
    const MQABlock& block = *attribute->block();
    EXPECT_EQ(block.attributeForName("MATERIAL")->params()[0].intValueAtIndex(0), 1);
    auto all = block.attributesForName("material");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1]->params()[0].intValueAtIndex(0), 2);
    EXPECT_EQ(block.attributeForName("object"), nullptr);
    EXPECT_TRUE(block.attributesForName("object").empty());
}

TEST(MQAWriter, ExampleMaterialBlock) {
    auto dif = MQAParam::paramWithFloatValue(0.8f);
    dif.setName("dif");
    std::vector<MQAParam> inner;
    inner.push_back(MQAParam::paramWithStringValue("m"));
    inner.push_back(std::move(dif));
    std::vector<MQAAttribute> lines;
    lines.push_back(MQAAttribute::attributeWithParams(std::move(inner)));
    std::vector<MQAParam> count;
    count.push_back(MQAParam::paramWithIntValue(1));
    auto material = MQAAttribute::attributeWithName("material", std::move(count));
    material.setBlock(MQABlock::blockWithAttributes(std::move(lines)));
    EXPECT_EQ(encode(material), "material 1 {\r\n\t\"m\" dif(0.8)\r\n}\r\n");
    EXPECT_EQ(encode(material, 2), "\t\tmaterial 1 {\r\n\t\t\t\"m\" dif(0.8)\r\n\t\t}\r\n");
    EXPECT_EQ(encode(material, -1), "material 1 {\r\n\"m\" dif(0.8)\r\n}\r\n");
}

TEST(MQAWriter, SpacingForNamesAndBlocks) {
    EXPECT_EQ(encode(MQAAttribute::attributeWithName("only", {})), "only \r\n");
    EXPECT_EQ(roundTrip(crlfLines({"a {", "b {", "c 1", "}", "}"})),
              document({"a  {", "\tb  {", "\t\tc 1", "\t}", "}"}));
}

TEST(MQAWriter, NestedBlocksRoundTrip) {
    std::string body = crlfLines({"Object \"x\" {", "\tvertex 2 {", "\t\t1.0 2.0 3.0",
                                  "\t\t-1.5 0.25 1.0", "\t}", "\tface 1 {",
                                  "\t\t2 V(0 1) M(0) UV(0.0 0.0 1.0 1.0)", "\t}", "}"});
    EXPECT_EQ(roundTrip(body), documentWithBody(body));
}
