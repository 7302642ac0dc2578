#pragma once

#include <cmath>
#include <optional>

#include "Camera.h"
#include "GLKMath.h"
#include "ObjectDisplay.h"

class FramePose;
class Metasequoia;

// The world of the window's view (grid and models alike) scaled about a model's centre,
// which moves to the origin, so that a model far smaller or larger than the grid, or
// far off it, shows as a model of the grid's size does, and turns about its own centre,
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

// What a view shows from: a camera, and the fit of the world it goes with (none: the world
// at its own size).
struct View {
    Camera camera;
    std::optional<ViewFit> fit;
    bool operator==(const View&) const = default;
};

// Where the vertices a frame draws fall in a view, in the view's own units: -1 to 1 from
// its left to its right edge and from its bottom to its top edge.
struct ViewExtent {
    double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY;
    bool allInFront = true;  // none nearer than the nearest plane drawn, or past the farthest
    bool empty() const { return !(left <= right); }
    // Every vertex in front of the camera and in the view, clear of its edges by `margin`
    // (a share of the view's width or height).
    bool whole(double margin) const;
    // The larger of the shares of the view's width and height the vertices span, counting
    // only what lies in the view.
    double share() const;
};

// Shares of the view: what a framed model spans, what a thumbnail's does, and the least a
// model seen from the default camera must span for that camera to be kept.
constexpr double kFramedShare = 0.8, kThumbnailShare = 0.9, kShownShare = 1.0 / 3;
// How far from the view's edges a model the default camera is kept for lies at least, as
// a share of the view: half a percent, a few pixels in a window.
constexpr double kEdgeMargin = 0.005;

// The vertices the frame draws (the chosen display: mirrored halves, hidden objects) as
// the view shows them in a picture of the given aspect (width / height).
ViewExtent extentInView(const Metasequoia& scene, const FramePose& pose, DisplayChoice display, const View& view,
                        float aspect);

// The drawn vertices seen with the turn of `turn`, the middle of their box in the middle of
// the view, from as near as leaves them within `share` of the view's width and height; the
// world fitted so the grid's spacing stays round. None when nothing is drawn.
std::optional<View> framedView(const Metasequoia& scene, const FramePose& pose, DisplayChoice display,
                               const Camera& turn, float aspect, double share = kFramedShare);

// The view a document opens with: the default camera, as is, when it shows every drawn
// vertex clear of the view's edges and spanning a third of its width or height or more;
// otherwise the scene framed from the default camera's direction. The default camera when
// nothing is drawn.
View openingView(const Metasequoia& scene, const FramePose& pose, DisplayChoice display, float aspect);

// Whether the frame draws faces (three or four corners) but the view sees every one from
// behind, which the frame leaves out: a picture with nothing in it.
bool allFacesPointAway(const Metasequoia& scene, const FramePose& pose, DisplayChoice display, const View& view,
                       float aspect);
