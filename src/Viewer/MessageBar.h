#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;
class QPushButton;

// A bar across the top of a window for what needs saying without a dialog: a file being
// opened, with its progress and Cancel; a reload that failed; a file that went away.
// Hidden while it has nothing to say.
class MessageBar : public QFrame {
    Q_OBJECT

public:
    enum class Kind { Progress, Problem, Notice };

    explicit MessageBar(QWidget* parent = nullptr);

    // A message with a progress bar (empty until setProgress) and a Cancel button.
    void showProgress(const QString& text);
    void setProgress(qint64 done, qint64 total);
    // A message of a problem or a notice; `detail` is shown when the pointer rests on it.
    void showMessage(Kind kind, const QString& text, const QString& detail = QString());
    void dismiss();

    Kind kind() const { return _kind; }
    QLabel* textLabel() const { return _text; }
    QProgressBar* progressBar() const { return _progress; }
    QPushButton* cancelButton() const { return _cancel; }

signals:
    void cancelRequested();

private:
    void setKind(Kind kind);

    Kind _kind = Kind::Notice;
    QLabel* _text;
    QProgressBar* _progress;
    QPushButton* _cancel;
    QPushButton* _close;
};
