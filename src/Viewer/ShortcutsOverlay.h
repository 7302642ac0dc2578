#pragma once

#include <QWidget>

class QLabel;
class QMenuBar;

// A list of the keys and mouse gestures over the view, from the window's menus as they
// are when it shows, so it never tells of a key that is not there. A click or Esc hides it.
class ShortcutsOverlay : public QWidget {
    Q_OBJECT

public:
    ShortcutsOverlay(QMenuBar* menus, QWidget* view);

    void toggle();
    // The rows shown: what a key or gesture does, and the key or gesture.
    QList<QPair<QString, QString>> rows() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();

    QMenuBar* _menus;
    QLabel* _list;
};
