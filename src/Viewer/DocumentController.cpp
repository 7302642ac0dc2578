#include "DocumentController.h"

#include <cstdio>
#include <system_error>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

#include "DocumentWindow.h"
#include "FileBytes.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

namespace {

const char* const kRecentFilesKey = "recentFiles";

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

void DocumentController::presentErrorInDialog(const QString& path, const DocumentError& error) {
    QMessageBox box(QMessageBox::Warning, tr("Zelto"), error.description);
    box.setInformativeText(path);
    box.exec();
}

WindowController* DocumentController::newDocument(bool replaceable) {
    WindowController* controller = makeWindowControllers(new Document);
    _replaceableUntitled = replaceable ? controller : nullptr;
    return controller;
}

std::unique_ptr<Document> DocumentController::readDocument(const QString& path, DocumentError* error) {
    std::string bytes;
    try {
        bytes = zelto::readFileBytes(QFile::encodeName(path).toStdString());
    } catch (const std::system_error& failure) {
        *error = DocumentError{Document::kErrorDomain, DocumentError::kReadError,
                               QString::fromStdString(failure.code().message())};
        return nullptr;
    }
    auto document = std::make_unique<Document>();
    document->setFileURL(QUrl::fromLocalFile(canonical(path)));
    if (!document->readFromData(std::move(bytes), "mqo", error)) return nullptr;
    return document;
}

WindowController* DocumentController::openDocument(const QString& path) {
    if (WindowController* open = controllerForPath(path)) {
        open->showWindow();
        return open;
    }
    DocumentError error;
    std::unique_ptr<Document> document = readDocument(path, &error);
    if (!document) {
        _presentError(path, error);
        return nullptr;
    }
    noteRecentFile(canonical(path));
    WindowController* controller = makeWindowControllers(document.release());
    if (_replaceableUntitled) {
        _replaceableUntitled->window()->close();
        _replaceableUntitled = nullptr;
    }
    return controller;
}

int DocumentController::openCommandLineFiles(const QStringList& paths) {
    int opened = 0;
    ErrorPresenter present = _presentError;
    for (const QString& path : paths) {
        _presentError = [&](const QString& failed, const DocumentError& error) {
            std::fprintf(stderr, "zelto: %s: %s\n", QFile::encodeName(failed).constData(),
                         error.description.toUtf8().constData());
            present(failed, error);
        };
        if (openDocument(path)) ++opened;
    }
    _presentError = present;
    return opened;
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

    QMenu* file = bar->addMenu(tr("&File"));
    QAction* newAction = file->addAction(tr("&New"), this, [this] { newDocument(); });
    newAction->setShortcut(QKeySequence::New);
    QAction* open = file->addAction(tr("&Open…"), this, [this, window] { showOpenDialog(window); });
    open->setShortcut(QKeySequence::Open);
    QMenu* recent = file->addMenu(tr("Open &Recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
    fillRecentMenu(recent);
    file->addSeparator();
    QAction* close = file->addAction(tr("&Close"), window, &QWidget::close);
    close->setShortcut(QKeySequence::Close);
    QAction* quit = file->addAction(tr("&Quit"), qApp, &QApplication::closeAllWindows);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);

    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(tr("&About Zelto"), this, [window] {
        QMessageBox::about(window, tr("About Zelto"),
                           tr("<p><b>Zelto %1</b></p><p>A fast, dependable viewer for Metasequoia "
                              "text documents (.mqo).</p><p>Drag to move the model; Ctrl-drag or "
                              "right-drag to turn it; Shift-drag or the wheel to zoom.</p>")
                               .arg(QApplication::applicationVersion()));
    });
}

void DocumentController::showOpenDialog(QWidget* parent) {
    QStringList recent = recentFiles();
    QString folder = recent.isEmpty() ? QString() : QFileInfo(recent.first()).absolutePath();
    QStringList paths = QFileDialog::getOpenFileNames(
        parent, tr("Open"), folder, tr("Metasequoia documents (*.mqo);;All files (*)"));
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
