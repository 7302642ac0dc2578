// Compatibility reading: documents as modellers and exporters write them, each liberty
// reported as a warning; strict reading unchanged, and the same for every document it
// accepts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DocumentText.h"
#include "MQAFile.h"
#include "Metasequoia.h"
#include "SceneDump.h"
#include "TextureLocation.h"
#include "MQAException.h"
#include <algorithm>
#include <bit>
#include <limits>

namespace {

const std::string kHeader = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";

std::string triangleObject(const std::string& name = "o") {
    return "Object \"" + name + "\" {\r\n"
           "\tvertex 3 {\r\n\t\t0.0 0.0 0.0\r\n\t\t1.0 0.0 0.0\r\n\t\t0.0 1.0 0.0\r\n\t}\r\n"
           "\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n}\r\n";
}

const std::string kMaterial = "Material 1 {\r\n\t\"m\" col(1.000 0.500 0.250 1.000)\r\n}\r\n";

std::string strictError(const std::string& bytes) {
    try {
        Metasequoia::initWithData(std::string(bytes));
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

Metasequoia compatible(const std::string& bytes) {
    return Metasequoia::initWithData(std::string(bytes), MQAReading::Compatible);
}

std::vector<std::string> warningTexts(const Metasequoia& scene) {
    std::vector<std::string> texts;
    for (const MQAWarning& w : scene.warnings()) texts.push_back(std::to_string(w.line) + ": " + w.message);
    return texts;
}

}  // namespace

TEST(CompatibilityReading, HeaderVersionOnePointOneAndAMissingBlankLine) {
    std::string v11 = "Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\n" + kMaterial + triangleObject() + "Eof\r\n";
    EXPECT_EQ(strictError(v11), "Ver 1.1 is unsupported. (MQAFile:85)");
    Metasequoia scene = compatible(v11);
    EXPECT_EQ(scene.models().size(), 1u);
    EXPECT_EQ(warningTexts(scene), std::vector<std::string>{"2: format version 1.1 is read as version 1.0"});
    std::string v12 = "Metasequoia Document\r\nFormat Text Ver 1.2\r\n\r\n" + kMaterial + triangleObject() + "Eof\r\n";
    EXPECT_EQ(compatible(v12).models().size(), 1u);
    EXPECT_EQ(strictError("Metasequoia Document\r\nFormat Text Ver 1.3\r\n\r\nx 1\r\nEof\r\n"),
              "Ver 1.3 is unsupported. (MQAFile:85)");

    std::string noBlank = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n" + kMaterial + triangleObject() + "Eof\r\n";
    EXPECT_EQ(strictError(noBlank), "This is not MQA file. (MQAFile:74)");
    EXPECT_EQ(warningTexts(compatible(noBlank)),
              std::vector<std::string>{"3: the blank line after the header is missing"});
}

TEST(CompatibilityReading, LineFeedEndsAndAByteOrderMark) {
    std::string crlf = kHeader + kMaterial + triangleObject() + "Eof\r\n";
    std::string lf = crlf;
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    EXPECT_NE(strictError(lf), "no error");
    Metasequoia scene = compatible("\xEF\xBB\xBF" + lf);
    EXPECT_EQ(dumpScene(scene).substr(0, dumpScene(Metasequoia::initWithData(crlf)).size()),
              dumpScene(Metasequoia::initWithData(crlf)));
    EXPECT_EQ(warningTexts(scene),
              (std::vector<std::string>{"1: a UTF-8 byte-order mark at the start is skipped",
                                        "1: lines end with LF alone; they are read as if they ended with CR LF"}));
}

TEST(CompatibilityReading, ShiftJISTextIsDecoded) {
    // "テスト" (test) in Shift_JIS, as object and material names commonly are.
    const std::string sjis = "\x83\x65\x83\x58\x83\x67";
    std::string text = kHeader + "Material 1 {\r\n\t\"" + sjis + "\" col(1.000 1.000 1.000 1.000)\r\n}\r\n" +
                       triangleObject(sjis) + "Eof\r\n";
    EXPECT_EQ(strictError(text), "The file is not valid UTF-8 text (invalid byte sequence at byte 61).");
    Metasequoia scene = compatible(text);
    EXPECT_EQ(scene.models()[0].name(), "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88");
    EXPECT_EQ(scene.materials()[0].name(), "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88");
    EXPECT_EQ(warningTexts(scene),
              std::vector<std::string>{"5: the text is not UTF-8; it is read as Shift_JIS (CP932)"});
}

// Binary data is only where the format puts it: after a line that ends in "[N]" in a
// chunk that is passed over. A comment line that ends so is text, and the Shift_JIS name
// after it is decoded; data that no code page decodes is kept as it is.
TEST(CompatibilityReading, BinaryDataIsOnlyInChunksPassedOver) {
    const std::string sjis = "\x83\x65\x83\x58\x83\x67", utf8 = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";
    const std::string data("\xFF\x80\r\n{}", 6);
    const std::string material = "Material 1 {\r\n\t\"" + sjis + "\" col(1.000 1.000 1.000 1.000)\r\n}\r\n";
    for (const std::string& before : {std::string("# see the notes [20]\r\n"), "Blob 1 {\r\n\t\"data\" [6]\r\n" + data + "\r\n}\r\n",
                                      "Thumbnail 1 1 [6]\r\n" + data + "\r\n"}) {
        Metasequoia scene = compatible(kHeader + before + material + triangleObject(sjis) + "Eof\r\n");
        EXPECT_EQ(scene.materials()[0].name(), utf8) << before;
        EXPECT_EQ(scene.models()[0].name(), utf8) << before;
    }
}

TEST(CompatibilityReading, NamesInUTF8OrTheCodePageTheDocumentSays) {
    // Format 1.2 writes names in UTF-8 and says so; older ones name a code page.
    std::string utf8 = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";  // "テスト"
    std::string v12 = "Metasequoia Document\r\nFormat Text Ver 1.2\r\n\r\nCodePage utf8\r\n" + kMaterial +
                      triangleObject(utf8) + "Eof\r\n";
    Metasequoia scene = compatible(v12);
    EXPECT_EQ(scene.models()[0].name(), utf8);
    EXPECT_EQ(warningTexts(scene), std::vector<std::string>{"2: format version 1.2 is read as version 1.0"});
    std::string sjis = "\x83\x65\x83\x58\x83\x67";
    std::string v11 = "Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\nCodePage 932\r\n" + kMaterial +
                      triangleObject(sjis) + "Eof\r\n";
    scene = compatible(v11);
    EXPECT_EQ(scene.models()[0].name(), utf8);
    EXPECT_EQ(warningTexts(scene), (std::vector<std::string>{"2: format version 1.1 is read as version 1.0",
                                                             "4: the text is read as code page 932, as its "
                                                             "\"CodePage\" line says"}));
    // Bytes that are not UTF-8, where the document says they are, do not open.
    std::string wrong = v12;
    wrong.replace(wrong.find(utf8), utf8.size(), sjis);
    EXPECT_THROW(compatible(wrong), MQAInvalidText);
}

TEST(CompatibilityReading, ChunksTheSceneDoesNotReadAreSkippedWhole) {
    std::string binary("\x01{\x00}\r\n\xFF\x80\n}{", 12);
    binary.resize(36, '\x7f');
    const std::string body = kMaterial + triangleObject();
    std::string extras = "IncludeXml \"model.mqx\"\r\n"
                         "TrialNoise\r\n"
                         "Thumbnail 4 2 24 rgb raw 24 {\r\n"
                         "\t00FF00AA00FF00AA\r\n"
                         "}\r\n"
                         "MaterialEx2 {\r\n"
                         "\tmaterial 0 {\r\n"
                         "\t\tshadertype hlsl\r\n"
                         "\t\tshaderparam {\r\n"
                         "\t\t\tMetallic float 0.25\r\n"
                         "\t\t}\r\n"
                         "\t}\r\n"
                         "}\r\n"
                         "Blob 1 {\r\n"
                         "\t\"data\" [36]\r\n" + binary + "\r\n"
                         "}\r\n"
                         "Blob 2 {\r\n"
                         "}\r\n";
    std::string objectExtras = "\tvertexattr {\r\n\t\tuid {\r\n\t\t\t1\r\n\t\t}\r\n\t}\r\n"
                               "\tBVertex 3 {\r\n\t\tVector 3 [36]\r\n" + binary + "\r\n\t}\r\n";
    std::string object = triangleObject();
    object.insert(object.find("\tvertex"), objectExtras);
    std::string text = kHeader + extras + kMaterial + object + "Eof\r\n";
    EXPECT_NE(strictError(text), "no error");
    Metasequoia scene = compatible(text);
    std::string plain = dumpScene(Metasequoia::initWithData(kHeader + body + "Eof\r\n"));
    std::string skipped = dumpScene(scene);
    EXPECT_EQ(skipped.substr(0, skipped.find("warning")), plain);
    EXPECT_EQ(warningTexts(scene),
              (std::vector<std::string>{
                  "4: the \"IncludeXml\" chunk is not read and is skipped (1 line)",
                  "5: the \"TrialNoise\" chunk is not read and is skipped (1 line)",
                  "6: the \"Thumbnail\" chunk is not read and is skipped (3 lines)",
                  "9: the \"MaterialEx2\" chunk is not read and is skipped (8 lines)",
                  "17: the 2 \"Blob\" chunks are not read and are skipped (8 lines in all)",
                  "29: the \"vertexattr\" chunk is not read and is skipped (5 lines)",
                  "34: the \"BVertex\" chunk is not read and is skipped (6 lines)"}));
    // An error after the skipped lines is placed on the file's own line.
    std::string broken = text;
    broken.replace(broken.find("V(0 1 2)"), 8, "V(0 1 9)");
    try {
        compatible(broken);
        FAIL() << "a face on a vertex the object does not have";
    } catch (const std::exception& error) {
        EXPECT_EQ(describeError("f", error), "f:46: Object \"o\", face line 1: vertex index 9 is out of range (3 vertices)");
    }
    // A chunk left open fails as an unclosed block does.
    EXPECT_EQ(strictError(kHeader + "Thumbnail 4 2 {\r\n\t00FF\r\n" + body + "Eof\r\n"), "Syntax Error. (MQAAttribute:146)");
    try {
        compatible("Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\nThumbnail 4 2 {\r\n\t00FF\r\nEof\r\n");
        FAIL() << "an unclosed chunk";
    } catch (const MQAException& error) {
        EXPECT_STREQ(error.what(), "Syntax Error. (MQABlock:110)");
    }
}

// Binary vertices: "Vector N [12 N]" and then N times three little-endian floats. They
// are read by their size, exactly; data cut short, or longer than its line says, and
// coordinates that are no numbers are refused with their place.
TEST(CompatibilityReading, BinaryVerticesAreReadByTheirSize) {
    auto floats = [](std::initializer_list<float> values) {
        std::string bytes;
        for (float value : values) {
            uint32_t bits = std::bit_cast<uint32_t>(value);
            for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>(bits >> (8 * k)));
        }
        return bytes;
    };
    const std::string triangle = floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    auto objectWith = [](const std::string& vector, const std::string& data) {
        return "Object \"o\" {\r\n\tBVertex 3 {\r\n\t\t" + vector + "\r\n" + data + "\r\n\t}\r\n"
               "\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n}\r\n";
    };
    std::string text = kHeader + kMaterial + objectWith("Vector 3 [36]", triangle) + "Eof\r\n";
    EXPECT_NE(strictError(text), "no error");
    // The same scene as the vertex list would give, and the liberty said.
    EXPECT_EQ(dumpScene(compatible(text)),
              dumpScene(Metasequoia::initWithData(kHeader + kMaterial + triangleObject() + "Eof\r\n")) +
                  "warning 8 Object \"o\" keeps its vertices as binary data in a \"BVertex\" block; they are read from it\n");
    // In a Shift_JIS text the data stays as it is.
    std::string shiftJIS = text;
    shiftJIS.replace(shiftJIS.find("\"m\""), 3, "\"\x83\x65\"");
    EXPECT_EQ(compatible(shiftJIS).models()[0].vertices().size(), 3u);
    for (size_t cut = 0; cut < text.size(); ++cut) {  // every prefix reads or is refused, never past its end
        try {
            compatible(text.substr(0, cut));
        } catch (const std::exception&) {
        }
    }

    const float nan = std::numeric_limits<float>::quiet_NaN(), infinity = std::numeric_limits<float>::infinity();
    const struct {
        std::string vector, data, error;
    } refused[] = {
        {"Vector 3 [36]", triangle.substr(1), "f:9:12: the 36 bytes of binary data the line announces are not "
                                              "followed by a line end: the data is shorter or longer than that"},
        {"Vector 3 [36]", triangle + "X", "f:9:12: the 36 bytes of binary data the line announces are not "
                                              "followed by a line end: the data is shorter or longer than that"},
        {"Vector 3 [35]", triangle.substr(1), "f:9: Object \"o\", \"BVertex\": 3 vertices take 36 bytes of binary "
                                              "data (12 a vertex); the line has 35"},
        {"Vector 3 [36]", floats({0, 0, 0, 1, nan, 0, 0, 1, 0}),
         "f:9: Object \"o\", \"BVertex\": vertex 1 has a coordinate that is not a finite number"},
        {"Vector 3 [36]", floats({0, 0, 0, 1, 0, 0, 0, 1, -infinity}),
         "f:9: Object \"o\", \"BVertex\": vertex 2 has a coordinate that is not a finite number"},
        {"Vector 3 [9999]", triangle, "f:9:12: the line announces 9999 bytes of binary data, but only 79 are left"},
    };
    for (const auto& bad : refused) {
        try {
            compatible(kHeader + kMaterial + objectWith(bad.vector, bad.data) + "Eof\r\n");
            ADD_FAILURE() << bad.error;
        } catch (const std::exception& error) {
            EXPECT_EQ(describeError("f", error), bad.error);
        }
    }
}

// A document with no chunks at all is an empty scene, with a warning; strictly it is
// refused as before.
TEST(CompatibilityReading, DocumentsWithoutChunksAreEmptyScenes) {
    const struct {
        std::string text, strict, warning;
    } empty[] = {
        {"", "This is not MQA file. (MQAFile:74)", "1: the file holds no document; it is read as one without chunks"},
        {" \r\n\r\n", "This is not MQA file. (MQAFile:74)",
         "1: the file holds no document; it is read as one without chunks"},
        {kHeader + "Eof\r\n", "This is not MQA file. (MQAFile:74)", "4: the document has no chunks"},
        {kHeader, "This is not MQA file. (MQAFile:74)", "4: the document has no chunks and no \"Eof\" line"},
        {"Metasequoia Document\r\nFormat Text Ver 1.0", "This is not MQA file. (MQAFile:74)",
         "2: the document has no chunks and no \"Eof\" line"},
    };
    for (const auto& document : empty) {
        EXPECT_EQ(strictError(document.text), document.strict);
        Metasequoia scene = compatible(document.text);
        EXPECT_TRUE(scene.models().empty() && scene.materials().empty());
        EXPECT_EQ(warningTexts(scene), std::vector<std::string>{document.warning});
        MQAFile tree = MQAFile::initWithString(document.text, MQAReading::Compatible);
        EXPECT_TRUE(tree.body().attributes().empty());
    }
    EXPECT_EQ(strictError(kHeader + "Eof\r\n"), strictError(kHeader + "Eo\r\n"));
}

TEST(CompatibilityReading, NumbersInExponentNotation) {
    std::string text = kHeader + kMaterial +
                       "Object \"o\" {\r\n\tvertex 3 {\r\n\t\t6.12323426e-17 0.0 0.0\r\n\t\t1e2 0.0 -2.5E+1\r\n"
                       "\t\t0.0 1.0 0.0\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 1 2) M(0) UV(0.0 1e-1 1.0 0.0 0.0 1.0)\r\n"
                       "\t}\r\n}\r\nEof\r\n";
    EXPECT_EQ(strictError(text), "Syntax Error. (MQAAttribute:146)");
    Metasequoia scene = compatible(text);
    const std::vector<ZeltoVertex>& vertices = scene.models()[0].vertices();
    EXPECT_EQ(vertices[0].pos.x, 6.12323426e-17f);
    EXPECT_EQ(vertices[1].pos, (GLKVector3{100, 0, -25}));
    EXPECT_EQ(scene.models()[0].faces()[0].corner(0).uv, (GLKVector2{0, 0.1f}));
    EXPECT_EQ(warningTexts(scene), std::vector<std::string>{"9: numbers in exponent notation are read as the "
                                                            "decimals they stand for (here and on any later line)"});
}

TEST(CompatibilityReading, FacesWithoutAUsableMaterialTakeALightGreyOne) {
    std::string noMaterials = kHeader + triangleObject() + "Eof\r\n";
    noMaterials.replace(noMaterials.find(" M(0)"), 5, "");
    EXPECT_EQ(strictError(noMaterials), "Object \"o\", face line 1: material index 0 is out of range (0 materials)");
    Metasequoia scene = compatible(noMaterials);
    ASSERT_EQ(scene.materials().size(), 1u);
    const ZeltoMaterial& grey = scene.materials()[0];
    EXPECT_EQ(grey.color(), (Color{0.8f, 0.8f, 0.8f, 1.0f}));
    EXPECT_EQ(grey.textureName(), "");
    EXPECT_EQ(scene.models()[0].faces()[0].material(), &grey);
    EXPECT_EQ(warningTexts(scene),
              std::vector<std::string>{"11: Object \"o\": 1 face names no material the document has; drawn in a "
                                       "default light grey"});
    // Past the list: those faces alone take it, after the document's own materials.
    std::string past = kHeader + kMaterial +
                       "Object \"p\" {\r\n\tvertex 3 {\r\n\t\t0.0 0.0 0.0\r\n\t\t1.0 0.0 0.0\r\n\t\t0.0 1.0 0.0\r\n\t}\r\n"
                       "\tface 3 {\r\n\t\t3 V(0 1 2) M(3)\r\n\t\t3 V(0 2 1) M(0)\r\n\t\t3 V(1 2 0) M(-1)\r\n\t}\r\n}\r\nEof\r\n";
    scene = compatible(past);
    ASSERT_EQ(scene.materials().size(), 2u);
    const std::vector<ZeltoFace>& faces = scene.models()[0].faces();
    EXPECT_EQ(faces[0].material(), &scene.materials()[0]);
    EXPECT_EQ(faces[1].material(), &scene.materials()[1]);
    EXPECT_EQ(faces[2].material(), &scene.materials()[1]);
    EXPECT_EQ(warningTexts(scene).back(),
              "14: Object \"p\": 2 faces name no material the document has; drawn in a default light grey");
}

TEST(CompatibilityReading, PolygonsOfMoreCornersAreSplitIntoTrianglesThatCoverThem) {
    // An L of six corners, concave at (1, 1, 0), with texture coordinates that follow x and y.
    std::string text = "Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\n" + kMaterial +
                       "Object \"L\" {\r\n\tvertex 6 {\r\n\t\t0.0 0.0 0.0\r\n\t\t2.0 0.0 0.0\r\n\t\t2.0 1.0 0.0\r\n"
                       "\t\t1.0 1.0 0.0\r\n\t\t1.0 2.0 0.0\r\n\t\t0.0 2.0 0.0\r\n\t}\r\n\tface 1 {\r\n"
                       "\t\t6 V(0 1 2 3 4 5) M(0) UV(0.0 0.0 2.0 0.0 2.0 1.0 1.0 1.0 1.0 2.0 0.0 2.0)\r\n\t}\r\n}\r\nEof\r\n";
    Metasequoia scene = compatible(text);
    const ZeltoModel& model = scene.models()[0];
    ASSERT_EQ(model.faces().size(), 4u);
    float area = 0;
    size_t edges = 0;
    for (const ZeltoFace& face : model.faces()) {
        ASSERT_EQ(face.count(), 3);
        GLKVector3 p[3];
        for (int k = 0; k < 3; ++k) {
            p[k] = model.vertices()[face.corner(k).vertex].pos;
            EXPECT_EQ(face.corner(k).uv, (GLKVector2{p[k].x, p[k].y}));  // UVs follow their corners
            if (face.drawsEdge(k)) ++edges;
        }
        GLKVector3 cross = GLKVector3CrossProduct(GLKVector3Subtract(p[1], p[0]), GLKVector3Subtract(p[2], p[0]));
        EXPECT_GT(cross.z, 0) << "the pieces keep the polygon's winding";
        area += cross.z / 2;
        EXPECT_EQ(model.faceNormal(face), (GLKVector3{0, 0, 1}));
    }
    EXPECT_EQ(area, 3.0f);
    EXPECT_EQ(edges, 6u);  // the polygon's own six edges, not its diagonals
    // The pieces are one face to smooth normals: no shared normal inside the polygon.
    EXPECT_TRUE(model.normals().empty());
    EXPECT_EQ(std::count_if(model.faces().begin(), model.faces().end(),
                            [](const ZeltoFace& face) { return face.continuesPolygon(); }),
              3);
    EXPECT_EQ(warningTexts(scene), std::vector<std::string>{"2: format version 1.1 is read as version 1.0"});
    // A polygon that crosses itself has no exact split: it is drawn all the same, and said to be approximate.
    std::string crossing = text;
    crossing.replace(crossing.find("\tface 1 {"), 9, "\tface 2 {\r\n\t\t5 V(0 2 1 5 4) M(0)");
    EXPECT_EQ(compatible(crossing).models()[0].faces().size(), 7u);
    EXPECT_EQ(warningTexts(compatible(crossing)).back(),
              "17: Object \"L\": a polygon crosses or touches itself, or has no area in its plane; its "
              "triangles only approximate it");
}

TEST(CompatibilityReading, IntegersAmongDecimalsReadAsDecimals) {
    std::string text = kHeader + "Material 2 {\r\n\t\"a\" col(0.8 0.5 0.25 1)\r\n\t\"b\" col(1 0.5 1 1)\r\n}\r\n" +
                       triangleObject() + "Eof\r\n";
    EXPECT_EQ(strictError(text), "Type Mismatch. (MQAParam:301)");
    Metasequoia scene = compatible(text);
    EXPECT_EQ(scene.materials()[0].color(), (Color{0.8f, 0.5f, 0.25f, 1.0f}));
    EXPECT_EQ(scene.materials()[1].color(), (Color{1.0f, 0.5f, 1.0f, 1.0f}));
    EXPECT_EQ(warningTexts(scene),
              std::vector<std::string>{"5: integers among decimals in a list are read as decimals (here "
                                       "and on any later line)"});
}

TEST(CompatibilityReading, TexturePathsOfAnotherMachine) {
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / "zelto-compat-textures";
    fs::create_directories(folder / "tex");
    std::ofstream(folder / "check.png") << "x";
    std::ofstream(folder / "tex" / "skin.png") << "x";
    std::string document = (folder / "model.mqo").string();
    EXPECT_EQ(textureLocation(document, "C:\\Users\\me\\models\\check.png", true), (folder / "check.png").string());
    EXPECT_EQ(textureLocation(document, "tex\\skin.png", true), (folder / "tex" / "skin.png").string());
    EXPECT_EQ(textureLocation(document, "/elsewhere/check.png", true), (folder / "check.png").string());
    EXPECT_EQ(textureLocation(document, "check.png", true), (folder / "check.png").string());
    // Strictly, names are used as they are.
    EXPECT_EQ(textureLocation(document, "tex\\skin.png"), (folder / "tex\\skin.png").string());
    fs::remove_all(folder);

    std::string text = kHeader + "Material 1 {\r\n\t\"m\" col(1.000 1.000 1.000 1.000) tex(\"C:\\models\\check.png\")\r\n}\r\nEof\r\n";
    Metasequoia scene = compatible(text);
    EXPECT_EQ(warningTexts(scene),
              std::vector<std::string>{"0: Material \"m\": texture \"C:\\models\\check.png\" is a path on another "
                                       "machine; it is looked for as \"check.png\" beside the document"});
}

TEST(CompatibilityReading, GivesTheStrictSceneForEveryDocumentStrictReadingAccepts) {
    std::vector<std::filesystem::path> documents;
    for (const char* folder : {ZELTO_SAMPLES_DIR, ZELTO_FUZZ_CORPUS_DIR})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".mqo") documents.push_back(entry.path());
    ASSERT_GE(documents.size(), 8u);
    for (const auto& path : documents) {
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string strict;
        try {
            strict = dumpScene(Metasequoia::initWithData(std::string(bytes)));
        } catch (const std::exception&) {
            continue;  // only documents strict reading accepts
        }
        EXPECT_EQ(dumpScene(compatible(bytes)), strict) << path;
        MQAFile strictTree = MQAFile::initWithString(std::string(bytes));
        EXPECT_EQ(MQAFile::initWithString(std::string(bytes), MQAReading::Compatible).stringValue(),
                  strictTree.stringValue())
            << path;
    }
}

TEST(CompatibilityReading, StrictReadingIsUnchanged) {
    for (std::string text : {std::string("Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\nx 1\r\nEof\r\n"),
                             "\xEF\xBB\xBF" + kHeader + "x 1\r\nEof\r\n", kHeader + "x (1 2.0)\r\nEof\r\n"})
        EXPECT_NE(strictError(text), "no error") << text;
}
