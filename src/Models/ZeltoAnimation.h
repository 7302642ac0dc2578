#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "GLKMath.h"

// A named animation stored as matrices indexed by frame, in one of two shapes: an
// object animation (one matrix per frame, moving a whole model) or a bone animation
// (one track of frames per bone). An animation made with neither has no matrices.
class ZeltoAnimation {
public:
    using Frames = std::vector<GLKMatrix4>;
    using Tracks = std::vector<Frames>;

    ZeltoAnimation() = default;
    static ZeltoAnimation animationWithMatrix(Frames frames, std::string_view name);
    static ZeltoAnimation animationWithMatrix(Tracks tracks, std::string_view name);

    const std::string& name() const { return _name; }
    // Entries of the matrix list: frames of an object animation, tracks of a bone one.
    uint64_t count() const;
    const Frames& frames() const { return _frames; }
    const Tracks& tracks() const { return _tracks; }

    // Frame `index` of an object animation; all zeros when there are no matrices.
    // Throws std::out_of_range for an index at or past the frame count.
    GLKMatrix4 animation(uint64_t index) const;
    // Frame `time` of track `bone`; all zeros when there are no matrices.
    GLKMatrix4 boneAnimation(uint64_t bone, uint64_t time) const;
    uint64_t boneCount(uint64_t bone) const;  // frames of one track
    // The largest number of frames of any track.
    uint64_t frameCount() const;

private:
    enum class Shape { None, Object, Bone };
    ZeltoAnimation(std::string_view name, Shape shape, Frames frames, Tracks tracks)
        : _name(name), _shape(shape), _frames(std::move(frames)), _tracks(std::move(tracks)) {}
    std::string _name;
    Shape _shape = Shape::None;
    Frames _frames;
    Tracks _tracks;
};
