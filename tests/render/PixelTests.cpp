// Whole frames drawn for real, without a display, and probed pixel by pixel.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include <EGL/egl.h>

#include <QImage>
#include <QTemporaryDir>

#include "DocumentGenerator.h"
#include "FrameImage.h"
#include "FramePose.h"
#include "FrameRenderer.h"
#include "Framing.h"
#include "HeadlessContext.h"
#include "Metasequoia.h"
#include "SceneTestSupport.h"
#include "TextureLibrary.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

std::unique_ptr<HeadlessContext> makeContext(int width, int height) {
    try {
        return std::make_unique<HeadlessContext>(width, height);
    } catch (const std::exception& error) {
        return nullptr;
    }
}

#define REQUIRE_CONTEXT(context)                                                   \
    if (!(context)) GTEST_SKIP() << "no OpenGL without a display on this machine"

struct Picture {
    QImage image;
    FrameState frame;
};

QImage draw(HeadlessContext& context, Metasequoia* scene, const Camera& camera,
            DrawPath path = DrawPath::Arrays, const std::string& documentPath = {},
            std::optional<std::string_view> animation = std::nullopt, uint64_t time = 0,
            bool mirrors = false, const std::function<void(FrameState&)>& adjust = {}) {
    FrameRenderer renderer;
    renderer.setDrawPath(path);
    renderer.prepare();
    FrameRenderer::reshape(0, 0, context.width(), context.height());
    TextureLibrary textures;
    if (!documentPath.empty()) textures.setTextureBaseURL(documentPath);
    textures.reloadTextures(scene);
    FrameState frame;
    frame.scene = scene;
    frame.camera = camera;
    frame.animationName = animation;
    frame.animationTime = time;
    frame.backingWidth = context.width();
    frame.backingHeight = context.height();
    frame.drawMirroredHalves = mirrors;
    if (adjust) adjust(frame);
    renderer.drawFrame(frame, textures);
    QImage image = context.readPixels();
    textures.reloadTextures(nullptr);
    return image;
}

// Where a world point lands in the image (top row 0), by the frame's own arithmetic.
QPointF projected(const Camera& camera, double x, double y, double z, int width, int height) {
    auto rotate = [](double& a, double& b, double degrees) {  // turns (a, b) by the angle
        double r = degrees * M_PI / 180, c = std::cos(r), s = std::sin(r);
        double a2 = c * a - s * b, b2 = s * a + c * b;
        a = a2;
        b = b2;
    };
    rotate(x, y, camera.rotate().z);
    rotate(z, x, camera.rotate().y);
    rotate(y, z, camera.rotate().x);
    x += camera.pos().x;
    y += camera.pos().y;
    z += camera.pos().z;
    double f = 1 / std::tan(15 * M_PI / 180), aspect = double(width) / height;
    double ndcX = f / aspect * x / -z, ndcY = f * y / -z;
    return {(ndcX + 1) / 2 * width, (1 - (ndcY + 1) / 2) * height};
}

QColor pixel(const QImage& image, QPointF at) { return image.pixelColor(int(at.x()), int(at.y())); }

// True when a pixel of exactly this colour lies within two pixels of the point.
bool colourNear(const QImage& image, QPointF at, QColor colour) {
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            QPoint p(int(at.x()) + dx, int(at.y()) + dy);
            if (image.rect().contains(p) && image.pixelColor(p).rgb() == colour.rgb()) return true;
        }
    return false;
}

void expectColour(QColor actual, int r, int g, int b, int tolerance = 1) {
    EXPECT_NEAR(actual.red(), r, tolerance);
    EXPECT_NEAR(actual.green(), g, tolerance);
    EXPECT_NEAR(actual.blue(), b, tolerance);
}

const QColor kClear(30, 65, 90);

// A square of side 100 in the plane z = 0 centred on (0, 250), with one material; the
// corners run clockwise as the camera sees them from +z, or anticlockwise. Above eye
// level and beside the y axis, only the clear colour lies behind its right half.
Metasequoia square(const std::string& material, bool clockwise = true, const std::string& z = "0.0") {
    std::string corners = clockwise ? "4 V(0 1 2 3) M(0) UV(0.0 0.0 1.0 0.0 1.0 1.0 0.0 1.0)"
                                    : "4 V(3 2 1 0) M(0) UV(0.0 1.0 1.0 1.0 1.0 0.0 0.0 0.0)";
    std::string body = "Material 1 {\r\n\t" + material + "\r\n}\r\nObject \"square\" {\r\n\tvertex 4 {\r\n" +
                       "\t\t-50.0 300.0 " + z + "\r\n\t\t50.0 300.0 " + z + "\r\n\t\t50.0 200.0 " + z +
                       "\r\n\t\t-50.0 200.0 " + z + "\r\n\t}\r\n\tface 1 {\r\n\t\t" + corners +
                       "\r\n\t}\r\n}\r\n";
    return Metasequoia::initWithString(documentWithBody(body));
}

// One quadrilateral over four corners ("x y z"), in a diffuse orange that lit head-on
// shows as (204, 102, 51); `objectLines` go before the vertex list.
Metasequoia orangeQuad(const std::string& name, const std::string& objectLines,
                       const std::array<std::string, 4>& corners) {
    std::string body = "Material 1 {\r\n\t\"m\" col(0.800 0.400 0.200 1.000) dif(1.000) amb(0.000) emi(0.000) "
                       "spc(0.000) power(5.00)\r\n}\r\nObject \"" + name + "\" {\r\n" + objectLines +
                       "\tvertex 4 {\r\n";
    for (const std::string& corner : corners) body += "\t\t" + corner + "\r\n";
    body += "\t}\r\n\tface 1 {\r\n\t\t4 V(0 1 2 3) M(0)\r\n\t}\r\n}\r\n";
    return Metasequoia::initWithString(documentWithBody(body));
}

Camera facingCamera() {
    Camera camera;
    camera.setRotateX(0);
    camera.setRotateY(0);
    return camera;
}

}  // namespace

TEST(Pixels, EmptySceneShowsTheClearColourTheAxesAndTheGrid) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    Metasequoia empty;
    Camera camera;
    QImage image = draw(*context, &empty, camera);
    EXPECT_EQ(image.pixelColor(0, 0).rgb(), kClear.rgb());
    EXPECT_EQ(image.pixelColor(kWidth - 1, 0).rgb(), kClear.rgb());
    auto at = [&](double x, double y, double z) { return projected(camera, x, y, z, kWidth, kHeight); };
    EXPECT_TRUE(colourNear(image, at(300, 0, 0), QColor(255, 0, 0)));
    EXPECT_TRUE(colourNear(image, at(0, 300, 0), QColor(0, 255, 0)));
    EXPECT_TRUE(colourNear(image, at(0, 0, 60), QColor(0, 0, 255)));
    EXPECT_TRUE(colourNear(image, at(-275, 0, -100), QColor(91, 105, 91)));  // a grid line along x
    EXPECT_TRUE(colourNear(image, at(-150, 0, -225), QColor(91, 105, 91)));  // a grid line along z
    EXPECT_EQ(pixel(image, at(-275, 0, -125)).rgb(), kClear.rgb());          // between grid lines
}

TEST(Pixels, LitFaceTakesItsMaterialsColour) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    Metasequoia scene = square("\"m\" col(0.800 0.400 0.200 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00)");
    Camera camera = facingCamera();
    QImage image = draw(*context, &scene, camera);
    // Diffuse only, lit head-on: the base colour times the diffuse factor.
    expectColour(pixel(image, projected(camera, 25, 250, 0, kWidth, kHeight)), 204, 102, 51);
}

TEST(Pixels, AmbientLightAddsTheGlobalAndTheLightsAmbient) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    Metasequoia scene = square("\"m\" col(1.000 1.000 1.000 1.000) dif(0.000) amb(0.500) emi(0.000) spc(0.000) power(5.00)");
    Camera camera = facingCamera();
    QImage image = draw(*context, &scene, camera);
    // 0.5 x (0.2 of the default global ambient + 0.25 of light 0) = 0.225.
    int expected = int(std::lround(0.225 * 255));
    expectColour(pixel(image, projected(camera, 25, 250, 0, kWidth, kHeight)), expected, expected, expected);
}

TEST(Pixels, FaceWoundAnticlockwiseOnScreenIsCulled) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    Metasequoia scene = square("\"m\" col(0.800 0.400 0.200 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00)", false);
    Camera camera = facingCamera();
    QImage image = draw(*context, &scene, camera);
    EXPECT_EQ(pixel(image, projected(camera, 25, 250, 0, kWidth, kHeight)).rgb(), kClear.rgb());
}

TEST(Pixels, BackFacesShowLitOnTheirOwnSideAndEdgesLieOverTheFaces) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    const std::string orange = "\"m\" col(0.800 0.400 0.200 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00)";
    Camera camera = facingCamera();
    QPointF inside = projected(camera, 25, 250, 0, kWidth, kHeight);
    for (DrawPath path : {DrawPath::PerFace, DrawPath::Arrays}) {
        Metasequoia behind = square(orange, false);
        QImage both = draw(*context, &behind, camera, path, {}, std::nullopt, 0, false,
                           [](FrameState& frame) { frame.backFaces = true; });
        expectColour(pixel(both, inside), 204, 102, 51);

        Metasequoia front = square(orange);
        QImage edges = draw(*context, &front, camera, path, {}, std::nullopt, 0, false,
                            [](FrameState& frame) { frame.wireframe = true; });
        expectColour(pixel(edges, inside), 204, 102, 51);
        QPointF onEdge = projected(camera, 49.8, 250, 0, kWidth, kHeight);  // the right side, x = 50
        EXPECT_TRUE(colourNear(edges, onEdge, QColor(13, 13, 13)));
        EXPECT_FALSE(colourNear(draw(*context, &front, camera, path), onEdge, QColor(13, 13, 13)));
    }
}

TEST(Pixels, TexturesTopRowIsAtTZero) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    QTemporaryDir folder;
    QImage texture(8, 8, QImage::Format_RGBA8888);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) texture.setPixelColor(x, y, y < 4 ? Qt::red : Qt::blue);
    ASSERT_TRUE(texture.save(folder.filePath("two.png")));
    Metasequoia scene = square("\"m\" col(1.000 1.000 1.000 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00) tex(\"two.png\")");
    Camera camera = facingCamera();
    QImage image = draw(*context, &scene, camera, DrawPath::Arrays, folder.filePath("doc.mqo").toStdString());
    expectColour(pixel(image, projected(camera, 25, 290, 0, kWidth, kHeight)), 255, 0, 0);
    expectColour(pixel(image, projected(camera, 25, 210, 0, kWidth, kHeight)), 0, 0, 255);
}

TEST(Pixels, TranslucentMaterialBlendsWithWhatIsBehind) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    Metasequoia scene = square("\"glass\" col(1.000 1.000 1.000 0.500) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00)");
    Camera camera = facingCamera();
    QImage image = draw(*context, &scene, camera);
    expectColour(pixel(image, projected(camera, 25, 250, 0, kWidth, kHeight)),
                 (255 + 30) / 2, (255 + 65) / 2, (255 + 90) / 2);
}

TEST(Pixels, BothDrawPathsGiveIdenticalPixels) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    for (const char* name : {"materials", "animated", "arm", "flag"}) {
        SCOPED_TRACE(name);
        std::string path = std::string(ZELTO_SAMPLES_DIR) + "/" + name + ".mqo";
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Metasequoia scene = Metasequoia::initWithData(bytes);
        std::vector<std::string> names = scene.animationNames();
        std::optional<std::string_view> animation;
        if (!names.empty()) animation = names.front();
        Camera camera;
        camera.setZoom(-300);
        QImage perFace = draw(*context, &scene, camera, DrawPath::PerFace, path, animation, 11);
        QImage arrays = draw(*context, &scene, camera, DrawPath::Arrays, path, animation, 11);
        EXPECT_EQ(perFace, arrays);
        EXPECT_NE(perFace.pixelColor(kWidth / 2, kHeight / 2).rgb(), kClear.rgb()) << "the model is in view";
    }
}

TEST(Pixels, BothDrawPathsAgreeOnALargeMesh) {
    auto context = makeContext(800, 600);
    REQUIRE_CONTEXT(context);
    Metasequoia scene = Metasequoia::initWithData(bench::generateDocument(200000));
    Camera camera;
    camera.setZoom(-500);
    camera.setRotateX(320);  // the generated surface faces down
    QImage perFace = draw(*context, &scene, camera, DrawPath::PerFace);
    QImage arrays = draw(*context, &scene, camera, DrawPath::Arrays);
    EXPECT_EQ(perFace, arrays);
    EXPECT_NE(arrays.pixelColor(400, 300).rgb(), kClear.rgb()) << "the mesh is in view";
}

TEST(Pixels, MirroredHalfLooksLikeTheHalfStored) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    Metasequoia scene = orangeQuad("half", "\tmirror 1\r\n\tmirror_axis 1\r\n",
                                   {"25.0 300.0 0.0", "75.0 300.0 0.0", "75.0 200.0 0.0", "25.0 200.0 0.0"});
    Camera camera = facingCamera();
    QPointF stored = projected(camera, 50, 250, 0, kWidth, kHeight);
    QPointF mirrored = projected(camera, -50, 250, 0, kWidth, kHeight);
    for (DrawPath path : {DrawPath::PerFace, DrawPath::Arrays}) {
        QImage plain = draw(*context, &scene, camera, path);
        EXPECT_EQ(pixel(plain, mirrored).rgb(), kClear.rgb());
        QImage both = draw(*context, &scene, camera, path, {}, std::nullopt, 0, true);
        expectColour(pixel(both, stored), 204, 102, 51);
        expectColour(pixel(both, mirrored), 204, 102, 51);  // lit the same: its normals turned too
    }
}

// What a frame covers of the picture: every pixel not of the clear colour.
QRect covered(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() != kClear.rgb()) area |= QRect(x, y, 1, 1);
    return area;
}

// As OpenGL draws them: models of any size and place open whole in the picture, clear of
// its edges and over a third of it; a thumbnail's model fills 90% of its square.
TEST(Pixels, EveryModelOpensWholeInThePictureAndThumbnailsFillTheirSquare) {
    const std::string shapes[] = {
        boxObject("far", {250000, 80000, -120000}, {40000, 20000, 30000}),
        boxObject("tiny", {0.5f, 0.2f, 0}, {0.02f, 0.03f, 0.01f}),
        boxObject("rod", {0, 20, 0}, {4000, 60, 60}),
        boxObject("beside", {900, 0, 0}, {300, 300, 300}),
    };
    // The model alone, in the view given.
    auto picture = [](HeadlessContext& context, Metasequoia& scene, const View& view) {
        return covered(draw(context, &scene, view.camera, DrawPath::Arrays, {}, std::nullopt, 0, false,
                            [&view](FrameState& frame) {
                                frame.fit = view.fit;
                                frame.showGrid = frame.showAxes = false;
                            }));
    };
    {
        auto context = makeContext(kWidth, kHeight);
        REQUIRE_CONTEXT(context);
        for (const std::string& shape : shapes) {
            SCOPED_TRACE(shape.substr(0, shape.find('{')));
            Metasequoia scene = sceneOfObjects(shape);
            View opening = openingView(scene, FramePose(scene, std::nullopt, 0), {}, float(kWidth) / kHeight);
            QRect area = picture(*context, scene, opening);
            EXPECT_TRUE(QRect(1, 1, kWidth - 2, kHeight - 2).contains(area));
            EXPECT_TRUE(area.width() >= kWidth / 3 || area.height() >= kHeight / 3);
        }
    }
    auto square = makeContext(160, 160);
    REQUIRE_CONTEXT(square);
    for (const std::string& shape : shapes) {
        SCOPED_TRACE(shape.substr(0, shape.find('{')));
        Metasequoia scene = sceneOfObjects(shape);
        View thumbnail = *framedView(scene, FramePose(scene, std::nullopt, 0), {}, Camera(), 1.0f, kThumbnailShare);
        QRect area = picture(*square, scene, thumbnail);
        EXPECT_NEAR(std::max(area.width(), area.height()), 144, 3);
        EXPECT_TRUE(QRect(5, 5, 150, 150).contains(area));
    }
}

TEST(Pixels, LayoutsMadeAheadAndModelsShownAgainDrawTheSamePixels) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    std::string path = std::string(ZELTO_SAMPLES_DIR) + "/arm.mqo";
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The arm, marked invisible, bent by its "wave" bones.
    std::string hidden = bytes;
    hidden.replace(hidden.find("\tvisible 15"), 11, "\tvisible 0");
    Metasequoia scene = Metasequoia::initWithData(hidden);
    Camera camera;
    camera.setZoom(-300);
    FrameRenderer::reshape(0, 0, kWidth, kHeight);
    TextureLibrary textures;
    auto frameAt = [&](uint64_t time, bool hide) {
        FrameState frame;
        frame.scene = &scene;
        frame.camera = camera;
        frame.animationName = "wave";
        frame.animationTime = time;
        frame.backingWidth = kWidth;
        frame.backingHeight = kHeight;
        frame.hideInvisible = hide;
        return frame;
    };
    FrameRenderer reference;
    reference.setDrawPath(DrawPath::PerFace);
    reference.prepare();
    reference.drawFrame(frameAt(7, false), textures);
    QImage expected = context->readPixels();
    reference.drawFrame(frameAt(0, false), textures);
    QImage atRest = context->readPixels();
    ASSERT_NE(expected, atRest);  // the pose shows

    // Laid out on another thread, then drawn.
    FrameRenderer ahead;
    ahead.prepare();
    FrameRenderer::Layouts layouts;
    std::thread([&] { layouts = FrameRenderer::layOut(scene); }).join();
    ahead.adoptLayouts(&scene, std::move(layouts));
    ahead.drawFrame(frameAt(7, false), textures);
    EXPECT_EQ(context->readPixels(), expected);

    // Drawn at rest, hidden while the pose moves on, shown again: in the new pose.
    FrameRenderer toggled;
    toggled.prepare();
    toggled.drawFrame(frameAt(0, false), textures);
    EXPECT_EQ(context->readPixels(), atRest);
    toggled.drawFrame(frameAt(7, true), textures);
    toggled.drawFrame(frameAt(7, false), textures);
    EXPECT_EQ(context->readPixels(), expected);
}

// A concave polygon of six corners, read compatibly, draws exactly as the same L drawn
// as two quadrilaterals.
TEST(Pixels, AConcavePolygonDrawsAsTheSameShapeInQuads) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    const std::string material = "Material 1 {\r\n\t\"m\" col(0.800 0.400 0.200 1.000) dif(1.000) amb(0.000) "
                                 "emi(0.000) spc(0.000) power(5.00)\r\n}\r\n";
    const std::string vertices = "\tvertex 6 {\r\n\t\t-60.0 200.0 0.0\r\n\t\t60.0 200.0 0.0\r\n\t\t60.0 260.0 0.0\r\n"
                                 "\t\t0.0 260.0 0.0\r\n\t\t0.0 320.0 0.0\r\n\t\t-60.0 320.0 0.0\r\n\t}\r\n";
    auto document = [&](const std::string& faces) {
        return "Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\n" + material + "Object \"L\" {\r\n" + vertices +
               faces + "}\r\nEof\r\n";
    };
    Metasequoia polygon = Metasequoia::initWithData(
        document("\tface 1 {\r\n\t\t6 V(5 4 3 2 1 0) M(0)\r\n\t}\r\n"), MQAReading::Compatible);
    Metasequoia quads = Metasequoia::initWithData(
        document("\tface 2 {\r\n\t\t4 V(3 2 1 0) M(0)\r\n\t\t4 V(5 4 3 0) M(0)\r\n\t}\r\n"), MQAReading::Compatible);
    ASSERT_EQ(polygon.models()[0].faces().size(), 4u);
    Camera camera = facingCamera();
    for (DrawPath path : {DrawPath::PerFace, DrawPath::Arrays}) {
        QImage expected = draw(*context, &quads, camera, path);
        QImage actual = draw(*context, &polygon, camera, path);
        EXPECT_EQ(actual, expected);
        expectColour(pixel(actual, projected(camera, -30, 290, 0, kWidth, kHeight)), 204, 102, 51);
        EXPECT_EQ(pixel(actual, projected(camera, 30, 290, 0, kWidth, kHeight)).rgb(), kClear.rgb());  // the notch
    }
}

// A context whose set-up fails lets go of what it made; reading back a picture there is
// no memory for gives none rather than writing through nothing.
TEST(Headless, FailuresLeaveNothingBehind) {
    auto context = makeContext(kWidth, kHeight);
    REQUIRE_CONTEXT(context);
    EXPECT_TRUE(readFrameImage(1 << 20, 1 << 20).isNull());
    context.reset();
    EXPECT_THROW(HeadlessContext(1 << 20, 1 << 20), std::runtime_error);  // no framebuffer that large
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}
