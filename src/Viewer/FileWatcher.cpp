#include "FileWatcher.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

FileWatcher::FileWatcher(const QString& path, QObject* parent)
    : QObject(parent), _path(QFileInfo(path).absoluteFilePath()), _last(stampOf(_path)) {
    _settle.setSingleShot(true);
    _settle.setInterval(kSettleMilliseconds);
    connect(&_settle, &QTimer::timeout, this, &FileWatcher::settled);
    connect(&_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatcher::somethingChanged);
    connect(&_watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatcher::somethingChanged);
    _watcher.addPath(QFileInfo(_path).absolutePath());
    if (_last.exists) _watcher.addPath(_path);
}

FileWatcher::Stamp FileWatcher::stampOf(const QString& path) {
    struct stat status {};
    Stamp stamp;
    if (stat(QFile::encodeName(path).constData(), &status) != 0) return stamp;
    stamp.exists = true;
    stamp.device = status.st_dev;
    stamp.inode = status.st_ino;
    stamp.size = status.st_size;
    stamp.modified = qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    stamp.statusChanged = qint64(status.st_ctim.tv_sec) * 1'000'000'000 + status.st_ctim.tv_nsec;
    return stamp;
}

void FileWatcher::somethingChanged() {
    // Each change starts the wait again: a writer still at work is not interrupted.
    _settle.start();
}

void FileWatcher::settled() {
    Stamp now = stampOf(_path);
    // A file replaced by a rename is a new file to the watcher: watch it again.
    if (now.exists && !_watcher.files().contains(_path)) _watcher.addPath(_path);
    if (now == _last) return;  // another file in the folder changed
    bool existed = _last.exists;
    _last = now;
    if (!now.exists) {
        if (existed) emit removed();
        return;
    }
    emit changed();
}
