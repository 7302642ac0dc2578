#include "DocumentController.h"

#include <algorithm>
#include <cstdio>

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include "AppMenus.h"
#include "DocumentWindow.h"
#include "ErrorDialog.h"
#include "FileBytes.h"
#include "FileWatcher.h"
#include "MessageBar.h"
#include "ReadingProgress.h"
#include "RecentFiles.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

namespace {

const char* const kCompatibilityReadingKey = "compatibilityReading";

QString canonical(const QString& path) {
    QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QFileInfo(path).absoluteFilePath() : resolved;
}

}  // namespace

DocumentController::DocumentController(QObject* parent) : QObject(parent), _presentError(ErrorDialog::present) {}

DocumentController::~DocumentController() {
    // Each window goes before its document.
    std::vector<WindowController*> controllers = _controllers;
    for (WindowController* controller : controllers) {
        Document* document = controller->document();
        delete controller;
        delete document;
    }
}

bool DocumentController::compatibilityReading() const {
    return QSettings().value(kCompatibilityReadingKey, false).toBool();
}

void DocumentController::setCompatibilityReading(bool on) { QSettings().setValue(kCompatibilityReadingKey, on); }

WindowController* DocumentController::newDocument(bool replaceable) {
    WindowController* controller = makeWindowControllers(new Document);
    _replaceableUntitled = replaceable ? controller : nullptr;
    return controller;
}

WindowController* DocumentController::openDocument(const QString& path) {
    if (WindowController* open = controllerForPath(path)) {
        open->showWindow();
        return open;
    }
    // The window comes at once, empty; its message bar shows how far the reading got.
    auto* document = new Document;
    document->setFileURL(QUrl::fromLocalFile(canonical(path)));
    WindowController* controller = makeWindowControllers(document);
    MQAReading reading = compatibilityReading() ? MQAReading::Compatible : MQAReading::Strict;
    // A file strict reading refuses is offered for compatibility reading, from one read.
    SceneLoader* loader =
        startReading(controller, path, reading, reading == MQAReading::Strict, &DocumentController::opened);
    controller->setOpeningLoader(loader);
    // Only the size is asked of the file here: a stat, which never waits on its contents.
    auto* progress = new ReadingProgress(controller->messageBar(), loader, document->displayName(),
                                         QFileInfo(path).size());
    QPointer<WindowController> guard(controller);
    connect(progress, &ReadingProgress::cancelRequested, this, [guard, loader] {
        loader->cancel();
        if (guard) guard->window()->close();
    });
    return controller;
}

void DocumentController::openCommandLineFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        _fromCommandLine.append(path);
        openDocument(path);
    }
}

SceneLoader* DocumentController::startReading(WindowController* controller, const QString& path,
                                              MQAReading reading, bool offerCompatibility, Done done) {
    auto* loader = new SceneLoader(path, reading, offerCompatibility, controller);
    QPointer<WindowController> guard(controller);
    connect(loader, &SceneLoader::finished, this, [this, guard, loader, done] {
        // Done with: no longer the window's, so a reload started from `done` leaves it be.
        loader->setParent(nullptr);
        loader->deleteLater();
        if (guard) (this->*done)(guard, loader);
    });
    loader->start();
    return loader;
}

SceneHandle DocumentController::acceptedScene(const QString& path, SceneLoader::Outcome& outcome,
                                              MQAReading* reading) {
    *reading = outcome.reading;
    if (outcome.scene) return outcome.scene;
    // A file strict reading refuses may open by compatibility reading: it is offered then.
    bool offer = outcome.compatibleScene != nullptr;
    if (_fromCommandLine.contains(path)) {
        std::string file = QFile::encodeName(path).toStdString();
        std::fprintf(stderr, "zelto: %s\n",
                     describeAt(file, outcome.error.place, outcome.error.description.toStdString()).c_str());
        if (offer && !outcome.error.compatibilityHint.isEmpty())
            std::fprintf(stderr, "zelto: note: %s opens with compatibility reading (%s)\n", file.c_str(),
                         outcome.error.compatibilityHint.toUtf8().constData());
    }
    ErrorChoice choice = _presentError(path, outcome.error, offer);
    if (choice == ErrorChoice::Dismiss || !offer) return nullptr;
    if (choice == ErrorChoice::ReadCompatiblyFromNowOn) setCompatibilityReading(true);
    *reading = MQAReading::Compatible;
    return outcome.compatibleScene;
}

void DocumentController::opened(WindowController* controller, SceneLoader* loader) {
    SceneLoader::Outcome outcome = std::move(loader->outcome());
    const QString path = loader->path();
    MQAReading way = outcome.reading;
    // Still loading while the error is presented: a save meanwhile is read after.
    QPointer<WindowController> guard(controller);
    SceneHandle scene = acceptedScene(path, outcome, &way);
    _fromCommandLine.removeAll(path);
    if (!guard) return;
    controller->setOpeningLoader(nullptr);
    if (!scene) {
        _reloadAfterLoading.removeAll(controller);
        controller->window()->close();
        emit openFailed(path);
        return;
    }
    bool laidOut = outcome.layouts && scene == outcome.scene;
    controller->document()->adoptScene(scene, way);
    if (laidOut) controller->glView()->adoptLayouts(scene, std::move(*outcome.layouts));
    RecentFiles::note(canonical(path));
    replaceUntitled();
    emit sceneLoaded(controller);
    if (_reloadAfterLoading.removeAll(controller)) reloadDocument(controller);
}

void DocumentController::replaceUntitled() {
    if (!_replaceableUntitled) return;
    _replaceableUntitled->window()->close();
    _replaceableUntitled = nullptr;
}

void DocumentController::watchFile(WindowController* controller) {
    FileWatcher* watcher = controller->fileWatcher();
    if (!watcher) return;
    QPointer<WindowController> guard(controller);
    connect(watcher, &FileWatcher::changed, this, [this, guard] {
        if (guard) reloadDocument(guard);
    });
    connect(watcher, &FileWatcher::removed, this, [guard] {
        if (guard) guard->markFileGone(true);
    });
}

void DocumentController::reloadDocument(WindowController* controller) {
    if (controller->isLoading()) {
        // The read under way may have seen the file before this change: read it again
        // once that read is in.
        if (!_reloadAfterLoading.contains(controller)) _reloadAfterLoading.append(controller);
        return;
    }
    Document* document = controller->document();
    if (!document->fileURL().isLocalFile()) return;
    // A reload already running reads what is now stale: it gives way to this one.
    for (SceneLoader* running : controller->findChildren<SceneLoader*>(QString(), Qt::FindDirectChildrenOnly))
        delete running;
    startReading(controller, document->fileURL().toLocalFile(), document->reading(), false,
                 &DocumentController::reloaded);
}

void DocumentController::reloaded(WindowController* controller, SceneLoader* loader) {
    SceneLoader::Outcome& outcome = loader->outcome();
    if (!outcome.scene) {
        // The old scene stays; the bar says why until a save that reads well.
        QString excerpt = outcome.error.place ? QString::fromStdString(outcome.error.place->excerpt) : QString();
        controller->messageBar()->showMessage(
            MessageBar::Kind::Problem,
            tr("The changed file did not read%1: %2 The window keeps what it showed.")
                .arg(ErrorDialog::placeSuffix(outcome.error), outcome.error.description),
            excerpt);
        emit reloadFailed(controller);
        return;
    }
    controller->markFileGone(false);
    if (controller->messageBar()->kind() == MessageBar::Kind::Problem) controller->messageBar()->dismiss();
    controller->document()->adoptScene(outcome.scene, outcome.reading);
    if (outcome.layouts) controller->glView()->adoptLayouts(outcome.scene, std::move(*outcome.layouts));
    emit sceneLoaded(controller);
}

WindowController* DocumentController::controllerForPath(const QString& path) const {
    QString wanted = canonical(path);
    for (WindowController* controller : _controllers) {
        QUrl url = controller->document()->fileURL();
        if (url.isLocalFile() && url.toLocalFile() == wanted) return controller;
    }
    return nullptr;
}

WindowController* DocumentController::makeWindowControllers(Document* document) {
    auto* controller = new WindowController(document);
    document->setParent(nullptr);
    _controllers.push_back(controller);
    AppMenus::install(controller, this);
    connect(controller->window(), &DocumentWindow::filesDropped, this, [this](const QStringList& paths) {
        for (const QString& path : paths) openDocument(path);
    });
    connect(controller->window(), &DocumentWindow::closed, this,
            [this, controller] { windowClosed(controller); });
    watchFile(controller);
    controller->showWindow();
    emit windowOpened(controller);
    return controller;
}

void DocumentController::windowClosed(WindowController* controller) {
    auto found = std::find(_controllers.begin(), _controllers.end(), controller);
    if (found == _controllers.end()) return;
    _controllers.erase(found);
    // Reads for the window stop now: what they bring would find no window.
    for (SceneLoader* loader : controller->findChildren<SceneLoader*>(QString(), Qt::FindDirectChildrenOnly))
        loader->cancel();
    _reloadAfterLoading.removeAll(controller);
    // The window is still inside its close event: let it finish before it goes.
    Document* document = controller->document();
    controller->deleteLater();
    document->deleteLater();
}
