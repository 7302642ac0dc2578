// Where reading errors and warnings are: lines and columns of the file as the user has
// it, before comment and blank lines are taken out.

#include <gtest/gtest.h>

#include "DocumentText.h"
#include "MQAFile.h"
#include "MQAUTF8.h"
#include "Metasequoia.h"

namespace {

struct Failure {
    std::string reason;
    std::optional<MQAPlace> place;
};

template <typename Read>
Failure failureOf(Read&& read) {
    try {
        read();
    } catch (const std::exception& error) {
        return {error.what(), placeOfError(error)};
    }
    ADD_FAILURE() << "no error";
    return {};
}

Failure sceneFailure(const std::string& text) {
    return failureOf([&] { Metasequoia::initWithData(text); });
}

const char* const kHeader = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";

void expectPlace(const Failure& failure, uint64_t line, uint64_t column) {
    ASSERT_TRUE(failure.place) << failure.reason;
    EXPECT_EQ(failure.place->line, line) << failure.reason;
    EXPECT_EQ(failure.place->column, column) << failure.reason;
}

}  // namespace

TEST(ErrorPlaces, HeaderErrorsPointIntoTheHeader) {
    Failure notMQA = sceneFailure("Metasequoia Documnt\r\nFormat Text Ver 1.0\r\n\r\nx 1\r\nEof\r\n");
    EXPECT_EQ(notMQA.reason, "This is not MQA file. (MQAFile:74)");
    expectPlace(notMQA, 1, 1);

    Failure noEof = sceneFailure(std::string(kHeader) + "x 1\r\ny 2\r\n");
    EXPECT_EQ(noEof.reason, "This is not MQA file. (MQAFile:74)");
    expectPlace(noEof, 5, 4);  // where "Eof" should end the last line

    Failure type = sceneFailure("Metasequoia Document\r\nFormat Compact Ver 1.0\r\n\r\nx\r\nEof\r\n");
    EXPECT_EQ(type.reason, "'Compact' type is unsupported. (MQAFile:79)");
    expectPlace(type, 2, 8);
    EXPECT_EQ(type.place->excerpt, "Format Compact Ver 1.0");

    Failure version = sceneFailure("Metasequoia Document\r\nFormat Text Ver 2.0\r\n\r\nx\r\nEof\r\n");
    expectPlace(version, 2, 17);
}

TEST(ErrorPlaces, BodyErrorsCountRemovedCommentAndBlankLines) {
    std::string text = std::string(kHeader) +
                       "# a comment\r\n"
                       "\r\n"
                       "Scene {\r\n"
                       "\t \r\n"
                       "#another\r\n"
                       "\tpos 1.0 2.0 x\r\n"
                       "}\r\n"
                       "Eof\r\n";
    Failure failure = sceneFailure(text);
    EXPECT_EQ(failure.reason, "Syntax Error. (MQAAttribute:146)");
    expectPlace(failure, 9, 14);
    EXPECT_EQ(failure.place->excerpt, "\tpos 1.0 2.0 x");
}

TEST(ErrorPlaces, ColumnsCountCharactersNotBytes) {
    std::string text = std::string(kHeader) + "x \"caf\xC3\xA9\xE2\x82\xAC\" (1 +)\r\nEof\r\n";
    Failure failure = sceneFailure(text);
    EXPECT_EQ(failure.reason, "Syntax Error. (MQAParam:249)");
    expectPlace(failure, 4, 11);  // the list that does not close starts at character 11
}

TEST(ErrorPlaces, InvalidUTF8HasItsByteOffsetToo) {
    std::string text = std::string(kHeader) + "x \"\xC3\xA9\" \xFF\r\nEof\r\n";
    Failure failure = sceneFailure(text);
    EXPECT_EQ(failure.reason, mqa::invalidUTF8Message(52));
    expectPlace(failure, 4, 7);  // after x, a blank, a quote, é, a quote and a blank
    EXPECT_EQ(failure.place->byteOffset, std::optional<uint64_t>(52));
}

TEST(ErrorPlaces, ALongTextCheckedInHalvesReportsTheFirstInvalidByte) {
    // Long enough to be checked in two halves; multi-byte characters across the middle,
    // and invalid sequences before, at and after it.
    std::string text(9 << 20, 'a');
    const size_t middle = text.size() / 2;
    auto offsetOf = [](const std::string& bytes) -> std::optional<uint64_t> {
        try {
            mqa::requireUTF8(bytes);
        } catch (const MQAInvalidText& error) {
            return error.place()->byteOffset;
        }
        return std::nullopt;
    };
    for (size_t at = middle - 3; at <= middle + 1; ++at) {
        std::string valid = text;
        valid.replace(at, 4, "\xF0\x9F\x98\x80");
        EXPECT_EQ(offsetOf(valid), std::nullopt) << at;
        std::string cut = text;
        cut.replace(at, 2, "\xE2\x82");  // a three-byte character without its last byte
        EXPECT_EQ(offsetOf(cut), std::optional<uint64_t>(at)) << at;
        std::string both = cut;
        both[text.size() - 10] = '\xFF';
        EXPECT_EQ(offsetOf(both), std::optional<uint64_t>(at)) << at;
    }
    for (size_t at : {size_t{0}, middle / 2, middle, middle + 1, text.size() - 1}) {
        std::string stray = text;
        stray[at] = '\x80';
        EXPECT_EQ(offsetOf(stray), std::optional<uint64_t>(at)) << at;
    }
}

TEST(ErrorPlaces, TextIsReadNoFurtherThanItsEnd) {
    // A text that ends right after a run of plain characters is read no further: here
    // the byte after it would be an error. (A mapped file whose size is a multiple of
    // the page size has no byte after it at all.)
    std::string padded = std::string(64, 'a') + "\xFF";
    EXPECT_EQ(mqa::findInvalidUTF8(std::string_view(padded).substr(0, 64)), std::nullopt);
    EXPECT_EQ(mqa::findInvalidUTF8(std::string_view(padded).substr(0, 40)), std::nullopt);
}

TEST(ErrorPlaces, TypeMismatchPointsAtTheParameter) {
    Failure failure = sceneFailure(std::string(kHeader) + "Material 1 {\r\n\t\"m\" col(1.0 1 1.0 1.0)\r\n}\r\nEof\r\n");
    EXPECT_EQ(failure.reason, "Type Mismatch. (MQAParam:301)");
    expectPlace(failure, 5, 6);
}

TEST(ErrorPlaces, SceneErrorsNameTheWholeLine) {
    std::string object = std::string(kHeader) +
                         "Material 1 {\r\n"
                         "\t\"m\" col(1.0 1.0 1.0 1.0)\r\n"
                         "}\r\n"
                         "# the object\r\n"
                         "Object \"o\" {\r\n"
                         "\tvertex 3 {\r\n"
                         "\t\t0.0 0.0 0.0\r\n"
                         "\r\n"
                         "\t\t1.0 0.0 0.0\r\n"
                         "\t\t0.0 1.0 0.0\r\n"
                         "\t}\r\n"
                         "\tface 2 {\r\n"
                         "\t\t3 V(0 1 2) M(0)\r\n"
                         "\t\t3 V(0 2 9) M(0)\r\n"
                         "\t}\r\n"
                         "}\r\n"
                         "Eof\r\n";
    Failure failure = sceneFailure(object);
    EXPECT_EQ(failure.reason, "Object \"o\", face line 2: vertex index 9 is out of range (3 vertices)");
    expectPlace(failure, 17, 0);
    EXPECT_EQ(failure.place->excerpt, "V(0 2 9) M(0)");  // what the scene read of the line

    std::string badVertex = object;
    badVertex.replace(badVertex.find("\t\t1.0 0.0 0.0"), 13, "\t\t1.0 0.0");
    Failure vertex = sceneFailure(badVertex);
    EXPECT_EQ(vertex.reason, "Object \"o\", vertex line 2: parameter 2 is missing (the line has 2 parameters)");
    expectPlace(vertex, 12, 0);
}

TEST(ErrorPlaces, LargeListsReadInHalvesPlaceTheirErrors) {
    // Faces read on two threads: an error in either half names its own line.
    std::string body = "Material 1 {\r\n\t\"m\" col(1.0 1.0 1.0 1.0)\r\n}\r\n"
                       "Object \"big\" {\r\n\tvertex 3 {\r\n\t\t0.0 0.0 0.0\r\n\t\t1.0 0.0 0.0\r\n\t\t0.0 1.0 0.0\r\n\t}\r\n"
                       "\tface 100000 {\r\n";
    for (int i = 0; i < 100000; ++i) body += i == 80000 ? "\t\t3 V(0 1 5)\r\n" : "\t\t3 V(0 1 2)\r\n";
    body += "\t}\r\n}\r\n";
    Failure failure = sceneFailure(documentWithBody(body));
    EXPECT_EQ(failure.reason, "Object \"big\", face line 80001: vertex index 5 is out of range (3 vertices)");
    expectPlace(failure, 3 + 3 + 7 + 80001, 0);
}

TEST(ReadingWarnings, TextAfterTheBodysEndIsReported) {
    std::string strayBrace = std::string(kHeader) + "a 1\r\n}\r\nb 2\r\n\r\nc 3\r\nEof\r\n";
    MQAFile file = MQAFile::initWithString(strayBrace);
    ASSERT_EQ(file.warnings().size(), 1u);
    EXPECT_EQ(file.warnings()[0],
              (MQAWarning{5, "the body ends at a \"}\" that closes no block; the 4 lines from here to "
                             "\"Eof\" are ignored"}));

    MQAFile indented = MQAFile::initWithString(std::string(kHeader) + "a 1\r\n  # note\r\nEof\r\n");
    ASSERT_EQ(indented.warnings().size(), 1u);
    EXPECT_EQ(indented.warnings()[0],
              (MQAWarning{5, "the body ends at an indented \"#\" line; the line from here to \"Eof\" is "
                             "ignored"}));

    EXPECT_TRUE(MQAFile::initWithString(std::string(kHeader) + "a 1\r\n# note\r\n\r\nEof\r\n").warnings().empty());
}

TEST(ReadingWarnings, ObjectsTheSceneDoesNotShowAsTheModellerDoes) {
    std::string text = std::string(kHeader) +
                       "Object \"hidden\" {\r\n"
                       "\tvisible 0\r\n"
                       "}\r\n"
                       "Object \"half\" {\r\n"
                       "\tmirror 1\r\n"
                       "\tmirror_axis 4\r\n"
                       "\tBVertex 1 {\r\n"
                       "\t\tVector 1 12\r\n"
                       "\t}\r\n"
                       "}\r\n"
                       "Object \"plain\" {\r\n"
                       "\tvisible 15\r\n"
                       "\tmirror 0\r\n"
                       "}\r\n"
                       "Eof\r\n";
    Metasequoia scene = Metasequoia::initWithData(text);
    EXPECT_EQ(scene.warnings(),
              (std::vector<MQAWarning>{{10, "Object \"half\" keeps vertices in a \"BVertex\" block, which is not read"}}));
    std::vector<ObjectDisplay> displays = scene.objectDisplays();
    ASSERT_EQ(displays.size(), 3u);
    EXPECT_FALSE(displays[0].visible);
    EXPECT_EQ(displays[1].mirrorAxes, 4);
    EXPECT_TRUE(displays[2].visible && displays[2].mirrorAxes == 0);
    // The notes say what a picture shows otherwise than the modeller, and only that.
    const MQAWarning hiddenNote{5, "Object \"hidden\" is hidden in the modeller (\"visible 0\"); it is drawn"};
    const MQAWarning mirrorNote{8, "Object \"half\" is mirrored in the modeller (\"mirror 1\"); only the half it "
                                   "stores is drawn"};
    EXPECT_EQ(displayNotes(scene, {}), (std::vector<MQAWarning>{hiddenNote, mirrorNote}));
    EXPECT_EQ(displayNotes(scene, {.drawMirroredHalves = true}), std::vector<MQAWarning>{hiddenNote});
    EXPECT_EQ(displayNotes(scene, {.hideInvisible = true}), std::vector<MQAWarning>{mirrorNote});
    EXPECT_TRUE(displayNotes(scene, DisplayChoice::asModelled()).empty());
}
