#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "MeshBuilder.h"

namespace {

bool sameBits(const GLKVector3& a, const GLKVector3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A bent sheet of quads and triangles, some vertices on bones 0 to 2 (and one on a bone
// no pose has), a two-corner face, and a zero at -0 so that posing's sign of zero shows.
ZeltoModel sheet(bool boned) {
    MeshBuilder mesh;
    for (int y = 0; y <= 4; ++y)
        for (int x = 0; x <= 4; ++x) {
            float z = static_cast<float>((x * y) % 3) - 1;
            mesh.vertex({static_cast<float>(x), x == 0 ? -0.0f : static_cast<float>(y), z}, boned ? (x + y) % 5 - 1 : -1);
        }
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x) {
            uint32_t c = y * 5 + x;
            if ((x + y) % 2)
                mesh.face({c, c + 5, c + 6, c + 1});
            else
                mesh.face({c, c + 5, c + 6}), mesh.face({c, c + 6, c + 1});
        }
    mesh.face({0, 24});
    return mesh.build(50);
}

void expectPoseOfModelsOwn(const ModelPose& pose, const ZeltoModel& model) {
    const PoseView view = pose.view();
    for (uint32_t v = 0; v < model.vertices().size(); ++v)
        ASSERT_TRUE(sameBits(view.position(v), model.vertices()[v].affinePos)) << "vertex " << v;
    for (const ZeltoFace& face : model.faces()) {
        ASSERT_TRUE(sameBits(view.faceNormal(face), model.faceNormal(face))) << "face " << face.position();
        for (int32_t k = 0; k < face.count(); ++k) ASSERT_TRUE(sameBits(view.cornerNormal(face, k), model.cornerNormal(face, k)));
    }
    for (size_t n = 0; n < model.normals().size(); ++n)
        ASSERT_TRUE(sameBits(view.sharedNormal(n), model.normals()[n].normal)) << "shared normal " << n;
}

}  // namespace

// A pose of one's own holds, bit for bit, what posing the model itself gives, frame after
// frame, and posing it leaves the model as it was; a model without bones poses once.
TEST(ModelPose, HoldsWhatPosingTheModelGivesAndLeavesTheModelAlone) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(-1, 1);
    for (bool boned : {true, false}) {
        ZeltoModel posedInPlace = sheet(boned);
        const ZeltoModel untouched = sheet(boned);
        ModelPose pose(untouched);
        for (int frame = 0; frame < 4; ++frame) {
            std::vector<GLKMatrix4> bones(3, GLKMatrix4Identity);
            for (GLKMatrix4& bone : bones)
                for (size_t i = 0; i < 12; ++i) bone.m[i] += value(random);
            posedInPlace.resetupNormalsWithMatrix(bones);
            pose.pose(untouched, bones);
            SCOPED_TRACE(testing::Message() << (boned ? "boned" : "still") << ", frame " << frame);
            expectPoseOfModelsOwn(pose, posedInPlace);
            // The model read is still at rest, its shared normals (0, 0, 0) as made.
            for (const ZeltoVertex& vertex : untouched.vertices()) ASSERT_TRUE(sameBits(vertex.affinePos, vertex.pos));
            for (const ZeltoNormal& normal : untouched.normals()) ASSERT_EQ(normal.normal, (GLKVector3{0, 0, 0}));
        }
    }
    ZeltoModel other = sheet(true);
    MeshBuilder smaller;
    smaller.vertex({0, 0, 0});
    ModelPose wrong(smaller.build());
    EXPECT_THROW(wrong.pose(other, {}), std::invalid_argument);
}
