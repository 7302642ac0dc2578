// The binding facility on its own, and the picker's list controller.

#include "ArrayController.h"
#include "Binding.h"
#include "KeyPath.h"
#include "ViewerTestMain.h"

namespace {

// A source whose "inner" property holds another source, so key paths can reach through.
class Source : public QObject {
    Q_OBJECT
    Q_PROPERTY(int number READ number WRITE setNumber NOTIFY numberChanged)
    Q_PROPERTY(Source* inner READ inner WRITE setInner NOTIFY innerChanged)
    Q_PROPERTY(QString text READ text CONSTANT)

public:
    int number() const { return _number; }
    void setNumber(int number) {
        ++writes;
        _number = number;
        emit numberChanged();  // notifies on every write, as key-value observing does
    }
    Source* inner() const { return _inner; }
    void setInner(Source* inner) {
        _inner = inner;
        emit innerChanged();
    }
    QString text() const { return "fixed"; }

    int writes = 0;

signals:
    void numberChanged();
    void innerChanged();

private:
    int _number = 0;
    Source* _inner = nullptr;
};

// A target that keeps its number within [0, 10] and writes the kept value back, the
// way the view treats its zoom.
class Target : public QObject {
    Q_OBJECT
    Q_PROPERTY(int number READ number WRITE setNumber)
    Q_PROPERTY(QVariant anything READ anything WRITE setAnything)

public:
    Target() : bindings(this, {"number", "anything"}) {}

    int number() const { return _number; }
    void setNumber(int number) {
        received.append(number);
        _number = std::clamp(number, 0, 10);
        if (Binding* binding = bindings.infoForBinding("number")) binding->writeBack(_number);
    }
    QVariant anything() const { return _anything; }
    void setAnything(const QVariant& value) {
        anythingReceived.append(value);
        _anything = value;
    }

    BindingSet bindings;
    QList<int> received;
    QVariantList anythingReceived;

private:
    int _number = -1;
    QVariant _anything;
};

}  // namespace

class BindingTests : public QObject {
    Q_OBJECT

private slots:
    void keyPathsReachThroughObjectsAndSelf() {
        Source outer, inner;
        inner.setNumber(7);
        outer.setInner(&inner);
        QCOMPARE(keypath::valueAt(&outer, "inner.number").toInt(), 7);
        QCOMPARE(keypath::valueAt(&outer, "inner.number.self").toInt(), 7);
        QCOMPARE(keypath::valueAt(&outer, "text").toString(), QString("fixed"));
        QVERIFY(!keypath::valueAt(&outer, "inner.inner.number").isValid());  // an empty link
        QVERIFY(!keypath::valueAt(&outer, "nothing").isValid());
        QVERIFY(keypath::setValueAt(&outer, "inner.number", 3));
        QCOMPARE(inner.number(), 3);
        QVERIFY(!keypath::setValueAt(&outer, "inner.inner.number", 3));
    }

    void deliversOnBindAndOnEveryChange() {
        Source source;
        source.setNumber(4);
        Target target;
        QVERIFY(target.bindings.bind("number", &source, "number"));
        QCOMPARE(target.received, QList<int>{4});
        source.setNumber(6);
        QCOMPARE(target.received, (QList<int>{4, 6}));
        QCOMPARE(target.number(), 6);
    }

    void followsAReplacedObjectInThePath() {
        Source outer, first, second;
        first.setNumber(1);
        second.setNumber(2);
        outer.setInner(&first);
        Target target;
        target.bindings.bind("number", &outer, "inner.number");
        outer.setInner(&second);
        second.setNumber(5);
        first.setNumber(9);  // no longer on the path
        QCOMPARE(target.received, (QList<int>{1, 2, 5}));
        outer.setInner(nullptr);  // an empty link delivers none: a default value
        QCOMPARE(target.received.last(), 0);
    }

    void answersItsSourceAndKeyPath() {
        Source source;
        Target target;
        QVERIFY(!target.bindings.infoForBinding("number"));
        target.bindings.bind("number", &source, "number");
        Binding* binding = target.bindings.infoForBinding("number");
        QVERIFY(binding);
        QCOMPARE(binding->observedObject(), &source);
        QCOMPARE(binding->observedKeyPath(), QString("number"));
    }

    void refusesNamesTheTargetDoesNotExpose() {
        Source source;
        Target target;
        QVERIFY(!target.bindings.bind("other", &source, "number"));
        QVERIFY(!target.bindings.infoForBinding("other"));
    }

    void clampedValueIsWrittenBackOnceWithoutEcho() {
        Source source;
        Target target;
        target.bindings.bind("number", &source, "number");
        source.writes = 0;
        target.received.clear();
        source.setNumber(50);  // out of the target's range
        QCOMPARE(target.received, QList<int>{50});  // delivered once, not again for the write-back
        QCOMPARE(source.number(), 10);
        QCOMPARE(source.writes, 2);  // the change, then the single write-back
    }

    void writeBackWhileBindingIsMadeFindsTheBinding() {
        Source source;
        source.setNumber(-5);
        Target target;
        target.bindings.bind("number", &source, "number");
        QCOMPARE(source.number(), 0);
        QCOMPARE(target.received, QList<int>{-5});
    }

    void targetsOwnWriteBackIsNotDeliveredBack() {
        Source source;
        Target target;
        target.bindings.bind("number", &source, "number");
        target.received.clear();
        target.bindings.infoForBinding("number")->writeBack(8);
        QCOMPARE(source.number(), 8);
        QVERIFY(target.received.isEmpty());
    }

    void rebindingReplacesAndUnbindingStops() {
        Source a, b;
        a.setNumber(1);
        b.setNumber(2);
        Target target;
        target.bindings.bind("number", &a, "number");
        target.bindings.bind("number", &b, "number");
        a.setNumber(3);
        QCOMPARE(target.received, (QList<int>{1, 2}));
        target.bindings.unbind("number");
        b.setNumber(4);
        QCOMPARE(target.received, (QList<int>{1, 2}));
    }

    void sourceDestroyedFirstLeavesTheBindingHarmless() {
        Target target;
        {
            Source source;
            target.bindings.bind("number", &source, "number");
        }
        QVERIFY(!target.bindings.infoForBinding("number")->writeBack(3));
    }

    void pickerSelectionDeliversTheNameOrNone() {
        ArrayController picker;
        picker.setContent({"hop", "spin"});
        Target target;
        target.bindings.bind("anything", &picker, "selection.self");
        QCOMPARE(target.anythingReceived.size(), 1);
        QVERIFY(!target.anythingReceived[0].value<AnimationNameHandle>());  // nothing chosen

        picker.setSelectionIndex(1);
        AnimationNameHandle chosen = target.anything().value<AnimationNameHandle>();
        QVERIFY(chosen);
        QCOMPARE(*chosen, std::string("spin"));

        picker.setSelectionIndex(std::nullopt);  // clearing the choice
        QVERIFY(!target.anything().value<AnimationNameHandle>());
        QCOMPARE(target.anythingReceived.size(), 3);
    }

    void newContentKeepsAChosenNameThatStays() {
        ArrayController picker;
        picker.setContent({"hop", "spin"});
        picker.setSelectionIndex(0);
        AnimationNameHandle hop = picker.selection();
        QSignalSpy changes(&picker, &ArrayController::selectionChanged);
        picker.setContent({"dance", "hop"});
        QCOMPARE(picker.selection(), hop);  // the same entry: playback goes on
        QCOMPARE(picker.selectionIndex(), std::optional<size_t>(1));
        QCOMPARE(changes.count(), 0);
        picker.setContent({"dance"});
        QVERIFY(!picker.selection());
        QCOMPARE(changes.count(), 1);
        picker.setSelectionIndex(5);  // past the list: none
        QVERIFY(!picker.selectionIndex());
    }
};

ZELTO_VIEWER_TEST_MAIN(BindingTests)
#include "BindingTests.moc"
