#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FacetTest.h"
#include "MeshBuilder.h"
#include "ZeltoMaterial.h"

namespace {

// Which shared normal (or -1 for flat) each face's corner on the first vertex uses.
std::vector<int> linksAtVertex0(const ZeltoModel& model) {
    std::vector<int> links;
    for (const ZeltoFace& face : model.faces())
        for (int32_t k = 0; k < face.count(); ++k)
            if (face.corner(k).vertex == 0) {
                uint32_t link = face.corner(k).normal;
                links.push_back(link == ZeltoCorner::kNormalFlat ? -1 : static_cast<int>(link));
                break;
            }
    return links;
}

// Every shared normal lists exactly the faces whose corners link to it.
void expectNormalsAndLinksAgree(const ZeltoModel& model) {
    // Each triangle is linked to its own normal: across its edges, of unit length.
    auto dot = [](GLKVector3 a, GLKVector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    for (const ZeltoFace& face : model.faces()) {
        GLKVector3 normal = model.faceNormal(face);
        float length = std::sqrt(dot(normal, normal));
        if (face.count() != 3 || length == 0) continue;
        EXPECT_NEAR(length, 1.0f, 1e-4f);
        for (int32_t k = 0; k < 2; ++k) {
            GLKVector3 edge = GLKVector3Subtract(model.vertices()[face.corner(k + 1).vertex].pos,
                                                  model.vertices()[face.corner(k).vertex].pos);
            EXPECT_NEAR(dot(normal, edge), 0.0f, 1e-4f);
        }
    }
    for (uint32_t n = 0; n < model.normals().size(); ++n)
        for (uint32_t f : model.facesOfNormal(n)) {
            const ZeltoFace& face = model.faces()[f];
            bool linked = false;
            for (int32_t k = 0; k < face.count(); ++k) linked |= face.corner(k).normal == n;
            EXPECT_TRUE(linked) << "normal " << n << " lists face " << f;
        }
}

}  // namespace

TEST(ZeltoModelFaceNormals, TrianglesQuadsAndDegenerateFaces) {
    MeshBuilder mesh;
    for (auto p : {GLKVector3{0, 0, 0}, GLKVector3{2, 0, 0}, GLKVector3{0, 2, 0},
                   GLKVector3{2, 2, 1}, GLKVector3{4, 0, 0}})
        mesh.vertex(p);
    mesh.face({0, 1, 2});     // flat in z = 0
    mesh.face({0, 1, 3, 2});  // non-planar: the sum of the four corner cross products
    mesh.face({0, 1, 4});     // corners in a line
    mesh.face({0, 0, 0});     // corners on one point
    mesh.face({0, 1});        // two corners
    ZeltoModel model = mesh.build();
    const auto& faces = model.faces();
    EXPECT_EQ(model.faceNormal(faces[0]), (GLKVector3{0, 0, 1}));
    GLKVector3 quad = model.faceNormal(faces[1]);
    // Cross products: (0,-2,4) + (-2,-2,4) + (-2,0,4) + (0,0,4) = (-4,-4,16), normalised.
    float r = 1.0f / std::sqrt(288.0f);
    EXPECT_EQ(quad, (GLKVector3{-4 * r, -4 * r, 16 * r}));
    EXPECT_EQ(model.faceNormal(faces[2]), (GLKVector3{0, 0, 1}));
    EXPECT_EQ(model.faceNormal(faces[3]), (GLKVector3{0, 0, 1}));
    EXPECT_EQ(model.faceNormal(faces[4]), (GLKVector3{0, 0, 0}));
}

TEST(ZeltoModelGrouping, CoplanarFacesShareANormal) {
    MeshBuilder mesh;
    for (auto p : {GLKVector3{0, 0, 0}, GLKVector3{1, 0, 0}, GLKVector3{0, 1, 0},
                   GLKVector3{-1, 0, 0}})
        mesh.vertex(p);
    mesh.face({0, 1, 2});
    mesh.face({0, 2, 3});
    ZeltoModel model = mesh.build(30);
    ASSERT_EQ(model.normals().size(), 2u);  // at vertices 0 and 2, which both faces touch
    for (size_t n = 0; n < model.normals().size(); ++n) {
        EXPECT_EQ(model.facesOfNormal(n).size(), 2u);
        EXPECT_EQ(model.normals()[n].normal, (GLKVector3{0, 0, 0})) << "zero until the first pose";
    }
    EXPECT_EQ(model.faces()[0].corner(1).normal, ZeltoCorner::kNormalFlat);  // vertex 1: alone
    model.calcNormals();
    EXPECT_EQ(model.normals()[0].normal, (GLKVector3{0, 0, 2}));
    expectNormalsAndLinksAgree(model);
}

TEST(ZeltoModelGrouping, TwoCornerFacesGroupByEquality) {
    MeshBuilder mesh;
    mesh.vertex({0, 0, 0});
    mesh.vertex({1, 0, 0});
    mesh.vertex({0, 1, 0});
    mesh.face({0, 1});
    mesh.face({0, 2});
    ZeltoModel model = mesh.build(90);
    EXPECT_EQ(linksAtVertex0(model), (std::vector<int>{0, 0}));
}

TEST(ZeltoModelGrouping, RepeatedVertexInOneFace) {
    MeshBuilder mesh;
    for (auto p : {GLKVector3{0, 0, 0}, GLKVector3{1, 0, 0}, GLKVector3{0, 1, 0}}) mesh.vertex(p);
    mesh.face({0, 1, 0, 2});
    ZeltoModel model = mesh.build(60);
    const ZeltoFace& face = model.faces()[0];
    // The face is listed twice at vertex 0 and groups with itself; its second corner
    // there draws with the same normal as the first.
    ASSERT_EQ(model.normals().size(), 1u);
    EXPECT_EQ(model.facesOfNormal(0).size(), 2u);
    EXPECT_EQ(face.corner(0).normal, 0u);
    EXPECT_EQ(face.corner(2).normal, 0u);
}

TEST(ZeltoModelSort, FacesOrderedByMaterialStably) {
    std::vector<ZeltoMaterial> materials;
    for (const char* name : {"a", "b", "c"})
        materials.push_back(ZeltoMaterial::materialWithName(name, 1, 1, 1, 1, 1, 1, 1, 1, 1, ""));
    MeshBuilder mesh;
    uint32_t center = mesh.vertex({0, 0, 0});
    for (auto p : {GLKVector3{1, 0, 0}, GLKVector3{0, 1, 0}, GLKVector3{-1, 0, 0},
                   GLKVector3{0, -1, 0}})
        mesh.vertex(p);
    mesh.face({center, 1, 2}, &materials[2], 1);
    mesh.face({center, 2, 3}, nullptr, 2);
    mesh.face({center, 3, 4}, &materials[0], 3);
    mesh.face({center, 4, 1}, &materials[2], 4);
    mesh.face({center, 1, 3}, &materials[1], 5);
    ZeltoModel model = mesh.build(80);
    std::vector<float> tags;
    for (const ZeltoFace& face : model.faces()) tags.push_back(face.corner(0).uv.x);
    EXPECT_EQ(tags, (std::vector<float>{2, 3, 5, 1, 4}));
    expectNormalsAndLinksAgree(model);
}

// Faces in order within each half but not across the middle end up sorted, each
// material's faces in their document order.
TEST(ZeltoModelSort, ALargeModelOutOfOrderOnlyAcrossItsMiddleIsSorted) {
    std::vector<ZeltoMaterial> materials;
    for (const char* name : {"a", "b"})
        materials.push_back(ZeltoMaterial::materialWithName(name, 1, 1, 1, 1, 1, 1, 1, 1, 1, ""));
    const uint32_t faces = 1 << 16;
    MeshBuilder mesh(faces + 2);
    for (uint32_t i = 0; i < faces + 2; ++i) mesh.vertex({static_cast<float>(i), static_cast<float>(i % 7), 0});
    for (uint32_t i = 0; i < faces; ++i)
        mesh.face({i, i + 1, i + 2}, &materials[i < faces / 2 ? 1 : 0], static_cast<float>(i));
    ZeltoModel model = mesh.build(80);
    ASSERT_EQ(model.faces().size(), faces);
    for (uint32_t k = 0; k < faces; ++k)
        ASSERT_EQ(model.faces()[k].corner(0).uv.x, static_cast<float>((k + faces / 2) % faces)) << k;
}

// Faces handed over already in material order, with their document order, group and
// end up exactly as faces handed over in document order.
TEST(ZeltoModelSort, PresortedFacesMatchDocumentOrder) {
    std::vector<ZeltoMaterial> materials;
    for (const char* name : {"a", "b", "c"})
        materials.push_back(ZeltoMaterial::materialWithName(name, 1, 1, 1, 1, 1, 1, 1, 1, 1, ""));
    auto mesh = [&] {
        MeshBuilder builder;
        uint32_t center = builder.vertex({0, 0, 0});
        for (int i = 0; i < 8; ++i)
            builder.vertex({std::cos(0.785f * static_cast<float>(i)), std::sin(0.785f * static_cast<float>(i)),
                            0.3f * static_cast<float>(i % 3)});
        const ZeltoMaterial* use[] = {&materials[2], &materials[0], &materials[2], &materials[1],
                                      &materials[0], &materials[1], &materials[2], &materials[0]};
        for (uint32_t i = 0; i < 8; ++i)
            builder.face({center, 1 + i, 1 + (i + 1) % 8}, use[i], static_cast<float>(i));
        return builder;
    };
    auto describe = [](const ZeltoModel& model) {
        std::vector<std::vector<uint32_t>> shape;
        for (const ZeltoFace& face : model.faces())
            shape.push_back({static_cast<uint32_t>(face.corner(0).uv.x), face.corner(0).normal,
                             face.corner(1).normal, face.corner(2).normal});
        for (size_t n = 0; n < model.normals().size(); ++n)
            shape.emplace_back(model.facesOfNormal(n).begin(), model.facesOfNormal(n).end());
        return shape;
    };
    ZeltoModel plain = mesh().build(50);
    ZeltoModel presorted = mesh().buildPresorted(50);
    EXPECT_EQ(describe(presorted), describe(plain));
    expectNormalsAndLinksAgree(plain);
    expectNormalsAndLinksAgree(presorted);
    ASSERT_GT(plain.normals().size(), 1u);

    EXPECT_THROW(ZeltoModel::modelWithName("x", 1, {}, {}, {0}, {}), std::invalid_argument);
}

// The threshold test must agree with the acos test it replaces, everywhere.
TEST(FacetTestEquivalence, AgreesWithAcosNearEveryThreshold) {
    for (float facet : {0.0f, 0.5f, 1.0f, 30.0f, 59.5f, 60.0f, 89.9f, 90.0f, 120.0f, 179.0f,
                        180.0f, 360.0f, -10.0f}) {
        FacetTest test(facet);
        float d0 = std::cos(test.limit());
        for (float center : {d0, 1.0f, -1.0f, 0.0f}) {
            float d = center;
            for (int i = 0; i < 3000; ++i) d = std::nextafter(d, -2.0f);
            for (int i = 0; i < 6000; ++i, d = std::nextafter(d, 2.0f))
                ASSERT_EQ(test.accepts(d), test.acceptsByAngle(d)) << facet << " " << d;
        }
        EXPECT_FALSE(test.accepts(std::numeric_limits<float>::quiet_NaN()));
    }
}

TEST(ZeltoModelGrouping, ALargeModelNumbersItsNormalsInVertexOrder) {
    // A flat grid big enough to be grouped in two halves: every vertex that two or more
    // faces share gets one normal, numbered by vertex; the four corners stay flat. A
    // crease down the middle row makes the vertices there take two normals each.
    const uint32_t n = 300, side = n + 1;
    MeshBuilder mesh(size_t{side} * side);
    for (uint32_t z = 0; z < side; ++z)
        for (uint32_t x = 0; x < side; ++x)
            mesh.vertex({float(x), z > n / 2 ? float(z - n / 2) * 2 : 0.0f, float(z)});
    for (uint32_t z = 0; z < n; ++z)
        for (uint32_t x = 0; x < n; ++x)
            mesh.face({z * side + x, (z + 1) * side + x, (z + 1) * side + x + 1, z * side + x + 1});
    ZeltoModel model = mesh.build(30);

    auto faceCount = [&](uint32_t x, uint32_t z) { return (x > 0 && x < n ? 2u : 1u) * (z > 0 && z < n ? 2u : 1u); };
    std::vector<uint32_t> firstNormal(size_t{side} * side, ZeltoCorner::kNormalFlat);
    uint32_t next = 0;
    for (uint32_t z = 0; z < side; ++z)
        for (uint32_t x = 0; x < side; ++x) {
            uint32_t faces = faceCount(x, z);
            if (faces == 1) continue;
            firstNormal[z * side + x] = next;
            // On the crease the faces below and above it form a group each, when each side
            // holds two of them; one face alone on a side is flat there.
            next += z == n / 2 && faces == 4 ? 2 : z == n / 2 ? 0 : 1;
        }
    ASSERT_EQ(model.normals().size(), next);
    for (uint32_t f = 0; f < model.faces().size(); ++f) {
        const ZeltoFace& face = model.faces()[f];
        uint32_t fz = f / n;
        for (int32_t k = 0; k < 4; ++k) {
            uint32_t vz = fz + (k == 1 || k == 2 ? 1 : 0), vx = f % n + (k >= 2 ? 1 : 0);
            uint32_t expected = firstNormal[vz * side + vx];
            if (vz == n / 2 && expected != ZeltoCorner::kNormalFlat) {
                if (faceCount(vx, vz) == 4)
                    expected += fz < n / 2 ? 0 : 1;  // the faces before the crease come first
                else
                    expected = ZeltoCorner::kNormalFlat;
            }
            ASSERT_EQ(face.corner(k).normal, expected) << "face " << f << " corner " << k;
        }
    }
    expectNormalsAndLinksAgree(model);
}
