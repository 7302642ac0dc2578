#pragma once

#include <QObject>
#include <QPointer>

#include "ViewPreferences.h"

class Document;
class InfoPanel;
class QAction;
class QMainWindow;
class QMenu;
class ShortcutsOverlay;
class ZeltoOpenGLView;

// The window's View menu: the camera (Frame Model, Home), how the model is drawn, what
// else the view shows, full screen, the shortcuts and the Information panel. Its ticks
// follow the view; the choices that outlast a run are remembered as they change.
class ViewMenu : public QObject {
    Q_OBJECT

public:
    ViewMenu(QMainWindow* window, ZeltoOpenGLView* view, Document* document, InfoPanel* information);

    QMenu* menu() const { return _menu; }
    ShortcutsOverlay* shortcutsOverlay() const { return _overlay; }
    // The menu's item of this object name ("frameModel", "home", "wireframe", ...).
    QAction* action(const char* name) const;

private:
    QAction* addToggle(const char* name, const QString& text, void (ZeltoOpenGLView::*set)(bool));
    // A toggle of the look, remembered for the windows that open next.
    QAction* addLookToggle(const char* name, const QString& text, void (ZeltoOpenGLView::*set)(bool),
                           ViewPreferences::Look look);
    void chooseBackground();
    // The ticks as the view has it, without acting on them.
    void showOptions();
    void rememberDisplayChoice();

    QMainWindow* _window;
    ZeltoOpenGLView* _view;
    QPointer<Document> _document;
    QMenu* _menu;
    ShortcutsOverlay* _overlay;
};
