// The document: reading bytes into a scene, the "model" notifications, errors.

#include "Document.h"
#include "Metasequoia.h"
#include "ViewerTestMain.h"

namespace {

const char* const kValid =
    "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
    "Material 1 {\r\n\t\"m\" col(1.000 1.000 1.000 1.000) dif(0.800)\r\n}\r\n"
    "Object \"o\" {\r\n\tvertex 3 {\r\n\t\t0.0 0.0 0.0\r\n\t\t1.0 0.0 0.0\r\n\t\t0.0 1.0 0.0\r\n\t}\r\n"
    "\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n"
    "\tanimation \"spin\" {\r\n\t\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\r\n\t}\r\n}\r\nEof\r\n";

}  // namespace

class DocumentTests : public QObject {
    Q_OBJECT

private slots:
    void newDocumentHoldsAnEmptyScene() {
        Document document;
        QVERIFY(document.model());
        QVERIFY(document.model()->models().empty());
        QVERIFY(document.fileURL().isEmpty());
        QCOMPARE(document.displayName(), QString("Untitled"));
    }

    void readingValidBytesReplacesTheSceneBetweenTwoNotifications() {
        Document document;
        SceneHandle before = document.model();
        QStringList events;
        connect(&document, &Document::modelWillChange, this, [&] {
            events << "will";
            QCOMPARE(document.model(), before);  // still the old scene
        });
        connect(&document, &Document::modelChanged, this, [&] {
            events << "did";
            QVERIFY(document.model() != before);
        });
        DocumentError error{"untouched", 1, "untouched", std::nullopt};
        QVERIFY(document.readFromData(kValid, "mqo", &error));
        QCOMPARE(events, (QStringList{"will", "did"}));
        QCOMPARE(document.model()->models().size(), size_t{1});
        QCOMPARE(document.model()->animationNames(), std::vector<std::string>{"spin"});
        QCOMPARE(error.description, QString("untouched"));
    }

    void rejectedBytesKeepTheSceneAndGiveTheReasonExactly() {
        Document document;
        QVERIFY(document.readFromData(kValid, "mqo", nullptr));
        SceneHandle kept = document.model();
        QSignalSpy will(&document, &Document::modelWillChange);
        QSignalSpy did(&document, &Document::modelChanged);
        DocumentError error;
        QVERIFY(!document.readFromData("Not a model\r\n", "mqo", &error));
        QCOMPARE(error.code, 256);
        QCOMPARE(error.domain, Document::kErrorDomain);
        QCOMPARE(error.description, QString("This is not MQA file. (MQAFile:74)"));
        QVERIFY(error.place);
        QCOMPARE(error.place->line, uint64_t{1});
        QCOMPARE(document.model(), kept);
        QCOMPARE(will.count(), 0);
        QCOMPARE(did.count(), 0);
    }

    void sceneErrorsAndBadTextAreReportedToo() {
        Document document;
        DocumentError error;
        std::string badIndex = kValid;
        badIndex.replace(badIndex.find("V(0 1 2)"), 8, "V(0 1 9)");
        QVERIFY(!document.readFromData(badIndex, "", &error));
        QCOMPARE(error.code, 256);
        QVERIFY2(error.description.contains("vertex index 9"), qPrintable(error.description));

        QVERIFY(!document.readFromData(std::string("Metasequoia Document\r\n\xff\xfe", 24), "", &error));
        QVERIFY(!error.description.isEmpty());
        // Without a place for the error the result is the same.
        QVERIFY(!document.readFromData("garbage", "", nullptr));
    }

    void compatibilityReadingIsKeptWithTheDocument() {
        Document document;
        std::string v11 = kValid;
        v11.replace(v11.find("Ver 1.0"), 7, "Ver 1.1");
        DocumentError error;
        QVERIFY(!document.readFromData(v11, "", &error));
        QCOMPARE(error.place->line, uint64_t{2});
        QVERIFY(document.readFromData(v11, "", &error, MQAReading::Compatible));
        QCOMPARE(document.reading(), MQAReading::Compatible);
        QCOMPARE(document.model()->warnings().size(), size_t{1});
    }

    void neverReadDocumentGivesTheEmptySceneBytes() {
        Document document;
        DocumentError error;
        std::optional<QByteArray> bytes = document.dataOfType("mqo", &error);
        std::optional<std::string> expected = Metasequoia().data();
        QCOMPARE(bytes.has_value(), expected.has_value());
        if (bytes) QCOMPARE(bytes->toStdString(), *expected);
    }

    void fileURLAnnouncesItsChange() {
        Document document;
        QSignalSpy changed(&document, &Document::fileURLChanged);
        document.setFileURL(QUrl::fromLocalFile("/models/car.mqo"));
        document.setFileURL(QUrl::fromLocalFile("/models/car.mqo"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(document.displayName(), QString("car.mqo"));
    }
};

ZELTO_VIEWER_TEST_MAIN(DocumentTests)
#include "DocumentTests.moc"
