#include "Playback.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int64_t kTickNanoseconds = 1'000'000'000 / Playback::kTicksPerSecond;
}

Playback::Playback(std::function<void()> redisplay, QObject* parent)
    : QObject(parent), _redisplay(std::move(redisplay)) {}

void Playback::setAnimationName(AnimationNameHandle name) {
    _name = name;
    if (name) {
        _time = 0;
        _redisplay();
        if (!_timer) {
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
    } else if (_timer) {
        _timer->stop();
        _timer->deleteLater();
        _timer = nullptr;
    }
}

void Playback::redraw() {
    ++_time;
    _redisplay();
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
