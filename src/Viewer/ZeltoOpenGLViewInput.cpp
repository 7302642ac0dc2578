// The view's input: camera drags, wheel and trackpad gestures, and the cursor that
// tells which drag a press would start.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>

#include "ZeltoOpenGLView.h"

namespace {

// The modifiers once a modifier key's press or release has taken effect; some
// platforms report the state from before the key.
Qt::KeyboardModifiers modifiersAfter(const QKeyEvent* event) {
    Qt::KeyboardModifiers modifiers = event->modifiers();
    Qt::KeyboardModifier changed = Qt::NoModifier;
    switch (event->key()) {
        case Qt::Key_Shift: changed = Qt::ShiftModifier; break;
        case Qt::Key_Control: changed = Qt::ControlModifier; break;
        case Qt::Key_Alt:
        case Qt::Key_AltGr: changed = Qt::AltModifier; break;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R: changed = Qt::MetaModifier; break;
        default: return modifiers;
    }
    return event->type() == QEvent::KeyPress ? modifiers | changed : modifiers & ~changed;
}

bool isModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R: return true;
        default: return false;
    }
}

}  // namespace

QPointF ZeltoOpenGLView::windowLocation(QPointF local) const {
    const QWidget* top = window();
    QPointF inWindow = top == this ? local : mapTo(top, local);
    return {inWindow.x(), top->height() - inWindow.y()};
}

void ZeltoOpenGLView::mousePressEvent(QMouseEvent* event) {
    if (!_drags.press(event->button(), event->modifiers(), windowLocation(event->position()), _view.camera)) {
        event->ignore();
        return;
    }
    _cursorBeforeDrag = _currentCursor;
    setCurrentCursor(Qt::ClosedHandCursor);
    event->accept();
}

void ZeltoOpenGLView::mouseMoveEvent(QMouseEvent* event) {
    std::optional<DragTracker::Update> update =
        _drags.move(event->buttons(), windowLocation(event->position()), QSizeF(size()), zoom());
    if (!update) {
        event->ignore();
        return;
    }
    if (update->zoom) setZoom(*update->zoom);
    if (update->origin) setOrigin(*update->origin);
    if (update->rotateY) setRotateY(*update->rotateY);
    if (update->rotateX) setRotateX(*update->rotateX);
    event->accept();
}

void ZeltoOpenGLView::mouseReleaseEvent(QMouseEvent* event) {
    if (!_drags.release(event->button())) {
        event->ignore();
        return;
    }
    setCurrentCursor(_cursorBeforeDrag);
    event->accept();
}

void ZeltoOpenGLView::wheelEvent(QWheelEvent* event) {
    // One notch of a mouse wheel is a delta of 1; touchpads that report pixels are
    // scaled to feel the same.
    double delta = !event->pixelDelta().isNull() ? event->pixelDelta().y() / kPixelsPerNotch
                                                 : event->angleDelta().y() / 120.0;
    setZoom(static_cast<float>(zoom() + 10.0 * delta));
    event->accept();
}

void ZeltoOpenGLView::nativeGesture(QNativeGestureEvent* event) {
    switch (event->gestureType()) {
        case Qt::ZoomNativeGesture:
            setZoom(static_cast<float>(zoom() - 200.0 * event->value()));
            break;
        case Qt::RotateNativeGesture:
            setRotateY(static_cast<float>(rotateY() + 2.0 * event->value()));
            break;
        default:
            break;
    }
}

bool ZeltoOpenGLView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::NativeGesture:
            nativeGesture(static_cast<QNativeGestureEvent*>(event));
            return true;
        case QEvent::WindowDeactivate:
            // Modifier releases in other windows never reach this one.
            flagsChanged(Qt::NoModifier);
            break;
        default:
            break;
    }
    return QOpenGLWidget::event(event);
}

bool ZeltoOpenGLView::eventFilter(QObject* watched, QEvent* event) {
    // Modifier keys count wherever the focus is in this view's window.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == window()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isModifierKey(key->key())) flagsChanged(modifiersAfter(key));
    }
    return QOpenGLWidget::eventFilter(watched, event);
}

void ZeltoOpenGLView::flagsChanged(Qt::KeyboardModifiers modifiers) {
    // During a drag the closed hand stays; afterwards the cursor from before the drag
    // returns, and the next modifier change picks again.
    if (_drags.active()) return;
    bool handHeld = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    setCurrentCursor(handHeld ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void ZeltoOpenGLView::setCurrentCursor(Qt::CursorShape shape) {
    _currentCursor = shape;
    setCursor(shape);
}
