#pragma once

#include <memory>
#include <optional>
#include <thread>

#include <QObject>
#include <QString>

#include "Document.h"
#include "FrameRenderer.h"
#include "MQAProgress.h"
#include "ViewerTypes.h"

// The viewer's one way to read a document's file: on a worker thread, with progress and
// Cancel. The file is opened, read and built into a scene there, never on the main
// thread; the scene reaches a Document (and its observers) on the main thread, when the
// owner adopts it.
class SceneLoader : public QObject {
    Q_OBJECT

public:
    struct Outcome {
        SceneHandle scene;  // the scene, when the file opened
        MQAReading reading = MQAReading::Strict;
        DocumentError error;  // why not, when it did not
        // When strict reading failed and `offerCompatibility` was asked for: the scene
        // compatibility reading gives, if it opens the file.
        SceneHandle compatibleScene;
        // The scene's array layouts, made on the worker for its first frame (FrameRenderer).
        std::shared_ptr<FrameRenderer::Layouts> layouts;
    };

    // What the worker does: reads the file on the calling thread, never the main one.
    // With `offerCompatibility`, a file that strict reading refuses is also read
    // compatibly, from the same bytes, so the caller can offer that.
    static Outcome load(const QString& path, MQAReading reading, bool offerCompatibility,
                        MQAProgress* progress = nullptr);

    SceneLoader(QString path, MQAReading reading, bool offerCompatibility, QObject* parent = nullptr);
    // Cancels a read still running; its thread ends on its own, never waited for.
    ~SceneLoader() override;

    // Starts reading on a worker thread; finished() follows on this object's thread.
    void start();
    // Stops the read: finished() will not be emitted, and nothing read is kept.
    void cancel();
    // Waits for the workers of loaders already gone, all cancelled, to end: for the
    // program's last moments, so none is still reading as it exits.
    static void waitForWorkers();
    // Counts a worker of another kind (an export) among those waited for, while it lives.
    struct CountedWorker {
        CountedWorker();
        ~CountedWorker();
        CountedWorker(const CountedWorker&) = delete;
        CountedWorker& operator=(const CountedWorker&) = delete;
    };
    static int runningWorkers();
    bool isCancelled() const { return _shared->progress.isCancelled(); }
    bool isRunning() const { return _running; }
    // The outcome has been handed over: true from just before finished() on.
    bool hasFinished() const { return _finished; }
    const MQAProgress& progress() const { return _shared->progress; }
    const QString& path() const { return _path; }
    Outcome& outcome() { return _outcome; }

signals:
    void finished();

private:
    QString _path;
    MQAReading _reading;
    bool _offerCompatibility;
    // What the worker shares with the loader, and keeps should the loader go first.
    struct Shared {
        MQAProgress progress;
    };
    std::shared_ptr<Shared> _shared = std::make_shared<Shared>();
    Outcome _outcome;
    std::thread _thread;
    bool _running = false;
    bool _finished = false;
};
