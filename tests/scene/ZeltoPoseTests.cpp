#include <gtest/gtest.h>

#include "MeshBuilder.h"
#include "SceneTestSupport.h"

namespace {

ZeltoAnimation objectAnimation(std::string_view name, int frames, float step = 1) {
    std::vector<GLKMatrix4> list;
    for (int i = 0; i < frames; ++i) list.push_back(translationMatrix(step * static_cast<float>(i), 0, 0));
    return ZeltoAnimation::animationWithMatrix(std::move(list), name);
}

ZeltoModel modelWithAnimations(std::vector<ZeltoAnimation> animations) {
    MeshBuilder mesh;
    return mesh.build(60, std::move(animations));
}

}  // namespace

TEST(ZeltoModelAnimation, MatrixForAnimationName) {
    EXPECT_EQ(modelWithAnimations({}).matrixForAnimationName("walk", 7), GLKMatrix4Identity);

    std::vector<ZeltoAnimation> list;
    list.push_back(objectAnimation("walk", 5));
    list.push_back(objectAnimation("", 3, 100));
    ZeltoModel model = modelWithAnimations(std::move(list));
    EXPECT_EQ(model.matrixForAnimationName("walk", 12), translationMatrix(2, 0, 0));  // 12 mod 5
    EXPECT_EQ(model.matrixForAnimationName("Walk", 12), translationMatrix(0, 0, 0));  // not found: first, frame 0
    EXPECT_EQ(model.matrixForAnimationName("", 4), translationMatrix(100, 0, 0));     // the empty name is a name
}

TEST(ZeltoModelAnimation, AnimationsWithoutFramesGiveTheIdentity) {
    std::vector<ZeltoAnimation> list;
    list.push_back(objectAnimation("empty", 0));
    ZeltoModel model = modelWithAnimations(std::move(list));
    EXPECT_EQ(model.matrixForAnimationName("empty", 3), GLKMatrix4Identity);
    EXPECT_EQ(model.matrixForAnimationName("other", 3), GLKMatrix4Identity);
}

TEST(ZeltoAnimationRecord, ShapesAndReads) {
    ZeltoAnimation none;
    EXPECT_EQ(none.count(), 0u);
    EXPECT_EQ(none.animation(5), GLKMatrix4{});
    auto bones = ZeltoAnimation::animationWithMatrix(
        ZeltoAnimation::Tracks{{translationMatrix(1, 0, 0)}, {translationMatrix(0, 1, 0), translationMatrix(0, 2, 0)}},
        "b");
    EXPECT_EQ(bones.count(), 2u);
    EXPECT_EQ(bones.boneCount(1), 2u);
    EXPECT_EQ(bones.frameCount(), 2u);
    EXPECT_EQ(bones.boneAnimation(1, 1), translationMatrix(0, 2, 0));
    EXPECT_THROW(bones.boneAnimation(0, 1), std::out_of_range);
    EXPECT_THROW(objectAnimation("a", 2).animation(2), std::out_of_range);
}

TEST(ZeltoModelSkinning, BonesMoveTheirVertices) {
    MeshBuilder mesh;
    mesh.vertex({1, 2, 3}, -1);
    mesh.vertex({1, 2, 3}, 1);
    mesh.vertex({1, 2, 3}, 7);  // no matrix for bone 7
    ZeltoModel model = mesh.build();
    GLKMatrix4 skewed = translationMatrix(1, 2, 3);
    skewed.m[3] = 5;  // bottom row is ignored: no division by w
    skewed.m[15] = 9;
    std::vector<GLKMatrix4> pose{translationMatrix(50, 50, 50), skewed};
    model.calcAffineVertecesWithMatrices(pose);
    EXPECT_EQ(model.vertices()[0].affinePos, (GLKVector3{1, 2, 3}));
    EXPECT_EQ(model.vertices()[1].affinePos, (GLKVector3{2, 4, 6}));
    EXPECT_EQ(model.vertices()[2].affinePos, (GLKVector3{1, 2, 3}));
    model.calcAffineVertecesWithMatrices({});
    EXPECT_EQ(model.vertices()[1].affinePos, (GLKVector3{1, 2, 3}));
}

TEST(ZeltoModelSkinning, PoseRefreshesNormalsOverTheSamePartition) {
    // A strip of quads, bent by moving the far half with bone 0.
    MeshBuilder mesh;
    for (int x = 0; x <= 4; ++x)
        for (int y = 0; y <= 1; ++y)
            mesh.vertex({static_cast<float>(x), static_cast<float>(y), 0}, x >= 3 ? 0 : -1);
    for (uint32_t x = 0; x < 4; ++x) mesh.face({2 * x, 2 * x + 2, 2 * x + 3, 2 * x + 1});
    ZeltoModel model = mesh.build(89);
    std::vector<std::vector<uint32_t>> partition;
    for (size_t n = 0; n < model.normals().size(); ++n)
        partition.emplace_back(model.facesOfNormal(n).begin(), model.facesOfNormal(n).end());

    GLKMatrix4 lift = translationMatrix(0, 0, 1);
    model.resetupNormalsWithMatrix(std::vector<GLKMatrix4>{lift});
    ASSERT_EQ(model.normals().size(), partition.size());
    for (size_t i = 0; i < partition.size(); ++i) {
        std::span<const uint32_t> faces = model.facesOfNormal(i);
        EXPECT_EQ(std::vector<uint32_t>(faces.begin(), faces.end()), partition[i]);
        GLKVector3 sum{0, 0, 0};
        for (uint32_t f : faces) sum = GLKVector3Add(sum, model.faceNormal(model.faces()[f]));
        EXPECT_EQ(model.normals()[i].normal, sum);
    }
    // The bent face between x = 2 and x = 3 now leans.
    EXPECT_NE(model.faceNormal(model.faces()[2]).x, 0.0f);
    EXPECT_EQ(model.faceNormal(model.faces()[3]), (GLKVector3{0, 0, 1}));
}

TEST(ZeltoModelSkinning, FacesReadThePoseOfTheirModelAfterItMoves) {
    auto strip = [] {
        MeshBuilder mesh;
        for (int x = 0; x <= 2; ++x)
            for (int y = 0; y <= 1; ++y)
                mesh.vertex({static_cast<float>(x), static_cast<float>(y), 0}, x == 2 ? 0 : -1);
        for (uint32_t x = 0; x < 2; ++x) mesh.face({2 * x, 2 * x + 2, 2 * x + 3, 2 * x + 1});
        return mesh.build(89);
    };
    // Models live in a list that moves them as it grows.
    std::vector<ZeltoModel> models;
    for (int i = 0; i < 9; ++i) models.push_back(strip());
    ZeltoModel& model = models.front();
    model.resetupNormalsWithMatrix(std::vector<GLKMatrix4>{translationMatrix(0, 0, 1)});
    const ZeltoFace& bent = model.faces()[1];
    EXPECT_NE(model.faceNormal(bent).x, 0.0f);
    for (int32_t k = 0; k < bent.count(); ++k) {
        uint32_t link = bent.corner(k).normal;
        GLKVector3 expected = link < model.normals().size() ? model.normals()[link].normal : model.faceNormal(bent);
        EXPECT_EQ(model.cornerNormal(bent, k), expected) << k;
    }
    EXPECT_EQ(models.back().faceNormal(models.back().faces()[1]), (GLKVector3{0, 0, 1}));  // the others are at rest
}
