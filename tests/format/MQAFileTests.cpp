#include <gtest/gtest.h>

#include "DocumentText.h"
#include "MQAException.h"
#include "MQAFile.h"

namespace {

std::string errorOf(std::string_view text) {
    try {
        MQAFile::initWithString(text);
    } catch (const MQAException& e) {
        return e.what();
    }
    return "no error";
}

// The names of the body's top-level attributes, or "-" for an unnamed one.
std::string topNames(const MQAFile& file) {
    std::string names;
    for (const MQAAttribute& a : file.body().attributes())
        names += std::string(a.name().value_or("-")) + ";";
    return names;
}

}  // namespace

TEST(MQAFileEnvelope, ReadsTypeVersionAndBody) {
    MQAFile file = MQAFile::initWithString(document({"Scene {", "pos 1 2 3", "}", "Object \"a\""}));
    EXPECT_EQ(file.type(), "Text");
    EXPECT_EQ(file.version(), 1.0f);
    EXPECT_EQ(topNames(file), "Scene;Object;");
}

TEST(MQAFileEnvelope, HeaderWordsAndEofIgnoreCase) {
    std::string text = "metasequoia DOCUMENT \t\r\nFORMAT TEXT vEr 01.00 \r\n\r\nx\r\neOF";
    MQAFile file = MQAFile::initWithString(text);
    EXPECT_EQ(file.type(), "TEXT");
    EXPECT_EQ(topNames(file), "x;");
    EXPECT_EQ(file.stringValue(), "Metasequoia Document\r\nFormat TEXT Ver 1.0\r\n\r\nx \r\nEof\r\n");
}

TEST(MQAFileEnvelope, BodyEndsAtTheLastEofFollowedOnlyByWhitespace) {
    MQAFile file = MQAFile::initWithString(document({"a", "Eof", "b"}) + " \r\n\t\r\n");
    EXPECT_EQ(topNames(file), "a;Eof;b;");
    EXPECT_EQ(errorOf(document({"a"}) + "x"), "This is not MQA file. (MQAFile:74)");
}

TEST(MQAFileEnvelope, RejectsMalformedHeaders) {
    const char* notMQA = "This is not MQA file. (MQAFile:74)";
    EXPECT_EQ(errorOf("Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nEof\r\n"), notMQA);
    EXPECT_EQ(errorOf("Metasequoia Document\nFormat Text Ver 1.0\n\nx\nEof\n"), notMQA);
    EXPECT_EQ(errorOf(" Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nx\r\nEof\r\n"), notMQA);
    EXPECT_EQ(errorOf("Metasequoia Document\r\nFormat  Text Ver 1.0\r\n\r\nx\r\nEof\r\n"), notMQA);
    EXPECT_EQ(errorOf("Metasequoia Document\r\nFormat Text Ver 1\r\n\r\nx\r\nEof\r\n"), notMQA);
    EXPECT_EQ(errorOf("Metasequoia Document\r\nFormat Text Ver 1.0\r\nx\r\nEof\r\n"), notMQA);
    EXPECT_EQ(errorOf(""), notMQA);
}

TEST(MQAFileEnvelope, TypeAndVersionErrors) {
    auto header = [](std::string_view type, std::string_view version) {
        return "Metasequoia Document\r\nFormat " + std::string(type) + " Ver " +
               std::string(version) + "\r\n\r\nx\r\nEof\r\n";
    };
    EXPECT_EQ(errorOf(header("Compact", "1.0")), "'Compact' type is unsupported. (MQAFile:79)");
    EXPECT_EQ(errorOf(header("Text", "2.0")), "Ver 2.0 is unsupported. (MQAFile:85)");
    // 1.05 held as a 32-bit float prints as 1.0 with one decimal.
    EXPECT_EQ(errorOf(header("Text", "1.05")), "Ver 1.0 is unsupported. (MQAFile:85)");
    EXPECT_EQ(errorOf(header("Text", "1.00")), "no error");
}

TEST(MQAFileEnvelope, CommentAndBlankLinesAreRemoved) {
    MQAFile file = MQAFile::initWithString(
        document({"# top comment", "a {", "#inside", "", " \t ", "\tb 1", "", "}", "", "c"}));
    EXPECT_EQ(topNames(file), "a;c;");
    EXPECT_EQ(file.body().attributes()[0].block()->attributes().size(), 1u);
}

TEST(MQAFileEnvelope, StrayLinesEndTheBodySilently) {
    EXPECT_EQ(topNames(MQAFile::initWithString(document({"a", "}", "b"}))), "a;");
    EXPECT_EQ(topNames(MQAFile::initWithString(document({"a", "  # indented", "b"}))), "a;");
    EXPECT_EQ(errorOf(document({"a {", "  # indented", "}"})), "Syntax Error. (MQABlock:110)");
    EXPECT_EQ(errorOf(document({"a {", "b"})), "Syntax Error. (MQABlock:110)");
    EXPECT_EQ(errorOf(documentWithBody("a 1\nb\r\n")), "Syntax Error. (MQAAttribute:146)");
}

TEST(MQAFileEnvelope, BlankRunsKeepTheIndentOfTheNextLine) {
    // A run of whitespace lines is removed through its last CR LF only.
    MQAFile file = MQAFile::initWithString(documentWithBody("a {\r\n \r\n\t\r\n\tb\r\n}\r\n"));
    EXPECT_EQ(file.body().attributes()[0].block()->attributes().size(), 1u);
}

TEST(MQAFileEnvelope, LinesStartAfterLoneCarriageReturns) {
    // A lone CR ends a line for the comment and blank passes: what they take out after
    // it may leave an LF there, and the two then end the line together.
    for (std::string_view gone : {"#x\r\n", "# one\r\n#two\r\n", " \t\r\n", "\r\n#x\r\n  \r\n"}) {
        std::string body = "a {\r" + std::string(gone) + "\n\tb 1\r\n}\r\n";
        MQAFile file = MQAFile::initWithString(documentWithBody(body));
        ASSERT_EQ(topNames(file), "a;") << gone;
        EXPECT_EQ(file.body().attributes()[0].block()->attributes().size(), 1u) << gone;
    }
    // Otherwise a lone CR, and a lone LF, end no line: reading fails, or the body ends.
    EXPECT_EQ(errorOf(documentWithBody("a {\r#x\r\nb\r\n}\r\n")), "Syntax Error. (MQAAttribute:146)");
    EXPECT_EQ(errorOf(documentWithBody("a 1\r  x\r\n")), "Syntax Error. (MQAAttribute:146)");
    EXPECT_EQ(topNames(MQAFile::initWithString(documentWithBody("a 1\r\n\rb 2\r\n"))), "a;");
    EXPECT_EQ(topNames(MQAFile::initWithString(documentWithBody("a 1\r\n\n\r\nb 2\r\n"))), "a;b;");
}

TEST(MQAFileWriting, FreshFileWritesTheHeaderAndEof) {
    MQAFile file;
    EXPECT_EQ(file.stringValue(), "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nEof\r\n");
    EXPECT_EQ(errorOf(file.stringValue()), "This is not MQA file. (MQAFile:74)");
    file.setVersion(2.25f);
    EXPECT_EQ(file.stringValue().substr(22, 21), "Format Text Ver 2.2\r\n");
}
