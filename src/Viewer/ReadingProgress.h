#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class MessageBar;
class SceneLoader;

// How far a window's first read got, in its message bar, with Cancel. A file read in a
// blink shows no bar at all: the bar comes only once the read has taken kDelayMilliseconds,
// or at once for a file so large that it will surely take longer. It goes when the read
// ends; it lives as long as the loader it follows.
class ReadingProgress : public QObject {
    Q_OBJECT

public:
    // From this size on a read is expected to take a while: the bar shows at once.
    static constexpr qint64 kLargeBytes = qint64{4} << 20;
    // Longer than most opens of smaller files take, short enough that a slow one is
    // explained before the empty window puzzles anyone.
    static constexpr int kDelayMilliseconds = 400;

    // `name` is the document's; `fileBytes` the file's size, to choose when the bar shows.
    ReadingProgress(MessageBar* bar, SceneLoader* loader, const QString& name, qint64 fileBytes);
    ~ReadingProgress() override;

    bool isShown() const { return _shown; }

signals:
    void cancelRequested();

private:
    void show();
    void poll();
    void stop();

    QPointer<MessageBar> _bar;
    SceneLoader* _loader;
    QString _name;
    QTimer _delay;
    QTimer _poll;
    bool _shown = false;
};
