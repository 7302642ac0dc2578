#include "ViewMenu.h"

#include <QAction>
#include <QColorDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>

#include "Document.h"
#include "InfoPanel.h"
#include "ShortcutsOverlay.h"
#include "ViewPreferences.h"
#include "ZeltoOpenGLView.h"

ViewMenu::ViewMenu(QMainWindow* window, ZeltoOpenGLView* view, Document* document, InfoPanel* information)
    : QObject(window), _window(window), _view(view), _document(document) {
    _menu = window->menuBar()->addMenu(tr("&View"));
    QAction* frame = _menu->addAction(tr("&Frame Model"), view, &ZeltoOpenGLView::frameModel);
    frame->setObjectName("frameModel");
    frame->setShortcut(QKeySequence(Qt::Key_F));
    QAction* home = _menu->addAction(tr("&Home View"), view, &ZeltoOpenGLView::goHome);
    home->setObjectName("home");
    home->setShortcut(QKeySequence(Qt::Key_Home));
    _menu->addSeparator();
    addToggle("wireframe", tr("&Wireframe"), &ZeltoOpenGLView::setDrawsWireframe);
    addToggle("backFaces", tr("Show &Back Faces"), &ZeltoOpenGLView::setDrawsBackFaces);
    _menu->addSeparator();
    for (QAction* display : {addToggle("hideInvisible", tr("&Hide Objects Marked Invisible"),
                                       &ZeltoOpenGLView::setHidesInvisibleObjects),
                             addToggle("mirroredHalves", tr("Draw &Mirrored Halves"),
                                       &ZeltoOpenGLView::setDrawsMirroredHalves)})
        connect(display, &QAction::toggled, this, &ViewMenu::rememberDisplayChoice);
    _menu->addSeparator();
    using ViewPreferences::Look;
    addLookToggle("grid", tr("Show &Grid"), &ZeltoOpenGLView::setShowsGrid, Look::Grid)
        ->setShortcut(QKeySequence(Qt::Key_G));
    addLookToggle("axes", tr("Show &Axes"), &ZeltoOpenGLView::setShowsAxes, Look::Axes)
        ->setShortcut(QKeySequence(Qt::Key_X));
    QAction* background = _menu->addAction(tr("Back&ground Colour…"), this, &ViewMenu::chooseBackground);
    background->setObjectName("background");
    QAction* plain = _menu->addAction(tr("&Default Background"), this, [this] {
        _view->setBackground(std::nullopt);
        ViewPreferences::rememberBackground(std::nullopt);
    });
    plain->setObjectName("defaultBackground");
    addLookToggle("antialiasing", tr("&Smooth Edges"), &ZeltoOpenGLView::setAntialiasing, Look::Antialiasing)
        ->setShortcut(QKeySequence(Qt::Key_A));
    _menu->addSeparator();
    QAction* fullScreen = _menu->addAction(tr("F&ull Screen"));
    fullScreen->setObjectName("fullScreen");
    fullScreen->setCheckable(true);
    // F11 everywhere, beside whatever the platform uses.
    QList<QKeySequence> fullScreenKeys{QKeySequence(Qt::Key_F11)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::FullScreen))
        if (!fullScreenKeys.contains(key)) fullScreenKeys.append(key);
    fullScreen->setShortcuts(fullScreenKeys);
    connect(fullScreen, &QAction::toggled, window, [window](bool on) {
        window->setWindowState(on ? window->windowState() | Qt::WindowFullScreen
                                  : window->windowState() & ~Qt::WindowFullScreen);
    });
    _overlay = new ShortcutsOverlay(window->menuBar(), view);
    QAction* shortcuts = _menu->addAction(tr("&Keyboard Shortcuts"), _overlay, &ShortcutsOverlay::toggle);
    shortcuts->setObjectName("shortcuts");
    shortcuts->setShortcuts({QKeySequence(Qt::Key_H), QKeySequence(Qt::Key_Question)});
    _menu->addSeparator();
    QAction* info = information->toggleViewAction();
    info->setText(tr("&Information"));
    info->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    _menu->addAction(info);

    ViewPreferences::restoreLook(view);
    showOptions();
    connect(view, &ZeltoOpenGLView::optionsChanged, this, &ViewMenu::showOptions);
    // Full screen can also end outside the menu.
    connect(_menu, &QMenu::aboutToShow, this, &ViewMenu::showOptions);
}

QAction* ViewMenu::action(const char* name) const { return _menu->findChild<QAction*>(name); }

QAction* ViewMenu::addToggle(const char* name, const QString& text, void (ZeltoOpenGLView::*set)(bool)) {
    QAction* toggle = _menu->addAction(text);
    toggle->setObjectName(name);
    toggle->setCheckable(true);
    connect(toggle, &QAction::toggled, _view, set);
    return toggle;
}

QAction* ViewMenu::addLookToggle(const char* name, const QString& text, void (ZeltoOpenGLView::*set)(bool),
                                 ViewPreferences::Look look) {
    QAction* toggle = addToggle(name, text, set);
    connect(toggle, &QAction::toggled, this,
            [look](bool on) { ViewPreferences::remember(look, on); });
    return toggle;
}

void ViewMenu::chooseBackground() {
    const std::optional<Color>& current = _view->background();
    QColor initial = current ? QColor::fromRgbF(current->r, current->g, current->b) : QColor(30, 65, 90);
    QColor chosen = QColorDialog::getColor(initial, _window, tr("Background Colour"));
    if (!chosen.isValid()) return;
    _view->setBackground(Color{chosen.redF(), chosen.greenF(), chosen.blueF(), 0.0f});
    ViewPreferences::rememberBackground(_view->background());
}

void ViewMenu::showOptions() {
    auto tick = [this](const char* name, bool on) {
        QAction* toggle = action(name);
        QSignalBlocker blocker(toggle);
        toggle->setChecked(on);
    };
    tick("wireframe", _view->drawsWireframe());
    tick("backFaces", _view->drawsBackFaces());
    tick("hideInvisible", _view->hidesInvisibleObjects());
    tick("mirroredHalves", _view->drawsMirroredHalves());
    tick("grid", _view->showsGrid());
    tick("axes", _view->showsAxes());
    tick("antialiasing", _view->antialiasing());
    tick("fullScreen", _window->isFullScreen());
    action("defaultBackground")->setEnabled(_view->background().has_value());
}

void ViewMenu::rememberDisplayChoice() {
    // The display choice of a document read for compatibility is the one such documents
    // open with next; a strictly read document's stays with its window.
    if (_document && _document->reading() == MQAReading::Compatible)
        ViewPreferences::setDisplayForCompatibleDocuments(_view->displayChoice());
}
