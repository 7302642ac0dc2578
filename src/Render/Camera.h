#pragma once

#include "GLKMath.h"

// The view's camera: a translation applied first to the modelview matrix and a rotation
// in degrees about x, y and z. The navigation properties are computed from these two
// fields and keep them in range: zoom in [-800, 800] (pos.z in [-1800, -200]), origin
// in [-200, 200] on both axes, rotations wrapped into [0, 360].
class Camera {
public:
    struct Origin {
        double x = 0, y = 0;
        bool operator==(const Origin&) const = default;
    };

    static constexpr GLKVector3 kDefaultPos{0, -150, -1000};
    static constexpr GLKVector3 kDefaultRotate{30, 30, 0};

    bool operator==(const Camera&) const = default;

    GLKVector3 pos() const { return _pos; }
    GLKVector3 rotate() const { return _rotate; }

    // -1000 - pos.z.
    float zoom() const { return -1000.0f - _pos.z; }
    // Clamps to [-800, 800] (not a number gives -800), then pos.z = -1000 - value.
    void setZoom(float value);

    // (pos.x, pos.y + 150).
    Origin origin() const;
    // Each coordinate as a 32-bit float clamped to [-200, 200]; pos.y is 150 lower.
    void setOrigin(Origin value);

    float rotateX() const { return _rotate.x; }
    float rotateY() const { return _rotate.y; }
    void setRotateX(float angle) { _rotate.x = wrapAngle(angle); }
    void setRotateY(float angle) { _rotate.y = wrapAngle(angle); }

    // While the angle is below 0 add 360, then while it is above 360 subtract 360, in
    // 32-bit floats: both ends of [0, 360] are results (360 stays 360, 720 gives 360,
    // -360 gives 0). Where a step of 360 no longer changes a huge value, the remainder
    // takes over, and a value that is not finite gives 0, so every input ends in range.
    static float wrapAngle(float angle);

private:
    GLKVector3 _pos = kDefaultPos;
    GLKVector3 _rotate = kDefaultRotate;
};
