#pragma once

#include <QMainWindow>
#include <QStringList>

// The main window of one document: it takes dropped files and says when it closes.
class DocumentWindow : public QMainWindow {
    Q_OBJECT

public:
    using QMainWindow::QMainWindow;

signals:
    // Local files dropped on the window, in the order given.
    void filesDropped(const QStringList& paths);
    void closed();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
