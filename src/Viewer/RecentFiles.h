#pragma once

#include <QString>
#include <QStringList>

// The documents opened lately, newest first, kept between runs for File > Open Recent.
namespace RecentFiles {

constexpr int kMaxFiles = 10;

QStringList list();
// Puts the file first, once, dropping the oldest past kMaxFiles.
void note(const QString& path);
void clear();

}  // namespace RecentFiles
