#include "PlaybackControls.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

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

    _frame = new QLabel;
    _frame->setObjectName("frameNumber");
    window->statusBar()->addPermanentWidget(_frame);
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
        return;
    }
    uint64_t time = playback.animationTime();
    SceneHandle scene = _document ? _document->model() : nullptr;
    uint64_t length = scene ? loopLength(*scene, *name) : 0;
    QString text = length > 0 ? tr("Frame %1 of %2").arg(time % length).arg(length) : tr("Frame %1").arg(time);
    if (playback.isPaused()) text += tr(" (paused)");
    _frame->setText(text);
}
