// playback-benchmark FILE [ANIMATION] [SECONDS]: opens FILE in a Zelto window (it needs
// a display: run it under xvfb-run), plays the animation (default: the first one) and
// reports, over the given time (default 10 s), the frames actually drawn per second
// and the playback ticks per second. Then it drags the camera with the right button
// and reports the latency from each mouse event to the end of the frame showing it.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>

#include "DocumentController.h"
#include "ViewerBench.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

namespace {

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    bench::useViewerSurfaceFormat();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: playback-benchmark FILE [ANIMATION] [SECONDS]\n");
        return 2;
    }
    QString animation = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    int seconds = argc > 3 ? std::max(1, atoi(argv[3])) : 10;

    DocumentController documents;
    documents.setErrorPresenter([](const QString& path, const DocumentError& error, bool) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(error.description));
        return DocumentController::ErrorChoice::Dismiss;
    });
    WindowController* window = bench::openDocument(documents, QString::fromLocal8Bit(argv[1]));
    if (!window) return 1;
    ZeltoOpenGLView* view = window->glView();
    int frames = 0;
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> frameEnds;
    QObject::connect(view, &QOpenGLWidget::frameSwapped, [&] {
        ++frames;
        frameEnds.push_back(clock.nsecsElapsed());
    });
    bench::waitFor(2000);  // the first frame and the window settling

    QComboBox* picker = window->animationPicker();
    int index = animation.isEmpty() ? 1 : picker->findText(animation);
    if (index < 1) {
        std::fprintf(stderr, "no animation to play\n");
        return 1;
    }
    picker->setCurrentIndex(index);
    bench::waitFor(500);
    int framesBefore = frames;
    uint64_t ticksBefore = view->animationTime();
    qint64 start = clock.nsecsElapsed();
    bench::waitFor(seconds * 1000);
    double elapsed = (clock.nsecsElapsed() - start) / 1e9;
    std::printf("playing %s for %.1f s: %.1f frames drawn a second, %.1f ticks a second\n",
                qPrintable(picker->currentText()), elapsed, (frames - framesBefore) / elapsed,
                (view->animationTime() - ticksBefore) / elapsed);

    // Drag latency: each move, then the end of the next frame. Frames are drawn on this
    // thread between events, so every frame that ends after the move shows it.
    QPointF at(200, 200);
    auto send = [&](QEvent::Type type, QPointF p, Qt::MouseButtons buttons) {
        QMouseEvent event(type, p, view->mapToGlobal(p), Qt::RightButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, at, Qt::RightButton);
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        at.rx() += 3;
        qint64 sent = clock.nsecsElapsed();
        size_t seen = frameEnds.size();
        send(QEvent::MouseMove, at, Qt::RightButton);
        QElapsedTimer wait;
        wait.start();
        while (frameEnds.size() == seen && wait.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (frameEnds.size() > seen) latencies.push_back((frameEnds[seen] - sent) / 1e6);
        bench::waitFor(50);
    }
    send(QEvent::MouseButtonRelease, at, Qt::NoButton);
    std::printf("drag: event to frame on screen, median %.1f ms, worst %.1f ms (%zu moves)\n",
                median(latencies), latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()),
                latencies.size());
    return 0;
}
