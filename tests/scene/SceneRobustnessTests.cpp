#include <gtest/gtest.h>
#include <malloc.h>

#include <fstream>
#include <sstream>

#include "MQACompat.h"
#include "MQAException.h"
#include "Metasequoia.h"
#include "ZeltoModel.h"

#ifndef ZELTO_SAMPLES_DIR
#error "ZELTO_SAMPLES_DIR must name the samples folder"
#endif

namespace {

std::string readSample(const char* name) {
    std::ifstream in(std::string(ZELTO_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

// Every prefix of every sample builds a scene or fails with a reading error.
TEST(SceneRobustness, TruncatedSamplesFailCleanly) {
    for (const char* name : {"materials.mqo", "animated.mqo", "arm.mqo"}) {
        std::string bytes = readSample(name);
        ASSERT_GT(bytes.size(), 1000u) << name;
        size_t opened = 0;
        for (size_t length = 0; length <= bytes.size(); ++length) {
            try {
                Metasequoia scene = Metasequoia::initWithData(std::string_view(bytes).substr(0, length));
                for (const ZeltoModel& model : scene.models())
                    ModelPose(model, scene.bonesForName(std::nullopt, 1).value_or(std::vector<GLKMatrix4>{}));
                ++opened;
            } catch (const std::exception&) {
            }
        }
        EXPECT_GE(opened, 1u) << name;  // at least the whole file opens
    }
}

namespace {

// Bytes allocated and in use, the C library's count.
size_t allocatedBytes() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::string header() { return "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"; }

}  // namespace

// Inputs made to hurt, small: each is read (or refused) without taking time or memory
// out of proportion to its bytes.
TEST(SceneRobustness, HostileInputsEndInBoundedMemory) {
    // A thousand objects whose lists each claim 2^31 - 1 entries: the room made follows
    // the text, and a finished list keeps none it does not use.
    std::string claims = header();
    for (int i = 0; i < 1000; ++i)
        claims += "Object \"o" + std::to_string(i) + "\" {\r\n\tvertex 2147483647 {\r\n\t}\r\n\tface 2147483647 {\r\n\t}\r\n}\r\n";
    claims += "Eof\r\n";
    size_t before = allocatedBytes();
    {
        Metasequoia scene = Metasequoia::initWithString(claims);
        EXPECT_EQ(scene.models().size(), 1000u);
        EXPECT_LT(allocatedBytes() - before, 64u << 20);
    }
    // Unclosed chunks that compatibility reading skips: refused once, at the end.
    std::string thumbnails = header();
    for (int i = 0; i < 20000; ++i) thumbnails += "Thumbnail 64 64 24 {\r\n";
    thumbnails += "Eof\r\n";
    EXPECT_THROW(Metasequoia::initWithData(thumbnails, MQAReading::Compatible), MQAException);
    // One line of a million values: nothing of reading it stays once it is read.
    std::string longLine = header() + "x";
    for (int i = 0; i < 1000000; ++i) longLine += " 1.5";
    longLine += "\r\nEof\r\n";
    before = allocatedBytes();
    Metasequoia::initWithString(longLine);
    EXPECT_LT(allocatedBytes(), before + (1u << 20));
}

// Each stage after reading the lines looks at the cancel flag itself: decoding a
// Shift_JIS text, and building a model's normals.
TEST(SceneRobustness, EveryStageStopsOnceCancelled) {
    MQAProgress cancelled;
    cancelled.cancel();
    std::string shiftJIS = header() + "Object \"\x83\x65\" {\r\n}\r\nEof\r\n";
    EXPECT_NO_THROW(mqa::compat::prepareText(shiftJIS));
    EXPECT_THROW(mqa::compat::prepareText(shiftJIS, &cancelled), MQACancelled);

    std::vector<ZeltoVertex> vertices = {ZeltoVertex::initWithPosX(0, 0, 0, -1), ZeltoVertex::initWithPosX(1, 0, 0, -1),
                                         ZeltoVertex::initWithPosX(0, 1, 0, -1)};
    std::vector<ZeltoFace> faces = {ZeltoFace::faceWithMaterial(nullptr, 0, 1, 2, ZeltoFace::kNoVertex, 0, 0, 0, 0, 0, 0, 0, 0)};
    EXPECT_THROW(ZeltoModel::modelWithName("m", 30, vertices, faces, {0}, {}, &cancelled), MQACancelled);
    EXPECT_NO_THROW(ZeltoModel::modelWithName("m", 30, vertices, faces, {0}, {}, nullptr));
}
