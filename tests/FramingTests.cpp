// When a view fits the world to a model, and how: the first picture's rule on both sides
// of its threshold, and fits that keep the grid's spacing round.

#include <gtest/gtest.h>

#include "FramePose.h"
#include "Framing.h"
#include "Metasequoia.h"
#include "SceneTestSupport.h"

namespace {

// A cube of the given side around a centre, one material, corners as "x y z".
Metasequoia cube(float side, GLKVector3 centre) {
    std::string body = "Material 1 {\r\n\t\"m\" col(0.800 0.800 0.800 1.000)\r\n}\r\nObject \"cube\" {\r\n\tvertex 8 {\r\n";
    for (int i = 0; i < 8; ++i) {
        float x = centre.x + (i & 1 ? side : -side) / 2, y = centre.y + (i & 2 ? side : -side) / 2,
              z = centre.z + (i & 4 ? side : -side) / 2;
        body += "\t\t" + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + "\r\n";
    }
    body += "\t}\r\n\tface 2 {\r\n\t\t4 V(0 1 3 2) M(0)\r\n\t\t4 V(4 6 7 5) M(0)\r\n\t}\r\n}\r\n";
    return Metasequoia::initWithString(documentWithBody(body));
}

std::optional<ViewFit> firstPictureFit(Metasequoia&& scene) {
    return fitWhenUnseen(scene, FramePose(scene, std::nullopt, 0), 4.0f / 3.0f);
}

}  // namespace

TEST(Framing, TheFirstPictureIsFittedOnlyWhenTheDefaultCameraShowsTooLittle) {
    // Seen from the default camera's corner, a cube at the origin takes about 0.3% of
    // the view's height per unit of side: 5% at about 16 units.
    EXPECT_TRUE(firstPictureFit(cube(12, {0, 0, 0})));
    EXPECT_FALSE(firstPictureFit(cube(22, {0, 0, 0})));
    EXPECT_FALSE(firstPictureFit(cube(300, {0, 0, 0})));
    // Of a good size, but beside the view, or behind the camera.
    EXPECT_TRUE(firstPictureFit(cube(100, {5000, 0, 0})));
    EXPECT_TRUE(firstPictureFit(cube(100, {0, 0, 3000})));
    EXPECT_FALSE(firstPictureFit(cube(100, {250, 0, 0})));
    Metasequoia empty;
    EXPECT_FALSE(fitWhenUnseen(empty, FramePose(empty, std::nullopt, 0), 1));
}

TEST(Framing, AFitCentresTheModelAndKeepsTheGridSpacingRound) {
    for (float side : {0.002f, 0.3f, 2.0f, 7.0f, 20.0f, 5000.0f}) {
        SCOPED_TRACE(side);
        Metasequoia scene = cube(side, {1000, -40, 3});
        FramePose pose(scene, std::nullopt, 0);
        std::optional<ViewFit> fit = fitFor(scene, pose);
        ASSERT_TRUE(fit);
        EXPECT_NEAR(fit->centre.x, 1000, 1e-3);
        EXPECT_NEAR(fit->centre.y, -40, 1e-3);
        double spacing = fit->gridSpacing();
        double mantissa = spacing / std::pow(10.0, std::floor(std::log10(spacing) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-4 || std::fabs(mantissa - 2) < 1e-4 || std::fabs(mantissa - 5) < 1e-4)
            << spacing;
        // Fitted, the model takes a good part of the view's height, like a model of the
        // grid's size at the default camera.
        float height = heightInView(scene, pose, fittedCamera(Camera()), 4.0f / 3.0f, fit);
        EXPECT_GT(height, 0.2f);
        EXPECT_LT(height, 0.9f);
    }
}
