#include "RecentFiles.h"

#include <QSettings>

namespace RecentFiles {

namespace {
const char* const kKey = "recentFiles";
}

QStringList list() { return QSettings().value(kKey).toStringList(); }

void note(const QString& path) {
    QStringList files = list();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kMaxFiles) files.removeLast();
    QSettings().setValue(kKey, files);
}

void clear() { QSettings().remove(kKey); }

}  // namespace RecentFiles
