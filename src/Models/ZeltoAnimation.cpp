#include "ZeltoAnimation.h"

#include <algorithm>
#include <stdexcept>

namespace {

[[noreturn]] void outOfRange(const char* what, uint64_t index, uint64_t size) {
    throw std::out_of_range(std::string(what) + " " + std::to_string(index) +
                            " is out of range (" + std::to_string(size) + ")");
}

}  // namespace

ZeltoAnimation ZeltoAnimation::animationWithMatrix(Frames frames, std::string_view name) {
    return ZeltoAnimation(name, Shape::Object, std::move(frames), {});
}

ZeltoAnimation ZeltoAnimation::animationWithMatrix(Tracks tracks, std::string_view name) {
    return ZeltoAnimation(name, Shape::Bone, {}, std::move(tracks));
}

uint64_t ZeltoAnimation::count() const {
    switch (_shape) {
        case Shape::Object: return _frames.size();
        case Shape::Bone: return _tracks.size();
        default: return 0;
    }
}

GLKMatrix4 ZeltoAnimation::animation(uint64_t index) const {
    if (_shape == Shape::None) return GLKMatrix4{};
    if (_shape != Shape::Object || index >= _frames.size())
        outOfRange("animation frame", index, _frames.size());
    return _frames[index];
}

GLKMatrix4 ZeltoAnimation::boneAnimation(uint64_t bone, uint64_t time) const {
    if (_shape == Shape::None) return GLKMatrix4{};
    if (bone >= _tracks.size()) outOfRange("bone track", bone, _tracks.size());
    if (time >= _tracks[bone].size()) outOfRange("bone frame", time, _tracks[bone].size());
    return _tracks[bone][time];
}

uint64_t ZeltoAnimation::boneCount(uint64_t bone) const {
    if (bone >= _tracks.size()) outOfRange("bone track", bone, _tracks.size());
    return _tracks[bone].size();
}

uint64_t ZeltoAnimation::frameCount() const {
    if (_shape == Shape::Object) return _frames.size();
    uint64_t longest = 0;
    for (const Frames& track : _tracks) longest = std::max<uint64_t>(longest, track.size());
    return longest;
}
