#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "Document.h"
#include "SceneLoader.h"

class QMenu;
class QWidget;
class WindowController;

// The application's documents: each file opened from the command line, File > Open,
// Open Recent or a drop gets one Document and one window; opening a file that is open
// already brings its window forward. Documents are only ever read, never written.
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

    static constexpr int kMaxRecentFiles = 10;
    // Files at least this large are read on a worker thread, the window showing the
    // progress meanwhile; smaller ones are read at once.
    static constexpr qint64 kBackgroundBytes = qint64{4} << 20;

    explicit DocumentController(QObject* parent = nullptr);
    ~DocumentController() override;

    void setErrorPresenter(ErrorPresenter presenter) { _presentError = std::move(presenter); }
    // A message box with the description as its text, the path and the place beside it
    // and the line in question as detail.
    static ErrorChoice presentErrorInDialog(const QString& path, const DocumentError& error,
                                            bool offerCompatibility);

    // Whether files open by compatibility reading (remembered between runs).
    bool compatibilityReading() const;
    void setCompatibilityReading(bool on);

    // An untitled document with an empty scene, in a new window. The one made at start-up
    // is `replaceable`: the first document opened takes its place.
    WindowController* newDocument(bool replaceable = false);
    // The document of the file, opened in a new window or brought forward when open
    // already; none, after presenting the error, when the file does not open.
    WindowController* openDocument(const QString& path);
    // Files named on the command line; a failure is also printed on standard error as
    // "zelto: FILE: reason". Returns how many opened.
    int openCommandLineFiles(const QStringList& paths);

    // From this size on files are read on a worker thread (0: all; a negative size: none).
    void setBackgroundThreshold(qint64 bytes) { _backgroundBytes = bytes; }
    // Reads the document's file again, the way it was read before. The scene is replaced
    // only when the file opens; otherwise the window says why and keeps its scene.
    void reloadDocument(WindowController* controller);

    const std::vector<WindowController*>& windowControllers() const { return _controllers; }
    WindowController* controllerForPath(const QString& path) const;

    QStringList recentFiles() const;
    void clearRecentFiles();

    void showOpenDialog(QWidget* parent);

signals:
    // Emitted for each window that opens, once it is shown (its scene may still be on
    // its way: see WindowController::isLoading).
    void windowOpened(WindowController* controller);
    // A window's scene arrived from a worker thread, or from its file changed on disk.
    void sceneLoaded(WindowController* controller);
    // Reading the changed file failed; the window shows why.
    void reloadFailed(WindowController* controller);

private:
    WindowController* makeWindowControllers(Document* document);
    void addMenus(WindowController* controller);
    void fillRecentMenu(QMenu* menu);
    void noteRecentFile(const QString& path);
    void windowClosed(WindowController* controller);
    bool readsInBackground(const QString& path) const;
    // The scene to open, from what reading gave: the scene itself; or, after presenting
    // the error, the compatible scene if the user takes it; or none.
    SceneHandle acceptedScene(const QString& path, SceneLoader::Outcome& outcome, MQAReading* reading);
    WindowController* openInBackground(const QString& path, MQAReading reading);
    // The first document opened takes the place of the start-up window.
    void replaceUntitled();
    void watchFile(WindowController* controller);
    void reloaded(WindowController* controller, SceneLoader::Outcome& outcome);

    ErrorPresenter _presentError = presentErrorInDialog;
    std::vector<WindowController*> _controllers;
    // The untitled window made at start-up, until a document replaces it.
    QPointer<WindowController> _replaceableUntitled;
    qint64 _backgroundBytes = kBackgroundBytes;
    // Files named on the command line whose failures, when they come later from a
    // worker, are printed as well.
    QStringList _fromCommandLine;
    // Windows whose file changed while their first read was still running.
    QList<QPointer<WindowController>> _reloadAfterLoading;
};
