// Windows, documents and their bindings, on a real display with OpenGL.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>

#include "ArrayController.h"
#include "Document.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "MessageBar.h"
#include "Metasequoia.h"
#include "RecentFiles.h"
#include "SceneLoader.h"
#include "ViewerTestMain.h"
#include "WarningSummary.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

namespace {

struct Failure {
    QString path;
    DocumentError error;
    bool compatibilityOffered;
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Standard error of the calls made while it lives.
class CapturedStandardError {
public:
    CapturedStandardError() : _saved(dup(STDERR_FILENO)) {
        std::fflush(stderr);
        _file.open();
        dup2(_file.handle(), STDERR_FILENO);
    }
    QString text() {
        std::fflush(stderr);
        dup2(_saved, STDERR_FILENO);
        close(_saved);
        _file.seek(0);
        return QString::fromUtf8(_file.readAll());
    }

private:
    int _saved;
    QTemporaryFile _file;
};

}  // namespace

class WindowTests : public QObject {
    Q_OBJECT

private:
    QTemporaryDir _folder;
    std::unique_ptr<DocumentController> _documents;
    QList<Failure> _failures;
    DocumentController::ErrorChoice _choice = DocumentController::ErrorChoice::Dismiss;

    QString sample(const QString& name) {
        QString copy = _folder.filePath(name);
        if (!QFile::exists(copy)) QFile::copy(QString(ZELTO_SAMPLES_DIR) + "/" + name, copy);
        return copy;
    }

    void waitForDeletions() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private slots:
    void init() {
        _failures.clear();
        _documents = std::make_unique<DocumentController>();
        _choice = DocumentController::ErrorChoice::Dismiss;
        _documents->setErrorPresenter([this](const QString& path, const DocumentError& error, bool offer) {
            _failures.append({path, error, offer});
            return _choice;
        });
        RecentFiles::clear();
        _documents->setCompatibilityReading(false);
        QSettings().remove("view");
    }

    void cleanup() {
        _documents.reset();
        waitForDeletions();
    }

    void bindingsHandTheDocumentToTheView() {
        REQUIRE_OPENGL();
        QString path = sample("animated.mqo");
        WindowController* window = openAndWait(*_documents, path);
        QVERIFY(window);
        ZeltoOpenGLView* view = window->glView();
        QCOMPARE(view->metaseq(), window->document()->model());
        QCOMPARE(view->textureBaseURL(), QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath()));
        QCOMPARE(view->zoom(), 0.0f);
        QVERIFY(!view->animationName());
        QCOMPARE(view->infoForBinding("metaseq")->observedKeyPath(), QString("document.model"));
        QCOMPARE(view->infoForBinding("textureBaseURL")->observedKeyPath(), QString("document.fileURL"));
        QCOMPARE(view->infoForBinding("zoom")->observedObject(), window);
        QCOMPARE(view->infoForBinding("animationName")->observedObject(), window->arrayController());
        QCOMPARE(view->infoForBinding("animationName")->observedKeyPath(), QString("selection.self"));
        QCOMPARE(window->window()->windowTitle(), QString("animated.mqo"));

        // A new scene for the document reaches the view.
        SceneHandle first = window->document()->model();
        QVERIFY(reloadAndWait(*_documents, window));
        QVERIFY(window->document()->model() != first);
        QCOMPARE(view->metaseq(), window->document()->model());
    }

    void zoomOutOfRangeIsClampedAndWrittenBack() {
        REQUIRE_OPENGL();
        WindowController* window = _documents->newDocument();
        QSignalSpy zoomChanges(window, &WindowController::zoomChanged);
        window->setZoom(1000);
        QCOMPARE(window->glView()->zoom(), 800.0f);
        QCOMPARE(window->glView()->camera().pos().z, -1800.0f);
        QCOMPARE(window->zoom(), 800.0f);
        QCOMPARE(zoomChanges.count(), 2);  // the change and the single write-back
        window->setZoom(-900);
        QCOMPARE(window->zoom(), -800.0f);
        QCOMPARE(window->zoomSlider()->value(), -800);
        QCOMPARE(window->zoomField()->value(), -800.0);

        // The view's own changes reach the controller and its zoom control.
        window->glView()->setZoom(250);
        QCOMPARE(window->zoom(), 250.0f);
        QCOMPARE(window->zoomSlider()->value(), 250);
        window->zoomSlider()->setValue(-120);
        QCOMPARE(window->glView()->zoom(), -120.0f);
    }

    void pickerListsTheScenesAnimationsAndPlaysTheChoice() {
        REQUIRE_OPENGL();
        QString path = sample("animated.mqo");
        WindowController* window = openAndWait(*_documents, path);
        QVERIFY(window);
        QComboBox* picker = window->animationPicker();
        QCOMPARE(picker->count(), 3);
        QCOMPARE(picker->itemText(0), QString("No animation"));
        QCOMPARE(picker->itemText(1), QString("hop"));
        QCOMPARE(picker->itemText(2), QString("spin"));

        ZeltoOpenGLView* view = window->glView();
        picker->setCurrentIndex(2);
        QVERIFY(view->animationName());
        QCOMPARE(*view->animationName(), std::string("spin"));
        QVERIFY(view->playback().isTimerRunning());
        QTRY_VERIFY(view->animationTime() >= 2);
        picker->setCurrentIndex(1);  // another name restarts at frame 0
        QVERIFY(view->animationTime() < 2);
        QCOMPARE(*view->animationName(), std::string("hop"));
        picker->setCurrentIndex(0);  // no animation: stopped
        QVERIFY(!view->animationName());
        QVERIFY(!view->playback().isTimerRunning());

        // A scene without these names empties the list.
        picker->setCurrentIndex(2);
        QFile::remove(path);
        QVERIFY(QFile::copy(sample("materials.mqo"), path));
        QVERIFY(reloadAndWait(*_documents, window));
        QCOMPARE(picker->count(), 1);
        QVERIFY(!view->animationName());
        QVERIFY(!view->playback().isTimerRunning());
    }

    void eachDocumentHasOneWindowAndAnOpenFileComesForward() {
        REQUIRE_OPENGL();
        WindowController* a = openAndWait(*_documents, sample("arm.mqo"));
        WindowController* b = openAndWait(*_documents, sample("animated.mqo"));
        QVERIFY(a && b && a != b);
        QCOMPARE(_documents->windowControllers().size(), size_t{2});
        QCOMPARE(_documents->openDocument(sample("arm.mqo")), a);
        QCOMPARE(_documents->openDocument(_folder.path() + "/./arm.mqo"), a);
        QCOMPARE(_documents->windowControllers().size(), size_t{2});
        QCOMPARE(RecentFiles::list().first(), QFileInfo(sample("animated.mqo")).canonicalFilePath());
        QVERIFY(_failures.isEmpty());

        a->window()->close();
        waitForDeletions();
        QCOMPARE(_documents->windowControllers().size(), size_t{1});
    }

    void aFileThatDoesNotOpenLeavesNoWindowAndSaysWhy() {
        REQUIRE_OPENGL();
        QString bad = _folder.filePath("bad.mqo");
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Metasequoia Document\r\nFormat Compact Ver 1.0\r\n\r\nx\r\nEof\r\n");
        file.close();
        QVERIFY(!openAndWait(*_documents, bad));
        QVERIFY(_documents->windowControllers().empty());
        QCOMPARE(_failures.size(), 1);
        QCOMPARE(_failures[0].path, bad);
        QCOMPARE(_failures[0].error.description, QString("'Compact' type is unsupported. (MQAFile:79)"));
        QCOMPARE(_failures[0].error.code, 256);
        QCOMPARE(_failures[0].error.place->line, uint64_t{2});
        QCOMPARE(_failures[0].error.place->column, uint64_t{8});
        QVERIFY(!_failures[0].compatibilityOffered);  // compatibility reading would not help

        QVERIFY(!openAndWait(*_documents, _folder.filePath("missing.mqo")));
        QCOMPARE(_failures.last().error.description, QString("No such file or directory"));
        QVERIFY(!openAndWait(*_documents, _folder.path()));
        QCOMPARE(_failures.last().error.description, QString("It is a directory, not a regular file"));
        QVERIFY(_documents->windowControllers().empty());
        QVERIFY(RecentFiles::list().isEmpty());
    }

    // This thread never opens a document's file: a FIFO that no one writes to, which
    // would hold an open for ever, leaves the window to come at once.
    void theWindowComesAtOnceWhateverTheFileDoes() {
        REQUIRE_OPENGL();
        QString path = _folder.filePath("never.mqo");
        QByteArray name = QFile::encodeName(path);
        QCOMPARE(mkfifo(name.constData(), 0600), 0);
        // Were the FIFO opened here, a writer would come after a while to free this thread,
        // and the test fails.
        std::atomic<bool> returned{false}, rescued{false};
        std::thread rescue([&] {
            for (int i = 0; i < 200 && !returned; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (returned) return;
            rescued = true;
            close(open(name.constData(), O_WRONLY | O_NONBLOCK));
        });
        WindowController* window = _documents->openDocument(path);
        returned = true;
        rescue.join();
        QVERIFY(!rescued);
        QVERIFY(window && window->isLoading() && window->window()->isVisible());
        window->window()->close();
        QVERIFY(_documents->windowControllers().empty());
        // The worker, which may yet wait for a writer, is let go and ends.
        for (int i = 0; i < 600 && SceneLoader::runningWorkers() > 0; ++i) {
            int writer = open(name.constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        QCOMPARE(SceneLoader::runningWorkers(), 0);
        waitForDeletions();
        QVERIFY(_failures.isEmpty());  // what it read went nowhere
    }

    void compatibilityReadingIsOfferedWhereItHelpsAndRemembered() {
        REQUIRE_OPENGL();
        QString path = _folder.filePath("lenient.mqo");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fileBytes(sample("arm.mqo")).replace("Ver 1.0", "Ver 1.1").replace("\r\n", "\n"));
        file.close();

        QVERIFY(!openAndWait(*_documents, path));  // dismissed
        QCOMPARE(_failures.size(), 1);
        QVERIFY(_failures[0].compatibilityOffered);
        QVERIFY(_documents->windowControllers().empty());

        _choice = DocumentController::ErrorChoice::ReadCompatibly;
        WindowController* window = openAndWait(*_documents, path);
        QVERIFY(window);
        QVERIFY(!_documents->compatibilityReading());  // for this file only
        QCOMPARE(window->document()->reading(), MQAReading::Compatible);
        QVERIFY(window->warningsLabel()->text().contains("3 reading warnings"));
        QVERIFY(window->warningsLabel()->toolTip().contains("format version 1.1 is read as version 1.0"));
        window->window()->close();
        waitForDeletions();

        // Kept on from the dialog, the next such files open at once.
        _choice = DocumentController::ErrorChoice::ReadCompatiblyFromNowOn;
        QVERIFY(openAndWait(*_documents, path));
        QVERIFY(_documents->compatibilityReading());
        _documents->controllerForPath(path)->window()->close();
        waitForDeletions();
        _failures.clear();
        QVERIFY(openAndWait(*_documents, path));
        QVERIFY(_failures.isEmpty());
        _documents->setCompatibilityReading(false);
    }

    // A save made while the error was shown (or the file read) is not missed: the window
    // reads the file again once it is open.
    void aSaveWhileTheErrorIsShownIsReadAfter() {
        REQUIRE_OPENGL();
        QString path = _folder.filePath("saved-meanwhile.mqo");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fileBytes(sample("arm.mqo")).replace("Ver 1.0", "Ver 1.1"));
        file.close();
        _documents->setErrorPresenter([&](const QString&, const DocumentError&, bool) {
            QTest::qWait(20);  // a new modification time
            QFile again(path);
            again.open(QIODevice::WriteOnly);
            again.write(fileBytes(sample("flag.mqo")));
            return DocumentController::ErrorChoice::ReadCompatibly;
        });
        WindowController* window = openAndWait(*_documents, path);
        QVERIFY(window);
        QCOMPARE(window->document()->model()->models().front().name(), std::string("arm"));
        QTRY_VERIFY(window->document()->model()->models().size() > 1);  // the flag's, read again
    }

    // Documents read for compatibility show as the modeller shows them, or as last chosen
    // for such documents; strictly read ones as stored. The status bar's notes follow the
    // choice, and the look (grid, axes, smoothing) carries over to the next window.
    void viewChoicesFollowTheReadingAndAreRemembered() {
        REQUIRE_OPENGL();
        QByteArray text = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
                          "Material 1 {\r\n\t\"m\" col(0.800 0.500 0.300 1.000)\r\n}\r\n"
                          "Object \"hidden\" {\r\n\tvisible 0\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t90 0 0\r\n"
                          "\t\t0 90 0\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 2 1) M(0)\r\n\t}\r\n}\r\n"
                          "Object \"half\" {\r\n\tmirror 1\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t90 0 0\r\n"
                          "\t\t0 90 0\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 2 1) M(0)\r\n\t}\r\n}\r\nEof\r\n";
        auto document = [&](const char* name) {
            QFile file(_folder.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(text);
            return file.fileName();
        };
        auto action = [](WindowController* window, const char* name) {
            return window->window()->findChild<QAction*>(name);
        };
        const QString mirrorNote = "line 19: Object \"half\" is mirrored in the modeller (\"mirror 1\"); only the "
                                   "half it stores is drawn";
        WindowController* strict = openAndWait(*_documents, document("strict.mqo"));
        QVERIFY(strict);
        QCOMPARE(strict->glView()->displayChoice(), DisplayChoice{});
        QVERIFY(strict->warningsLabel()->text().startsWith("2 reading warnings"));

        _documents->setCompatibilityReading(true);
        WindowController* compatible = openAndWait(*_documents, document("compatible.mqo"));
        ZeltoOpenGLView* view = compatible->glView();
        QCOMPARE(view->displayChoice(), DisplayChoice::asModelled());
        QVERIFY(action(compatible, "mirroredHalves")->isChecked());
        QCOMPARE(compatible->warningsLabel()->text(), QString());
        action(compatible, "mirroredHalves")->trigger();
        QVERIFY(!view->drawsMirroredHalves() && view->hidesInvisibleObjects());
        QCOMPARE(compatible->warningsLabel()->text(), "Reading warning: " + mirrorNote);
        action(compatible, "grid")->trigger();
        action(compatible, "antialiasing")->trigger();
        QVERIFY(!view->showsGrid() && view->showsAxes() && view->antialiasing());
        // What a strict document's window chose is its own.
        action(strict, "hideInvisible")->trigger();

        WindowController* next = openAndWait(*_documents, document("next.mqo"));
        QCOMPARE(next->glView()->displayChoice(), (DisplayChoice{false, true}));
        QVERIFY(!next->glView()->showsGrid() && next->glView()->antialiasing());
        QVERIFY(!action(next, "grid")->isChecked());
        _documents->setCompatibilityReading(false);
        QCOMPARE(openAndWait(*_documents, document("strict-again.mqo"))->glView()->displayChoice(), DisplayChoice{});
    }

    // A model a few units across opens framed, with the grid's spacing in its units in the
    // status bar; Home returns to that opening view, and Frame Model frames the model
    // anew from the camera's turn. A model the default camera shows whole opens with it.
    void aModelOpensWholeAndHomeReturnsToHowItOpened() {
        REQUIRE_OPENGL();
        QString path = _folder.filePath("small.mqo");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
                   "Material 1 {\r\n\t\"m\" col(0.800 0.500 0.300 1.000)\r\n}\r\n"
                   "Object \"speck\" {\r\n\tvertex 3 {\r\n\t\t10.0 0.0 0.0\r\n\t\t12.0 0.0 0.0\r\n"
                   "\t\t10.0 2.0 0.0\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 2 1) M(0)\r\n\t}\r\n}\r\nEof\r\n");
        file.close();
        WindowController* window = openAndWait(*_documents, path);
        QVERIFY(window);
        ZeltoOpenGLView* view = window->glView();
        QTRY_VERIFY(view->fit());
        QCOMPARE(view->fit()->centre.x, 11.0f);
        QCOMPARE(window->gridSpacingLabel()->text(),
                 QString("Grid: %1 units").arg(double(view->fit()->gridSpacing())));
        QVERIFY(view->fit()->gridSpacing() < 1);
        QCOMPARE(window->zoom(), view->zoom());
        const View opened = view->homeView();
        QCOMPARE(view->camera(), opened.camera);

        view->setRotateY(120);
        window->setZoom(300);
        view->setOrigin({40, 0});
        window->window()->findChild<QAction*>("home")->trigger();
        QCOMPARE(view->camera(), opened.camera);
        QCOMPARE(window->zoom(), opened.camera.zoom());
        view->setRotateY(120);
        window->setZoom(700);
        window->window()->findChild<QAction*>("frameModel")->trigger();
        QCOMPARE(view->rotateY(), 120.0f);
        QVERIFY(window->zoom() < 700);

        WindowController* arm = openAndWait(*_documents, sample("arm.mqo"));
        QVERIFY(arm);
        QVERIFY(!arm->glView()->fit());
        QCOMPARE(arm->glView()->camera(), Camera());
    }

    // Read for compatibility, a model whose every face points away opens showing their
    // backs, and says so; read strictly, it opens as drawn.
    void aModelSeenOnlyFromBehindShowsItsBackFacesWhenReadForCompatibility() {
        REQUIRE_OPENGL();
        QByteArray text = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
                          "Material 1 {\r\n\t\"m\" col(0.800 0.500 0.300 1.000)\r\n}\r\n"
                          "Object \"away\" {\r\n\tvertex 4 {\r\n\t\t-100 0 0\r\n\t\t100 0 0\r\n\t\t100 200 0\r\n"
                          "\t\t-100 200 0\r\n\t}\r\n\tface 1 {\r\n\t\t4 V(0 1 2 3) M(0)\r\n\t}\r\n}\r\nEof\r\n";
        for (bool compatible : {false, true}) {
            QString path = _folder.filePath(compatible ? "away-compatible.mqo" : "away-strict.mqo");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
            file.close();
            _documents->setCompatibilityReading(compatible);
            WindowController* window = openAndWait(*_documents, path);
            QVERIFY(window);
            QCOMPARE(window->glView()->drawsBackFaces(), compatible);
            QCOMPARE(window->window()->findChild<QAction*>("backFaces")->isChecked(), compatible);
            QCOMPARE(window->messageBar()->isVisible(), compatible);
        }
    }

    void commandLineFailuresAreAlsoPrinted() {
        REQUIRE_OPENGL();
        CapturedStandardError captured;
        _documents->openCommandLineFiles({_folder.filePath("none.mqo"), sample("arm.mqo")});
        QTRY_VERIFY(_failures.size() == 1 && _documents->controllerForPath(sample("arm.mqo")) &&
                    !_documents->controllerForPath(sample("arm.mqo"))->isLoading());
        QString printed = captured.text();
        QCOMPARE(_documents->windowControllers().size(), size_t{1});
        QCOMPARE(printed, QString("zelto: %1: No such file or directory\n").arg(_folder.filePath("none.mqo")));
        QCOMPARE(_failures.size(), 1);  // and presented
    }

    void droppedFilesOpenEach() {
        REQUIRE_OPENGL();
        WindowController* untitled = _documents->newDocument(true);
        QPointer<DocumentWindow> untitledWindow = untitled->window();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(sample("arm.mqo")), QUrl::fromLocalFile(sample("animated.mqo"))});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(untitledWindow, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(untitledWindow, &drop);
        QTRY_VERIFY(!untitledWindow);
        QTRY_VERIFY(std::none_of(_documents->windowControllers().begin(), _documents->windowControllers().end(),
                                 [](WindowController* w) { return w->isLoading(); }));
        QVERIFY2(_failures.isEmpty(), _failures.isEmpty() ? "" : qPrintable(_failures[0].path + _failures[0].error.description));
        QCOMPARE(_documents->windowControllers().size(), size_t{2});  // the start-up window gave way
        QVERIFY(!untitledWindow);
        QVERIFY(_documents->controllerForPath(sample("arm.mqo")));
        QVERIFY(_documents->controllerForPath(sample("animated.mqo")));
    }

    void openingNavigatingPlayingAndClosingNeverWritesTheFile() {
        REQUIRE_OPENGL();
        QString path = sample("flag.mqo");
        sample("flag.png");
        QByteArray before = fileBytes(path);
        struct stat statusBefore {};
        QCOMPARE(stat(QFile::encodeName(path).constData(), &statusBefore), 0);
        QStringList filesBefore = QDir(_folder.path()).entryList(QDir::AllEntries | QDir::Hidden);

        WindowController* window = openAndWait(*_documents, path);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window->window()));
        ZeltoOpenGLView* view = window->glView();
        QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
        QTest::mouseMove(view, QPoint(160, 140));
        QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, QPoint(160, 140));
        window->setZoom(-200);
        window->animationPicker()->setCurrentIndex(2);
        QTRY_VERIFY(view->animationTime() >= 5);
        window->window()->close();
        waitForDeletions();

        QCOMPARE(fileBytes(path), before);
        struct stat statusAfter {};
        QCOMPARE(stat(QFile::encodeName(path).constData(), &statusAfter), 0);
        QCOMPARE(statusAfter.st_mtim.tv_sec, statusBefore.st_mtim.tv_sec);
        QCOMPARE(statusAfter.st_mtim.tv_nsec, statusBefore.st_mtim.tv_nsec);
        QCOMPARE(QDir(_folder.path()).entryList(QDir::AllEntries | QDir::Hidden), filesBefore);
    }

    void windowShowsTheSceneOverTheClearColour() {
        REQUIRE_OPENGL();
        WindowController* empty = _documents->newDocument();
        QVERIFY(QTest::qWaitForWindowExposed(empty->window()));
        QImage emptyFrame = empty->glView()->grabFramebuffer();
        QCOMPARE(emptyFrame.pixelColor(2, 2), QColor(30, 65, 90));

        sample("flag.png");
        WindowController* flag = openAndWait(*_documents, sample("flag.mqo"));
        QVERIFY(QTest::qWaitForWindowExposed(flag->window()));
        QImage frame = flag->glView()->grabFramebuffer();
        QCOMPARE(frame.size(), empty->glView()->size() * empty->glView()->devicePixelRatioF());
        int modelPixels = 0;
        for (int y = 0; y < frame.height(); y += 4)
            for (int x = 0; x < frame.width(); x += 4)
                if (frame.pixelColor(x, y).blue() < 80 && frame.pixelColor(x, y).red() > 150) ++modelPixels;
        QVERIFY2(modelPixels > 50, "the flag's gold and white show");
        QVERIFY(!flag->glView()->textures().textureNameMap().empty());
    }

    void viewportUsesBackingPixels() {
        REQUIRE_OPENGL();
        WindowController* window = _documents->newDocument();
        QVERIFY(QTest::qWaitForWindowExposed(window->window()));
        ZeltoOpenGLView* view = window->glView();
        view->grabFramebuffer();
        view->makeCurrent();
        GLint viewport[4] = {};
        QOpenGLContext::currentContext()->functions()->glGetIntegerv(GL_VIEWPORT, viewport);
        view->doneCurrent();
        QSizeF backing = ZeltoOpenGLView::backingSize(view->size(), view->devicePixelRatioF());
        QCOMPARE(viewport[2], int(backing.width()));
        QCOMPARE(viewport[3], int(backing.height()));
        QCOMPARE(ZeltoOpenGLView::backingSize(QSize(401, 300), 2.0), QSizeF(802, 600));
    }
};

ZELTO_VIEWER_TEST_MAIN(WindowTests)
#include "WindowTests.moc"
