#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "DocumentSource.h"
#include "SceneDump.h"
#include "Metasequoia.h"
#include "ZipMaker.h"

namespace {

class ArchiveFolder : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::temp_directory_path() / ("zelto-archives-" + std::to_string(getpid()));
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        document = fileContents(std::string(ZELTO_SAMPLES_DIR) + "/materials.mqo");
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    std::string path(const std::string& name) const { return root + "/" + name; }

    // What opening the archive `name` gives: the document's entry, or the reason it is refused.
    std::string opening(const std::string& name, size_t limit = zelto::documentByteLimit()) const {
        try {
            zelto::OpenedDocument opened = zelto::openDocument(path(name), zelto::Streams::Refused, limit);
            if (opened.bytes.view() != document) return "wrong bytes from " + opened.identity.entry;
            return "read " + opened.identity.entry;
        } catch (const zelto::SourceError& error) {
            return error.what();
        }
    }

    std::string root;
    std::string document;
};

}  // namespace

// The archive's document is read as its bytes would be read from a file, stored or
// deflated, in a folder or not; of several, the one named like the archive.
TEST_F(ArchiveFolder, ReadsTheDocumentInside) {
    struct Case {
        std::string archive;
        std::vector<ZipEntry> entries;
        std::string expected;
    } cases[] = {
        {"stored.mqoz", {{"stored.mqo", document, true}}, "read stored.mqo"},
        {"deflated.mqoz", {{"model.mqo", document}, {"model.mqx", "<xml/>"}, {"model.jpg", "\xff\xd8\xff"}}, "read model.mqo"},
        {"folder.mqoz", {{"car/", ""}, {"car/body.MQO", document}}, "read car/body.MQO"},
        {"car.mqoz", {{"other.mqo", "x"}, {"parts/Car.mqo", document}, {"../car.mqo", "x"}}, "read parts/Car.mqo"},
        // Named like no archive: a zip is known by its first bytes.
        {"plain.zip", {{"x.mqo", document}}, "read x.mqo"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeZip(path(c.archive), c.entries)) << c.archive;
        EXPECT_EQ(opening(c.archive), c.expected) << c.archive;
    }
    zelto::OpenedDocument opened = zelto::openDocument(path("deflated.mqoz"), zelto::Streams::Refused);
    EXPECT_EQ(dumpScene(Metasequoia::initWithData(std::move(opened.bytes))), dumpScene(Metasequoia::initWithData(document)));
    EXPECT_EQ(opened.identity.entry, "model.mqo");
    ASSERT_TRUE(opened.archive);
    EXPECT_EQ(opened.archive->entries().size(), 3u);
}

// Archives made to hurt: each is refused with its reason, having inflated no more than
// the limit allows, and no more than it states where it states less.
TEST_F(ArchiveFolder, RefusesHostileArchives) {
    const size_t limit = size_t{4} << 20;
    const std::string zeros(size_t{24} << 20, '\0');
    using Change = std::function<void(std::string&)>;
    struct Case {
        std::string archive;
        std::vector<ZipEntry> entries;
        Change change;
        std::string reason;
    } cases[] = {
        {"bomb.mqoz", {{"bomb.mqo", zeros}}, nullptr, "\"bomb.mqo\" in the archive is larger than the limit of 4 MB"},
        {"quiet-bomb.mqoz", {{"bomb.mqo", document + zeros}}, [](std::string& a) { stateSize(a, 100); },
         "\"bomb.mqo\" in the archive is damaged: it states 100 bytes but holds more"},
        {"stated-long.mqoz", {{"a.mqo", document}}, [&](std::string& a) { stateSize(a, uint32_t(document.size() + 10)); },
         "\"a.mqo\" in the archive is damaged: it states " + std::to_string(document.size() + 10) + " bytes but holds " +
             std::to_string(document.size())},
        {"stated-short.mqoz", {{"a.mqo", document, true}}, [&](std::string& a) { stateSize(a, uint32_t(document.size() - 10)); },
         "\"a.mqo\" in the archive is damaged: it states " + std::to_string(document.size() - 10) + " bytes but holds more"},
        {"zeros.mqoz", {{"zeros.mqo", std::string(size_t{3} << 20, '\0')}}, nullptr,
         "\"zeros.mqo\" in the archive does not begin as a Metasequoia document (\"Metasequoia Document\")"},
        {"encrypted.mqoz", {{"a.mqo", document}}, markEncrypted,
         "\"a.mqo\" in the archive is encrypted; encrypted archives are not read"},
        {"climbs.mqoz", {{"../../a.mqo", document}}, nullptr,
         "the archive's document \"../../a.mqo\" has a name that leads out of the archive; it is not read"},
        {"absolute.mqoz", {{"/tmp/a.mqo", document}}, nullptr,
         "the archive's document \"/tmp/a.mqo\" has a name that leads out of the archive; it is not read"},
        {"empty.mqoz", {{"readme.txt", "hello"}, {"a.mqx", "<xml/>"}}, nullptr, "the archive holds no .mqo document"},
        {"several.mqoz", {{"a.mqo", document}, {"b/b.mqo", document}}, nullptr,
         "the archive holds 2 .mqo documents and none is named \"several.mqo\" to choose it: \"a.mqo\", \"b/b.mqo\""},
        {"flipped.mqoz", {{"a.mqo", document, true}}, [](std::string& a) { a[a.find("Eof") + 1] ^= 1; },
         "\"a.mqo\" in the archive is damaged (CRC error)"},
        {"cut.mqoz", {{"a.mqo", document}}, [](std::string& a) { a.resize(a.size() / 2); },
         "it is not a zip archive that can be read (Not a zip archive)"},
        {"not.mqoz", {}, [](std::string& a) { a = "PK\x03\x04 and then no archive at all"; },
         "it is not a zip archive that can be read (Not a zip archive)"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeZip(path(c.archive), c.entries.empty() ? std::vector<ZipEntry>{{"x", "x"}} : c.entries));
        if (c.change) {
            std::string bytes = fileContents(path(c.archive));
            c.change(bytes);
            setFileContents(path(c.archive), bytes);
        }
        std::string outcome = opening(c.archive, limit);
        EXPECT_EQ(outcome, c.reason) << c.archive;
    }
}

// A document's textures are looked for beside its archive first, then inside it, in the
// document's folder there; names that lead out of the archive find nothing in it. Read
// for compatibility, a name found nowhere as given is looked for ignoring case, beside and
// then inside, and said so; of several such files the one spelled as given part by part
// comes first, then the sorted order. A file found so is opened as any other.
TEST_F(ArchiveFolder, TexturesComeFromBesideTheArchiveThenFromInside) {
    ASSERT_TRUE(writeZip(path("m.mqoz"), {{"models/m.mqo", document},
                                          {"models/skin.png", "inside"},
                                          {"models/tex/a.png", "a inside", true},
                                          {"models/b.png", "b inside"},
                                          {"models/Hair.png", "Hair inside"},
                                          {"models/hair.png", "hair inside"},
                                          {"models/BODY.png", "body inside"},
                                          {"evil.png", "outside the folder"}}));
    setFileContents(path("skin.png"), "beside");
    setFileContents(path("body.png"), "body beside");
    setFileContents(path("big.png"), std::string(2000, 'x'));
    ASSERT_EQ(mkfifo(path("pipe.png").c_str(), 0600), 0);
    for (const char* folder : {"Tex2", "tex2"}) {
        std::filesystem::create_directory(path(folder));
        setFileContents(path(folder) + "/Face.png", std::string(folder) + " face");
    }
    struct stat archive {};
    ASSERT_EQ(stat(path("m.mqoz").c_str(), &archive), 0);
    const std::string twoFaces = "the first of 2 files whose names differ from it only in case (\"" + path("Tex2/Face.png") +
                                 "\", \"" + path("tex2/Face.png") + "\"), taken part by part: as spelled first, then in sorted order";
    struct Case {
        bool lenient;
        std::string name;
        std::string outcome;  // the bytes, or the kind of failure
        std::string entry;
        std::string note;
    } cases[] = {
        {false, "skin.png", "beside", "", ""},
        {false, "tex/a.png", "a inside", "models/tex/a.png", ""},
        // One entry, however its name is spelled; climbing out of the archive finds nothing.
        {false, "./tex//a.png", "a inside", "models/tex/a.png", ""},
        {false, "none/../b.png", "b inside", "models/b.png", ""},
        {false, "../evil.png", "outside the folder", "evil.png", ""},
        {false, "../../evil.png", "missing", "", ""},
        {false, "tex\\a.png", "missing", "", ""},
        {true, "tex\\a.png", "a inside", "models/tex/a.png", ""},
        {true, "C:\\work\\tex\\b.png", "b inside", "models/b.png", ""},
        {false, "none.png", "missing", "", ""},
        // Strictly, names are exact.
        {false, "Body.PNG", "missing", "", ""},
        {false, "TEX/A.png", "missing", "", ""},
        // Leniently, beside before inside, exact before ignoring case.
        {true, "Body.PNG", "body beside", "", "\"Body.PNG\" is read from \"" + path("body.png") + "\", whose name differs from it only in case"},
        {true, "TEX/A.png", "a inside", "models/tex/a.png",
         "\"TEX/A.png\" is read from \"models/tex/a.png\" in the archive, whose name differs from it only in case"},
        {true, "hair.png", "hair inside", "models/hair.png", ""},
        {true, "HAIR.png", "Hair inside", "models/Hair.png",
         "\"HAIR.png\" is read from \"models/Hair.png\" in the archive, the first of 2 files whose names differ from it only "
         "in case (\"models/Hair.png\", \"models/hair.png\"), taken part by part: as spelled first, then in sorted order"},
        {true, "TEX2/face.PNG", "Tex2 face", "", "\"TEX2/face.PNG\" is read from \"" + path("Tex2/Face.png") + "\", " + twoFaces},
        {true, "tex2\\FACE.png", "tex2 face", "",
         "\"tex2\\FACE.png\" is read from \"" + path("tex2/Face.png") + "\", the first of 2 files whose names differ from it "
         "only in case (\"" + path("tex2/Face.png") + "\", \"" + path("Tex2/Face.png") + "\"), taken part by part: as spelled "
         "first, then in sorted order"},
        {true, "Pipe.PNG", "refused: it is a named pipe (FIFO), not a regular file", "",
         "\"Pipe.PNG\" is read from \"" + path("pipe.png") + "\", whose name differs from it only in case"},
        {true, "BIG.png", "too large: it is larger than the limit of 1000 bytes", "",
         "\"BIG.png\" is read from \"" + path("big.png") + "\", whose name differs from it only in case"},
    };
    for (const Case& c : cases) {
        zelto::DocumentFiles files(path("m.mqoz"), c.lenient);
        EXPECT_EQ(files.identify(c.name).note, c.note) << c.name;
        EXPECT_EQ(files.find(c.name).note, c.note) << c.name;
        try {
            zelto::SourceBytes got = files.open(c.name, 1000);
            EXPECT_EQ(got.bytes.view(), c.outcome) << c.name;
            EXPECT_EQ(got.identity.entry, c.entry) << c.name;
            if (!c.entry.empty()) {
                EXPECT_EQ(got.identity.inode, archive.st_ino) << c.name;
            }
            EXPECT_EQ(files.identify(c.name).identity, got.identity) << c.name;
        } catch (const zelto::SourceError& error) {
            const char* kinds[] = {"missing", "refused: ", "too large: "};
            std::string outcome = kinds[int(error.kind())];
            if (error.kind() != zelto::SourceError::Kind::Missing) outcome += error.what();
            EXPECT_EQ(outcome, c.outcome) << c.name;
        }
    }
    // With the file beside gone, the archive's own.
    std::filesystem::remove(path("skin.png"));
    zelto::DocumentFiles files(path("m.mqoz"));
    EXPECT_EQ(files.open("skin.png", 1000).bytes.view(), "inside");
    EXPECT_EQ(files.find("skin.png").entry, "models/skin.png");
}
