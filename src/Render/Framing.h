#pragma once

#include <optional>

#include "Camera.h"
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

// The framing of the scene as the frame poses it; none for a scene without vertices.
std::optional<Framing> framingFor(const Metasequoia& scene, const FramePose& pose);

// The world of the window's view (grid and models alike) scaled about a model's centre,
// which moves to the origin, so that a model far smaller or larger than the grid, or
// far off it, shows as the default camera shows a model of the grid's size, and turns,
// moves and zooms as freely. The scale keeps the grid's spacing a round number of the
// model's units (1, 2 or 5 times a power of ten), so the grid still tells its size.
struct ViewFit {
    static constexpr float kGridSpacing = 50;  // between grid lines, in the grid's own units

    float scale = 1;
    GLKVector3 centre;  // where the scene places its models' middle
    // Between grid lines, in the model's units.
    float gridSpacing() const { return kGridSpacing / scale; }
    bool operator==(const ViewFit&) const = default;
};

// The fraction of the view's height (0 to 1) that the scene's vertices cover as the
// camera (with the fit, if any) shows them, in a view of the given aspect; 0 when none
// lies in view.
float heightInView(const Metasequoia& scene, const FramePose& pose, const Camera& camera, float aspect,
                   const std::optional<ViewFit>& fit = std::nullopt);

// The fit for the scene as the frame poses it; none for a scene without vertices.
std::optional<ViewFit> fitFor(const Metasequoia& scene, const FramePose& pose);

// A view's first picture: the fit when the default camera would show the scene's
// vertices over less than 5% of the view's height, or not at all; none when it shows
// them well enough, or there is nothing to show.
std::optional<ViewFit> fitWhenUnseen(const Metasequoia& scene, const FramePose& pose, float aspect);

// The camera that goes with a fit: the given turn, the default distance, and the
// origin of the fitted world in the middle of the view.
Camera fittedCamera(const Camera& turn);
