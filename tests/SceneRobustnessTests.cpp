#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "MQAException.h"
#include "Metasequoia.h"

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
                for (ZeltoModel& model : scene.models())
                    model.resetupNormalsWithMatrix(scene.bonesForName(std::nullopt, 1).value_or(
                        std::vector<GLKMatrix4>{}));
                ++opened;
            } catch (const std::exception&) {
            }
        }
        EXPECT_GE(opened, 1u) << name;  // at least the whole file opens
    }
}
