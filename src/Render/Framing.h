#pragma once

#include <optional>

#include "GLKMath.h"

class FramePose;
class Metasequoia;

// A view that fits a scene, in place of the camera's fixed distance: for pictures of a
// model whatever its size (thumbnails). The camera's turn still applies.
struct Framing {
    GLKVector3 centre;  // the middle of the scene's models, where the scene places them
    float radius = 0;   // of a sphere around every vertex
    // How far from the centre the eye stands so that the sphere fills a view of the
    // given vertical field (degrees) and aspect.
    float distance(float fieldOfView, float aspect) const;
};

// The framing of the scene as the frame poses it (its models posed in passing); none for
// a scene without vertices.
std::optional<Framing> framingFor(Metasequoia& scene, const FramePose& pose);
