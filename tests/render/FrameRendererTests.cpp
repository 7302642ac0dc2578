#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "FrameRenderer.h"
#include "Metasequoia.h"
#include "RenderTestSupport.h"
#include "SceneTestSupport.h"
#include "TextureLibrary.h"

namespace {

std::vector<GLCall> callsOf(auto&& action) {
    clearRecordedGLCalls();
    action();
    return recordedGLCalls();
}

// The calls of one 10 x 10 frame of the scene on a path, the frame adjusted first.
std::vector<GLCall> frameCalls(Metasequoia& scene, DrawPath path, auto&& adjust) {
    TextureLibrary textures;
    FrameRenderer renderer;
    renderer.setDrawPath(path);
    FrameState frame;
    frame.scene = &scene;
    frame.backingWidth = frame.backingHeight = 10;
    adjust(frame);
    return callsOf([&] { renderer.drawFrame(frame, textures); });
}

// A scene with one object of two triangles on materials "a" and "b", and an object
// animation "move".
const char* const kTwoMaterialScene[] = {
    "Material 2 {",
    "\t\"a\" col(1.000 0.000 0.000 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00)",
    "\t\"b\" col(0.000 1.000 0.000 1.000) dif(1.000) amb(0.000) emi(0.000) spc(0.000) power(5.00)",
    "}",
    "Object \"o\" {",
    "\tvertex 4 {",
    "\t\t0.0000 0.0000 0.0000",
    "\t\t10.0000 0.0000 0.0000",
    "\t\t10.0000 10.0000 0.0000",
    "\t\t0.0000 10.0000 0.0000",
    "\t}",
    "\tface 2 {",
    "\t\t3 V(0 1 2) M(0) UV(0 0 1 0 1 1)",
    "\t\t3 V(0 2 3) M(1) UV(0 0 1 1 0 1)",
    "\t}",
    "\tanimation \"move\" {",
    "\t\t1 0 0 0 0 1 0 0 0 0 1 0 5 0 0 1",
    "\t\t1 0 0 0 0 1 0 0 0 0 1 0 7 0 0 1",
    "\t}",
    "}",
};

Metasequoia twoMaterialScene() {
    std::string body;
    for (const char* line : kTwoMaterialScene) body.append(line).append("\r\n");
    return Metasequoia::initWithString(documentWithBody(body));
}

}  // namespace

TEST(FrameSetup, AxisListHoldsThreeAxesTwoHalfAxesAndFortyGridLines) {
    auto calls = callsOf([] { FrameRenderer::drawAxis(); });
    EXPECT_EQ(calls.front(), call("glNewList", {1, GL_COMPILE}));
    // Segments with the colour current when each was sent.
    using Segment = std::tuple<std::vector<GLfloat>, std::vector<GLfloat>, std::vector<GLfloat>>;
    std::vector<Segment> segments;
    std::vector<GLfloat> colour, start;
    for (const GLCall& c : calls) {
        if (c.name == "glColor3f") colour = c.values;
        if (c.name != "glVertex3f") continue;
        if (start.empty()) {
            start = c.values;
        } else {
            segments.emplace_back(colour, start, c.values);
            start.clear();
        }
    }
    ASSERT_EQ(segments.size(), 45u);
    const std::vector<GLfloat> red{1, 0, 0}, green{0, 1, 0}, blue{0, 0, 1};
    const std::vector<GLfloat> grey{0.35686275f, 0.4117647f, 0.35686275f};
    EXPECT_EQ(segments[0], Segment(red, {0, 0, 0}, {600, 0, 0}));
    EXPECT_EQ(segments[1], Segment(green, {0, 0, 0}, {0, 600, 0}));
    EXPECT_EQ(segments[2], Segment(blue, {0, 0, 0}, {0, 0, 600}));
    EXPECT_EQ(segments[3], Segment(grey, {-500, 0, 0}, {0, 0, 0}));
    EXPECT_EQ(segments[4], Segment(grey, {0, 0, -500}, {0, 0, 0}));
    std::set<std::pair<std::vector<GLfloat>, std::vector<GLfloat>>> gridLines;
    for (size_t i = 5; i < segments.size(); ++i) {
        const auto& [c, from, to] = segments[i];
        EXPECT_EQ(c, grey);
        EXPECT_EQ(from[1], 0.0f);
        EXPECT_NE(from[0] == to[0], from[2] == to[2]) << "each grid line runs along x or z";
        gridLines.insert({from, to});
    }
    EXPECT_EQ(gridLines.size(), 40u);
    using Line = std::pair<std::vector<GLfloat>, std::vector<GLfloat>>;
    EXPECT_TRUE(gridLines.contains(Line({-500, 0, -500}, {-500, 0, 500})));
    EXPECT_TRUE(gridLines.contains(Line({-500, 0, -500}, {500, 0, -500})));
    EXPECT_TRUE(gridLines.contains(Line({500, 0, -500}, {500, 0, 500})));
    EXPECT_TRUE(gridLines.contains(Line({-500, 0, 450}, {500, 0, 450})));
    EXPECT_FALSE(gridLines.contains(Line({0, 0, -500}, {0, 0, 500})));
}

TEST(Frame, EmptySceneDrawsOnlyTheAxisListInTheBackingPixelsAspect) {
    TextureLibrary textures;
    FrameRenderer renderer;
    Metasequoia empty;
    FrameState frame;
    frame.scene = &empty;
    frame.backingWidth = 2 * 333.0;
    frame.backingHeight = 2 * 250.0;
    auto calls = callsOf([&] { renderer.drawFrame(frame, textures); });
    EXPECT_EQ(calls[3], call("gluPerspective", {}, {30, 666.0f / 500.0f, 10, 10000}));
    EXPECT_EQ(countCalls(calls, "glCallList"), 1u);
    EXPECT_EQ(countCalls(calls, "glPushMatrix"), 0u);
    frame.scene = nullptr;  // no scene at all: the same frame
    EXPECT_EQ(callsOf([&] { renderer.drawFrame(frame, textures); }), calls);
}

TEST(Frame, CameraAndSceneTransformsPrecedeEachModel) {
    Metasequoia scene = twoMaterialScene();
    scene.setPos({1, 2, 3});
    scene.setRotate({4, 5, 6});
    for (DrawPath path : {DrawPath::PerFace, DrawPath::Arrays}) {
        auto calls = frameCalls(scene, path, [](FrameState& frame) {
            frame.camera.setZoom(100);
            frame.camera.setRotateX(10);
            frame.animationName = "move";
            frame.animationTime = 3;  // frame 1 of two
        });
        EXPECT_EQ(calls[10], call("glTranslatef", {}, {0, -150, -1100}));
        EXPECT_EQ(calls[11], call("glRotatef", {}, {10, 1, 0, 0}));
        auto push = std::find_if(calls.begin(), calls.end(), [](auto& c) { return c.name == "glPushMatrix"; });
        ASSERT_NE(push, calls.end());
        EXPECT_EQ(push[1], call("glTranslatef", {}, {1, 2, 3}));
        EXPECT_EQ(push[2], call("glRotatef", {}, {4, 1, 0, 0}));
        EXPECT_EQ(push[3], call("glRotatef", {}, {5, 0, 1, 0}));
        EXPECT_EQ(push[4], call("glRotatef", {}, {6, 0, 0, 1}));
        EXPECT_EQ(push[5], call("glMultMatrixf", {}, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 0, 0, 1}));
        EXPECT_EQ(calls.back(), call("glPopMatrix"));
        EXPECT_EQ(countCalls(calls, "glPushMatrix"), 1u);
    }
}

TEST(Frame, WithoutAnimationEachModelTakesTheEmptyNameAtFrameZero) {
    Metasequoia scene = twoMaterialScene();
    TextureLibrary textures;
    FrameRenderer renderer;
    FrameState frame;
    frame.scene = &scene;
    frame.backingWidth = frame.backingHeight = 10;
    frame.animationTime = 1;  // ignored without a name
    auto calls = callsOf([&] { renderer.drawFrame(frame, textures); });
    auto mult = std::find_if(calls.begin(), calls.end(), [](auto& c) { return c.name == "glMultMatrixf"; });
    ASSERT_NE(mult, calls.end());
    // The model's pose for the empty name at frame 0 (its first animation's first frame),
    // not frame 1 of the counter.
    EXPECT_EQ(mult->values, (std::vector<GLfloat>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1}));
}

TEST(ModelLoop, MaterialsAABAApplyThreeTimesWithThreeTextureDecisions) {
    ZeltoMaterial a = ZeltoMaterial::materialWithName("a", 1, 0, 0, 1, 1, 0, 0, 0, 5, "");
    ZeltoMaterial b = ZeltoMaterial::materialWithName("b", 0, 1, 0, 1, 1, 0, 0, 0, 5, "");
    TextureLibrary textures;
    auto calls = callsOf([&] {
        MaterialSwitch materials(textures);
        for (const ZeltoMaterial* m : {&a, &a, &b, &a}) materials.use(m);
    });
    EXPECT_EQ(countCalls(calls, "glMaterialf"), 3u);  // one per application
    EXPECT_EQ(countCalls(calls, "glDisable"), 3u);    // untextured: texturing turned off
}

TEST(ModelLoop, EveryModelAppliesItsFirstMaterialAgain) {
    // Two models whose faces all use material "a": it is applied once per model.
    std::string body =
        "Material 1 {\r\n\t\"a\" col(1.0 1.0 1.0 1.0) dif(1.0) amb(0.0) emi(0.0) spc(0.0) power(5.0)\r\n}\r\n";
    for (const char* name : {"one", "two"})
        body += std::string("Object \"") + name +
                "\" {\r\n\tvertex 3 {\r\n\t\t0.0 0.0 0.0\r\n\t\t1.0 0.0 0.0\r\n\t\t0.0 1.0 0.0\r\n\t}\r\n"
                "\tface 2 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t\t3 V(0 2 1) M(0)\r\n\t}\r\n}\r\n";
    Metasequoia scene = Metasequoia::initWithString(documentWithBody(body));
    for (DrawPath path : {DrawPath::PerFace, DrawPath::Arrays})
        EXPECT_EQ(countCalls(frameCalls(scene, path, [](FrameState&) {}), "glMaterialf"), 2u);
}

TEST(ModelLoop, FaceWithoutMaterialAtTheStartKeepsTheCurrentState) {
    ZeltoMaterial a = ZeltoMaterial::materialWithName("a", 1, 0, 0, 1, 1, 0, 0, 0, 5, "");
    TextureLibrary textures;
    const ZeltoMaterial* none = nullptr;
    auto calls = callsOf([&] {
        MaterialSwitch materials(textures);
        for (const ZeltoMaterial* m : std::initializer_list<const ZeltoMaterial*>{none, &a, none}) materials.use(m);
    });
    // The first face sends no state; "a" is applied; the last face turns texturing off.
    EXPECT_EQ(countCalls(calls, "glMaterialf"), 1u);
    EXPECT_EQ(countCalls(calls, "glDisable"), 2u);
}

namespace {

Metasequoia sceneWithObjectSettings(const std::string& first, const std::string& second) {
    std::string body =
        "Material 1 {\r\n\t\"a\" col(1.0 1.0 1.0 1.0) dif(1.0) amb(0.0) emi(0.0) spc(0.0) power(5.0)\r\n}\r\n";
    for (const std::string* settings : {&first, &second})
        body += "Object \"o\" {\r\n" + *settings +
                "\tvertex 3 {\r\n\t\t10.0 0.0 0.0\r\n\t\t20.0 0.0 0.0\r\n\t\t10.0 10.0 0.0\r\n\t}\r\n"
                "\tface 1 {\r\n\t\t3 V(0 2 1) M(0)\r\n\t}\r\n}\r\n";
    return Metasequoia::initWithString(documentWithBody(body));
}

std::vector<GLCall> framesCalls(Metasequoia& scene, DrawPath path, bool hide, bool mirrors) {
    return frameCalls(scene, path, [&](FrameState& frame) {
        frame.hideInvisible = hide;
        frame.drawMirroredHalves = mirrors;
    });
}

}  // namespace

TEST(FrameOptions, ObjectsHiddenInTheModellerAreLeftOutOnlyWhenAsked) {
    Metasequoia scene = sceneWithObjectSettings("\tvisible 0\r\n", "\tvisible 15\r\n");
    for (DrawPath path : {DrawPath::PerFace, DrawPath::Arrays}) {
        EXPECT_EQ(countCalls(framesCalls(scene, path, false, false), "glPushMatrix"), 2u);
        EXPECT_EQ(countCalls(framesCalls(scene, path, true, false), "glPushMatrix"), 1u);
    }
}

TEST(FrameOptions, MirroredHalvesAreReflectedWithTheirWindingTurned) {
    // Mirrored across x and z: three reflections (x, z, and both), the winding turned
    // for the single ones.
    Metasequoia scene = sceneWithObjectSettings("\tmirror 1\r\n\tmirror_axis 5\r\n", "");
    for (DrawPath path : {DrawPath::PerFace, DrawPath::Arrays}) {
        std::vector<GLCall> plain = framesCalls(scene, path, false, false);
        EXPECT_EQ(countCalls(plain, "glScalef"), 0u);
        std::vector<GLCall> mirrored = framesCalls(scene, path, false, true);
        std::vector<GLCall> reflections;
        for (const GLCall& c : mirrored)
            if (c.name == "glScalef" || c.name == "glFrontFace") reflections.push_back(c);
        EXPECT_EQ(reflections, (std::vector<GLCall>{
                                   call("glScalef", {}, {-1, 1, 1}), call("glFrontFace", {GL_CW}),
                                   call("glFrontFace", {GL_CCW}), call("glScalef", {}, {1, 1, -1}),
                                   call("glFrontFace", {GL_CW}), call("glFrontFace", {GL_CCW}),
                                   call("glScalef", {}, {-1, 1, -1})}));
        size_t draws = countCalls(mirrored, path == DrawPath::PerFace ? "glBegin" : "glDrawElements");
        EXPECT_EQ(draws, 4u + 1u);  // the mirrored object four times, the other once
    }
}

// Graphics memory running out shows as a message and a model drawn another way, never as
// a model missing without a word.
TEST(FrameOptions, ArraysOpenGLCannotHoldLeaveTheModelDrawnFaceByFace) {
    Metasequoia scene = twoMaterialScene();
    TextureLibrary textures;
    FrameRenderer renderer;
    renderer.setDrawPath(DrawPath::Arrays);
    FrameState frame;
    frame.scene = &scene;
    frame.backingWidth = frame.backingHeight = 10;
    failNextRecordedUpload(GL_OUT_OF_MEMORY);
    auto calls = callsOf([&] { renderer.drawFrame(frame, textures); });
    EXPECT_EQ(countCalls(calls, "glBegin"), 2u);  // its two triangles, one by one
    EXPECT_EQ(countCalls(calls, "glDrawElements"), 0u);
    ASSERT_EQ(renderer.notes().size(), 1u);
    EXPECT_NE(renderer.notes()[0].find("\"o\""), std::string::npos);
    calls = callsOf([&] { renderer.drawFrame(frame, textures); });
    EXPECT_EQ(countCalls(calls, "glBegin"), 2u);
    EXPECT_EQ(renderer.notes().size(), 1u);
}
