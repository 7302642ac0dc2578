#pragma once

class DocumentController;
class QWidget;
class WindowController;

// The application's menus in a document's window: File and Edit before the window's own
// View and Playback menus, Help after them.
namespace AppMenus {

void install(WindowController* controller, DocumentController* documents);

// File > Open: the files chosen, each opened; the dialog starts in the folder of the
// file opened last.
void showOpenDialog(QWidget* parent, DocumentController* documents);

}  // namespace AppMenus
