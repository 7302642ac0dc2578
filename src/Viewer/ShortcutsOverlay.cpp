#include "ShortcutsOverlay.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

// A menu item's text as a sentence: no accelerator marks, no trailing dots.
QString plainText(const QAction* action) {
    QString text = action->text();
    text.remove(QRegularExpression("&(?!&)"));
    if (text.endsWith(QStringLiteral("…"))) text.chop(1);
    return text;
}

void collectShortcuts(const QMenu* menu, QList<QPair<QString, QString>>& rows) {
    for (const QAction* action : menu->actions()) {
        if (action->menu()) {
            collectShortcuts(action->menu(), rows);
            continue;
        }
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts()) {
            QString text = key.toString(QKeySequence::NativeText);
            // A lone mark reads better quoted: "." rather than .
            keys << (text.size() == 1 && !text.front().isLetterOrNumber() ? "“" + text + "”" : text);
        }
        if (!keys.isEmpty()) rows.append({plainText(action), keys.join(QObject::tr(" or "))});
    }
}

}  // namespace

ShortcutsOverlay::ShortcutsOverlay(QMenuBar* menus, QWidget* view) : QWidget(view), _menus(menus) {
    setObjectName("shortcutsOverlay");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet("ShortcutsOverlay { background: rgba(10, 20, 30, 200); }"
                  "QLabel { color: rgb(225, 232, 240); background: transparent; font-size: 11pt; }");
    auto* layout = new QVBoxLayout(this);
    _list = new QLabel;
    _list->setAlignment(Qt::AlignCenter);
    _list->setTextFormat(Qt::RichText);
    layout->addWidget(_list, 0, Qt::AlignCenter);
    view->installEventFilter(this);
    hide();
}

QList<QPair<QString, QString>> ShortcutsOverlay::rows() const {
    QList<QPair<QString, QString>> rows;
    for (const QAction* menu : _menus->actions())
        if (menu->menu()) collectShortcuts(menu->menu(), rows);
    rows.append({tr("Move the model"), tr("Drag or middle-drag")});
    rows.append({tr("Turn the model"), tr("Ctrl-drag or right-drag")});
    rows.append({tr("Zoom"), tr("Shift-drag or the wheel")});
    return rows;
}

void ShortcutsOverlay::fill() {
    QString table = "<table cellspacing='0' cellpadding='3'><tr><td colspan='2' align='center'><b>" +
                    tr("Keys and mouse") + "</b></td></tr>";
    for (const auto& [what, keys] : rows())
        table += "<tr><td align='right'>" + what.toHtmlEscaped() + "&nbsp;&nbsp;</td><td><b>" +
                 keys.toHtmlEscaped() + "</b></td></tr>";
    table += "<tr><td colspan='2' align='center'><br>" + tr("Click or press Esc to close") + "</td></tr></table>";
    _list->setText(table);
}

void ShortcutsOverlay::toggle() {
    if (isVisible()) {
        hide();
        return;
    }
    fill();
    setGeometry(parentWidget()->rect());
    show();
    raise();
}

bool ShortcutsOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    if (watched == parentWidget() && isVisible() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ShortcutsOverlay::mousePressEvent(QMouseEvent* event) {
    hide();
    event->accept();
}

void ShortcutsOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
