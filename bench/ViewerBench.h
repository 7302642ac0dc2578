#pragma once

// What the benchmarks that drive a real Zelto window share.

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSurfaceFormat>

#include "DocumentController.h"
#include "WindowController.h"

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

// Opens the file in a window and waits until a worker has read it; none when it did not
// open.
inline WindowController* openDocument(DocumentController& documents, const QString& path) {
    QPointer<WindowController> window = documents.openDocument(path);
    while (window && window->isLoading()) waitFor(10);
    const std::vector<WindowController*>& open = documents.windowControllers();
    return window && std::find(open.begin(), open.end(), window.data()) != open.end() ? window.data() : nullptr;
}

}  // namespace bench
