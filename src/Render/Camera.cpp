#include "Camera.h"

#include <cmath>

void Camera::setZoom(float value) {
    // The lower bound first; fmax returns the bound for a value that is not a number,
    // so NaN gives -800.
    _pos.z = -1000.0f - std::fmin(std::fmax(-800.0f, value), 800.0f);
}

Camera::Origin Camera::origin() const {
    return {static_cast<double>(_pos.x), static_cast<double>(_pos.y) + 150.0};
}

void Camera::setOrigin(Origin value) {
    auto clamp = [](double coordinate) {
        return std::fmin(std::fmax(-200.0f, static_cast<float>(coordinate)), 200.0f);
    };
    _pos.x = clamp(value.x);
    _pos.y = clamp(value.y) - 150.0f;
}

float Camera::wrapAngle(float angle) {
    if (!std::isfinite(angle)) return 0.0f;
    while (angle < 0.0f) {
        float next = angle + 360.0f;
        if (next == angle) return wrapAngle(std::fmod(angle, 360.0f));
        angle = next;
    }
    while (angle > 360.0f) {
        float next = angle - 360.0f;
        if (next == angle) return wrapAngle(std::fmod(angle, 360.0f));
        angle = next;
    }
    return angle;
}
