#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "Document.h"

class QMenu;
class QWidget;
class WindowController;

// The application's documents: each file opened from the command line, File > Open,
// Open Recent or a drop gets one Document and one window; opening a file that is open
// already brings its window forward. Documents are only ever read, never written.
class DocumentController : public QObject {
    Q_OBJECT

public:
    // What the user chose when told why a file did not open.
    enum class ErrorChoice { Dismiss, ReadCompatibly };
    // Shows why a file did not open, offering compatibility reading when it would open
    // the file; replaceable so tests need no modal box.
    using ErrorPresenter =
        std::function<ErrorChoice(const QString& path, const DocumentError& error, bool offerCompatibility)>;

    static constexpr int kMaxRecentFiles = 10;

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

    const std::vector<WindowController*>& windowControllers() const { return _controllers; }
    WindowController* controllerForPath(const QString& path) const;

    QStringList recentFiles() const;
    void clearRecentFiles();

    void showOpenDialog(QWidget* parent);

signals:
    // Emitted for each window that opens, once it is shown.
    void windowOpened(WindowController* controller);

private:
    WindowController* makeWindowControllers(Document* document);
    void addMenus(WindowController* controller);
    void fillRecentMenu(QMenu* menu);
    void noteRecentFile(const QString& path);
    void windowClosed(WindowController* controller);
    // Reads the file; on failure fills `error` with the reason and returns none.
    std::unique_ptr<Document> readDocument(const QString& path, MQAReading reading, DocumentError* error);

    ErrorPresenter _presentError = presentErrorInDialog;
    std::vector<WindowController*> _controllers;
    // The untitled window made at start-up, until a document replaces it.
    QPointer<WindowController> _replaceableUntitled;
};
