// Reading objects' vertex and face lists straight into the models gives what reading
// the whole tree first gives: the same scene, and the same error, at the same place,
// when a document has several.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "DocumentGenerator.h"
#include "DocumentText.h"
#include "MQAFile.h"
#include "MQAFileReading.h"
#include "MQAUTF8.h"
#include "Metasequoia.h"
#include "ObjectLines.h"
#include "SceneDump.h"

namespace {

std::string outcome(bool direct, const std::string& text) {
    try {
        Metasequoia scene = direct ? Metasequoia::initWithString(std::string(text))
                                   : Metasequoia::initWithStringReadingWholeTree(std::string(text));
        return dumpScene(scene);
    } catch (const std::exception& error) {
        std::optional<MQAPlace> place = placeOfError(error);
        std::string where = place ? std::to_string(place->line) + ":" + std::to_string(place->column) + " " +
                                        place->excerpt
                                  : std::string("nowhere");
        return std::string("error: ") + error.what() + " at " + where;
    }
}

void expectSameOutcome(const std::string& text, const std::string& what) {
    ASSERT_EQ(outcome(true, text), outcome(false, text)) << what;
}

const std::string kMaterials =
    "Material 2 {\r\n\t\"a\" col(1.000 1.000 1.000 1.000)\r\n\t\"b\" col(0.500 0.500 0.500 1.000)\r\n}\r\n";

std::string object(const std::string& name, const std::vector<std::string>& inside) {
    std::string text = "Object \"" + name + "\" {\r\n";
    for (const std::string& line : inside) text += "\t" + line + "\r\n";
    return text + "}\r\n";
}

const std::vector<std::string> kTriangle = {
    "vertex 3 {", "\t0.0 0.0 0.0 b(0)", "\t1.0 0.0 0.0", "\t0.0 1.0 0.0", "}",
    "face 2 {", "\t3 V(0 1 2) M(1) UV(0.0 0.0 1.0 0.0 0.0 1.0)", "\t2 V(0 1)", "}"};

}  // namespace

TEST(DirectReading, SamplesAndCorpusGiveTheTreesScene) {
    for (const char* folder : {ZELTO_SAMPLES_DIR, ZELTO_FUZZ_CORPUS_DIR})
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() != ".mqo") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            expectSameOutcome(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
                              entry.path().string());
        }
}

TEST(DirectReading, ListsInAnyOrderAndShapeGiveTheTreesScene) {
    const std::vector<std::vector<std::string>> objects = {
        kTriangle,
        // Faces before vertices, materials after the objects (below), names in any case.
        {"FACE 1 {", "\t3 v(2 1 0)", "}", "Vertex 3 {", "\t0.0 0.0 0.0", "\t1.0 0.0 0.0", "\t0.0 1.0 0.0", "}"},
        // A second list of a name is not read; a first one without a block empties the object.
        {"vertex 1", "vertex 1 {", "\t5.0 5.0 5.0", "}", "face 0 {", "}", "face 1 {", "\t3 V(0 0 0)", "}"},
        // Lines with nested blocks, comments and blank lines between the lines.
        {"vertex 2 {", "\t1.0 2.0 3.0 {", "\t\tignored 1", "\t}", "", "# a comment", "\t4.0 5.0 6.0", "}"},
        // A vertex count that says more than there is.
        {"vertex 900000000 {", "\t0.0 0.0 0.0", "}"},
    };
    for (size_t k = 0; k < objects.size(); ++k) {
        std::string body = kMaterials + object("first", objects[k]) + object("second", kTriangle);
        expectSameOutcome(documentWithBody(body), "object " + std::to_string(k));
        expectSameOutcome(documentWithBody(object("first", objects[k]) + kMaterials), "materials last " + std::to_string(k));
    }
}

// Lines of the common shape are read without building parameters; these are the shapes
// at its edges, each of which must still read as the whole tree reads it.
TEST(DirectReading, LinesAtTheEdgesOfTheCommonShapeGiveTheTreesScene) {
    const std::vector<std::string> vertexLines = {
        "1.5 -2.25 3.0",          "1 2 3",                 "1.0-2.0 3.0",        "1.0 2.0 3.0 4.0 5.0",
        "1.0 2.0 3.0 b(1)",       "1.0 2.0 3.0 B(1)",      "1.0 2.0 3.0 b(1.5)", "1.0 2.0 3.0 b (1) b(0)",
        "1.0 b(1) 3.0",           "(1.0) 2.0 3.0",         "x 1.0 2.0 3.0",      "1.0 2.0 3.0 b()",
        "1.0 2.0 3.0 c(1 2.0)",   "1.0 2.0 3.0 \"t\"",     "0.00000001 123456789.123 -0.0",
        "99999999999 -99999999999 1.00000000000000000001",   "1.0 2.0 3.0 b(0) {",
        "1.0 2.0 3.0 " + std::string(40, '1'),               "1.0 2.0 3.0   ",
    };
    const std::vector<std::string> faceLines = {
        "3 V(0 1 2)",                    "3V(0 1 2)M(1)",                  "3 v (0 1 2) m ( 1 )",
        "3 V(0 1 2) M(1) UV(0 0 1 0 0 1)", "3 V(0 1 2) UV(0.5 0.25 1.0 0.0 0.0 1.0) M(0)",
        "4 V(0 1 2 0 1)",                "3 V(0.0 1 2)",                   "3 V(0 1 2) M(1.0)",
        "3 V(0 1 2) V(2 1 0) M(1) m(0)", "3 V(0 1 2) UV(0 0 1 0 0 1 1 1 0 0)", "3 V(0 1 2) COL(1 2 3) M(1)",
        "3 V(0 1 2) M()",                "3 V(0 1 2) UV()",                "3 V(0 1 2) M(\"a\")",
        "a 3 V(0 1 2)",                  "3 V(0 1 2) 4 5 6 7 8 9 10 11 12", "3.5 V(0 1 2)",
        "V(0 1 2)",                      "3 V(0 1 -1) M(0)",               "3 V(0 1 2) M(0) UV(1e5 0 0 0 0 0)",
    };
    for (const std::string& vertexLine : vertexLines)
        for (const std::string& faceLine : faceLines) {
            std::vector<std::string> inside = {"vertex 3 {", "\t0.0 0.0 0.0", "\t" + vertexLine,
                                               "\t0.0 1.0 0.0", "}",  "face 2 {", "\t3 V(0 1 2)", "\t" + faceLine, "}"};
            expectSameOutcome(documentWithBody(kMaterials + object("o", inside)), vertexLine + " / " + faceLine);
        }
}

TEST(DirectReading, TheSameErrorWinsWhenThereAreSeveral) {
    const std::vector<std::string> broken = {
        "\t1.0 2.0",              // a vertex line without z
        "\t1.0 2.0 3.0 b()",      // a bone without a value
        "\t1.0 2.0 x",            // a syntax error
        "\t\"one\" 2.0 3.0",      // text where a number goes
    };
    const std::vector<std::string> brokenFaces = {
        "\t3 V(0 1 7) M(0)",   // a vertex index out of range
        "\t3 V(0 1 2) M(5)",   // a material out of range
        "\t3 V(0 1 2) M()",    // a material without a value
        "\t1 V(-1 0)",         // no first corner
        "\t3 V(0 1 2) M(0",    // a syntax error
    };
    for (const std::string& vertexLine : broken)
        for (const std::string& faceLine : brokenFaces) {
            std::vector<std::string> inside = {"vertex 3 {", "\t0.0 0.0 0.0", vertexLine, "\t0.0 1.0 0.0", "}",
                                               "face 2 {", "\t3 V(0 1 2)", faceLine, "}"};
            std::string body = kMaterials + object("o", inside) + object("p", kTriangle);
            expectSameOutcome(documentWithBody(body), vertexLine + " / " + faceLine);
            // Faces first: the error of the vertex list still comes first, as the object
            // pass reads vertices before faces.
            std::vector<std::string> swapped(inside.begin() + 5, inside.end());
            swapped.insert(swapped.end(), inside.begin(), inside.begin() + 5);
            expectSameOutcome(documentWithBody(kMaterials + object("o", swapped)), "swapped " + vertexLine);
            // A syntax error anywhere later wins over any of these.
            expectSameOutcome(documentWithBody(body + "Trailing (1 2\r\n"), "later syntax error");
        }
}

TEST(DirectReading, LongListsReadInHalvesGiveTheTreesSceneAndErrors) {
    std::string text = bench::generateDocument(60000, true);
    expectSameOutcome(text, "generated");
    // An error in either half of the long face list, and in both.
    size_t faces = text.find("\tface ");
    ASSERT_NE(faces, std::string::npos);
    for (double at : {0.2, 0.7}) {
        std::string broken = text;
        size_t line = broken.find("\t\t", faces + static_cast<size_t>((broken.size() - faces) * at));
        broken.replace(line, 2, "\t\t3 V(0 1 99999999) M(0)\r\n\t\t");
        expectSameOutcome(broken, "face error at " + std::to_string(at));
        std::string syntax = text;
        syntax.replace(syntax.find("\t\t", faces + static_cast<size_t>((syntax.size() - faces) * at)), 2, "\t\t(\r\n\t\t");
        expectSameOutcome(syntax, "syntax error at " + std::to_string(at));
    }
    // Comment and blank lines before and inside the first half: the second half's lines
    // are still numbered as the file numbers them.
    std::string noted = text;
    size_t line = noted.find("\t\t", faces + (noted.size() - faces) / 4);
    noted.replace(line, 2, "# a note\r\n\r\n  \r\n\t\t");
    noted.insert(noted.find("\r\n") + 2, "# first\r\n");
    line = noted.find("\t\t", faces + (noted.size() - faces) * 4 / 5);
    noted.replace(line, 2, "\t\t3 V(0 1 99999999) M(0)\r\n\t\t");
    expectSameOutcome(noted, "error after comments and blank lines");
    size_t vertices = text.find("\tvertex ");
    std::string badVertex = text;
    badVertex.replace(badVertex.find("\t\t", vertices + (faces - vertices) * 3 / 4), 2, "\t\t1.0\r\n\t\t");
    expectSameOutcome(badVertex, "vertex error in the second half");
}

TEST(DirectReading, DamagedDocumentsFailAlike) {
    std::string text = documentWithBody(kMaterials + object("o", kTriangle) + object("p", kTriangle));
    for (size_t cut = 0; cut <= text.size(); ++cut) expectSameOutcome(text.substr(0, cut), "cut at " + std::to_string(cut));
    std::mt19937 random(5);
    for (int i = 0; i < 2000; ++i) {
        std::string damaged = text;
        size_t at = random() % damaged.size();
        static constexpr char kReplacements[] = "0123 {}()\"-.\r\nVvMmBb#x";
        damaged[at] = kReplacements[random() % (sizeof kReplacements - 1)];
        expectSameOutcome(damaged, "damaged at " + std::to_string(at));
    }
}

// A mapped file whose size is a multiple of the page size has no byte after its last:
// reading it, strictly, straight into the lists, must stop at its end wherever and
// however the text ends there. Each text here ends where readable memory ends.
TEST(DirectReading, ReadingStopsAtTheTextsLastByte) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    auto readAtTheEdge = [&](const std::string& text) {
        size_t pages = text.size() / page + 1;
        char* base = static_cast<char*>(
            mmap(nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(base, MAP_FAILED);
        ASSERT_EQ(mprotect(base + pages * page, page, PROT_NONE), 0);
        char* at = base + pages * page - text.size();
        std::memcpy(at, text.data(), text.size());
        try {
            mqa::requireUTF8({at, text.size()});
            scene::ObjectListSinks sinks;
            MQAReadOptions options;
            options.chooser = &sinks;
            options.readAheadBytes = 64;  // the lists are read in halves too
            mqa::readDocument(at, text.size(), options);
        } catch (const std::exception&) {
        }
        munmap(base, (pages + 1) * page);
    };
    std::string document = documentWithBody(kMaterials + object("o", kTriangle));
    for (size_t cut = 0; cut <= document.size(); ++cut) readAtTheEdge(document.substr(0, cut));
    std::string generated = bench::generateDocument(200, true);
    readAtTheEdge(generated);
    for (std::string_view ending : {"\t\t1.0 2.0 3", "\t\t3 V(0 1 2) M(0) UV(0.1 0.2", "\t\t3 V(0 1 2)", "\t\t\"a"}) {
        std::string cut = generated.substr(0, generated.find("\tface"));
        readAtTheEdge(cut + std::string(ending));
    }
}
