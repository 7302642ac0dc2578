// The document: reading bytes into a scene, the "model" notifications, errors.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include <QTemporaryDir>

#include "Document.h"
#include "DocumentGenerator.h"
#include "Metasequoia.h"
#include "SceneLoader.h"
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

    // Observers that hear a scene is coming (the textures, which resolve by it) already
    // see the way it was read.
    void theWayOfReadingComesWithTheScene() {
        Document document;
        MQAReading seen = MQAReading::Strict;
        connect(&document, &Document::modelWillChange, this, [&] { seen = document.reading(); });
        document.adoptScene(std::make_shared<Metasequoia>(), MQAReading::Compatible);
        QCOMPARE(seen, MQAReading::Compatible);
    }

    // A file strict reading refuses is read once to offer compatibility reading. A FIFO
    // is no file the window reads: it is refused at once, never waited on.
    void compatibilityIsOfferedFromOneRead() {
        QTemporaryDir folder;
        std::string v11 = kValid;
        v11.replace(v11.find("Ver 1.0"), 7, "Ver 1.1");
        QString path = folder.filePath("v11.mqo");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(v11.data(), qint64(v11.size()));
        file.close();
        SceneLoader::Outcome outcome = SceneLoader::load(path, MQAReading::Strict, true);
        QVERIFY(!outcome.scene);
        QVERIFY(outcome.compatibleScene);
        QCOMPARE(outcome.error.place->line, uint64_t{2});

        std::string pipe = folder.filePath("pipe.mqo").toStdString();
        QCOMPARE(mkfifo(pipe.c_str(), 0600), 0);
        auto loaded = std::async(std::launch::async, [&] {
            return SceneLoader::load(QString::fromStdString(pipe), MQAReading::Strict, true);
        });
        if (loaded.wait_for(std::chrono::seconds(5)) != std::future_status::ready)
            close(open(pipe.c_str(), O_WRONLY | O_NONBLOCK));  // let a waiting open go, and fail
        QVERIFY(loaded.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        outcome = loaded.get();
        QVERIFY(!outcome.scene && !outcome.compatibleScene);
        QCOMPARE(outcome.error.description, QString("It is a named pipe (FIFO), not a regular file"));
    }

    // Closing a window while its file is read does not wait for the read, which stops
    // soon after, in whatever stage it is (here compatibility reading).
    void aLoaderGoesAtOnceAndItsReadStops() {
        QTemporaryDir folder;
        QString path = folder.filePath("large.mqo");
        std::string text = bench::generateDocument(300000);
        text.replace(text.find("Ver 1.0"), 7, "Ver 1.1");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
        file.close();
        auto* loader = new SceneLoader(path, MQAReading::Strict, true);
        loader->start();
        QTRY_VERIFY_WITH_TIMEOUT(loader->progress().bytesRead() > 0, 20000);
        delete loader;
        QCOMPARE(SceneLoader::runningWorkers(), 1);  // still reading: nothing waited for it
        auto stopped = std::async(std::launch::async, [] { SceneLoader::waitForWorkers(); });
        QCOMPARE(stopped.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        QCoreApplication::processEvents();  // what the worker posted finds no loader
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
