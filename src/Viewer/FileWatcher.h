#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Tells when a file changes on disk, once its writes have settled: a save in place, a
// save that writes another file and renames it over this one, a copy over it. Watches
// the file and its folder, since a rename leaves the old watch on a file that is gone.
class FileWatcher : public QObject {
    Q_OBJECT

public:
    // Quiet this long after the last change before changed() or removed().
    static constexpr int kSettleMilliseconds = 150;

    explicit FileWatcher(const QString& path, QObject* parent = nullptr);

    const QString& path() const { return _path; }
    bool fileExists() const { return _last.exists; }

    // What tells one version of the file from another.
    struct Stamp {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modified = 0, statusChanged = 0;  // times in nanoseconds
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QString& path);

signals:
    // The file has new contents (or is back after it was gone).
    void changed();
    // The file is gone (deleted, or moved away).
    void removed();

private:
    void somethingChanged();
    void settled();

    QString _path;
    QFileSystemWatcher _watcher;
    QTimer _settle;
    Stamp _last;
};
