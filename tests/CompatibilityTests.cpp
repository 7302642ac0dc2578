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
                                        "1: 17 lines end with LF alone; read as CR LF"}));
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

TEST(CompatibilityReading, ThumbnailAndBinaryVertexChunksAreSkipped) {
    std::string binary("\x01{\x00}\r\n\xFF\x80\n}{", 12);
    binary.resize(36, '\x7f');
    std::string text = kHeader +
                       "Thumbnail 4 2 24 rgb raw 24 {\r\n"
                       "\t00FF00AA00FF00AA\r\n"
                       "\t1234567890ABCDEF\r\n"
                       "}\r\n" +
                       kMaterial +
                       "Object \"skinned\" {\r\n"
                       "\tBVertex 3 {\r\n"
                       "\t\tVector 3 [36]\r\n" + binary + "\r\n"
                       "\t}\r\n"
                       "\tface 1 {\r\n\t\t3 V(0 1 9) M(0)\r\n\t}\r\n"
                       "}\r\nEof\r\n";
    EXPECT_NE(strictError(text), "no error");
    try {
        compatible(text);
        FAIL() << "a face whose vertices were in the skipped block cannot be built";
    } catch (const std::exception& error) {
        // The place is the file's own line, counting the skipped lines.
        EXPECT_EQ(describeError("f", error),
                  "f:19: Object \"skinned\", face line 1: vertex index 0 is out of range (0 vertices)");
    }
    std::string noFaces = text;
    noFaces.replace(noFaces.find("\tface 1 {"), std::string("\tface 1 {\r\n\t\t3 V(0 1 9) M(0)\r\n\t}\r\n").size(), "");
    Metasequoia scene = compatible(noFaces);
    EXPECT_EQ(scene.models().size(), 1u);
    EXPECT_EQ(warningTexts(scene),
              (std::vector<std::string>{
                  "4: a \"Thumbnail\" chunk of 4 lines is skipped",
                  "12: a \"BVertex\" chunk (vertices the scene does not read) of 6 lines is skipped",
                  "13: the 36 bytes of binary data after this line are skipped"}));
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
