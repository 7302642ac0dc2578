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

// The fast forms must give exactly the bits of the definitions (odd counts too).
TEST(PoseKernels, FaceNormalsMatchTheScalarFormBitForBit) {
    std::mt19937 random(5);
    std::vector<ZeltoVertex> vertices = randomVertices(random, 500);
    auto at = [&](uint32_t i) -> const GLKVector3& { return vertices[i].affinePos; };
    for (size_t count : {0u, 3u, 8u, 13u, 1001u}) {
        auto triangles = randomFaces<3>(random, count, 500);
        auto quads = randomFaces<4>(random, count, 500);
        std::vector<GLKVector3> expected(count), fast(count);
        for (const auto& f : triangles) expected[f.face] = pose::triangleNormal(at(f.vertex[0]), at(f.vertex[1]), at(f.vertex[2]));
        pose::triangleNormals(vertices.data(), triangles, fast.data());
        EXPECT_TRUE(sameBits(expected, fast)) << count << " triangles";
        for (const auto& f : quads)
            expected[f.face] = pose::quadNormal(at(f.vertex[0]), at(f.vertex[1]), at(f.vertex[2]), at(f.vertex[3]));
        pose::quadNormals(vertices.data(), quads, fast.data());
        EXPECT_TRUE(sameBits(expected, fast)) << count << " quads";
    }
}

TEST(PoseKernels, SumsAndTransformsMatchTheScalarForm) {
    std::mt19937 random(9);
    std::uniform_real_distribution<float> value(-2, 2);
    std::vector<GLKVector3> faceNormals(300);
    for (GLKVector3& n : faceNormals) n = {value(random), value(random), -0.0f};
    std::vector<uint32_t> lists;
    std::vector<ZeltoNormal> normals(300);
    std::vector<GLKVector3> expected(300);
    for (size_t i = 0; i < 300; ++i) {
        normals[i] = ZeltoNormal{{}, static_cast<uint32_t>(lists.size())};
        expected[i] = {0, 0, 0};
        for (size_t k = 0; k < i % 5; ++k) {
            lists.push_back(static_cast<uint32_t>(random() % faceNormals.size()));
            expected[i] = GLKVector3Add(expected[i], faceNormals[lists.back()]);
        }
    }
    pose::sumNormals(faceNormals.data(), normals, lists);
    for (size_t i = 0; i < 300; ++i)
        ASSERT_EQ(std::memcmp(&expected[i], &normals[i].normal, sizeof(GLKVector3)), 0) << i;

    std::vector<ZeltoVertex> vertices = randomVertices(random, 257);
    std::vector<GLKMatrix4> bones(2);
    for (GLKMatrix4& m : bones)
        for (float& e : m.m) e = value(random);
    pose::transformVertices(vertices, bones);
    for (const ZeltoVertex& v : vertices) {
        // Bones -1 to 3: those without a matrix in the list stay where they are.
        GLKMatrix4 m = v.bone >= 0 && v.bone < 2 ? bones[static_cast<size_t>(v.bone)] : GLKMatrix4Identity;
        GLKVector3 p = GLKMatrix4MultiplyPoint(m, v.pos);
        ASSERT_EQ(std::memcmp(&p, &v.affinePos, sizeof(GLKVector3)), 0);
    }
}
