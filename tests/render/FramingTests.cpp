// How a view opens on a model and frames it: every model whole in view at a good size,
// the default camera kept where it already shows one so, a framed model turning about its
// own centre, and models that show nothing because every face points away.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "FramePose.h"
#include "Framing.h"
#include "Metasequoia.h"
#include "SceneTestSupport.h"

namespace {

constexpr float kAspect = 4.0f / 3.0f;

FramePose rest(const Metasequoia& scene) { return FramePose(scene, std::nullopt, 0); }

}  // namespace

TEST(Framing, EveryModelOpensWholeInViewAtAGoodSize) {
    struct Case {
        const char* what;
        std::string objects;
        DisplayChoice display;
        bool keepsTheDefaultCamera;
    };
    const Case cases[] = {
        {"of the grid's size", boxObject("b", {0, 60, 0}, {200, 120, 200}), {}, true},
        {"large and far from the origin", boxObject("b", {250000, 80000, -120000}, {40000, 20000, 30000}), {}, false},
        {"tiny", boxObject("b", {0.5f, 0.2f, 0}, {0.02f, 0.03f, 0.01f}), {}, false},
        {"a few units across", boxObject("b", {11, 1, 0}, {2, 2, 2}), {}, false},
        {"long and thin", boxObject("b", {0, 20, 0}, {4000, 6, 6}), {}, false},
        {"tall and thin", boxObject("b", {0, 0, 0}, {6, 3000, 6}), {}, false},
        {"cut off by the view's bottom edge", boxObject("b", {0, -200, 0}, {300, 200, 300}), {}, false},
        {"behind the camera", boxObject("b", {0, 0, 3000}, {100, 100, 100}), {}, false},
        {"beside the view", boxObject("b", {5000, 0, 0}, {100, 100, 100}), {}, false},
        // Framed with the mirrored half it draws; framed without the huge object it hides.
        {"mirrored, both halves drawn", boxObject("b", {300, 100, 0}, {300, 200, 200}, "\tmirror 1\r\n"), {true, false},
         false},
        {"beside a huge hidden object",
         boxObject("b", {0, 60, 0}, {200, 120, 200}) + boxObject("h", {0, 0, 0}, {90000, 9000, 9000}, "\tvisible 0\r\n"),
         {false, true}, true},
    };
    for (const Case& c : cases) {
        for (float aspect : {kAspect, 0.6f}) {
            SCOPED_TRACE(std::string(c.what) + ", aspect " + std::to_string(aspect));
            Metasequoia scene = sceneOfObjects(c.objects);
            View view = openingView(scene, rest(scene), c.display, aspect);
            ViewExtent extent = extentInView(scene, rest(scene), c.display, view, aspect);
            EXPECT_TRUE(extent.whole(kEdgeMargin));
            EXPECT_GE(extent.share(), kShownShare);
            if (aspect == kAspect) {
                EXPECT_EQ(view == View(), c.keepsTheDefaultCamera);
            }
            if (!(view == View())) {
                EXPECT_NEAR(extent.share(), kFramedShare, 1e-3);
            }
        }
    }
    // Nothing to show: the default camera.
    Metasequoia empty;
    EXPECT_EQ(openingView(empty, rest(empty), {}, kAspect), View());
    EXPECT_FALSE(framedView(empty, rest(empty), {}, Camera(), kAspect));
}

TEST(Framing, TheBundledSamplesOpenAtTheDefaultCamera) {
    for (const char* name : {"flag", "materials", "animated", "arm"}) {
        SCOPED_TRACE(name);
        std::ifstream in(std::string(ZELTO_SAMPLES_DIR) + "/" + name + ".mqo", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Metasequoia scene = Metasequoia::initWithData(bytes);
        for (float aspect : {kAspect, 960.0f / 648.0f}) EXPECT_EQ(openingView(scene, rest(scene), {}, aspect), View());
    }
}

// Framed from any turn, a model fills the view; turned afterwards, it turns about its own
// middle and stays in view, however far from the grid's origin it lies.
TEST(Framing, AFramedModelTurnsAboutItsOwnCentre) {
    Metasequoia box = sceneOfObjects(boxObject("b", {7000, -300, 2500}, {120, 100, 80}));
    for (GLKVector3 turn : {GLKVector3{30, 30, 0}, GLKVector3{0, 0, 0}, GLKVector3{80, 200, 0}}) {
        Camera turned;
        turned.setRotateX(turn.x);
        turned.setRotateY(turn.y);
        std::optional<View> framed = framedView(box, rest(box), {}, turned, kAspect);
        ASSERT_TRUE(framed);
        EXPECT_EQ(framed->camera.rotate(), turned.rotate());
        EXPECT_NEAR(extentInView(box, rest(box), {}, *framed, kAspect).share(), kFramedShare, 1e-3);
    }
    // The cube's middle stays where it was in the view as the cube turns.
    Metasequoia cube = sceneOfObjects(boxObject("c", {7000, -300, 2500}, {100, 100, 100}));
    Metasequoia middle = sceneOfObjects("Object \"m\" {\r\n\tvertex 1 {\r\n\t\t7000 -300 2500\r\n\t}\r\n}\r\n");
    View framed = openingView(cube, rest(cube), {}, kAspect);
    ViewExtent start = extentInView(middle, rest(middle), {}, framed, kAspect);
    EXPECT_NEAR(start.left, 0, 0.1);
    EXPECT_NEAR(start.bottom, 0, 0.1);
    for (float angle = 0; angle < 360; angle += 45) {
        SCOPED_TRACE(angle);
        View view = framed;
        view.camera.setRotateY(angle);
        view.camera.setRotateX(angle / 2);
        ViewExtent centre = extentInView(middle, rest(middle), {}, view, kAspect);
        EXPECT_NEAR(centre.left, start.left, 1e-6);
        EXPECT_NEAR(centre.bottom, start.bottom, 1e-6);
        EXPECT_GE(extentInView(cube, rest(cube), {}, view, kAspect).share(), kShownShare);
    }
}

TEST(Framing, APictureWithEveryFacePointingAwayIsNoticed) {
    // One square in the plane z = 0, its corners counter-clockwise seen from +z, where the
    // default camera stands: seen from behind.
    auto square = [](const char* corners, const std::string& lines = "") {
        return sceneOfObjects("Object \"s\" {\r\n" + lines +
                       "\tvertex 4 {\r\n\t\t-100 0 0\r\n\t\t100 0 0\r\n\t\t100 200 0\r\n\t\t-100 200 0\r\n\t}\r\n"
                       "\tface 1 {\r\n\t\t" + corners + " M(0)\r\n\t}\r\n}\r\n");
    };
    struct Case {
        const char* what;
        Metasequoia scene;
        DisplayChoice display;
        bool allAway;
    };
    Case cases[] = {
        {"seen from behind", square("4 V(0 1 2 3)"), {}, true},
        {"seen from the front", square("4 V(0 3 2 1)"), {}, false},
        {"a triangle seen from behind", square("3 V(0 1 2)"), {}, true},
        {"a line has no sides", square("2 V(0 1)"), {}, false},
        {"mirrored across x: still from behind", square("4 V(0 1 2 3)", "\tmirror 1\r\n"), {true, false}, true},
        {"mirrored across z: its copy faces the camera", square("4 V(0 1 2 3)", "\tmirror 1\r\n\tmirror_axis 4\r\n"),
         {true, false}, false},
        {"the copy not drawn", square("4 V(0 1 2 3)", "\tmirror 1\r\n\tmirror_axis 4\r\n"), {}, true},
        {"a closed box", sceneOfObjects(boxObject("b", {0, 0, 0}, {100, 100, 100})), {}, false},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        View view = openingView(c.scene, rest(c.scene), c.display, kAspect);
        EXPECT_EQ(allFacesPointAway(c.scene, rest(c.scene), c.display, view, kAspect), c.allAway);
    }
}
