// Texture files decoded once per file, whatever names reach it, failures included.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "DocumentSource.h"
#include "TextureFiles.h"
#include "ZipMaker.h"

namespace {

QByteArray pngOf(QSize size) {
    QImage image(size, QImage::Format_RGBA8888);
    image.fill(QColor(200, 30, 60));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void write(const std::string& path, const QByteArray& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
}

// "a.png", "./a.png", "././a.png", ...
std::vector<std::string> spellings(const std::string& name, int count) {
    std::vector<std::string> names;
    std::string prefix;
    for (int i = 0; i < count; ++i, prefix += "./") names.push_back(prefix + name);
    return names;
}

// A source that counts what it opens (an archive's entry is inflated each time).
class CountedOpens final : public zelto::ByteSource {
public:
    explicit CountedOpens(const zelto::ByteSource& source) : _source(source) {}
    zelto::SourceBytes open(const std::string& name, size_t maxBytes) const override {
        ++opens;
        return _source.open(name, maxBytes);
    }
    zelto::SourceName identify(const std::string& name) const override { return _source.identify(name); }
    mutable int opens = 0;

private:
    const zelto::ByteSource& _source;
};

}  // namespace

TEST(TextureFiles, EachFileIsDecodedOnceFailuresIncluded) {
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    const zelto::DocumentFiles besideDocument(root + "/model.mqo");
    const CountedOpens files(besideDocument);
    // A PNG cut short, named forty ways and through a hard link: one decode, one
    // failure, said every time.
    const QByteArray big = pngOf({64, 64});
    write(root + "/cut.png", big.left(big.size() / 2));
    ASSERT_EQ(link((root + "/cut.png").c_str(), (root + "/linked.png").c_str()), 0);
    TextureFiles textures(files);
    std::vector<std::string> names = spellings("cut.png", 40);
    names.push_back("linked.png");
    for (const std::string& name : names) {
        TextureFiles::Reach reach = textures.reach(name);
        EXPECT_EQ(reach.file, 0) << name;
        EXPECT_EQ(reach.first, name == "cut.png") << name;
        EXPECT_TRUE(reach.image.isNull()) << name;
        EXPECT_EQ(reach.fault, TextureDecoding::Fault::NotAnImage) << name;
        EXPECT_FALSE(reach.reason.empty()) << name;
    }
    EXPECT_EQ(textures.decoded(), 1u);
    EXPECT_EQ(files.opens, 1);

    // A file that decodes: its first reach carries the image and the very bytes decoded.
    write(root + "/a.png", pngOf({4, 2}));
    write(root + "/b.png", pngOf({4, 2}));
    TextureFiles budgeted(files, 4 * 2 * 4);  // room for one 4 x 2 image
    TextureFiles::Reach a = budgeted.reach("a.png");
    ASSERT_TRUE(a.first && a.bytes);
    EXPECT_EQ(a.image.size(), QSize(4, 2));
    EXPECT_EQ(QByteArray(a.bytes->bytes.view().data(), static_cast<qsizetype>(a.bytes->bytes.size())), pngOf({4, 2}));
    TextureFiles::Reach again = budgeted.reach("./a.png");
    EXPECT_TRUE(again.file == a.file && !again.first && again.image.isNull() && !again.bytes);
    // Past the budget: not decoded (the drawing's notes show why).
    EXPECT_EQ(budgeted.reach("b.png").fault, TextureDecoding::Fault::TooLarge);
    // A name that reaches no file: said once as new, remembered after.
    EXPECT_TRUE(budgeted.reach("none.png").first);
    TextureFiles::Reach none = budgeted.reach("none.png");
    EXPECT_TRUE(none.file < 0 && !none.first && !none.reason.empty());
    EXPECT_EQ(budgeted.decoded(), 2u);
}

// An archive's entry named several ways, and the same name found ignoring case: inflated
// and decoded once, the name that differs in case said once.
TEST(TextureFiles, AnArchiveEntryIsInflatedOnceHoweverNamed) {
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    const QByteArray png = pngOf({4, 2});
    ASSERT_TRUE(writeZip(root + "/m.mqoz", {{"m.mqo", "Metasequoia Document\r\nEof\r\n"},
                                             {"tex/a.png", std::string(png.constData(), size_t(png.size()))}}));
    const zelto::DocumentFiles archive(root + "/m.mqoz", true);
    const CountedOpens files(archive);
    TextureFiles textures(files);
    std::vector<std::string> notes;
    for (const std::string name : {"tex/a.png", "./tex/a.png", "tex//a.png", "sub/../tex/a.png", "tex\\a.png", "TEX/A.PNG",
                                   "TEX/A.PNG"}) {
        TextureFiles::Reach reach = textures.reach(name);
        EXPECT_EQ(reach.file, 0) << name;
        EXPECT_EQ(reach.first, name == "tex/a.png") << name;
        EXPECT_EQ(reach.image.size(), name == "tex/a.png" ? QSize(4, 2) : QSize(0, 0)) << name;
        if (!reach.note.empty()) notes.push_back(reach.note);
    }
    EXPECT_EQ(notes, std::vector<std::string>{
                         "\"TEX/A.PNG\" is read from \"tex/a.png\" in the archive, whose name differs from it only in case"});
    EXPECT_EQ(files.opens, 1);
    EXPECT_EQ(textures.decoded(), 1u);
}
