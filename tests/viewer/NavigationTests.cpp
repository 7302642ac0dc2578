// Camera input on the view: drags, wheel, trackpad gestures and the cursor rules.

#include <QLineEdit>
#include <QNativeGestureEvent>
#include <QPointingDevice>

#include "DragTracker.h"
#include "ViewerTestMain.h"
#include "ZeltoOpenGLView.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

void send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons, modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

// Press at `from`, move through `to` (each move reported), release at the last point.
void drag(QWidget* widget, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint from,
          std::initializer_list<QPoint> to) {
    send(widget, QEvent::MouseButtonPress, from, button, button, modifiers);
    QPoint last = from;
    for (QPoint p : to) {
        send(widget, QEvent::MouseMove, p, Qt::NoButton, button, modifiers);
        last = p;
    }
    send(widget, QEvent::MouseButtonRelease, last, button, Qt::NoButton, modifiers);
}

void wheel(QWidget* widget, QPoint angleDelta, QPoint pixelDelta = {}) {
    QWheelEvent event(QPointF(10, 10), QPointF(10, 10), pixelDelta, angleDelta, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &event);
}

void gesture(QWidget* widget, Qt::NativeGestureType type, double value) {
    QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, QPointF(10, 10),
                              QPointF(10, 10), QPointF(10, 10), value, QPointF());
    QCoreApplication::sendEvent(widget, &event);
}

std::unique_ptr<ZeltoOpenGLView> makeView() {
    auto view = std::make_unique<ZeltoOpenGLView>();
    view->resize(kWidth, kHeight);
    return view;
}

}  // namespace

class NavigationTests : public QObject {
    Q_OBJECT

private slots:
    void leftButtonDragIsChosenByModifiers() {
        using D = DragTracker::Drag;
        auto dragFor = [](Qt::KeyboardModifiers m) { return DragTracker::dragFor(Qt::LeftButton, m); };
        QCOMPARE(dragFor(Qt::NoModifier), D::Move);
        QCOMPARE(dragFor(Qt::ControlModifier), D::Turn);
        QCOMPARE(dragFor(Qt::ShiftModifier | Qt::ControlModifier), D::Turn);
        QCOMPARE(dragFor(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier), D::Turn);
        QCOMPARE(dragFor(Qt::ShiftModifier), D::Zoom);
        QCOMPARE(dragFor(Qt::ShiftModifier | Qt::MetaModifier), D::Zoom);
        QCOMPARE(dragFor(Qt::ShiftModifier | Qt::AltModifier), D::Move);
        QCOMPARE(dragFor(Qt::AltModifier), D::Move);
        QCOMPARE(dragFor(Qt::MetaModifier), D::Move);
        QCOMPARE(DragTracker::dragFor(Qt::MiddleButton, Qt::ControlModifier), D::Move);
        QCOMPARE(DragTracker::dragFor(Qt::RightButton, Qt::ShiftModifier), D::Turn);
        QCOMPARE(DragTracker::dragFor(Qt::BackButton, Qt::NoModifier), D::None);
    }

    void turnDragGivesOneDegreePerPoint() {
        auto view = makeView();
        // Right 30 points and up 20: +30 about y, -20 about x.
        drag(view.get(), Qt::LeftButton, Qt::ControlModifier, {100, 100}, {{110, 95}, {130, 80}});
        QCOMPARE(view->rotateY(), 60.0f);
        QCOMPARE(view->rotateX(), 10.0f);
        // The right button turns too, and the angles wrap.
        drag(view.get(), Qt::RightButton, Qt::NoModifier, {100, 100}, {{50, 130}});
        QCOMPARE(view->rotateY(), 10.0f);
        QCOMPARE(view->rotateX(), 40.0f);
        drag(view.get(), Qt::RightButton, Qt::NoModifier, {0, 0}, {{-20, 0}});
        QCOMPARE(view->rotateY(), 350.0f);
    }

    void zoomDragSpansTheRangeOverTheViewsHeight() {
        auto view = makeView();
        // Up by a quarter of the height: 1600 / 4 nearer.
        drag(view.get(), Qt::LeftButton, Qt::ShiftModifier, {10, 400}, {{10, 250}});
        QCOMPARE(view->zoom(), -400.0f);
        drag(view.get(), Qt::LeftButton, Qt::ShiftModifier, {10, 100}, {{10, 550}});
        QCOMPARE(view->zoom(), 800.0f);  // clamped
    }

    void moveDragFollowsTheMouseScaledByZoom() {
        auto view = makeView();
        // At zoom 0 a drag across the full width moves the model 240 units: half, 120.
        drag(view.get(), Qt::LeftButton, Qt::NoModifier, {100, 300}, {{300, 300}, {500, 240}});
        QCOMPARE(float(view->origin().x), 120.0f);
        QCOMPARE(float(view->origin().y), 24.0f);  // up 60 points at 800 / 600 x 0.3: the model goes up
        view->setOrigin({0, 0});
        view->setZoom(800);  // farthest: k = 1.5
        drag(view.get(), Qt::MiddleButton, Qt::NoModifier, {400, 300}, {{380, 300}});
        QCOMPARE(float(view->origin().x), -30.0f);
        drag(view.get(), Qt::MiddleButton, Qt::AltModifier, {400, 300}, {{0, 300}});
        QCOMPARE(float(view->origin().x), -200.0f);  // clamped
    }

    void moveDragRescalesWhenTheZoomChangesMidDrag() {
        auto view = makeView();
        send(view.get(), QEvent::MouseButtonPress, {400, 300}, Qt::LeftButton, Qt::LeftButton);
        view->setZoom(800);
        send(view.get(), QEvent::MouseMove, {420, 300}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(float(view->origin().x), 30.0f);  // k from the zoom at the move, not at the press
        send(view.get(), QEvent::MouseButtonRelease, {420, 300}, Qt::LeftButton, Qt::NoButton);
    }

    void otherButtonsAreIgnoredDuringADrag() {
        auto view = makeView();
        send(view.get(), QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
        send(view.get(), QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton,
             Qt::RightButton | Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(view->dragTracker().drag(), DragTracker::Drag::Turn);
        send(view.get(), QEvent::MouseButtonRelease, {100, 100}, Qt::LeftButton, Qt::RightButton);
        QVERIFY(view->dragTracker().active());
        send(view.get(), QEvent::MouseMove, {110, 100}, Qt::NoButton, Qt::RightButton);
        QCOMPARE(view->rotateY(), 40.0f);
        send(view.get(), QEvent::MouseButtonRelease, {110, 100}, Qt::RightButton, Qt::NoButton);
        QVERIFY(!view->dragTracker().active());
        // A move without the drag's button changes nothing.
        send(view.get(), QEvent::MouseMove, {300, 300}, Qt::NoButton, Qt::NoButton);
        QCOMPARE(view->rotateY(), 40.0f);
    }

    void wheelAndGesturesStepTheCamera() {
        auto view = makeView();
        wheel(view.get(), {0, 3 * 120});  // three notches
        QCOMPARE(view->zoom(), 30.0f);
        wheel(view.get(), {0, -120});
        QCOMPARE(view->zoom(), 20.0f);
        wheel(view.get(), {0, 0}, {0, int(2 * ZeltoOpenGLView::kPixelsPerNotch)});  // a touchpad
        QCOMPARE(view->zoom(), 40.0f);

        view->setZoom(0);
        gesture(view.get(), Qt::ZoomNativeGesture, 0.5);
        QCOMPARE(view->zoom(), -100.0f);
        view->setRotateY(355);
        gesture(view.get(), Qt::RotateNativeGesture, 10);
        QCOMPARE(view->rotateY(), 15.0f);
    }

    void everyCameraChangeAsksForAFrame() {
        auto view = makeView();
        view->show();  // update() only paints a visible widget
        if (!openGLAvailable()) QSKIP("painting needs OpenGL");
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QSignalSpy frames(view.get(), &QOpenGLWidget::frameSwapped);
        send(view.get(), QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
        send(view.get(), QEvent::MouseMove, {120, 100}, Qt::NoButton, Qt::RightButton);
        QTRY_VERIFY(frames.count() >= 1);  // drawn while the drag still runs
        QVERIFY(view->dragTracker().active());
        send(view.get(), QEvent::MouseButtonRelease, {120, 100}, Qt::RightButton, Qt::NoButton);
    }

    void cursorShowsTheHandForModifiers() {
        auto view = makeView();
        QCOMPARE(view->currentCursor(), Qt::ArrowCursor);
        QTest::keyPress(view.get(), Qt::Key_Shift);
        QCOMPARE(view->currentCursor(), Qt::OpenHandCursor);
        QCOMPARE(view->cursor().shape(), Qt::OpenHandCursor);
        QTest::keyRelease(view.get(), Qt::Key_Shift);
        QCOMPARE(view->currentCursor(), Qt::ArrowCursor);
        for (Qt::Key key : {Qt::Key_Control, Qt::Key_Alt}) {
            QTest::keyPress(view.get(), key);
            QCOMPARE(view->currentCursor(), Qt::OpenHandCursor);
            QTest::keyRelease(view.get(), key);
        }
        QTest::keyPress(view.get(), Qt::Key_Meta);  // Command alone does not count
        QCOMPARE(view->currentCursor(), Qt::ArrowCursor);
        QTest::keyRelease(view.get(), Qt::Key_Meta);
        QCOMPARE(view->currentCursor(), Qt::ArrowCursor);
    }

    void dragShowsTheClosedHandThenTheCursorFromBefore() {
        auto view = makeView();
        QTest::keyPress(view.get(), Qt::Key_Shift);
        send(view.get(), QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(view->currentCursor(), Qt::ClosedHandCursor);
        QCOMPARE(view->cursor().shape(), Qt::ClosedHandCursor);
        QTest::keyRelease(view.get(), Qt::Key_Shift);  // changed mid-drag
        QCOMPARE(view->currentCursor(), Qt::ClosedHandCursor);
        send(view.get(), QEvent::MouseButtonRelease, {10, 10}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(view->currentCursor(), Qt::OpenHandCursor);  // the one from before the drag
        QTest::keyPress(view.get(), Qt::Key_Meta);  // the next change picks again
        QCOMPARE(view->currentCursor(), Qt::ArrowCursor);
    }

    void modifierKeysElsewhereInTheWindowCount() {
        QWidget window;
        auto* view = new ZeltoOpenGLView(&window);
        auto* field = new QLineEdit(&window);
        QTest::keyPress(field, Qt::Key_Control);
        QCOMPARE(view->currentCursor(), Qt::OpenHandCursor);
        QTest::keyRelease(field, Qt::Key_Control);
        QCOMPARE(view->currentCursor(), Qt::ArrowCursor);
        QWidget elsewhere;
        QTest::keyPress(&elsewhere, Qt::Key_Control);  // another window's keys do not
        QCOMPARE(view->currentCursor(), Qt::ArrowCursor);
    }

    void viewTakesKeyboardFocus() {
        ZeltoOpenGLView view;
        QCOMPARE(view.focusPolicy(), Qt::StrongFocus);
    }
};

ZELTO_VIEWER_TEST_MAIN(NavigationTests)
#include "NavigationTests.moc"
