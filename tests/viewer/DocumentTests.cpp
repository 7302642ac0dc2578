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

    // The document's half of reading: the scene a worker built replaces the old one
    // between exactly one will-change and one did-change, and observers that hear it is
    // coming (the textures, which resolve by it) already see the way it was read.
    void adoptingASceneAnnouncesItOnceAroundTheSwap() {
        Document document;
        SceneHandle before = document.model();
        auto read = std::make_shared<Metasequoia>(Metasequoia::initWithString(kValid));
        QStringList events;
        connect(&document, &Document::modelWillChange, this, [&] {
            events << "will";
            QCOMPARE(document.model(), before);  // still the old scene
            QCOMPARE(document.reading(), MQAReading::Compatible);
        });
        connect(&document, &Document::modelChanged, this, [&] {
            events << "did";
            QCOMPARE(document.model(), read);
        });
        document.adoptScene(read, MQAReading::Compatible);
        QCOMPARE(events, (QStringList{"will", "did"}));
    }

    // The worker's half: each reason exactly as reading gives it, with its line; and, for
    // a file only compatibility reading opens, the scene it would give and what it takes.
    void theLoaderGivesTheReasonExactlyAndWhatCompatibilityWouldOpen() {
        std::string badIndex = kValid;
        badIndex.replace(badIndex.find("V(0 1 2)"), 8, "V(0 1 9)");
        std::string v11 = kValid;
        v11.replace(v11.find("Ver 1.0"), 7, "Ver 1.1");
        struct Case {
            const char* name;
            std::string bytes;
            QString reason;  // empty: the file opens strictly
            uint64_t line;
            QString compatibilityHint;  // empty: compatibility reading does not open it either
        } cases[] = {
            {"valid", kValid, "", 0, ""},
            {"not a document", "Not a model\r\n", "This is not MQA file. (MQAFile:74)", 1, ""},
            {"index out of range", badIndex,
             "Object \"o\", face line 1: vertex index 9 is out of range (3 vertices)", 14, ""},
            {"newer version", v11, "Ver 1.1 is unsupported. (MQAFile:85)", 2, "format 1.1 from a newer modeller"},
        };
        QTemporaryDir folder;
        for (const Case& c : cases) {
            QString path = folder.filePath(QString(c.name) + ".mqo");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(c.bytes.data(), qint64(c.bytes.size()));
            file.close();
            SceneLoader::Outcome outcome = SceneLoader::load(path, MQAReading::Strict, true);
            QVERIFY2(bool(outcome.scene) == c.reason.isEmpty(), c.name);
            if (outcome.scene) continue;
            QCOMPARE(outcome.error.code, DocumentError::kReadError);
            QCOMPARE(outcome.error.domain, Document::kErrorDomain);
            QCOMPARE(outcome.error.description, c.reason);
            QVERIFY2(outcome.error.place, c.name);
            QCOMPARE(outcome.error.place->line, c.line);
            QCOMPARE(bool(outcome.compatibleScene), !c.compatibilityHint.isEmpty());
            QCOMPARE(outcome.error.compatibilityHint, c.compatibilityHint);
        }
        // Read compatibly from the start, the newer version opens with a warning that says so.
        QString path = folder.filePath("newer version.mqo");
        SceneLoader::Outcome compatible = SceneLoader::load(path, MQAReading::Compatible, false);
        QVERIFY(compatible.scene);
        QCOMPARE(compatible.reading, MQAReading::Compatible);
        QCOMPARE(compatible.scene->warnings().size(), size_t{1});
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
