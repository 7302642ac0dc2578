#include "MessageBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

MessageBar::MessageBar(QWidget* parent) : QFrame(parent) {
    setObjectName("messageBar");
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 4, 6, 4);
    _text = new QLabel;
    _text->setObjectName("messageText");
    _text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    _text->setWordWrap(true);
    layout->addWidget(_text, 1);
    _progress = new QProgressBar;
    _progress->setMaximumWidth(260);
    _progress->setTextVisible(true);
    layout->addWidget(_progress);
    _cancel = new QPushButton(tr("Cancel"));
    layout->addWidget(_cancel);
    _close = new QPushButton(tr("Dismiss"));
    _close->setFlat(true);
    layout->addWidget(_close);
    connect(_cancel, &QPushButton::clicked, this, &MessageBar::cancelRequested);
    connect(_close, &QPushButton::clicked, this, &MessageBar::dismiss);
    hide();
}

void MessageBar::setKind(Kind kind) {
    _kind = kind;
    bool progress = kind == Kind::Progress;
    _progress->setVisible(progress);
    _cancel->setVisible(progress);
    _close->setVisible(!progress);
    setStyleSheet(kind == Kind::Problem ? "#messageBar { background: rgb(255, 226, 214); color: black; }"
                  : progress            ? QString()
                                        : "#messageBar { background: rgb(255, 244, 200); color: black; }");
}

void MessageBar::showProgress(const QString& text) {
    setKind(Kind::Progress);
    _text->setText(text);
    _text->setToolTip(QString());
    _progress->setRange(0, 0);  // busy until the size is known
    show();
}

void MessageBar::setProgress(qint64 done, qint64 total) {
    if (total <= 0) return;
    // Per mille keeps the range in an int for files of any size.
    int value = static_cast<int>(std::min<qint64>(1000, done * 1000 / total));
    if (_progress->maximum() == 1000 && _progress->value() == value) return;
    _progress->setRange(0, 1000);
    _progress->setValue(value);
}

void MessageBar::showMessage(Kind kind, const QString& text, const QString& detail) {
    setKind(kind);
    _text->setText(text);
    _text->setToolTip(detail);
    show();
}

void MessageBar::dismiss() {
    _text->clear();
    hide();
}
