#pragma once

#include <QObject>
#include <QPointer>

class Document;
class QAction;
class QLabel;
class QMainWindow;
class QSlider;
class QToolBar;
class ZeltoOpenGLView;

// Play and pause (Space), a frame forward or back while paused, and a time slider with the
// frame number and the loop's length below the view, while an animation plays. The picker
// still starts and stops playback; these only hold it where it is, or move it while held
// (dragging the slider pauses).
class PlaybackControls : public QObject {
    Q_OBJECT

public:
    PlaybackControls(QMainWindow* window, ZeltoOpenGLView* view, Document* document);

    QAction* playPauseAction() const { return _playPause; }
    QAction* nextFrameAction() const { return _next; }
    QAction* previousFrameAction() const { return _previous; }
    // "Frame 12 of 40", with "paused" while paused; empty while no animation plays.
    QLabel* frameLabel() const { return _frame; }
    // Over the loop's frames; shown while an animation plays or is paused.
    QSlider* timeSlider() const { return _slider; }

private:
    void showState();
    void showFrame();

    ZeltoOpenGLView* _view;
    QPointer<Document> _document;
    QAction* _playPause;
    QAction* _next;
    QAction* _previous;
    QLabel* _frame;
    QSlider* _slider;
    QToolBar* _timeBar;
};
