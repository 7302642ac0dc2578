#include <gtest/gtest.h>

#include "SceneTestSupport.h"

namespace {

std::string frameLine(float x) {
    return "\t\t1 0 0 0 0 1 0 0 0 0 1 0 " + std::to_string(x) + " 0 0 1";
}

// A bone animation whose track t has counts[t] frames; frame f of track t translates
// by 100 t + f along x.
std::vector<std::string> boneAnimation(std::string_view name, std::initializer_list<int> counts) {
    std::vector<std::string> lines{"BoneAnimation \"" + std::string(name) + "\" {"};
    int track = 0;
    for (int count : counts) {
        lines.push_back("\tbone " + std::to_string(track) + " {");
        for (int f = 0; f < count; ++f) lines.push_back(frameLine(static_cast<float>(100 * track + f)));
        lines.push_back("\t}");
        ++track;
    }
    lines.push_back("}");
    return lines;
}

Metasequoia sceneOfLines(const std::vector<std::vector<std::string>>& chunks) {
    std::string body;
    for (const auto& chunk : chunks)
        for (const std::string& line : chunk) body += line + "\r\n";
    return Metasequoia::initWithString(documentWithBody(body));
}

}  // namespace

TEST(AnimationNames, SortedByCharacterCodeWithoutRepeats) {
    Metasequoia scene = sceneOfLines({
        boneAnimation("Walk", {1}),
        boneAnimation("run", {1}),
        {"Object \"o\" {", "\tanimation \"idle\" {", "\t}", "\tanimation \"run\" {", "\t}", "}"},
        {"Object \"p\" {", "\tanimation \"Walk\" {", "\t}", "}"},
    });
    EXPECT_EQ(scene.animationNames(), (std::vector<std::string>{"Walk", "idle", "run"}));
    EXPECT_TRUE(sceneOf({"Object \"o\""}).animationNames().empty());
}

TEST(BonesForName, ChoosesByExactNameOrFallsBackToTheFirst) {
    Metasequoia scene = sceneOfLines({boneAnimation("a", {2}), boneAnimation("b", {3}),
                                      boneAnimation("b", {4})});
    EXPECT_EQ(scene.bonesForName("b", 2)->at(0), translationMatrix(2, 0, 0));
    EXPECT_EQ(scene.bonesForName("b", 3)->at(0), translationMatrix(0, 0, 0));  // first "b": 3 frames
    EXPECT_EQ(scene.bonesForName("B", 1)->at(0), translationMatrix(1, 0, 0));  // case matters: "a"
    EXPECT_EQ(scene.bonesForName(std::nullopt, 1)->at(0), translationMatrix(1, 0, 0));
    EXPECT_FALSE(sceneOf({"Object \"o\""}).bonesForName("a", 0));
}

TEST(BonesForName, LoopsOverTheLongestTrack) {
    Metasequoia scene = sceneOfLines({boneAnimation("x", {2, 5})});
    auto at13 = scene.bonesForName("x", 13);  // frame 13 mod 5 = 3
    ASSERT_EQ(at13->size(), 2u);
    EXPECT_EQ((*at13)[0], GLKMatrix4Identity);  // track 0 has no frame 3
    EXPECT_EQ((*at13)[1], translationMatrix(103, 0, 0));
    auto at5 = scene.bonesForName("x", 5);
    EXPECT_EQ((*at5)[0], translationMatrix(0, 0, 0));
    auto far = scene.bonesForName("x", UINT64_MAX);  // 2^64 - 1 mod 5 = 0
    EXPECT_EQ((*far)[1], translationMatrix(100, 0, 0));
}

TEST(BonesForName, AnimationsWithoutFramesRestAtTheIdentity) {
    Metasequoia scene = sceneOfLines({boneAnimation("none", {}), boneAnimation("empty", {0, 0})});
    EXPECT_TRUE(scene.bonesForName("none", 7)->empty());
    auto empty = scene.bonesForName("empty", 7);
    ASSERT_EQ(empty->size(), 2u);
    EXPECT_EQ((*empty)[1], GLKMatrix4Identity);
}

TEST(BonesForName, BoneParametersAreNotRead) {
    Metasequoia scene = sceneOfLines(
        {{"BoneAnimation \"x\" {", "\tbone 7 \"name\" {", frameLine(4), "\t}", "\tignored {", "\t}", "}"}});
    auto pose = scene.bonesForName("x", 0);
    ASSERT_EQ(pose->size(), 1u);
    EXPECT_EQ((*pose)[0], translationMatrix(4, 0, 0));
}

TEST(ScenePosing, BonesMoveVerticesOfEveryModel) {
    Metasequoia scene = sceneOfLines({
        {"Object \"o\" {", "\tvertex 2 {", "\t\t1 1 1 b(0)", "\t\t2 2 2", "\t}", "}"},
        boneAnimation("lift", {3}),
    });
    ModelPose pose(scene.models()[0], *scene.bonesForName("lift", 2));
    EXPECT_EQ(pose.view().position(0), (GLKVector3{3, 1, 1}));
    EXPECT_EQ(pose.view().position(1), (GLKVector3{2, 2, 2}));
}
