#include <gtest/gtest.h>

#include <cstring>

#include "FramePose.h"
#include "FrameRenderer.h"
#include "MeshBuilder.h"
#include "Metasequoia.h"
#include "ModelArrays.h"
#include "RenderTestSupport.h"
#include "TextureLibrary.h"

namespace {

// The triangles immediate mode sends: each polygon of n >= 3 corners as corners
// (i, i+1, 0), each corner as texture coordinates, normal and position.
std::vector<GLfloat> polygonsAsTriangles(const std::vector<GLCall>& calls) {
    std::vector<GLfloat> triangles;
    std::vector<std::vector<GLfloat>> corners;
    std::vector<GLfloat> corner;
    for (const GLCall& c : calls) {
        if (c.name == "glBegin") corners.clear();
        if (c.name == "glTexCoord2fv" || c.name == "glNormal3fv")
            corner.insert(corner.end(), c.values.begin(), c.values.end());
        if (c.name == "glVertex3fv") {
            corner.insert(corner.end(), c.values.begin(), c.values.end());
            corners.push_back(corner);
            corner.clear();
        }
        if (c.name == "glEnd")
            for (size_t i = 1; i + 1 < corners.size(); ++i)
                for (size_t k : {i, i + 1, size_t{0}})
                    triangles.insert(triangles.end(), corners[k].begin(), corners[k].end());
    }
    return triangles;
}

std::vector<GLfloat> arrayTriangles(const std::vector<GLCall>& calls) {
    std::vector<GLfloat> triangles;
    for (const GLCall& c : calls)
        if (c.name == "glDrawElements") triangles.insert(triangles.end(), c.values.begin(), c.values.end());
    return triangles;
}

// Equal bit for bit, so -0 and 0 differ.
void expectSameBits(const std::vector<GLfloat>& a, const std::vector<GLfloat>& b) {
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(GLfloat)), 0);
}

// Material applications and texture decisions, in order, leaving out the draws.
std::vector<GLCall> stateChanges(const std::vector<GLCall>& calls) {
    std::vector<GLCall> changes;
    for (const GLCall& c : calls)
        if (c.name.starts_with("glMaterial") || c.name == "glEnable" || c.name == "glDisable" ||
            c.name == "glBindTexture")
            changes.push_back(c);
    return changes;
}

void expectArraysMatchPolygons(const ZeltoModel& model, const PoseView& pose) {
    TextureLibrary textures;
    clearRecordedGLCalls();
    FrameRenderer::drawFacesOneByOne(model, pose, textures);
    std::vector<GLCall> perFace = recordedGLCalls();

    ModelArrays arrays(model);
    arrays.refill(model, pose);
    arrays.upload();
    clearRecordedGLCalls();
    FrameRenderer::drawFacesFromArrays(arrays, textures);
    std::vector<GLCall> fromArrays = recordedGLCalls();

    expectSameBits(polygonsAsTriangles(perFace), arrayTriangles(fromArrays));
    EXPECT_EQ(stateChanges(perFace), stateChanges(fromArrays));
}

void expectArraysMatchPolygons(const ZeltoModel& model) { expectArraysMatchPolygons(model, model.posed()); }

std::string sample(const char* name) { return std::string(ZELTO_SAMPLES_DIR) + "/" + name; }

std::string sampleBytes(const char* name) {
    std::string bytes;
    if (std::FILE* file = std::fopen(sample(name).c_str(), "rb")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

}  // namespace

TEST(ModelArrays, SamplesSendTheSameCornersAsPolygons) {
    for (const char* name : {"materials.mqo", "animated.mqo", "arm.mqo", "flag.mqo"}) {
        SCOPED_TRACE(name);
        Metasequoia scene = Metasequoia::initWithData(sampleBytes(name));
        std::vector<std::string> names = scene.animationNames();
        FramePose pose(scene, names.empty() ? std::nullopt : std::optional<std::string_view>(names.back()), 7);
        for (const ZeltoModel& model : scene.models()) expectArraysMatchPolygons(model, pose.poseOf(model));
    }
}

TEST(ModelArrays, MixedShapesFlatAndSmoothCornersMatchPolygons) {
    ZeltoMaterial a = ZeltoMaterial::materialWithName("a", 1, 0, 0, 1, 1, 0, 0, 0, 5, "");
    ZeltoMaterial b = ZeltoMaterial::materialWithName("b", 0, 1, 0, 1, 1, 0, 0, 0, 5, "");
    MeshBuilder mesh;
    uint32_t p[8];
    for (int i = 0; i < 8; ++i)
        p[i] = mesh.vertex({float(i % 4) * 10, float(i / 4) * 10, float(i % 3)}, i % 2);
    mesh.face({p[0], p[4], p[5], p[1]}, &a, 0.25f);
    mesh.face({p[1], p[5], p[2]}, &a);
    mesh.face({p[2], p[5], p[6]}, &b);
    mesh.face({p[2], p[3]}, &b);             // two corners: no triangle, but part of the run
    mesh.face({p[3], p[6], p[7]}, nullptr);  // no material
    mesh.face({p[6], p[3], p[2], p[7]}, &b);  // sharp fold: flat corners at a 10 degree facet
    ZeltoModel model = mesh.build(10.0f);
    GLKMatrix4 bend = GLKMatrix4Identity;
    bend.m[12] = 3;
    bend.m[4] = 0.5f;
    std::vector<GLKMatrix4> bones{GLKMatrix4Identity, bend};
    model.resetupNormalsWithMatrix(bones);
    expectArraysMatchPolygons(model);
}

TEST(ModelArrays, SmoothCornersShareElementsAndTwoCornerFacesAddNone) {
    MeshBuilder mesh;
    uint32_t c = mesh.vertex({0, 0, 0});
    uint32_t a = mesh.vertex({10, 0, 0}), b = mesh.vertex({0, 10, 0}), d = mesh.vertex({-10, 0, 0});
    mesh.face({c, b, a});
    mesh.face({c, d, b});
    mesh.face({a, b});
    ZeltoModel model = mesh.build();
    ModelArrays arrays(model);
    // Coplanar faces with equal texture coordinates share c and b: 4 elements for 6 corners.
    EXPECT_EQ(arrays.elements().size(), 4u);
    EXPECT_EQ(arrays.indices().size(), 6u);
    ASSERT_EQ(arrays.runs().size(), 1u);
    EXPECT_EQ(arrays.runs()[0].indexCount, 6u);
}

TEST(ModelArrays, RefillFollowsANewPose) {
    MeshBuilder mesh;
    uint32_t v0 = mesh.vertex({0, 0, 0}, 0), v1 = mesh.vertex({10, 0, 0}, 0), v2 = mesh.vertex({0, 10, 0}, 0);
    mesh.face({v0, v2, v1});
    ZeltoModel model = mesh.build();
    ModelArrays arrays(model);
    arrays.refill(model);
    EXPECT_EQ(arrays.elements()[1].y, 10.0f);
    GLKMatrix4 up = GLKMatrix4Identity;
    up.m[13] = 5;
    std::vector<GLKMatrix4> bones{up};
    model.resetupNormalsWithMatrix(bones);
    arrays.refill(model);
    EXPECT_EQ(arrays.elements()[1].y, 15.0f);
}

TEST(ModelArrays, LayingOutStopsOnceCancelled) {
    Metasequoia scene = Metasequoia::initWithData(sampleBytes("flag.mqo"));
    MQAProgress cancelled;
    cancelled.cancel();
    EXPECT_THROW(FrameRenderer::layOut(scene, &cancelled), MQACancelled);
    EXPECT_THROW(ModelArrays(scene.models()[0], &cancelled), MQACancelled);
    EXPECT_FALSE(FrameRenderer::layOut(scene).empty());
}
