#include "KeyPath.h"

#include <QMetaProperty>

namespace keypath {

QStringList split(const QString& keyPath) { return keyPath.split(u'.', Qt::SkipEmptyParts); }

QObject* objectIn(const QVariant& value) {
    if (!(value.metaType().flags() & QMetaType::PointerToQObject)) return nullptr;
    return *static_cast<QObject* const*>(value.constData());
}

namespace {

QVariant step(const QVariant& value, const QString& key) {
    if (key == u"self") return value;
    QObject* object = objectIn(value);
    if (!object) return {};
    int index = object->metaObject()->indexOfProperty(key.toUtf8().constData());
    if (index < 0) return {};
    return object->metaObject()->property(index).read(object);
}

}  // namespace

QVariant valueAt(QObject* source, const QString& keyPath) {
    QVariant value = QVariant::fromValue(source);
    if (!source) return {};
    for (const QString& key : split(keyPath)) {
        value = step(value, key);
        if (!value.isValid()) return {};
    }
    return value;
}

bool setValueAt(QObject* source, const QString& keyPath, const QVariant& value) {
    QStringList keys = split(keyPath);
    while (!keys.isEmpty() && keys.last() == u"self") keys.removeLast();
    if (!source || keys.isEmpty()) return false;
    QString last = keys.takeLast();
    QObject* owner = source;
    if (!keys.isEmpty()) owner = objectIn(valueAt(source, keys.join(u'.')));
    if (!owner) return false;
    int index = owner->metaObject()->indexOfProperty(last.toUtf8().constData());
    if (index < 0) return false;
    return owner->metaObject()->property(index).write(owner, value);
}

}  // namespace keypath
