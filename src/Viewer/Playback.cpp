#include "Playback.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr int64_t kTickNanoseconds = 1'000'000'000 / Playback::kTicksPerSecond;
}

Playback::Playback(std::function<void()> redisplay, QObject* parent)
    : QObject(parent), _redisplay(std::move(redisplay)) {}

void Playback::setAnimationName(AnimationNameHandle name) {
    _name = name;
    bool wasPaused = std::exchange(_paused, false);
    if (name) {
        _time = 0;
        _redisplay();
        if (!_timer) startTimer();
        emit timeChanged();
        emit stateChanged();
    } else if (_timer || wasPaused) {
        stopTimer();
        emit stateChanged();
    }
}

void Playback::redraw() {
    ++_time;
    _redisplay();
    emit timeChanged();
}

void Playback::pause() {
    if (!_timer || !_name.lock()) return;
    stopTimer();
    _paused = true;
    emit stateChanged();
}

void Playback::resume() {
    if (!_paused) return;
    _paused = false;
    if (_name.lock() && !_timer) startTimer();
    emit stateChanged();
}

void Playback::togglePause() {
    if (_paused)
        resume();
    else
        pause();
}

void Playback::stepForward() {
    if (!_paused) return;
    ++_time;
    _redisplay();
    emit timeChanged();
}

void Playback::stepBack() {
    if (!_paused || _time == 0) return;
    --_time;
    _redisplay();
    emit timeChanged();
}

void Playback::seek(uint64_t time) {
    pause();
    if (!_paused || time == _time) return;
    _time = time;
    _redisplay();
    emit timeChanged();
}

void Playback::startTimer() {
    _timer = new QTimer(this);
    _timer->setSingleShot(true);
    _timer->setTimerType(Qt::PreciseTimer);
    connect(_timer, &QTimer::timeout, this, [this] {
        redraw();
        scheduleNextTick();
    });
    _clock.start();
    _ticksScheduled = 0;
    scheduleNextTick();
}

void Playback::stopTimer() {
    if (!_timer) return;
    _timer->stop();
    _timer->deleteLater();
    _timer = nullptr;
}

void Playback::scheduleNextTick() {
    if (!_timer) return;
    ++_ticksScheduled;
    int64_t due = _ticksScheduled * 1'000'000'000 / kTicksPerSecond;
    int64_t now = _clock.nsecsElapsed();
    if (now - due > kTickNanoseconds) {
        // More than a tick behind (a long frame): count afresh from now rather than
        // firing a burst of ticks to catch up.
        _clock.restart();
        _ticksScheduled = 1;
        due = kTickNanoseconds;
        now = 0;
    }
    _timer->start(static_cast<int>(std::max<int64_t>(0, std::llround((due - now) / 1e6))));
}
