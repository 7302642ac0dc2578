#include "Binding.h"

#include <QMetaMethod>
#include <QMetaProperty>

#include "KeyPath.h"

Binding::Binding(QObject* target, QByteArray name, QObject* source, QString keyPath)
    : _target(target), _name(std::move(name)), _source(source), _keyPath(std::move(keyPath)) {
    observe();
}

Binding::~Binding() {
    for (const QMetaObject::Connection& c : _observations) disconnect(c);
}

void Binding::observe() {
    for (const QMetaObject::Connection& c : _observations) disconnect(c);
    _observations.clear();
    if (!_source) return;
    static const QMetaMethod changed =
        staticMetaObject.method(staticMetaObject.indexOfSlot("sourceChanged()"));
    QVariant value = QVariant::fromValue(_source.data());
    for (const QString& key : keypath::split(_keyPath)) {
        if (key == u"self") continue;
        QObject* object = keypath::objectIn(value);
        if (!object) break;
        int index = object->metaObject()->indexOfProperty(key.toUtf8().constData());
        if (index < 0) break;
        QMetaProperty property = object->metaObject()->property(index);
        if (property.hasNotifySignal())
            _observations.append(connect(object, property.notifySignal(), this, changed));
        value = property.read(object);
    }
}

void Binding::deliver() {
    if (!_target) return;
    // A target that writes back while it takes a value must not be handed it again.
    _delivering = true;
    _target->setProperty(_name.constData(), keypath::valueAt(_source, _keyPath));
    _delivering = false;
}

void Binding::sourceChanged() {
    observe();
    if (_writingBack || _delivering) return;
    deliver();
}

bool Binding::writeBack(const QVariant& value) {
    _writingBack = true;
    bool written = keypath::setValueAt(_source, _keyPath, value);
    _writingBack = false;
    return written;
}

BindingSet::BindingSet(QObject* target, QList<QByteArray> exposedBindings)
    : _target(target), _exposed(std::move(exposedBindings)) {}

bool BindingSet::bind(const QByteArray& name, QObject* source, const QString& keyPath) {
    if (!_exposed.contains(name)) return false;
    _bindings.erase(name);
    // Stored before the first delivery, so a setter that writes back finds its binding.
    Binding* binding = (_bindings[name] = std::make_unique<Binding>(_target, name, source, keyPath)).get();
    binding->start();
    return true;
}

void BindingSet::unbind(const QByteArray& name) { _bindings.erase(name); }

Binding* BindingSet::infoForBinding(const QByteArray& name) const {
    auto found = _bindings.find(name);
    return found == _bindings.end() ? nullptr : found->second.get();
}
