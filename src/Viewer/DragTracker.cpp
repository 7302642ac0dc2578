#include "DragTracker.h"

DragTracker::Drag DragTracker::dragFor(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    switch (button) {
        case Qt::LeftButton:
            if (modifiers & Qt::ControlModifier) return Drag::Turn;
            if ((modifiers & Qt::ShiftModifier) && !(modifiers & Qt::AltModifier)) return Drag::Zoom;
            return Drag::Move;
        case Qt::MiddleButton:
            return Drag::Move;
        case Qt::RightButton:
            return Drag::Turn;
        default:
            return Drag::None;
    }
}

bool DragTracker::press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF location,
                        const Camera& camera) {
    if (active()) return false;
    Drag drag = dragFor(button, modifiers);
    if (drag == Drag::None) return false;
    _drag = drag;
    _button = button;
    _start = location;
    _zoom0 = camera.zoom();
    _origin0 = camera.origin();
    _rotateX0 = camera.rotateX();
    _rotateY0 = camera.rotateY();
    return true;
}

std::optional<DragTracker::Update> DragTracker::move(Qt::MouseButtons buttons, QPointF location,
                                                     QSizeF bounds, float currentZoom) const {
    if (!active() || !(buttons & _button)) return std::nullopt;
    const double dx = location.x() - _start.x();
    const double dy = location.y() - _start.y();
    Update update;
    switch (_drag) {
        case Drag::Zoom: {
            // Up by the view's full height spans the whole zoom range, nearer.
            float f = static_cast<float>(-1600.0 / bounds.height());
            update.zoom = static_cast<float>(_zoom0 + f * dy);
            break;
        }
        case Drag::Move: {
            // The model follows the mouse; farther away, the same travel moves it more.
            float k = static_cast<float>(-1.5 / (currentZoom / 200.0f - 5.0f));
            float fx = static_cast<float>(800.0 / bounds.width()) * k;
            float fy = static_cast<float>(800.0 / bounds.height()) * k;
            update.origin = Camera::Origin{static_cast<float>(_origin0.x + fx * dx),
                                           static_cast<float>(_origin0.y + fy * dy)};
            break;
        }
        case Drag::Turn:
            // One degree per point: right turns about y, up turns about x the other way.
            update.rotateY = static_cast<float>(_rotateY0 + dx);
            update.rotateX = static_cast<float>(_rotateX0 - dy);
            break;
        case Drag::None:
            return std::nullopt;
    }
    return update;
}

bool DragTracker::release(Qt::MouseButton button) {
    if (!active() || button != _button) return false;
    _drag = Drag::None;
    _button = Qt::NoButton;
    return true;
}
