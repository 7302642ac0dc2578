#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Camera.h"

TEST(Camera, ZoomIsClampedIntoItsRange) {
    Camera camera;
    camera.setZoom(1000);
    EXPECT_EQ(camera.zoom(), 800.0f);
    EXPECT_EQ(camera.pos().z, -1800.0f);
    camera.setZoom(-900);
    EXPECT_EQ(camera.zoom(), -800.0f);
    EXPECT_EQ(camera.pos().z, -200.0f);
    camera.setZoom(123.5f);
    EXPECT_EQ(camera.pos().z, -1123.5f);
}

TEST(Camera, ZoomThatIsNotANumberGivesTheNearEnd) {
    Camera camera;
    camera.setZoom(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(camera.zoom(), -800.0f);
    camera.setZoom(std::numeric_limits<float>::infinity());
    EXPECT_EQ(camera.zoom(), 800.0f);
    camera.setZoom(-std::numeric_limits<float>::infinity());
    EXPECT_EQ(camera.zoom(), -800.0f);
}

TEST(Camera, OriginIsClampedAndOffsetBy150) {
    Camera camera;
    camera.setOrigin({500, -500});
    EXPECT_EQ(camera.pos().x, 200.0f);
    EXPECT_EQ(camera.pos().y, -350.0f);
    EXPECT_EQ(camera.origin(), (Camera::Origin{200, -200}));
    camera.setOrigin({-12.25, 40.5});
    EXPECT_EQ(camera.pos().y, 40.5f - 150.0f);
    EXPECT_EQ(camera.origin(), (Camera::Origin{-12.25, 40.5}));
}

TEST(Camera, OriginIsRoundedTo32BitFloatsBeforeClamping) {
    Camera camera;
    camera.setOrigin({0.1, std::numeric_limits<double>::quiet_NaN()});
    EXPECT_EQ(camera.pos().x, 0.1f);
    EXPECT_EQ(camera.pos().y, -350.0f);  // NaN meets the lower bound first
}

TEST(CameraWrap, KeepsBothEndsAndStepsBy360) {
    EXPECT_EQ(Camera::wrapAngle(-360), 0.0f);
    EXPECT_EQ(Camera::wrapAngle(360), 360.0f);
    EXPECT_EQ(Camera::wrapAngle(720), 360.0f);
    EXPECT_EQ(Camera::wrapAngle(-30), 330.0f);
    EXPECT_EQ(Camera::wrapAngle(365), 5.0f);
    EXPECT_EQ(Camera::wrapAngle(0), 0.0f);
    EXPECT_EQ(Camera::wrapAngle(-0.0f), -0.0f);
    EXPECT_EQ(Camera::wrapAngle(1080.5f), 360.5f - 360.0f);
}

TEST(CameraWrap, MatchesTheLiteralStepsWhereTheyChangeTheValue) {
    // Steps of 360 from a value whose float spacing is 16 round at every step.
    for (float start : {1.5e8f, -1.5e8f, 123456789.0f, -987654.3f, 3.0e9f}) {
        float literal = start;
        while (literal < 0) literal += 360.0f;
        while (literal > 360) literal -= 360.0f;
        EXPECT_EQ(Camera::wrapAngle(start), literal) << start;
    }
}

TEST(CameraWrap, EndsInRangeForEveryInput) {
    const float inputs[] = {std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max(),
                            1e20f, -1e20f, 0x1p40f};
    for (float input : inputs) {
        float wrapped = Camera::wrapAngle(input);
        EXPECT_GE(wrapped, 0.0f) << input;
        EXPECT_LE(wrapped, 360.0f) << input;
    }
    EXPECT_EQ(Camera::wrapAngle(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(Camera, RotationSettersWrap) {
    Camera camera;
    camera.setRotateY(355.0f + 20.0f);
    EXPECT_EQ(camera.rotateY(), 15.0f);
    camera.setRotateX(-90);
    EXPECT_EQ(camera.rotateX(), 270.0f);
    EXPECT_EQ(camera.rotate().z, 0.0f);
}
