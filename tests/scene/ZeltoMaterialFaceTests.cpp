#include <gtest/gtest.h>

#include <cmath>

#include "MeshBuilder.h"
#include "RecordingGL.h"
#include "ZeltoMaterial.h"

namespace {

std::vector<GLfloat> valuesOf(const GLCall& call) { return call.values; }

std::vector<std::string> namesOf(const std::vector<GLCall>& calls) {
    std::vector<std::string> names;
    for (const GLCall& c : calls) names.push_back(c.name);
    return names;
}

}  // namespace

TEST(ZeltoMaterial, ApplySetsEachLightingColourAsTheColourTimesItsFactor) {
    // Specular is grey; alpha is the colour's own, never scaled.
    auto material = ZeltoMaterial::materialWithName("m", 0.2f, 0.4f, 0.6f, 0.5f, 2, 3, 4, 0.7f, 128, "t.png");
    clearRecordedGLCalls();
    material.apply();
    const auto& calls = recordedGLCalls();
    ASSERT_EQ(calls.size(), 5u);
    const GLenum pnames[] = {GL_DIFFUSE, GL_AMBIENT, GL_SPECULAR, GL_EMISSION, GL_SHININESS};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(calls[i].enums, (std::vector<GLenum>{GL_FRONT_AND_BACK, pnames[i]}));
    EXPECT_EQ(valuesOf(calls[0]), (std::vector<GLfloat>{0.2f * 2, 0.4f * 2, 0.6f * 2, 0.5f}));
    EXPECT_EQ(valuesOf(calls[1]), (std::vector<GLfloat>{0.2f * 3, 0.4f * 3, 0.6f * 3, 0.5f}));
    EXPECT_EQ(valuesOf(calls[2]), (std::vector<GLfloat>{0.7f, 0.7f, 0.7f, 0.5f}));
    EXPECT_EQ(valuesOf(calls[3]), (std::vector<GLfloat>{0.2f * 4, 0.4f * 4, 0.6f * 4, 0.5f}));
    EXPECT_EQ(valuesOf(calls[4]), (std::vector<GLfloat>{128}));
}

TEST(ZeltoFaceFactory, CornerCountFollowsPresentVertices) {
    constexpr uint32_t none = ZeltoFace::kNoVertex;
    auto two = ZeltoFace::faceWithMaterial(nullptr, 0, 1, none, 3, 1, 2, 3, 4, 5, 6, 7, 8);
    EXPECT_EQ(two.count(), 2);
    auto three = ZeltoFace::faceWithMaterial(nullptr, 2, 0, 1, none, 1, 2, 3, 4, 5, 6, 7, 8);
    EXPECT_EQ(three.count(), 3);
    EXPECT_EQ(three.corner(0).vertex, 2u);
    EXPECT_EQ(three.corner(2).vertex, 1u);
    EXPECT_EQ(three.corner(2).uv, (GLKVector2{5, 6}));
    auto four = ZeltoFace::faceWithMaterial(nullptr, 0, 1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8);
    EXPECT_EQ(four.count(), 4);
    EXPECT_EQ(four.corner(3).uv, (GLKVector2{7, 8}));
    // A face is a value: a copy keeps everything, also once its model is gone.
    ZeltoFace copy = four;
    EXPECT_EQ(copy.corner(3).vertex, 3u);
    EXPECT_EQ(copy.corner(1).uv, (GLKVector2{3, 4}));
}

TEST(ZeltoFaceDraw, FlatCornersSendTheNegatedFaceNormal) {
    MeshBuilder mesh;
    mesh.vertex({0, 0, 0});
    mesh.vertex({1, 0, 0});
    mesh.vertex({0, 1, 0});
    mesh.face({0, 1, 2});
    ZeltoModel model = mesh.build();
    clearRecordedGLCalls();
    model.faces()[0].drawFace(model);
    const auto& calls = recordedGLCalls();
    ASSERT_EQ(namesOf(calls),
              (std::vector<std::string>{"glBegin", "glTexCoord2fv", "glNormal3fv", "glVertex3fv",
                                        "glTexCoord2fv", "glNormal3fv", "glVertex3fv",
                                        "glTexCoord2fv", "glNormal3fv", "glVertex3fv", "glEnd"}));
    EXPECT_EQ(calls[0].enums[0], static_cast<GLenum>(GL_POLYGON));
    for (int corner = 0; corner < 3; ++corner) {
        const auto& n = calls[2 + 3 * corner].values;
        EXPECT_EQ(n, (std::vector<GLfloat>{0, 0, -1}));
        EXPECT_TRUE(std::signbit(n[0]) && std::signbit(n[1])) << "zero components are sent as -0";
    }
    EXPECT_EQ(calls[6].values, (std::vector<GLfloat>{1, 0, 0}));
}

TEST(ZeltoFaceDraw, TwoCornerFaceSendsNegativeZeroNormals) {
    MeshBuilder mesh;
    mesh.vertex({0, 0, 0});
    mesh.vertex({1, 2, 3});
    mesh.face({0, 1});
    ZeltoModel model = mesh.build();
    clearRecordedGLCalls();
    model.faces()[0].drawFace(model);
    const auto& calls = recordedGLCalls();
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls[0].enums[0], static_cast<GLenum>(GL_POLYGON));
    for (float c : calls[2].values) {
        EXPECT_EQ(c, 0.0f);
        EXPECT_TRUE(std::signbit(c));
    }
}

TEST(ZeltoFaceDraw, QuadSendsPosedPositionsAndSharedNormals) {
    MeshBuilder mesh;
    for (auto p : {GLKVector3{0, 0, 0}, GLKVector3{1, 0, 0}, GLKVector3{1, 1, 0},
                   GLKVector3{0, 1, 0}, GLKVector3{2, 0, 0}, GLKVector3{2, 1, 0}})
        mesh.vertex(p, 0);
    mesh.face({0, 1, 2, 3});
    mesh.face({1, 4, 5, 2});
    ZeltoModel model = mesh.build();
    GLKMatrix4 shift = GLKMatrix4Identity;
    shift.m[12] = 10;
    std::vector<GLKMatrix4> bones{shift};
    model.resetupNormalsWithMatrix(bones);
    clearRecordedGLCalls();
    model.faces()[0].drawFace(model);
    const auto& calls = recordedGLCalls();
    ASSERT_EQ(calls.size(), 14u);
    EXPECT_EQ(calls[3].values, (std::vector<GLfloat>{10, 0, 0}));  // posed, not rest
    EXPECT_EQ(calls[6].values, (std::vector<GLfloat>{11, 0, 0}));
    // Corner 1 lies on the shared edge: its normal is the sum of both faces' normals.
    EXPECT_EQ(calls[5].values, (std::vector<GLfloat>{-0.0f, -0.0f, -2}));
    EXPECT_EQ(calls[2].values, (std::vector<GLfloat>{-0.0f, -0.0f, -1}));
}
