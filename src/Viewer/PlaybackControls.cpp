#include "PlaybackControls.h"

#include <climits>

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolBar>

#include "Document.h"
#include "Metasequoia.h"
#include "SceneFigures.h"
#include "ZeltoOpenGLView.h"

PlaybackControls::PlaybackControls(QMainWindow* window, ZeltoOpenGLView* view, Document* document)
    : QObject(window), _view(view), _document(document) {
    QMenu* menu = window->menuBar()->addMenu(tr("&Playback"));
    _playPause = menu->addAction(tr("&Pause"));
    _playPause->setObjectName("playPause");
    _playPause->setShortcut(Qt::Key_Space);
    _next = menu->addAction(tr("&Next Frame"));
    _next->setObjectName("nextFrame");
    _next->setShortcuts({QKeySequence(Qt::Key_Period), QKeySequence(Qt::Key_Right)});
    _previous = menu->addAction(tr("P&revious Frame"));
    _previous->setObjectName("previousFrame");
    _previous->setShortcuts({QKeySequence(Qt::Key_Comma), QKeySequence(Qt::Key_Left)});

    Playback& playback = view->playback();
    connect(_playPause, &QAction::triggered, &playback, &Playback::togglePause);
    connect(_next, &QAction::triggered, &playback, &Playback::stepForward);
    connect(_previous, &QAction::triggered, &playback, &Playback::stepBack);
    connect(&playback, &Playback::stateChanged, this, &PlaybackControls::showState);
    connect(&playback, &Playback::timeChanged, this, &PlaybackControls::showFrame);
    if (_document) connect(_document, &Document::modelChanged, this, &PlaybackControls::showFrame);

    _timeBar = new QToolBar(tr("Animation time"));
    _timeBar->setObjectName("animationTime");
    _timeBar->setMovable(false);
    _slider = new QSlider(Qt::Horizontal);
    _slider->setObjectName("timeSlider");
    _slider->setMinimumWidth(200);
    _slider->setToolTip(tr("Drag to choose a frame; playback pauses there"));
    _timeBar->addWidget(_slider);
    _frame = new QLabel;
    _frame->setObjectName("frameNumber");
    _frame->setMinimumWidth(_frame->fontMetrics().horizontalAdvance(tr("Frame 0000 of 0000 (paused)")));
    _timeBar->addWidget(_frame);
    // A row of its own, so the slider has the window's width.
    window->addToolBarBreak(Qt::BottomToolBarArea);
    window->addToolBar(Qt::BottomToolBarArea, _timeBar);
    // Only what the user does moves the animation (a drag, a click, a key), not the slider
    // following playback.
    connect(_slider, &QSlider::actionTriggered, this, [this] {
        _view->playback().seek(static_cast<uint64_t>(_slider->sliderPosition()));
    });
    showState();
}

void PlaybackControls::showState() {
    Playback& playback = _view->playback();
    bool paused = playback.isPaused();
    _playPause->setText(paused ? tr("&Play") : tr("&Pause"));
    _playPause->setEnabled(paused || playback.isTimerRunning());
    _next->setEnabled(paused);
    _previous->setEnabled(paused);
    showFrame();
}

void PlaybackControls::showFrame() {
    Playback& playback = _view->playback();
    AnimationNameHandle name = playback.animationName();
    if (!name || !(playback.isPaused() || playback.isTimerRunning())) {
        _frame->clear();
        _timeBar->hide();
        return;
    }
    uint64_t time = playback.animationTime();
    SceneHandle scene = _document ? _document->model() : nullptr;
    uint64_t length = scene ? loopLength(*scene, *name) : 0;
    QString text = length > 0 ? tr("Frame %1 of %2").arg(time % length).arg(length) : tr("Frame %1").arg(time);
    if (playback.isPaused()) text += tr(" (paused)");
    _frame->setText(text);
    QSignalBlocker blocker(_slider);
    // A loop longer than a slider counts is held at its end.
    int last = static_cast<int>(std::min<uint64_t>(length > 0 ? length - 1 : 0, INT_MAX));
    _slider->setRange(0, last);
    _slider->setEnabled(length > 1);
    if (!_slider->isSliderDown()) _slider->setValue(static_cast<int>(std::min<uint64_t>(length > 0 ? time % length : 0, INT_MAX)));
    _timeBar->show();
}
