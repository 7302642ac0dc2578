#pragma once

#include <optional>

#include <QPointF>
#include <QSizeF>
#include <Qt>

#include "Camera.h"

// The camera drags as a small state machine: a press chooses the drag and records the
// camera's start values and the mouse location; moves of that button give new camera
// values; that button's release ends it. Other buttons are ignored while a drag runs.
//
// Locations are in window coordinates with y growing upward; bounds are the view's
// size in points.
class DragTracker {
public:
    enum class Drag { None, Zoom, Move, Turn };

    // The camera values a move asks for, applied in this order: zoom, origin, rotateY,
    // rotateX.
    struct Update {
        std::optional<float> zoom;
        std::optional<Camera::Origin> origin;
        std::optional<float> rotateY;
        std::optional<float> rotateX;
    };

    // Left button: Control turns, whatever else is held; Shift without Alt zooms;
    // anything else moves. Middle button moves, right button turns.
    static Drag dragFor(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

    // Starts a drag; false (and nothing starts) while another drag runs or for a button
    // that drags nothing.
    bool press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF location,
               const Camera& camera);
    // The camera values for the mouse at `location`; none unless a drag runs and its
    // button is among `buttons`. `currentZoom` scales the move drag.
    std::optional<Update> move(Qt::MouseButtons buttons, QPointF location, QSizeF bounds,
                               float currentZoom) const;
    // Ends the drag when `button` is its button.
    bool release(Qt::MouseButton button);

    bool active() const { return _drag != Drag::None; }
    Drag drag() const { return _drag; }
    Qt::MouseButton button() const { return _button; }

private:
    Drag _drag = Drag::None;
    Qt::MouseButton _button = Qt::NoButton;
    QPointF _start;
    float _zoom0 = 0;
    Camera::Origin _origin0;
    float _rotateX0 = 0;
    float _rotateY0 = 0;
};
