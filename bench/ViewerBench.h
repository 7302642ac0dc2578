#pragma once

// What the benchmarks that drive a real Zelto window share.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSurfaceFormat>

namespace bench {

// The context the viewer asks for: compatibility profile, depth buffer. Before the
// application exists.
inline void useViewerSurfaceFormat() {
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
}

// Runs the event loop for a while.
inline void waitFor(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace bench
