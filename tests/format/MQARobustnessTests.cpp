#include <gtest/gtest.h>
#include <malloc.h>

#include <functional>

#include "DocumentText.h"
#include "MQAException.h"
#include "MQAFile.h"
#include "MQACompat.h"
#include "MQAReader.h"
#include "MQATreeBuilder.h"

namespace {

const std::string kSample = document({
    "# comment",
    "Scene {",
    "\tpos 0.0000 0.0000 1500.0000",
    "}",
    "Material 2 {",
    "\t\"mat1\" col(1.000 0.000 0.000 1.000) dif(0.800) tex(\"a.png\")",
    "\t\"mat2\" shader(3)",
    "}",
    "",
    "Object \"obj1\" {",
    "\tfacet 59.5",
    "\tvertex 4 {",
    "\t\t0.0000 0.0000 0.0000",
    "\t\t1.0000 0.0000 0.0000",
    "\t\t0.0000 1.0000 -1.5000",
    "\t\t1.0000 1.0000 0.0000",
    "\t}",
    "\tface 2 {",
    "\t\t3 V(0 1 2) M(0) UV(0.00000 0.00000 1.00000 0.00000 1.00000 1.00000)",
    "\t\t4 V(0 1 3 2) M(1) UV(0 0 1 0 1 1 0 1)",
    "\t}",
    "}",
});

}  // namespace

// Every prefix of a valid document either reads or fails with a reading error.
TEST(MQARobustness, TruncatedDocumentsFailCleanly) {
    for (size_t length = 0; length <= kSample.size(); ++length) {
        std::string text = kSample.substr(0, length);
        try {
            MQAFile file = MQAFile::initWithString(text);
            MQAFile again = MQAFile::initWithString(file.stringValue());
            EXPECT_EQ(again.stringValue(), file.stringValue());
        } catch (const MQAException&) {
        }
    }
}

// Reading, writing and destroying a very deep tree must not exhaust the call stack.
TEST(MQARobustness, MillionLevelsDeep) {
    constexpr int kDepth = 1000000;
    std::string body;
    body.reserve(kDepth * 9);
    for (int i = 0; i < kDepth; ++i) body.append("a {\r\n");
    for (int i = 0; i < kDepth; ++i) body.append("}\r\n");
    MQAFile file = MQAFile::initWithString(documentWithBody(body));
    const MQAAttribute* a = &file.body().attributes()[0];
    int depth = 1;
    while (a->block() && !a->block()->attributes().empty()) {
        a = &a->block()->attributes()[0];
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    // Its indentation alone would take half a terabyte, so writing refuses it.
    EXPECT_THROW(file.stringValue(), std::length_error);
}

// Blocks nested inside one another, each claiming 2^31 - 1 lines: the room the tree takes
// while it is read follows the lines read, not what the lines claim.
TEST(MQARobustness, NestedCountClaimsTakeNoRoomAhead) {
    auto allocated = [] {
        struct mallinfo2 info = mallinfo2();
        return info.uordblks + info.hblkhd;
    };
    // Room made ahead would be greatest when the innermost block ends, all blocks open.
    struct PeakBuilder : mqa::TreeBuilder {
        std::function<size_t()> allocated;
        size_t peak = 0;
        void closed(uint32_t depth, uint64_t fileLine) override {
            if (peak == 0) peak = allocated();
            TreeBuilder::closed(depth, fileLine);
        }
    };
    std::string body;
    for (int i = 0; i < 2000; ++i) body += "a 2147483647 {\r\n";
    for (int i = 0; i < 2000; ++i) body += "}\r\n";
    std::string text = documentWithBody(body);
    size_t before = allocated();
    PeakBuilder builder;
    builder.allocated = allocated;
    mqa::readDocument(text, builder);
    EXPECT_LT(builder.peak - before, 64 * text.size());
}

TEST(MQARobustness, ModeratelyDeepTreesWrite) {
    constexpr int kDepth = 2000;
    std::string body;
    for (int i = 0; i < kDepth; ++i) body.append("a {\r\n");
    for (int i = 0; i < kDepth; ++i) body.append("}\r\n");
    std::string written = MQAFile::initWithString(documentWithBody(body)).stringValue();
    EXPECT_EQ(MQAFile::initWithString(written).stringValue(), written);
}

TEST(MQARobustness, LongLinesAndRuns) {
    // Large inputs of one repeated character must stay linear.
    std::string crs(2000000, '\r');
    EXPECT_THROW(MQAFile::initWithString(documentWithBody("a" + crs + "\r\n")), MQAException);
    std::string lfs(2000000, '\n');
    EXPECT_EQ(MQAFile::initWithString(documentWithBody("a\r\n" + lfs)).body().attributes().size(),
              1u);
    std::string list = "(" + std::string(1000000, '1').replace(1, 999998, std::string(999998, ' ')) + ")";
    EXPECT_EQ(MQAFile::initWithString(document({"x " + list})).body().attributes().size(), 1u);
}

// A stage that goes through a long run of one kind of line looks at the cancel flag by
// the bytes it passes, not only by the lines it counts: a run of comment lines, one line
// of many values, and comment lines after a Shift_JIS text that end in "]" (which its
// preparation looks at for binary data, and must look at line by line).
TEST(MQARobustness, LongRunsStopOnceCancelled) {
    MQAProgress cancelled;
    cancelled.cancel();
    std::string comments;
    for (int i = 0; i < 200000; ++i) comments += "# see the notes above]\r\n";
    std::string values = "x";
    for (int i = 0; i < 200000; ++i) values += " 1.5";
    for (const std::string& text : {documentWithBody("x 1\r\n" + comments), document({values})}) {
        mqa::TreeBuilder builder;
        MQAReadOptions options;
        options.progress = &cancelled;
        EXPECT_THROW(mqa::readDocument(text, builder, options), MQACancelled);
    }
    std::string shiftJIS = documentWithBody("Object \"\x83\x65\" {\r\n}\r\n" + comments);
    EXPECT_THROW(mqa::compat::prepareText(shiftJIS, &cancelled), MQACancelled);
}

namespace {

// The file line of every attribute, depth first.
void appendLines(const MQABlock& block, std::string& out) {
    for (const MQAAttribute& attribute : block.attributes()) {
        out += std::to_string(attribute.sourceLine()) + " ";
        if (attribute.block()) appendLines(*attribute.block(), out);
    }
}

// A tree builder that counts the blocks read in halves.
struct CountingBuilder : mqa::TreeBuilder {
    size_t* halves;
    explicit CountingBuilder(size_t* count) : halves(count) {}
    void takeSecondHalf(MQALineVisitor& later) override {
        ++*halves;
        TreeBuilder::takeSecondHalf(later);
    }
};

// The written tree with each line's file line and the warnings, or the error's text
// and place.
std::string outcomeOf(const std::string& text, const MQAReadOptions& options, size_t* halves = nullptr) {
    size_t unused = 0;
    try {
        CountingBuilder builder(halves ? halves : &unused);
        MQAReadResult read = mqa::readDocument(text, builder, options);
        MQAFile file;
        file.setBody(MQABlock::blockWithAttributes(builder.take()));
        std::string out = file.stringValue() + "lines: ";
        appendLines(file.body(), out);
        for (const MQAWarning& warning : read.warnings)
            out += "\nwarning " + std::to_string(warning.line) + ": " + warning.message;
        return out;
    } catch (const std::exception& e) {
        return describeError("error", e);
    }
}

}  // namespace

// Reading a long block's second half in another thread gives what reading it in one go
// gives, wherever the block's middle falls: inside nested blocks, at an error, among
// comment and blank lines, past the end.
TEST(ReadingInHalves, GivesWhatReadingInOneGoGives) {
    const std::string bodies[] = {
        kSample.substr(45, kSample.size() - 45 - 5),
        crlfLines({"a {", "\tb {", "\t\tc 1", "\t\tdeep {", "\t\t}", "\t}", "\td 2", "}", "e 3"}),
        crlfLines({"a {", "b 1", "c +", "}", "z"}),
        crlfLines({"a {", "\tb 1", "}", "}", "more", "", "lines"}),
        crlfLines({"a {", "b", "c {", "d"}),
        crlfLines({"x (1 2", "y"}),
        crlfLines({"# note", "a {", "", "\tb 1", "#", "\t  ", "\tc (1 \"é\" 2)", "\td 1", "\te 2", "}"}),
        crlfLines({"a {", "\tb 1", "\tc {", "\t\td 2", "\t}", "\te 3", "  ", "\tf 4", "\tg 5", "}"}),
    };
    MQAReadOptions alone, halves;
    alone.halvesFrom = SIZE_MAX;
    halves.halvesFrom = 0;  // every block in halves
    for (const std::string& body : bodies) {
        size_t split = 0;
        for (size_t cut = 1; cut <= body.size(); ++cut) {
            std::string text = documentWithBody(body.substr(0, cut));
            ASSERT_EQ(outcomeOf(text, halves, &split), outcomeOf(text, alone)) << "cut at " << cut << " of:\n" << body;
        }
        // The sample's blocks, indented as modellers write them, do split.
        if (&body == &bodies[0]) {
            EXPECT_GT(split, 0u);
        }
    }
}

// An error early in a large body is reported as such; the lines read ahead are dropped.
TEST(MQAReadAheadEquivalence, EarlyErrorInALargeBody) {
    std::string body = "a 1\r\nx +\r\n";
    while (body.size() < (size_t{6} << 20)) body += "\tb 1.5 2 \"three\"\r\n";
    try {
        MQAFile::initWithString(documentWithBody(body));
        FAIL() << "the error was not reported";
    } catch (const MQAException& e) {
        EXPECT_STREQ(e.what(), "Syntax Error. (MQAAttribute:146)");
    }
}
