// The scene read straight from the lines: the order chunks and lists come in does not
// matter, the error reported is the one the passes over a whole tree would raise first,
// long lists read in halves give what reading them in one go gives, and reading never
// passes the text's last byte.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "DocumentGenerator.h"
#include "DocumentText.h"
#include "MQAReader.h"
#include "MQAUTF8.h"
#include "Metasequoia.h"
#include "SceneBuilder.h"
#include "SceneDump.h"

namespace {

// The scene's dump, or the error with its place.
std::string outcome(const std::string& text) {
    try {
        return dumpScene(Metasequoia::initWithString(text));
    } catch (const std::exception& error) {
        std::optional<MQAPlace> place = placeOfError(error);
        return std::string("error: ") + error.what() + " at " +
               (place ? std::to_string(place->line) + ":" + std::to_string(place->column) + " " + place->excerpt
                      : std::string("nowhere"));
    }
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

TEST(SceneReading, ChunksAndListsInAnyOrderGiveTheSameScene) {
    const std::string plain = outcome(documentWithBody(kMaterials + object("o", kTriangle)));
    ASSERT_EQ(plain.find("error"), std::string::npos) << plain;
    // Faces before vertices; the materials after the objects; names in any case; lines
    // with blocks of their own, comments and blank lines among the lines.
    std::vector<std::string> reordered(kTriangle.begin() + 5, kTriangle.end());
    reordered.insert(reordered.end(), kTriangle.begin(), kTriangle.begin() + 5);
    EXPECT_EQ(outcome(documentWithBody(object("o", reordered) + kMaterials)), plain);
    std::string commented = object("o", {"VERTEX 3 {", "\t0.0 0.0 0.0 B(0) {", "\t\tignored 1", "\t}", "",
                                         "\t1.0 0.0 0.0", "\t0.0 1.0 0.0", "}",
                                         "FACE 2 {", "\t3 v(0 1 2) m(1) uv(0.0 0.0 1.0 0.0 0.0 1.0)", "\t2 v(0 1)", "}"});
    commented.insert(commented.find("\t\t1.0 0.0 0.0"), "# a comment\r\n\r\n");
    EXPECT_EQ(outcome(documentWithBody("MATERIAL 2 {\r\n\t\"a\" col(1.000 1.000 1.000 1.000)\r\n\t\"b\" col(0.500 "
                                       "0.500 0.500 1.000)\r\n}\r\n" + commented)),
              plain);
    // Only the first list of each name is read, and a first one without a block empties it.
    EXPECT_EQ(outcome(documentWithBody(kMaterials + object("o", [] {
                                           std::vector<std::string> lines = kTriangle;
                                           lines.insert(lines.end(), {"vertex 1 {", "\t5.0 5.0 5.0", "}", "face 1 {",
                                                                      "\t2 V(0 9)", "}"});
                                           return lines;
                                       }()))),
              plain);
    EXPECT_EQ(outcome(documentWithBody(object("o", {"vertex 1", "vertex 1 {", "\t5.0 5.0 5.0", "}"}))),
              outcome(documentWithBody(object("o", {}))));
}

TEST(SceneReading, TheErrorReportedIsTheFirstThePassesMeet) {
    auto errorOf = [](const std::string& body) {
        std::string text = outcome(documentWithBody(body));
        return text.substr(0, text.find(" at "));
    };
    std::vector<std::string> badVertex = kTriangle, badFace = kTriangle;
    badVertex[2] = "\t1.0 2.0";
    badFace[6] = "\t3 V(0 1 7) M(0)";
    std::vector<std::string> both = badVertex;
    both[6] = badFace[6];
    // Vertices before faces, whichever list the document writes first.
    std::vector<std::string> facesFirst(both.begin() + 5, both.end());
    facesFirst.insert(facesFirst.end(), both.begin(), both.begin() + 5);
    const std::string vertexError =
        "error: Object \"o\", vertex line 2: parameter 2 is missing (the line has 2 parameters)";
    EXPECT_EQ(errorOf(kMaterials + object("o", facesFirst)), vertexError);
    // An earlier object's faces before a later object's name; materials before objects,
    // wherever they stand; objects before bone animations.
    EXPECT_EQ(errorOf(kMaterials + object("o", badFace) + "Object {\r\n}\r\n"),
              "error: Object \"o\", face line 1: vertex index 7 is out of range (3 vertices)");
    EXPECT_EQ(errorOf("BoneAnimation {\r\n}\r\n" + object("o", both) + "Material 1 {\r\n\t\"m\" col(1 1)\r\n}\r\n"),
              "error: Material line 1: \"col\" has no value 2 (it has 2 values)");
    EXPECT_EQ(errorOf("BoneAnimation {\r\n}\r\n" + kMaterials + object("o", both)), vertexError);
    // How a document is written comes before what it says: a syntax error anywhere wins.
    EXPECT_EQ(errorOf(kMaterials + object("o", both) + "Trailing (1 2\r\n"), "error: Syntax Error. (MQAParam:249)");
}

TEST(SceneReading, LongListsReadInHalvesGiveWhatReadingInOneGoGives) {
    std::string text = bench::generateDocument(30000, true);
    ASSERT_EQ(partsOutcome(text, 0), partsOutcome(text, SIZE_MAX));
    size_t faces = text.find("\tface "), vertices = text.find("\tvertex ");
    auto at = [&](size_t from, size_t to, double part) { return text.find("\t\t", from + static_cast<size_t>((to - from) * part)); };
    // An error in either half of the face list, or in both; in the vertex list; after
    // comment and blank lines, which the second half's numbering still counts.
    std::vector<std::string> broken;
    for (double part : {0.2, 0.7}) {
        broken.push_back(std::string(text).replace(at(faces, text.size(), part), 2, "\t\t3 V(0 1 99999999) M(0)\r\n\t\t"));
        broken.push_back(std::string(text).replace(at(faces, text.size(), part), 2, "\t\t(\r\n\t\t"));
        broken.push_back(std::string(text).replace(at(vertices, faces, part), 2, "\t\t1.0\r\n\t\t"));
    }
    std::string noted = text;
    noted.replace(at(faces, text.size(), 0.25), 2, "# a note\r\n\r\n  \r\n\t\t");
    noted.replace(noted.find("\t\t", faces + (noted.size() - faces) * 4 / 5), 2, "\t\t3 V(0 1 99999999) M(0)\r\n\t\t");
    broken.push_back(noted);
    for (const std::string& document : broken) {
        std::string halves = partsOutcome(document, 0);
        EXPECT_EQ(halves.substr(0, 6), "error:");
        EXPECT_EQ(halves, partsOutcome(document, SIZE_MAX));
    }
}

// A mapped file whose size is a multiple of the page size has no byte after its last:
// reading it must stop at its end wherever and however the text ends there. Each text
// here ends where readable memory ends.
TEST(SceneReading, ReadingStopsAtTheTextsLastByte) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    auto readAtTheEdge = [&](const std::string& text) {
        size_t pages = text.size() / page + 1;
        char* base = static_cast<char*>(
            mmap(nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(base, MAP_FAILED);
        ASSERT_EQ(mprotect(base + pages * page, page, PROT_NONE), 0);
        char* at = base + pages * page - text.size();
        std::memcpy(at, text.data(), text.size());
        for (bool lenient : {false, true}) {
            try {
                mqa::requireUTF8({at, text.size()});
                scene::SceneBuilder builder(lenient);
                MQAReadOptions options;
                options.lenient = lenient;
                options.halvesFrom = 64;  // the lists are read in halves too
                mqa::readDocument({at, text.size()}, builder, options);
            } catch (const std::exception&) {
            }
        }
        munmap(base, (pages + 1) * page);
    };
    std::string document = documentWithBody(kMaterials + object("o", kTriangle));
    for (size_t cut = 0; cut <= document.size(); ++cut) readAtTheEdge(document.substr(0, cut));
    std::string generated = bench::generateDocument(200, true);
    readAtTheEdge(generated);
    for (std::string_view ending : {"\t\t1.0 2.0 3", "\t\t3 V(0 1 2) M(0) UV(0.1 0.2", "\t\t3 V(0 1 2)", "\t\t\"a",
                                    "\t\t1.5e", "\t\tThumbnail 1 [40]\r\n"}) {
        std::string cut = generated.substr(0, generated.find("\tface"));
        readAtTheEdge(cut + std::string(ending));
    }
}
