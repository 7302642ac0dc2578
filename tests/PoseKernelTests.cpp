#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

#include "PoseKernels.h"

namespace {

// Random positions, with some repeated and some collinear so zero-length normals occur.
std::vector<ZeltoVertex> randomVertices(std::mt19937& random, size_t count) {
    std::uniform_real_distribution<float> coordinate(-100, 100);
    std::vector<ZeltoVertex> vertices(count);
    for (size_t i = 0; i < count; ++i) {
        GLKVector3 p{coordinate(random), coordinate(random), coordinate(random)};
        if (i % 17 == 3) p = vertices[i - 1].pos;
        vertices[i] = ZeltoVertex::initWithPosX(p.x, p.y, p.z, static_cast<int32_t>(i % 5) - 1);
        vertices[i].affinePos = p;
    }
    return vertices;
}

template <int N>
std::vector<pose::ShapeCorners<N>> randomFaces(std::mt19937& random, size_t count, uint32_t vertices) {
    std::vector<pose::ShapeCorners<N>> faces(count);
    for (uint32_t f = 0; f < count; ++f) {
        faces[f].face = f;
        for (int k = 0; k < N; ++k) faces[f].vertex[k] = static_cast<uint32_t>(random() % vertices);
    }
    return faces;
}

bool sameBits(const std::vector<GLKVector3>& a, const std::vector<GLKVector3>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(GLKVector3)) == 0);
}

}  // namespace

// The wide forms must give exactly the bits of the scalar definition (odd counts too).
TEST(PoseKernels, FaceNormalsMatchTheScalarFormBitForBit) {
    std::mt19937 random(5);
    std::vector<ZeltoVertex> vertices = randomVertices(random, 500);
    for (size_t count : {0u, 3u, 8u, 13u, 1001u}) {
        auto triangles = randomFaces<3>(random, count, 500);
        auto quads = randomFaces<4>(random, count, 500);
        std::vector<GLKVector3> expected(count), fast(count), sse(count);
        pose::triangleNormalsScalar(vertices.data(), triangles, expected.data());
        pose::triangleNormals(vertices.data(), triangles, fast.data());
        pose::triangleNormalsSSE(vertices.data(), triangles, sse.data());
        EXPECT_TRUE(sameBits(expected, fast) && sameBits(expected, sse)) << count << " triangles";
        pose::quadNormalsScalar(vertices.data(), quads, expected.data());
        pose::quadNormals(vertices.data(), quads, fast.data());
        pose::quadNormalsSSE(vertices.data(), quads, sse.data());
        EXPECT_TRUE(sameBits(expected, fast) && sameBits(expected, sse)) << count << " quads";
    }
}

TEST(PoseKernels, SumsAndTransformsMatchTheScalarForm) {
    std::mt19937 random(9);
    std::uniform_real_distribution<float> value(-2, 2);
    std::vector<GLKVector3> faceNormals(300);
    for (GLKVector3& n : faceNormals) n = {value(random), value(random), -0.0f};
    std::vector<uint32_t> lists;
    std::vector<ZeltoNormal> a(300), b(300);
    for (size_t i = 0; i < 300; ++i) {
        a[i] = b[i] = ZeltoNormal{{}, static_cast<uint32_t>(lists.size())};
        for (size_t k = 0; k < i % 5; ++k)
            lists.push_back(static_cast<uint32_t>(random() % faceNormals.size()));
    }
    pose::sumNormalsScalar(faceNormals.data(), a, lists);
    pose::sumNormals(faceNormals.data(), b, lists);
    for (size_t i = 0; i < 300; ++i)
        ASSERT_EQ(std::memcmp(&a[i].normal, &b[i].normal, sizeof(GLKVector3)), 0) << i;

    std::vector<ZeltoVertex> v1 = randomVertices(random, 257), v2 = v1;
    std::vector<GLKMatrix4> bones(2);
    for (GLKMatrix4& m : bones)
        for (float& e : m.m) e = value(random);
    pose::transformVerticesScalar(v1, bones);
    pose::transformVertices(v2, bones);
    for (size_t i = 0; i < v1.size(); ++i)
        ASSERT_EQ(std::memcmp(&v1[i].affinePos, &v2[i].affinePos, sizeof(GLKVector3)), 0) << i;
}
