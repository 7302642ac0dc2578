// reload-benchmark FILE [TIMES]: opens a copy of FILE in a Zelto window (it needs a
// display: run it under xvfb-run), then saves the copy again TIMES times (default 10),
// as editors do, by writing a new file and renaming it over the old one, and reports the
// time from each rename to the end of the first frame that shows the reloaded scene.
// The watcher waits for writes to settle first; that wait is part of the figure.

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "DocumentController.h"
#include "ViewerBench.h"
#include "FileWatcher.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

int main(int argc, char** argv) {
    bench::useViewerSurfaceFormat();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: reload-benchmark FILE [TIMES]\n");
        return 2;
    }
    int times = argc > 2 ? std::max(1, atoi(argv[2])) : 10;
    QFile original(QString::fromLocal8Bit(argv[1]));
    if (!original.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 2;
    }
    QByteArray bytes = original.readAll();
    QTemporaryDir folder;
    QString path = folder.filePath("watched.mqo");
    auto save = [&] {
        QFile out(path + ".new");
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        out.close();
        std::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData());
    };
    save();

    DocumentController documents;
    WindowController* window = bench::openDocument(documents, path);
    if (!window) return 1;
    bench::waitFor(1500);  // the first frame and the window settling

    QElapsedTimer clock;
    clock.start();
    bool reloaded = false;
    qint64 shownAt = -1;
    QObject::connect(&documents, &DocumentController::sceneLoaded, [&] { reloaded = true; });
    QObject::connect(window->glView(), &QOpenGLWidget::frameSwapped, [&] {
        if (reloaded && shownAt < 0) shownAt = clock.nsecsElapsed();
    });
    std::vector<double> latencies;
    for (int i = 0; i < times; ++i) {
        reloaded = false;
        shownAt = -1;
        qint64 savedAt = clock.nsecsElapsed();
        save();
        while (shownAt < 0 && clock.nsecsElapsed() - savedAt < 60'000'000'000) bench::waitFor(1);
        if (shownAt < 0) {
            std::fprintf(stderr, "no reload within a minute\n");
            return 1;
        }
        latencies.push_back((shownAt - savedAt) / 1e6);
        bench::waitFor(300);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("%s: %zu bytes; save to new frame on screen over %d saves: median %.1f ms, best %.1f ms, "
                "worst %.1f ms (of which %d ms is the wait for writes to settle)\n",
                argv[1], static_cast<size_t>(bytes.size()), times, latencies[latencies.size() / 2],
                latencies.front(), latencies.back(), FileWatcher::kSettleMilliseconds);
    return 0;
}
