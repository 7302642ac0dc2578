#include "GltfAnimation.h"

#include <array>
#include <tuple>

void GltfTrack::add(const TransformSplit& split) {
    translations.insert(translations.end(), split.translation.begin(), split.translation.end());
    std::array<double, 4> q = split.rotation;
    // Each rotation on the same side as the one before, so the way between is short.
    if (rotations.size() >= 4) {
        const float* last = &rotations[rotations.size() - 4];
        if (last[0] * q[0] + last[1] * q[1] + last[2] * q[2] + last[3] * q[3] < 0)
            for (double& part : q) part = -part;
    }
    rotations.insert(rotations.end(), q.begin(), q.end());
    scales.insert(scales.end(), split.scale.begin(), split.scale.end());
}

void addAnimation(tinygltf::Model& gltf, GltfBuffer& buffer, const std::string& name, const std::vector<float>& times,
                  const std::vector<GltfTrack>& tracks) {
    tinygltf::Animation animation;
    animation.name = name;
    const int input = buffer.addFloats(times, 1, TINYGLTF_TYPE_SCALAR, 0, true);
    for (const GltfTrack& track : tracks) {
        for (const auto& [path, values, components, type] :
             {std::tuple{"translation", &track.translations, 3, TINYGLTF_TYPE_VEC3},
              std::tuple{"rotation", &track.rotations, 4, TINYGLTF_TYPE_VEC4},
              std::tuple{"scale", &track.scales, 3, TINYGLTF_TYPE_VEC3},
              std::tuple{"weights", &track.weights, 1, TINYGLTF_TYPE_SCALAR}}) {
            if (values->empty()) continue;
            // One set of keyframes, shared by the samplers of every node that follows it.
            const int output = buffer.addFloats(*values, components, type, 0);
            for (int node : track.nodes) {
                tinygltf::AnimationSampler sampler;
                sampler.input = input;
                sampler.output = output;
                sampler.interpolation = "LINEAR";
                animation.samplers.push_back(sampler);
                tinygltf::AnimationChannel channel;
                channel.sampler = static_cast<int>(animation.samplers.size()) - 1;
                channel.target_node = node;
                channel.target_path = path;
                animation.channels.push_back(channel);
            }
        }
    }
    if (!animation.channels.empty()) gltf.animations.push_back(animation);
}
