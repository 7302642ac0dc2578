#pragma once

#include <map>
#include <memory>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

// Keeps a property of a target equal to the value at a key path of a source object.
// The value is delivered when the binding is made and again whenever any property along
// the path announces a change through its notify signal; the path is followed afresh
// each time, so replacing an object in the middle of it is seen too.
class Binding : public QObject {
    Q_OBJECT

public:
    // Starts observing; the first value is delivered by start().
    Binding(QObject* target, QByteArray name, QObject* source, QString keyPath);
    ~Binding() override;

    // Delivers the current value.
    void start() { deliver(); }

    QObject* observedObject() const { return _source; }
    const QString& observedKeyPath() const { return _keyPath; }
    const QByteArray& name() const { return _name; }

    // Sets the value at the key path of the source for a target that keeps a value of
    // its own (a clamped zoom). The change notification this causes is not delivered
    // back to the target, so the two cannot echo each other without end.
    bool writeBack(const QVariant& value);

private slots:
    void sourceChanged();

private:
    void observe();
    void deliver();

    QPointer<QObject> _target;
    QByteArray _name;
    QPointer<QObject> _source;
    QString _keyPath;
    QList<QMetaObject::Connection> _observations;
    bool _writingBack = false;
    bool _delivering = false;
};

// The bindings of one target, by binding name. Only names the target exposes can be
// bound; binding a name again replaces its earlier binding.
class BindingSet {
public:
    BindingSet(QObject* target, QList<QByteArray> exposedBindings);

    const QList<QByteArray>& exposedBindings() const { return _exposed; }
    // False, and nothing bound, for a name the target does not expose.
    bool bind(const QByteArray& name, QObject* source, const QString& keyPath);
    void unbind(const QByteArray& name);
    // The binding of a name, for its source object and key path; none when unbound.
    Binding* infoForBinding(const QByteArray& name) const;

private:
    QObject* _target;
    QList<QByteArray> _exposed;
    std::map<QByteArray, std::unique_ptr<Binding>> _bindings;
};
