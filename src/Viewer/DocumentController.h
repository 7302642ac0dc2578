#pragma once

#include <functional>
#include <vector>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "Document.h"
#include "SceneLoader.h"

class WindowController;

// The application's documents: each file opened from the command line, File > Open,
// Open Recent, a drop or another process gets one Document and one window; opening a
// file that is open already brings its window forward. Every file is read on a worker
// thread, for a first open and for a reload alike, so the windows stay responsive
// whatever the file; this thread never opens a document's file. Documents are only ever
// read, never written.
class DocumentController : public QObject {
    Q_OBJECT

public:
    // What the user chose when told why a file did not open: nothing, compatibility
    // reading for this file, or for this file and the ones opened after it.
    enum class ErrorChoice { Dismiss, ReadCompatibly, ReadCompatiblyFromNowOn };
    // Shows why a file did not open, offering compatibility reading when it would open
    // the file; replaceable so tests need no modal box.
    using ErrorPresenter =
        std::function<ErrorChoice(const QString& path, const DocumentError& error, bool offerCompatibility)>;

    explicit DocumentController(QObject* parent = nullptr);
    ~DocumentController() override;

    void setErrorPresenter(ErrorPresenter presenter) { _presentError = std::move(presenter); }

    // Whether files open by compatibility reading (remembered between runs).
    bool compatibilityReading() const;
    void setCompatibilityReading(bool on);

    // An untitled document with an empty scene, in a new window. The one made at start-up
    // is `replaceable`: the first document opened takes its place.
    WindowController* newDocument(bool replaceable = false);
    // The window of the file: a new one, shown at once and empty while a worker reads the
    // file (sceneLoaded follows; or, after the error is presented, openFailed, and the
    // window closes), or the window that shows the file already, brought forward.
    WindowController* openDocument(const QString& path);
    // Files named on the command line; a failure is also printed on standard error as
    // "zelto: FILE: reason".
    void openCommandLineFiles(const QStringList& paths);
    // Reads the document's file again, the way it was read before. The scene is replaced
    // only when the file opens; otherwise the window says why and keeps its scene.
    void reloadDocument(WindowController* controller);

    const std::vector<WindowController*>& windowControllers() const { return _controllers; }
    WindowController* controllerForPath(const QString& path) const;

signals:
    // Emitted for each window that opens, once it is shown (its scene may still be on
    // its way: see WindowController::isLoading).
    void windowOpened(WindowController* controller);
    // A window's scene arrived from its file: opened, or read again after a change.
    void sceneLoaded(WindowController* controller);
    // The file did not open; its window is gone.
    void openFailed(const QString& path);
    // Reading the changed file failed; the window shows why.
    void reloadFailed(WindowController* controller);

private:
    WindowController* makeWindowControllers(Document* document);
    void windowClosed(WindowController* controller);
    // Starts a worker reading the document's file (`path` as the user named it) for the
    // window; `done` takes what it read.
    using Done = void (DocumentController::*)(WindowController*, SceneLoader*);
    SceneLoader* startReading(WindowController* controller, const QString& path, MQAReading reading,
                              bool offerCompatibility, Done done);
    void opened(WindowController* controller, SceneLoader* loader);
    void reloaded(WindowController* controller, SceneLoader* loader);
    // The scene to open, from what reading gave: the scene itself; or, after presenting
    // the error, the compatible scene if the user takes it; or none.
    SceneHandle acceptedScene(const QString& path, SceneLoader::Outcome& outcome, MQAReading* reading);
    // The first document opened takes the place of the start-up window.
    void replaceUntitled();
    void watchFile(WindowController* controller);

    ErrorPresenter _presentError;
    std::vector<WindowController*> _controllers;
    // The untitled window made at start-up, until a document replaces it.
    QPointer<WindowController> _replaceableUntitled;
    // Files named on the command line whose failures are printed as well.
    QStringList _fromCommandLine;
    // Windows whose file changed while their first read was still running.
    QList<QPointer<WindowController>> _reloadAfterLoading;
};
