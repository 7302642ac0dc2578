#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// Key paths over Qt properties. "document.model" is the property "model" of the object
// held in the property "document" of the source; "self" is the value itself. A link
// that is empty (no object, or an unknown property) makes the whole value none (an
// invalid QVariant).
namespace keypath {

QStringList split(const QString& keyPath);
QVariant valueAt(QObject* source, const QString& keyPath);
// Writes the last link's property; false when a link is empty or the write is refused.
bool setValueAt(QObject* source, const QString& keyPath, const QVariant& value);
// The object a variant holds, when it holds a QObject pointer.
QObject* objectIn(const QVariant& value);

}  // namespace keypath
