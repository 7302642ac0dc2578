#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "ViewerTypes.h"

// Animation playback of one view: the chosen name, a frame counter and the timer that
// advances it 30 times a second. Ticks are counted, not timed: a late tick slows the
// animation down rather than skipping a frame.
class Playback : public QObject {
    Q_OBJECT

public:
    static constexpr int kTicksPerSecond = 30;

    // `redisplay` asks the view for a frame.
    explicit Playback(std::function<void()> redisplay, QObject* parent = nullptr);

    // A name starts playback at frame 0 (a running timer goes on unchanged, so another
    // name restarts on it); none stops the timer and changes nothing else.
    void setAnimationName(AnimationNameHandle name);
    // The chosen name; none when none was chosen or the picker let it go.
    AnimationNameHandle animationName() const { return _name.lock(); }
    uint64_t animationTime() const { return _time; }
    bool isTimerRunning() const { return _timer != nullptr; }

    // One tick: one frame forward and a redisplay request.
    void redraw();

    // Beyond playback as the picker drives it. Pausing stops the timer but keeps the
    // name and the counter, so frames still show the animation at the frame reached;
    // resuming starts a timer again from there. Choosing a name (or none) ends a pause.
    bool isPaused() const { return _paused; }
    void pause();
    void resume();
    void togglePause();
    // While paused: the frame after or before the current one (never below 0).
    void stepForward();
    void stepBack();
    // Holds the animation at this frame: pauses a running one first.
    void seek(uint64_t time);

signals:
    // The counter moved, or playback started, paused, resumed or stopped.
    void timeChanged();
    void stateChanged();

private:
    void startTimer();
    void stopTimer();
    void scheduleNextTick();

    std::function<void()> _redisplay;
    std::weak_ptr<const std::string> _name;
    uint64_t _time = 0;
    bool _paused = false;
    // One single-shot timer set for each tick's due time, counted from the start, so
    // ticks average exactly 1/30 s although a timer's interval is whole milliseconds.
    QPointer<QTimer> _timer;
    QElapsedTimer _clock;
    int64_t _ticksScheduled = 0;
};
