#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class Metasequoia;

// Poses the scene as the viewer does for one frame (the bone matrices of the animation,
// or of none, at `time`; each model's object matrix for the animation, or for the empty
// name at frame 0 when none is given) and writes it as JSON.
std::string poseAndWriteJson(const Metasequoia& scene, std::optional<std::string_view> animation,
                             uint64_t time);
