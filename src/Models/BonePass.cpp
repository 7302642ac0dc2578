#include "SceneReading.h"
#include "ScenePasses.h"

namespace scene {

std::vector<ZeltoAnimation> readBoneAnimations(const MQABlock& body) {
    std::vector<ZeltoAnimation> animations;
    for (const MQAAttribute* chunk : body.attributesForName("boneanimation")) {
        size_t number = animations.size() + 1;
        std::string name = textOfParam(*chunk, 0, [&] {
            return "Bone animation " + std::to_string(number);
        });
        ZeltoAnimation::Tracks tracks;
        if (const MQABlock* block = chunk->block()) {
            for (const MQAAttribute* bone : block->attributesForName("bone")) {
                ZeltoAnimation::Frames frames;
                size_t track = tracks.size();
                if (const MQABlock* lines = bone->block()) {
                    frames.reserve(lines->attributes().size());
                    for (size_t i = 0; i < lines->attributes().size(); ++i)
                        frames.push_back(matrixOfLine(lines->attributes()[i], [&] {
                            return "Bone animation " + quoted(name) + ", bone " +
                                   std::to_string(track) + ", frame line " + std::to_string(i + 1);
                        }));
                }
                tracks.push_back(std::move(frames));
            }
        }
        animations.push_back(ZeltoAnimation::animationWithMatrix(std::move(tracks), name));
    }
    return animations;
}

}  // namespace scene
