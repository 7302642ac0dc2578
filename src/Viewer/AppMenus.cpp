#include "AppMenus.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "DocumentController.h"
#include "DocumentWindow.h"
#include "FileTypes.h"
#include "ImageExport.h"
#include "RecentFiles.h"
#include "SceneExport.h"
#include "WindowController.h"

namespace AppMenus {

namespace {

// "Metasequoia documents (*.mqo *.mqoz)": every kind of file a document opens from.
QString documentFileFilter() {
    QStringList patterns;
    for (const zelto::DocumentFileType& type : zelto::documentFileTypes())
        patterns << "*" + QString::fromLatin1(type.extension.data(), qsizetype(type.extension.size()));
    return QObject::tr("Metasequoia documents (%1)").arg(patterns.join(' '));
}

// Filled afresh each time it opens: another window may have opened a file since. The
// file's name is the entry; its folder shows when the pointer rests on it.
void fillRecentMenu(QMenu* menu, DocumentController* documents) {
    menu->clear();
    QStringList files = RecentFiles::list();
    for (const QString& path : files) {
        QAction* action = menu->addAction(QFileInfo(path).fileName(), documents,
                                          [documents, path] { documents->openDocument(path); });
        action->setToolTip(QFileInfo(path).absolutePath());
        action->setStatusTip(path);
    }
    if (!files.isEmpty()) menu->addSeparator();
    QAction* clear = menu->addAction(QObject::tr("Clear Menu"), menu, [] { RecentFiles::clear(); });
    clear->setEnabled(!files.isEmpty());
}

QMenu* makeFileMenu(WindowController* controller, DocumentController* documents) {
    QWidget* window = controller->window();
    auto* file = new QMenu(QObject::tr("&File"), controller->window()->menuBar());
    QAction* newAction = file->addAction(QObject::tr("&New"), documents, [documents] { documents->newDocument(); });
    newAction->setShortcut(QKeySequence::New);
    QAction* open = file->addAction(QObject::tr("&Open…"), documents,
                                    [window, documents] { showOpenDialog(window, documents); });
    open->setShortcut(QKeySequence::Open);
    QMenu* recent = file->addMenu(QObject::tr("Open &Recent"));
    recent->setObjectName("openRecent");
    recent->setToolTipsVisible(true);
    QObject::connect(recent, &QMenu::aboutToShow, documents, [recent, documents] { fillRecentMenu(recent, documents); });
    fillRecentMenu(recent, documents);
    file->addSeparator();
    QAction* exportImage = file->addAction(QObject::tr("&Export Image…"), controller,
                                           [controller] { ImageExport::exportImage(controller); });
    exportImage->setObjectName("exportImage");
    exportImage->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    QAction* exportGltf = file->addAction(QObject::tr("Export &glTF…"), controller,
                                          [controller] { SceneExport::exportGltf(controller); });
    exportGltf->setObjectName("exportGltf");
    file->addSeparator();
    QAction* compatibility = file->addAction(QObject::tr("Compatibility &Reading"));
    compatibility->setCheckable(true);
    compatibility->setToolTip(QObject::tr("Also open documents as modellers often write them, with a warning for "
                                          "each liberty taken"));
    QObject::connect(file, &QMenu::aboutToShow, compatibility,
                     [documents, compatibility] { compatibility->setChecked(documents->compatibilityReading()); });
    compatibility->setChecked(documents->compatibilityReading());
    QObject::connect(compatibility, &QAction::toggled, documents,
                     [documents](bool on) { documents->setCompatibilityReading(on); });
    file->addSeparator();
    QAction* close = file->addAction(QObject::tr("&Close"), window, &QWidget::close);
    close->setShortcut(QKeySequence::Close);
    QAction* quit = file->addAction(QObject::tr("&Quit"), qApp, &QApplication::closeAllWindows);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    return file;
}

QMenu* makeEditMenu(WindowController* controller) {
    auto* edit = new QMenu(QObject::tr("&Edit"), controller->window()->menuBar());
    QAction* copy = edit->addAction(QObject::tr("&Copy Image"), controller,
                                    [controller] { ImageExport::copyImage(controller); });
    copy->setObjectName("copyImage");
    copy->setShortcut(QKeySequence::Copy);
    return edit;
}

QMenu* makeHelpMenu(WindowController* controller) {
    QWidget* window = controller->window();
    auto* help = new QMenu(QObject::tr("&Help"), controller->window()->menuBar());
    help->addAction(QObject::tr("&About Zelto"), window, [window] {
        QMessageBox::about(window, QObject::tr("About Zelto"),
                           QObject::tr("<p><b>Zelto %1</b></p><p>A fast, dependable viewer for Metasequoia "
                                       "text documents (.mqo) and .mqoz archives.</p><p>Drag to move the model; Ctrl-drag or "
                                       "right-drag to turn it; Shift-drag or the wheel to zoom.</p>")
                               .arg(QApplication::applicationVersion()));
    });
    return help;
}

}  // namespace

void install(WindowController* controller, DocumentController* documents) {
    QMenuBar* bar = controller->window()->menuBar();
    QAction* windowsOwn = bar->actions().value(0);  // the window's own menus follow these
    bar->insertMenu(windowsOwn, makeFileMenu(controller, documents));
    bar->insertMenu(windowsOwn, makeEditMenu(controller));
    bar->addMenu(makeHelpMenu(controller));
}

void showOpenDialog(QWidget* parent, DocumentController* documents) {
    QStringList recent = RecentFiles::list();
    QString folder = recent.isEmpty() ? QString() : QFileInfo(recent.first()).absolutePath();
    QStringList paths = QFileDialog::getOpenFileNames(parent, QObject::tr("Open"), folder,
                                                      documentFileFilter() + QObject::tr(";;All files (*)"));
    for (const QString& path : paths) documents->openDocument(path);
}

}  // namespace AppMenus
