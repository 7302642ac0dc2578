#include "ReadingProgress.h"

#include <QLabel>

#include "MessageBar.h"
#include "SceneLoader.h"

namespace {
// A few looks a second: each repaint of the window costs the reading thread time.
constexpr int kPollMilliseconds = 250;
}  // namespace

ReadingProgress::ReadingProgress(MessageBar* bar, SceneLoader* loader, const QString& name, qint64 fileBytes)
    : QObject(loader), _bar(bar), _loader(loader), _name(name) {
    _delay.setSingleShot(true);
    connect(&_delay, &QTimer::timeout, this, &ReadingProgress::show);
    connect(&_poll, &QTimer::timeout, this, &ReadingProgress::poll);
    connect(loader, &SceneLoader::finished, this, &ReadingProgress::stop);
    if (fileBytes >= kLargeBytes)
        show();
    else
        _delay.start(kDelayMilliseconds);
}

ReadingProgress::~ReadingProgress() { stop(); }

void ReadingProgress::show() {
    // A read that has ended may still be being handled (its error up in a dialog, whose
    // own event loop runs the timers): there is no progress left to show.
    if (!_bar || _loader->hasFinished()) return;
    _shown = true;
    _bar->showProgress(tr("Opening “%1”…").arg(_name));
    connect(_bar, &MessageBar::cancelRequested, this, &ReadingProgress::cancelRequested, Qt::UniqueConnection);
    _poll.start(kPollMilliseconds);
    poll();
}

void ReadingProgress::poll() {
    if (!_bar) return;
    if (_loader->hasFinished()) {
        stop();
        return;
    }
    const MQAProgress& progress = _loader->progress();
    _bar->setProgress(qint64(progress.bytesRead()), qint64(progress.bytesTotal()));
    // Past the last byte the scene is being built: normals, triangles, arrays.
    QString building = tr("Building “%1”…").arg(_name);
    if (progress.bytesTotal() && progress.bytesRead() >= progress.bytesTotal() &&
        _bar->textLabel()->text() != building)
        _bar->textLabel()->setText(building);
}

void ReadingProgress::stop() {
    _delay.stop();
    _poll.stop();
    if (!_shown || !_bar) return;
    _shown = false;
    disconnect(_bar, &MessageBar::cancelRequested, this, &ReadingProgress::cancelRequested);
    if (_bar->kind() == MessageBar::Kind::Progress) _bar->dismiss();
}
