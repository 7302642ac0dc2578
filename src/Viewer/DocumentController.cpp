#include "DocumentController.h"

#include <cstdio>
#include <system_error>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

#include "DocumentWindow.h"
#include "FileBytes.h"
#include "FileTypes.h"
#include "FileWatcher.h"
#include "ImageExport.h"
#include "SceneExport.h"
#include "MessageBar.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

namespace {

const char* const kRecentFilesKey = "recentFiles";
const char* const kCompatibilityReadingKey = "compatibilityReading";

// "Metasequoia documents (*.mqo *.mqoz)": every kind of file a document opens from.
QString documentFileFilter() {
    QStringList patterns;
    for (const zelto::DocumentFileType& type : zelto::documentFileTypes())
        patterns << "*" + QString::fromLatin1(type.extension.data(), qsizetype(type.extension.size()));
    return DocumentController::tr("Metasequoia documents (%1)").arg(patterns.join(' '));
}

QString canonical(const QString& path) {
    QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QFileInfo(path).absoluteFilePath() : resolved;
}

}  // namespace

DocumentController::DocumentController(QObject* parent) : QObject(parent) {}

DocumentController::~DocumentController() {
    // Each window goes before its document.
    std::vector<WindowController*> controllers = _controllers;
    for (WindowController* controller : controllers) {
        Document* document = controller->document();
        delete controller;
        delete document;
    }
}

DocumentController::ErrorChoice DocumentController::presentErrorInDialog(const QString& path,
                                                                        const DocumentError& error,
                                                                        bool offerCompatibility) {
    QMessageBox box(QMessageBox::Warning, tr("Zelto"), error.description);
    QString where = path;
    if (error.place && error.place->line > 0) {
        where += "\n" + tr("Line %1").arg(error.place->line);
        if (error.place->column > 0) where += tr(", column %1").arg(error.place->column);
    }
    box.setInformativeText(where);
    if (error.place && !error.place->excerpt.empty()) {
        QString line = QString::fromUtf8(error.place->excerpt.data(), qsizetype(error.place->excerpt.size()));
        QString detail = line;
        if (error.place->column > 0) {
            // A caret under the column, keeping the line's tabs so it lines up.
            QString caret;
            for (qsizetype i = 0; i + 1 < qsizetype(error.place->column) && i < line.size(); ++i)
                caret += line[i] == '\t' ? QChar('\t') : QChar(' ');
            detail += "\n" + caret + "^";
        }
        box.setDetailedText(detail);
    }
    QPushButton* compatible = nullptr;
    if (offerCompatibility) {
        compatible = box.addButton(tr("Open with Compatibility Reading"), QMessageBox::AcceptRole);
        // Files from one modeller tend to need it alike: it can stay on for the next ones.
        auto* keep = new QCheckBox(tr("Keep compatibility reading on for the files I open next"));
        keep->setObjectName("keepCompatibilityReading");
        box.setCheckBox(keep);
    }
    box.setDefaultButton(box.addButton(QMessageBox::Close));
    box.exec();
    if (!compatible || box.clickedButton() != compatible) return ErrorChoice::Dismiss;
    return box.checkBox()->isChecked() ? ErrorChoice::ReadCompatiblyFromNowOn : ErrorChoice::ReadCompatibly;
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

bool DocumentController::readsInBackground(const QString& path) const {
    if (_backgroundBytes < 0) return false;
    QFileInfo info(path);
    return info.isFile() && info.size() >= _backgroundBytes;
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
    }
    ErrorChoice choice = _presentError(path, outcome.error, offer);
    if (choice == ErrorChoice::Dismiss || !offer) return nullptr;
    if (choice == ErrorChoice::ReadCompatiblyFromNowOn) setCompatibilityReading(true);
    *reading = MQAReading::Compatible;
    return outcome.compatibleScene;
}

WindowController* DocumentController::openDocument(const QString& path) {
    if (WindowController* open = controllerForPath(path)) {
        open->showWindow();
        return open;
    }
    MQAReading reading = compatibilityReading() ? MQAReading::Compatible : MQAReading::Strict;
    if (readsInBackground(path)) return openInBackground(path, reading);
    // The version read: a save while the file is read or an error is shown is seen.
    FileWatcher::Stamp read = FileWatcher::stampOf(path);
    SceneLoader::Outcome outcome = SceneLoader::load(path, reading, reading == MQAReading::Strict);
    SceneHandle scene = acceptedScene(path, outcome, &reading);
    if (!scene) return nullptr;
    auto* document = new Document;
    document->setFileURL(QUrl::fromLocalFile(canonical(path)));
    document->adoptScene(std::move(scene), reading);
    noteRecentFile(canonical(path));
    WindowController* controller = makeWindowControllers(document);
    if (FileWatcher* watcher = controller->fileWatcher()) watcher->startFrom(read);
    replaceUntitled();
    return controller;
}

WindowController* DocumentController::openInBackground(const QString& path, MQAReading reading) {
    // The window comes at once, empty, and shows how far the reading got.
    auto* document = new Document;
    document->setFileURL(QUrl::fromLocalFile(canonical(path)));
    WindowController* controller = makeWindowControllers(document);
    auto* loader = new SceneLoader(path, reading, reading == MQAReading::Strict);
    controller->beginLoading(loader);
    QPointer<WindowController> guard(controller);
    connect(loader, &SceneLoader::finished, this, [this, guard, loader, path] {
        if (!guard) return;
        WindowController* opened = guard;
        SceneLoader::Outcome outcome = std::move(loader->outcome());
        opened->endLoading();
        MQAReading way = outcome.reading;
        SceneHandle scene = acceptedScene(path, outcome, &way);
        _fromCommandLine.removeAll(path);
        if (!scene) {
            _reloadAfterLoading.removeAll(opened);
            opened->window()->close();
            // A command line whose every file failed ends as it would have at start.
            if (_controllers.empty()) QCoreApplication::exit(1);
            return;
        }
        bool laidOut = outcome.layouts && scene == outcome.scene;
        opened->document()->adoptScene(scene, way);
        if (laidOut) opened->glView()->adoptLayouts(scene, std::move(*outcome.layouts));
        noteRecentFile(canonical(path));
        replaceUntitled();
        emit sceneLoaded(opened);
        if (_reloadAfterLoading.removeAll(opened)) reloadDocument(opened);
    });
    loader->start();
    return controller;
}

void DocumentController::replaceUntitled() {
    if (!_replaceableUntitled) return;
    _replaceableUntitled->window()->close();
    _replaceableUntitled = nullptr;
}

int DocumentController::openCommandLineFiles(const QStringList& paths) {
    int opened = 0;
    for (const QString& path : paths) {
        _fromCommandLine.append(path);
        if (openDocument(path)) ++opened;
        WindowController* controller = controllerForPath(path);
        if (!controller || !controller->isLoading()) _fromCommandLine.removeAll(path);
    }
    return opened;
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
    QString path = document->fileURL().toLocalFile();
    if (!readsInBackground(path)) {
        SceneLoader::Outcome outcome = SceneLoader::load(path, document->reading(), false);
        reloaded(controller, outcome);
        return;
    }
    // A reload already running reads what is now stale: it gives way to this one.
    for (SceneLoader* running : controller->findChildren<SceneLoader*>(QString(), Qt::FindDirectChildrenOnly))
        delete running;
    auto* loader = new SceneLoader(path, document->reading(), false, controller);
    QPointer<WindowController> guard(controller);
    connect(loader, &SceneLoader::finished, this, [this, guard, loader] {
        if (guard) reloaded(guard, loader->outcome());
        loader->deleteLater();
    });
    loader->start();
}

void DocumentController::reloaded(WindowController* controller, SceneLoader::Outcome& outcome) {
    if (!outcome.scene) {
        // The old scene stays; the bar says why until a save that reads well.
        QString where;
        if (outcome.error.place && outcome.error.place->line > 0)
            where = tr(" (line %1%2)")
                        .arg(outcome.error.place->line)
                        .arg(outcome.error.place->column > 0 ? tr(", column %1").arg(outcome.error.place->column)
                                                             : QString());
        QString excerpt = outcome.error.place ? QString::fromStdString(outcome.error.place->excerpt) : QString();
        controller->messageBar()->showMessage(
            MessageBar::Kind::Problem,
            tr("The changed file did not read%1: %2 The window keeps what it showed.")
                .arg(where, outcome.error.description),
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
    addMenus(controller);
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
    // The window is still inside its close event: let it finish before it goes.
    Document* document = controller->document();
    controller->deleteLater();
    document->deleteLater();
}

void DocumentController::addMenus(WindowController* controller) {
    QWidget* window = controller->window();
    QMenuBar* bar = controller->window()->menuBar();

    // File comes first, before the window's own View menu.
    QMenu* file = new QMenu(tr("&File"), bar);
    bar->insertMenu(bar->actions().value(0), file);
    QAction* newAction = file->addAction(tr("&New"), this, [this] { newDocument(); });
    newAction->setShortcut(QKeySequence::New);
    QAction* open = file->addAction(tr("&Open…"), this, [this, window] { showOpenDialog(window); });
    open->setShortcut(QKeySequence::Open);
    QMenu* recent = file->addMenu(tr("Open &Recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
    fillRecentMenu(recent);
    file->addSeparator();
    QAction* exportImage = file->addAction(tr("&Export Image…"), controller,
                                           [controller] { ImageExport::exportImage(controller); });
    exportImage->setObjectName("exportImage");
    exportImage->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    QAction* exportGltf = file->addAction(tr("Export &glTF…"), controller, [controller] { SceneExport::exportGltf(controller); });
    exportGltf->setObjectName("exportGltf");
    file->addSeparator();
    QAction* compatibility = file->addAction(tr("Compatibility &Reading"));
    compatibility->setCheckable(true);
    compatibility->setToolTip(tr("Also open documents as modellers often write them, with a warning for "
                                 "each liberty taken"));
    connect(file, &QMenu::aboutToShow, compatibility,
            [this, compatibility] { compatibility->setChecked(compatibilityReading()); });
    compatibility->setChecked(compatibilityReading());
    connect(compatibility, &QAction::toggled, this, [this](bool on) { setCompatibilityReading(on); });
    file->addSeparator();
    QAction* close = file->addAction(tr("&Close"), window, &QWidget::close);
    close->setShortcut(QKeySequence::Close);
    QAction* quit = file->addAction(tr("&Quit"), qApp, &QApplication::closeAllWindows);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    // Edit follows File, before the window's own menus.
    QMenu* edit = new QMenu(tr("&Edit"), bar);
    bar->insertMenu(bar->actions().value(1), edit);
    QAction* copy = edit->addAction(tr("&Copy Image"), controller, [controller] { ImageExport::copyImage(controller); });
    copy->setObjectName("copyImage");
    copy->setShortcut(QKeySequence::Copy);

    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(tr("&About Zelto"), this, [window] {
        QMessageBox::about(window, tr("About Zelto"),
                           tr("<p><b>Zelto %1</b></p><p>A fast, dependable viewer for Metasequoia "
                              "text documents (.mqo) and .mqoz archives.</p><p>Drag to move the model; Ctrl-drag or "
                              "right-drag to turn it; Shift-drag or the wheel to zoom.</p>")
                               .arg(QApplication::applicationVersion()));
    });
}

void DocumentController::showOpenDialog(QWidget* parent) {
    QStringList recent = recentFiles();
    QString folder = recent.isEmpty() ? QString() : QFileInfo(recent.first()).absolutePath();
    QStringList paths =
        QFileDialog::getOpenFileNames(parent, tr("Open"), folder, documentFileFilter() + tr(";;All files (*)"));
    for (const QString& path : paths) openDocument(path);
}

QStringList DocumentController::recentFiles() const {
    return QSettings().value(kRecentFilesKey).toStringList();
}

void DocumentController::clearRecentFiles() { QSettings().remove(kRecentFilesKey); }

void DocumentController::noteRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kMaxRecentFiles) files.removeLast();
    QSettings().setValue(kRecentFilesKey, files);
}

void DocumentController::fillRecentMenu(QMenu* menu) {
    menu->clear();
    QStringList files = recentFiles();
    for (const QString& path : files) {
        QAction* action = menu->addAction(QFileInfo(path).fileName(), this, [this, path] { openDocument(path); });
        action->setToolTip(path);
        action->setStatusTip(path);
    }
    if (!files.isEmpty()) menu->addSeparator();
    QAction* clear = menu->addAction(tr("Clear Menu"), this, [this] { clearRecentFiles(); });
    clear->setEnabled(!files.isEmpty());
}
