#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include "Metasequoia.h"
#include "RenderTestSupport.h"
#include "SceneTestSupport.h"
#include "TextureImage.h"
#include "TextureLibrary.h"

namespace {

std::string materialLine(const char* name, const char* texture) {
    return std::string("\t\"") + name + "\" col(1.000 1.000 1.000 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00)" +
           (texture ? std::string(" tex(\"") + texture + "\")" : std::string()) + "\r\n";
}

Metasequoia sceneWithTextures(std::initializer_list<const char*> textures) {
    std::string body = "Material " + std::to_string(textures.size()) + " {\r\n";
    int i = 0;
    for (const char* texture : textures) {
        std::string name = "m";
        name += std::to_string(i++);  // (not "m" + ...: GCC 12 warns wrongly about that)
        body += materialLine(name.c_str(), texture);
    }
    body += "}\r\n";
    return Metasequoia::initWithString(documentWithBody(body));
}

// A 4 x 2 image: top row red, bottom row blue.
void writeTwoRowImage(const std::string& path) {
    QImage image(4, 2, QImage::Format_RGBA8888);
    for (int x = 0; x < 4; ++x) {
        image.setPixelColor(x, 0, QColor(255, 0, 0, 200));
        image.setPixelColor(x, 1, QColor(0, 0, 255, 255));
    }
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

class TextureFolder : public ::testing::Test {
protected:
    // The calls of reloading the scene's textures against a document in this folder.
    const std::vector<GLCall>& reload(TextureLibrary& textures, const Metasequoia& scene) {
        textures.setTextureBaseURL(path("model.mqo"));
        clearRecordedGLCalls();
        textures.reloadTextures(&scene);
        return recordedGLCalls();
    }
    static std::vector<GLCall>::const_iterator uploadIn(const std::vector<GLCall>& calls) {
        return std::find_if(calls.begin(), calls.end(), [](auto& c) { return c.name == "glTexImage2D"; });
    }

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        root = folder.path().toStdString();
        std::filesystem::create_directory(root + "/tex");
        resetRecordedTextureNames();
        setRecordedMaxTextureSize(16384);
    }
    std::string path(const std::string& name) const { return root + "/" + name; }

    QTemporaryDir folder;
    std::string root;
};

}  // namespace

TEST(TextureURL, ResolvesAgainstTheDocumentsFolderOrTheWorkingOne) {
    TextureLibrary textures;
    textures.setTextureBaseURL("/models/car.mqo");
    EXPECT_EQ(textures.textureURL("body.png"), "/models/body.png");
    EXPECT_EQ(textures.textureURL("tex/body.png"), "/models/tex/body.png");
    EXPECT_EQ(textures.textureURL("Body.PNG"), "/models/Body.PNG");  // used unchanged
    EXPECT_EQ(textures.textureURL("/elsewhere/skin.png"), "/elsewhere/skin.png");
    TextureLibrary withoutDocument;  // the working folder
    EXPECT_EQ(withoutDocument.textureURL("body.png"), std::filesystem::current_path().string() + "/body.png");
}

TEST_F(TextureFolder, ReloadLoadsEachTexturedMaterialOncePerLocation) {
    writeTwoRowImage(path("a.png"));
    writeTwoRowImage(path("tex/b.png"));
    Metasequoia scene = sceneWithTextures({"a.png", nullptr, "tex/b.png", "a.png", "missing.png"});
    TextureLibrary textures;
    textures.setTextureBaseURL(path("model.mqo"));
    clearRecordedGLCalls();
    textures.reloadTextures(&scene);
    const auto& map = textures.textureNameMap();
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at(path("a.png")), 1u);
    EXPECT_EQ(map.at(path("tex/b.png")), 2u);
    EXPECT_EQ(countCalls(recordedGLCalls(), "glGenTextures"), 2u);

    // Each material finds its texture by its own location; the untextured one finds none.
    EXPECT_EQ(textures.textureForMaterial(&scene.materials()[0]), 1u);
    EXPECT_EQ(textures.textureForMaterial(&scene.materials()[1]), std::nullopt);
    EXPECT_EQ(textures.textureForMaterial(&scene.materials()[3]), 1u);
    EXPECT_EQ(textures.textureForMaterial(&scene.materials()[4]), std::nullopt);
    EXPECT_EQ(textures.textureForMaterial(nullptr), std::nullopt);
}

TEST_F(TextureFolder, UploadIsTopRowFirstLinearAndModulated) {
    writeTwoRowImage(path("a.png"));
    Metasequoia scene = sceneWithTextures({"a.png"});
    TextureLibrary textures;
    const auto& calls = reload(textures, scene);
    auto image = uploadIn(calls);
    ASSERT_NE(image, calls.end());
    EXPECT_EQ(image->enums, (std::vector<GLenum>{GL_TEXTURE_2D, 0, GL_RGBA, 4, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE}));
    EXPECT_EQ(image->values, (std::vector<GLfloat>{255, 0, 0, 200}));  // the top-left pixel, alpha kept
    std::vector<GLCall> expectedAround{
        call("glGenTextures", {1}),
        call("glBindTexture", {GL_TEXTURE_2D, 1}),
        call("glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}),
        call("glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}),
    };
    EXPECT_EQ(std::vector<GLCall>(calls.begin(), calls.begin() + 4), expectedAround);
    std::vector<GLCall> after(image + 1, calls.end());
    EXPECT_EQ(after, (std::vector<GLCall>{
                         call("glTexEnvi", {GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE}),
                         call("glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}),
                         call("glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT}),
                     }));
}

TEST_F(TextureFolder, ReloadDeletesEveryEarlierTexture) {
    writeTwoRowImage(path("a.png"));
    writeTwoRowImage(path("b.png"));
    Metasequoia textured = sceneWithTextures({"a.png", "b.png"});
    Metasequoia plain = sceneWithTextures({nullptr, nullptr});
    TextureLibrary textures;
    textures.setTextureBaseURL(path("model.mqo"));
    textures.reloadTextures(&textured);
    ASSERT_EQ(textures.textureNameMap().size(), 2u);

    clearRecordedGLCalls();
    textures.reloadTextures(&plain);
    EXPECT_TRUE(textures.textureNameMap().empty());
    std::set<GLenum> deleted;
    for (const GLCall& c : recordedGLCalls()) {
        ASSERT_EQ(c.name, "glDeleteTextures") << "nothing is loaded for a scene without textures";
        ASSERT_EQ(c.enums.size(), 2u);  // one texture per call
        deleted.insert(c.enums[1]);
    }
    EXPECT_EQ(deleted, (std::set<GLenum>{1, 2}));

    textures.reloadTextures(&textured);
    clearRecordedGLCalls();
    textures.reloadTextures(nullptr);  // no scene: delete all, load none
    EXPECT_EQ(countCalls(recordedGLCalls(), "glDeleteTextures"), 2u);
    EXPECT_EQ(recordedGLCalls().size(), 2u);
    EXPECT_TRUE(textures.textureNameMap().empty());
}

TEST_F(TextureFolder, AChangedBaseResolvesAnew) {
    writeTwoRowImage(path("tex/a.png"));
    Metasequoia scene = sceneWithTextures({"a.png"});
    TextureLibrary textures;
    textures.setTextureBaseURL(path("model.mqo"));
    textures.reloadTextures(&scene);
    EXPECT_TRUE(textures.textureNameMap().empty());
    textures.setTextureBaseURL(path("tex/model.mqo"));
    textures.reloadTextures(&scene);
    EXPECT_EQ(textures.textureForMaterial(&scene.materials()[0]), 1u);
}

TEST_F(TextureFolder, ImagesLargerThanTheLimitAreScaledDown) {
    QImage big(64, 32, QImage::Format_RGBA8888);
    big.fill(Qt::green);
    ASSERT_TRUE(big.save(QString::fromStdString(path("big.png"))));
    setRecordedMaxTextureSize(16);
    Metasequoia scene = sceneWithTextures({"big.png"});
    TextureLibrary textures;
    const auto& calls = reload(textures, scene);
    auto image = uploadIn(calls);
    ASSERT_NE(image, calls.end());
    EXPECT_EQ(image->enums[3], 16u);
    EXPECT_EQ(image->enums[4], 8u);
}

TEST_F(TextureFolder, UnreadableImagesAreSkippedQuietly) {
    std::ofstream(path("junk.png")) << "not an image";
    std::filesystem::create_directory(path("folder.png"));
    Metasequoia scene = sceneWithTextures({"junk.png", "folder.png", "none.png"});
    TextureLibrary textures;
    textures.setTextureBaseURL(path("model.mqo"));
    clearRecordedGLCalls();
    textures.reloadTextures(&scene);
    EXPECT_TRUE(textures.textureNameMap().empty());
    EXPECT_TRUE(recordedGLCalls().empty());
}

TEST_F(TextureFolder, CompressedAndGreyTargaFilesLoad) {
    // An 18-byte TGA header, then run-length packets, no footer: Qt cannot read these.
    auto writeTarga = [&](const std::string& name, uint8_t type, uint8_t bits, std::vector<uint8_t> data) {
        std::vector<uint8_t> bytes{0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, bits, 0x20};
        bytes.insert(bytes.end(), data.begin(), data.end());
        std::ofstream(path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };
    // Type 10 (RLE true colour, BGR): one run of four pixels of (R 10, G 20, B 30).
    writeTarga("rle.tga", 10, 24, {0x83, 30, 20, 10});
    // Type 3 (grey), uncompressed: four grey pixels.
    writeTarga("grey.tga", 3, 8, {77, 77, 77, 77});
    Metasequoia scene = sceneWithTextures({"rle.tga", "grey.tga"});
    TextureLibrary textures;
    textures.setTextureBaseURL(path("model.mqo"));
    clearRecordedGLCalls();
    textures.reloadTextures(&scene);
    std::vector<std::vector<GLfloat>> firstPixels;
    for (const GLCall& c : recordedGLCalls())
        if (c.name == "glTexImage2D") firstPixels.push_back(c.values);
    EXPECT_EQ(firstPixels, (std::vector<std::vector<GLfloat>>{{10, 20, 30, 255}, {77, 77, 77, 255}}));
}

namespace {

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A TGA header of the given type and size, 24 bits a pixel, top row first.
std::vector<uint8_t> targaHeader(uint8_t type, uint16_t width, uint16_t height) {
    return {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8), uint8_t(height),
            uint8_t(height >> 8), 24, 0x20};
}

}  // namespace

// Texture files nobody checked: a FIFO (which no writer ever opens), a header that
// promises far more pixels than its file holds, pixels that are missing.
TEST_F(TextureFolder, HostileFilesAreRefusedOrReadWithoutGuessing) {
    ASSERT_EQ(mkfifo(path("pipe.png").c_str(), 0600), 0);
    EXPECT_TRUE(decodeTextureImage(QString::fromStdString(path("pipe.png"))).isNull());
    std::vector<uint8_t> lying = targaHeader(2, 16384, 16384);
    lying.resize(82, 7);
    writeBytes(path("lying.tga"), lying);
    EXPECT_TRUE(decodeTextureImage(QString::fromStdString(path("lying.tga"))).isNull());
    std::vector<uint8_t> truncated = targaHeader(2, 4, 4);  // 16 pixels stated, 2 given
    truncated.insert(truncated.end(), {1, 2, 3, 4, 5, 6});
    writeBytes(path("truncated.tga"), truncated);
    EXPECT_TRUE(decodeTextureImage(QString::fromStdString(path("truncated.tga"))).isNull());
    // Run-length data that stops early: the pixels it lacks are black, every time.
    std::vector<uint8_t> runs = targaHeader(10, 64, 1);
    runs.insert(runs.end(), {0x83, 30, 20, 10});  // four of sixty-four
    writeBytes(path("short.tga"), runs);
    QImage image = decodeTextureImage(QString::fromStdString(path("short.tga")));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(10, 20, 30, 255));
    for (int x = 4; x < 64; ++x) ASSERT_EQ(image.pixel(x, 0), qRgba(0, 0, 0, 255)) << x;
}

// One file under many names is decoded once; the decoded images of one scene take no
// more than the budget, and what does not fit is noted and drawn untextured.
TEST_F(TextureFolder, OneFileIsDecodedOnceAndTheBudgetHolds) {
    writeTwoRowImage(path("a.png"));
    writeTwoRowImage(path("tex/b.png"));
    std::filesystem::create_directory(path("sub"));
    Metasequoia scene = sceneWithTextures({"a.png", "./a.png", "sub/../a.png", "tex/b.png"});
    TextureLibrary textures;
    const auto& calls = reload(textures, scene);
    EXPECT_EQ(countCalls(calls, "glTexImage2D"), 2u);
    EXPECT_EQ(textures.textureForMaterial(&scene.materials()[2]), textures.textureForMaterial(&scene.materials()[0]));
    EXPECT_TRUE(textures.notes().empty());

    failNextRecordedUpload(GL_OUT_OF_MEMORY);  // the first upload does not fit
    reload(textures, scene);
    EXPECT_EQ(textures.textureForMaterial(&scene.materials()[0]), std::nullopt);
    EXPECT_NE(textures.textureForMaterial(&scene.materials()[3]), std::nullopt);
    ASSERT_EQ(textures.notes().size(), 1u);
    EXPECT_NE(textures.notes()[0].find("graphics memory"), std::string::npos);

    textures.setBudget(4 * 2 * 4);  // room for one 4 x 2 image
    reload(textures, scene);
    EXPECT_EQ(textures.textureNameMap().size(), 3u);
    EXPECT_EQ(textures.textureForMaterial(&scene.materials()[3]), std::nullopt);
    ASSERT_EQ(textures.notes().size(), 1u);
    EXPECT_NE(textures.notes()[0].find("tex/b.png"), std::string::npos);
}

namespace {

QByteArray bitmapFile(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// A 6 x 3 bitmap of 16 colours whose pixels are run-length codes.
QByteArray runLengthBitmap(int bits, const std::vector<uint8_t>& codes) {
    auto add = [](QByteArray& b, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) b.append(char(value >> (8 * i)));
    };
    QByteArray b("BM");
    const uint32_t pixels = 14 + 40 + 16 * 4;
    add(b, pixels + static_cast<uint32_t>(codes.size()), 4), add(b, 0, 4), add(b, pixels, 4);
    add(b, 40, 4), add(b, 6, 4), add(b, 3, 4), add(b, 1, 2), add(b, static_cast<uint32_t>(bits), 2);
    add(b, bits == 8 ? 1 : 2, 4), add(b, static_cast<uint32_t>(codes.size()), 4), add(b, 0, 4), add(b, 0, 4), add(b, 16, 4), add(b, 0, 4);
    for (uint32_t i = 0; i < 16; ++i) add(b, i * 0x100f07, 4);
    b.append(reinterpret_cast<const char*>(codes.data()), static_cast<qsizetype>(codes.size()));
    return b;
}

}  // namespace

// Qt's reader leaves the pixels a bitmap lacks as whatever memory held: a bitmap cut
// after its header, cut within its rows, or whose run-length codes leave pixels out is
// no texture; whole ones of every kind decode.
TEST_F(TextureFolder, BitmapsWithoutEveryPixelAreUnreadable) {
    QImage picture(37, 29, QImage::Format_ARGB32);
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 37; ++x) picture.setPixel(x, y, qRgb(x * 7, y * 8, 255 - x * 3));
    const std::vector<uint8_t> rows8{3, 1, 3, 2, 0, 0, 6, 3, 0, 0, 0, 3, 4, 5, 6, 0, 3, 7, 0, 0, 0, 1};
    const std::vector<uint8_t> rows4{6, 0x12, 0, 0, 6, 0x34, 0, 0, 0, 6, 0x56, 0x78, 0x9a, 0, 0, 0, 0, 1};
    struct Case {
        const char* what;
        QByteArray bytes;
        bool whole;
    };
    std::vector<Case> cases;
    for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGB888, QImage::Format_Indexed8, QImage::Format_Mono}) {
        QByteArray whole = bitmapFile(picture.convertToFormat(format));
        cases.push_back({"whole", whole, true});
        cases.push_back({"cut after its header", whole.left(14 + 40 + (format == QImage::Format_Indexed8 ? 1024 : 8)), false});
        cases.push_back({"cut in its last row", whole.left(whole.size() - 2), false});
    }
    cases.push_back({"runs of 8 bits, whole", runLengthBitmap(8, rows8), true});
    cases.push_back({"runs of 4 bits, whole", runLengthBitmap(4, rows4), true});
    cases.push_back({"runs cut short", runLengthBitmap(8, {rows8.begin(), rows8.begin() + 10}), false});
    cases.push_back({"a row ended early", runLengthBitmap(8, {3, 1, 0, 0, 6, 3, 0, 0, 6, 3, 0, 0, 0, 1}), false});
    cases.push_back({"a jump over pixels", runLengthBitmap(8, {6, 1, 0, 0, 0, 2, 2, 0, 4, 3, 0, 0, 6, 3, 0, 0, 0, 1}), false});
    cases.push_back({"the bitmap ended early", runLengthBitmap(4, {6, 0x12, 0, 0, 0, 1}), false});
    for (const Case& c : cases) {
        writeBytes(path("t.bmp"), {c.bytes.begin(), c.bytes.end()});
        EXPECT_EQ(decodeTextureImage(QString::fromStdString(path("t.bmp"))).isNull(), !c.whole)
            << c.what << ", " << c.bytes.size() << " bytes";
    }
}

// A bitmap cut after its header, named three ways: drawn untextured, with one note that
// says why; a file that is no image at all goes quietly.
TEST_F(TextureFolder, AShortImageIsNotedOncePerFile) {
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray bitmap = bitmapFile(picture);
    writeBytes(path("short.bmp"), {bitmap.begin(), bitmap.begin() + 60});
    std::ofstream(path("junk.png")) << "not an image";
    Metasequoia scene = sceneWithTextures({"short.bmp", "./short.bmp", "tex/../short.bmp", "junk.png"});
    TextureLibrary textures;
    const auto& calls = reload(textures, scene);
    EXPECT_EQ(countCalls(calls, "glTexImage2D"), 0u);
    EXPECT_EQ(textures.notes(), (std::vector<std::string>{
                                    "texture \"short.bmp\" is drawn untextured: its file ends before its pixels do"}));
}
