// What the window offers beyond viewing: the information panel, playback controls,
// watching the file, pictures out, and opening big files off the main thread.

#include <cstdio>

#include <QAction>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QClipboard>
#include <QEventLoop>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include "Document.h"
#include "DocumentGenerator.h"
#include "FileWatcher.h"
#include "ImageExport.h"
#include "MessageBar.h"
#include "DocumentController.h"
#include "MQAProgress.h"
#include "SceneExport.h"
#include "DocumentWindow.h"
#include "InfoPanel.h"
#include "Metasequoia.h"
#include "PlaybackControls.h"
#include "ReadingProgress.h"
#include "RecentFiles.h"
#include "SceneLoader.h"
#include "ViewerTestMain.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"
#include "ZipMaker.h"

namespace {

// The value column of the item at a path of names below a section.
QString valueAt(InfoPanel* panel, const QString& section, const QStringList& path) {
    QTreeWidgetItem* item = panel->section(section);
    for (const QString& name : path) {
        if (!item) return "(no " + name + ")";
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == name) found = item->child(i);
        item = found;
    }
    return item ? item->text(1) : "(none)";
}

QByteArray sampleBytes(const QString& name) {
    QFile file(QString(ZELTO_SAMPLES_DIR) + "/" + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Saves as editors do: in place, or to a new file renamed over the old one.
void saveInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void saveByRenaming(const QString& path, const QByteArray& bytes) {
    QString temporary = path + ".saving";
    saveInPlace(temporary, bytes);
    QVERIFY(std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0);
}

// The share of pixels that differ by more than a step in some channel.
double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 1;
    QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column) {
            QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            if (std::abs(qRed(p) - qRed(q)) > 1 || std::abs(qGreen(p) - qGreen(q)) > 1 ||
                std::abs(qBlue(p) - qBlue(q)) > 1)
                ++differing;
        }
    return double(differing) / double(x.width() * x.height());
}

}  // namespace

class DesktopTests : public QObject {
    Q_OBJECT

private:
    QTemporaryDir _folder;
    std::unique_ptr<DocumentController> _documents;
    QStringList _failures;

    QString sample(const QString& name) {
        QString copy = _folder.filePath(name);
        if (!QFile::exists(copy)) QFile::copy(QString(ZELTO_SAMPLES_DIR) + "/" + name, copy);
        return copy;
    }

private slots:
    void initTestCase() { qRegisterMetaType<WindowController*>(); }

    void init() {
        _failures.clear();
        _documents = std::make_unique<DocumentController>();
        _documents->setErrorPresenter([this](const QString&, const DocumentError& error, bool) {
            _failures.append(error.description);
            return DocumentController::ErrorChoice::Dismiss;
        });
    }

    void cleanup() {
        _documents.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    void panelGivesTheSamplesFigures() {
        REQUIRE_OPENGL();
        sample("checker.png");
        WindowController* window = openAndWait(*_documents, sample("materials.mqo"));
        QVERIFY(window);
        InfoPanel* panel = window->infoPanel();
        QVERIFY(panel->isHidden());
        QAction* toggle = panel->toggleViewAction();
        QCOMPARE(toggle->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
        toggle->trigger();
        QVERIFY(panel->isVisible());

        QCOMPARE(valueAt(panel, "Totals", {"Objects"}), QString("1"));
        QCOMPARE(valueAt(panel, "Totals", {"Vertices"}), QString("9"));
        QCOMPARE(valueAt(panel, "Totals", {"Polygons"}), QString("10"));
        QCOMPARE(valueAt(panel, "Totals", {"Polygons", "Triangles"}), QString("4"));
        QCOMPARE(valueAt(panel, "Totals", {"Polygons", "Quads"}), QString("6"));
        QCOMPARE(valueAt(panel, "Totals", {"Materials"}), QString("4"));
        QCOMPARE(valueAt(panel, "Bounding box", {"From"}), QString("(-100, 0, -100)"));
        QCOMPARE(valueAt(panel, "Bounding box", {"Size"}), QString("200 × 300 × 200"));
        QCOMPARE(valueAt(panel, "Objects", {"house"}),
                 QString("9 vertices, 10 polygons (4 triangles, 6 quads), smoothing angle 59.5°"));
        QCOMPARE(valueAt(panel, "Materials", {"glass"}), QString("colour (0.4, 0.8, 1), alpha 0.45"));
        // The texture loads once the view has drawn.
        QTRY_COMPARE(valueAt(panel, "Materials", {"checker", "Texture “checker.png”"}), QString("loaded"));
        QCOMPARE(valueAt(panel, "Materials", {"checker", "Texture “checker.png”", "Looked for at"}),
                 QFileInfo(_folder.filePath("checker.png")).canonicalFilePath());
        QVERIFY(!panel->section("Bone animations"));
        QVERIFY(!panel->section("Reading warnings"));

        // A texture that is not there says so, and the panel follows a new scene.
        QFile::remove(_folder.filePath("checker.png"));
        QVERIFY(reloadAndWait(*_documents, window));
        QTRY_COMPARE(valueAt(panel, "Materials", {"checker", "Texture “checker.png”"}), QString("missing"));
    }

    void panelListsAnimationsBonesAndWarnings() {
        REQUIRE_OPENGL();
        WindowController* animated = openAndWait(*_documents, sample("animated.mqo"));
        QVERIFY(animated);
        InfoPanel* panel = animated->infoPanel();
        QCOMPARE(valueAt(panel, "Objects", {"spinner", "Animation “spin”"}), QString("30 frames"));
        QCOMPARE(valueAt(panel, "Objects", {"jumper", "Animation “hop”"}), QString("20 frames"));

        WindowController* arm = openAndWait(*_documents, sample("arm.mqo"));
        QVERIFY(arm);
        QCOMPARE(valueAt(arm->infoPanel(), "Bone animations", {"wave"}), QString("3 tracks, 30 frames"));
        QCOMPARE(valueAt(arm->infoPanel(), "Bone animations", {"idle", "Track 2"}), QString("10 frames"));

        // An object the modeller hides is a reading warning.
        QString hidden = _folder.filePath("hidden.mqo");
        QFile in(sample("arm.mqo"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QFile out(hidden);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(in.readAll().replace("\tvisible 15", "\tvisible 0"));
        out.close();
        WindowController* warned = openAndWait(*_documents, hidden);
        QVERIFY(warned);
        QTreeWidgetItem* warnings = warned->infoPanel()->section("Reading warnings");
        QVERIFY(warnings);
        QCOMPARE(warnings->childCount(), 1);
        QVERIFY(!warnings->child(0)->text(1).isEmpty());
    }

    void pauseStepAndResumeFromTheWindow() {
        REQUIRE_OPENGL();
        WindowController* window = openAndWait(*_documents, sample("animated.mqo"));
        QVERIFY(window);
        ZeltoOpenGLView* view = window->glView();
        PlaybackControls* controls = window->playbackControls();
        QVERIFY(!controls->playPauseAction()->isEnabled());  // nothing plays yet
        QCOMPARE(controls->playPauseAction()->shortcut(), QKeySequence(Qt::Key_Space));

        window->animationPicker()->setCurrentIndex(2);  // "spin", 30 frames
        QCOMPARE(*view->animationName(), std::string("spin"));
        QTRY_VERIFY(view->animationTime() >= 2);
        controls->playPauseAction()->trigger();
        QVERIFY(view->playback().isPaused());
        uint64_t reached = view->animationTime();
        QTest::qWait(150);
        QCOMPARE(view->animationTime(), reached);  // held
        QCOMPARE(controls->frameLabel()->text(), QString("Frame %1 of 30 (paused)").arg(reached % 30));

        controls->nextFrameAction()->trigger();
        controls->nextFrameAction()->trigger();
        controls->previousFrameAction()->trigger();
        QCOMPARE(view->animationTime(), reached + 1);
        QCOMPARE(*view->animationName(), std::string("spin"));

        controls->playPauseAction()->trigger();
        QVERIFY(!view->playback().isPaused());
        QTRY_VERIFY(view->animationTime() > reached + 2);
        QVERIFY(!controls->nextFrameAction()->isEnabled());

        // The time slider follows playback over the loop; dragging it holds the frame chosen.
        QSlider* slider = controls->timeSlider();
        QVERIFY(slider->isVisibleTo(window->window()));
        QCOMPARE(slider->maximum(), 29);
        QTRY_COMPARE(uint64_t(slider->value()), view->animationTime() % 30);
        slider->setSliderDown(true);
        slider->triggerAction(QAbstractSlider::SliderToMaximum);
        slider->setSliderDown(false);
        QVERIFY(view->playback().isPaused());
        QCOMPARE(view->animationTime(), uint64_t(29));
        QCOMPARE(controls->frameLabel()->text(), QString("Frame 29 of 30 (paused)"));
        controls->playPauseAction()->trigger();

        // Choosing a name in the picker plays it from frame 0, paused or not.
        controls->playPauseAction()->trigger();
        window->animationPicker()->setCurrentIndex(1);  // "hop"
        QVERIFY(!view->playback().isPaused());
        QVERIFY(view->playback().isTimerRunning());
        QVERIFY(view->animationTime() <= 1);
        window->animationPicker()->setCurrentIndex(0);  // none: still, no frame shown
        QVERIFY(controls->frameLabel()->text().isEmpty());
        QVERIFY(!slider->isVisibleTo(window->window()));
    }

    // A .mqoz archive opens as the document inside it: its texture found inside, its
    // parts listed, and a save of the archive read again.
    void anArchiveOpensAsItsDocumentListsItsPartsAndIsWatched() {
        REQUIRE_OPENGL();
        QString path = _folder.filePath("house.mqoz");
        std::string document = sampleBytes("materials.mqo").toStdString();
        std::string checker = sampleBytes("checker.png").toStdString();
        QVERIFY(writeZip(path.toStdString(), {{"house.mqo", document},
                                               {"house.mqx", "<MetasequoiaDocument/>"},
                                               {"house.jpg", "\xff\xd8\xff", true},
                                               {"checker.png", checker, true}}));
        WindowController* window = openAndWait(*_documents, path);
        QVERIFY(window);
        QSignalSpy loaded(_documents.get(), &DocumentController::sceneLoaded);
        QCOMPARE(window->document()->model()->models().front().name(), std::string("house"));
        InfoPanel* panel = window->infoPanel();
        panel->toggleViewAction()->trigger();
        QCOMPARE(valueAt(panel, "Archive", {"house.mqo"}), QString("the document, %1 bytes").arg(document.size()));
        QCOMPARE(valueAt(panel, "Archive", {"house.mqx"}), QString("plug-in settings, not read, 22 bytes"));
        QCOMPARE(valueAt(panel, "Archive", {"house.jpg"}), QString("thumbnail, not read, 3 bytes"));
        QCOMPARE(valueAt(panel, "Archive", {"checker.png"}), QString("texture of “checker”, %1 bytes").arg(checker.size()));
        QTRY_COMPARE(valueAt(panel, "Materials", {"checker", "Texture “checker.png”"}), QString("loaded"));
        QCOMPARE(valueAt(panel, "Materials", {"checker", "Texture “checker.png”", "Looked for at"}),
                 QString("inside the archive, as “checker.png”"));

        QTest::qWait(20);  // a new modification time
        std::string arm = sampleBytes("arm.mqo").toStdString();
        QVERIFY(writeZip(path.toStdString(), {{"house.mqo", arm}}));
        QTRY_COMPARE(loaded.count(), 1);
        QCOMPARE(window->document()->model()->models().front().name(), std::string("arm"));
        QCOMPARE(valueAt(panel, "Archive", {"house.mqo"}), QString("the document, %1 bytes").arg(arm.size()));
        QCOMPARE(panel->section("Archive")->childCount(), 1);
    }

    void aWatchedFileReloadsKeepsTheViewAndSurvivesBadSaves() {
        REQUIRE_OPENGL();
        QString path = sample("animated.mqo");
        WindowController* window = openAndWait(*_documents, path);
        QVERIFY(window);
        ZeltoOpenGLView* view = window->glView();
        window->animationPicker()->setCurrentIndex(2);  // "spin"
        view->setRotateX(50);
        window->setZoom(120);
        QSignalSpy loaded(_documents.get(), &DocumentController::sceneLoaded);
        QSignalSpy failed(_documents.get(), &DocumentController::reloadFailed);
        SceneHandle first = window->document()->model();
        MessageBar* bar = window->messageBar();

        // valid → invalid: the scene stays, the bar says why and where.
        QTest::qWait(20);  // a new modification time
        saveInPlace(path, sampleBytes("animated.mqo").replace("Eof", "Eo"));
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(window->document()->model(), first);
        QCOMPARE(view->metaseq(), first);
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->kind(), MessageBar::Kind::Problem);
        QVERIFY(bar->textLabel()->text().contains("did not read"));

        // invalid → valid, saved by renaming: the new scene, the camera and the
        // animation kept, the bar gone.
        QByteArray moved = sampleBytes("animated.mqo");
        moved.replace("-60.0000 0.0000 -60.0000", "-90.0000 0.0000 -60.0000");
        saveByRenaming(path, moved);
        QTRY_COMPARE(loaded.count(), 1);
        QVERIFY(window->document()->model() != first);
        QCOMPARE(view->metaseq(), window->document()->model());
        QVERIFY(!bar->isVisible());
        QCOMPARE(view->rotateX(), 50.0f);
        QCOMPARE(view->zoom(), 120.0f);
        QVERIFY(view->animationName());
        QCOMPARE(*view->animationName(), std::string("spin"));
        QVERIFY(view->playback().isTimerRunning());

        // The renamed file is watched in its turn; a scene without the animation clears it.
        saveInPlace(path, sampleBytes("arm.mqo"));
        QTRY_COMPARE(loaded.count(), 2);
        QCOMPARE(window->document()->model()->models().front().name(), std::string("arm"));
        QVERIFY(!view->animationName());

        // Deleted: the window keeps its scene and says so; the file back is read again.
        SceneHandle beforeDeletion = window->document()->model();
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY(window->isFileGone());
        QVERIFY(window->window()->windowTitle().contains("gone"));
        QCOMPARE(window->document()->model(), beforeDeletion);
        QCOMPARE(bar->kind(), MessageBar::Kind::Notice);
        saveByRenaming(path, sampleBytes("animated.mqo"));
        QTRY_COMPARE(loaded.count(), 3);
        QVERIFY(!window->isFileGone());
        QCOMPARE(window->window()->windowTitle(), QString("animated.mqo"));
        QVERIFY(!bar->isVisible());
    }

    void aFileOpensOnAWorkerAndHandsTheSceneOverOnce() {
        REQUIRE_OPENGL();
        sample("flag.png");
        WindowController* window = _documents->openDocument(sample("flag.mqo"));
        QVERIFY(window);
        QVERIFY(window->isLoading());
        QVERIFY(window->window()->isVisible());
        QVERIFY(!window->messageBar()->isVisible());  // a small file: no bar unless it takes a while
        QCOMPARE(window->document()->model()->models().size(), size_t{0});  // empty meanwhile
        QSignalSpy willChange(window->document(), &Document::modelWillChange);
        QSignalSpy changed(window->document(), &Document::modelChanged);
        QTRY_VERIFY(!window->isLoading());
        QCOMPARE(willChange.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(window->document()->model()->models().size(), size_t{4});
        QCOMPARE(window->glView()->metaseq(), window->document()->model());
        QVERIFY(!window->messageBar()->isVisible());
        QCOMPARE(RecentFiles::list().value(0), QFileInfo(sample("flag.mqo")).canonicalFilePath());
        // Drawn from the layouts made on the worker, it is the picture the render tool makes.
        QImage shown = window->glView()->renderImage(QSize(200, 150));
        QString toolPicture = _folder.filePath("tool-worker.png");
        QProcess tool;
        tool.start(ZELTO_RENDER_TOOL, {sample("flag.mqo"), "-o", toolPicture, "--size", "200x150"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(differingShare(shown, QImage(toolPicture)) < 0.001);

        // One that fails closes its window and says why; while the error is up (as long as
        // a read that shows its progress), no progress bar comes up behind it.
        QString broken = _folder.filePath("broken.mqo");
        saveInPlace(broken, sampleBytes("flag.mqo").replace("Eof", "Eo"));
        QPointer<WindowController> failing;
        bool progressBehindError = true;
        _documents->setErrorPresenter([&](const QString&, const DocumentError& error, bool) {
            QEventLoop dialog;  // as a modal dialog's: it runs the timers, not the deferred deletions
            QTimer::singleShot(ReadingProgress::kDelayMilliseconds + 200, &dialog, &QEventLoop::quit);
            dialog.exec();
            progressBehindError = failing && !failing->messageBar()->isHidden();
            _failures.append(error.description);
            return DocumentController::ErrorChoice::Dismiss;
        });
        failing = _documents->openDocument(broken);
        QVERIFY(failing);
        QTRY_COMPARE(_failures.size(), 1);
        QVERIFY(!progressBehindError);
        QTRY_COMPARE(_documents->windowControllers().size(), size_t{1});
    }

    void cancellingALargeOpenLeavesNothingBehind() {
        REQUIRE_OPENGL();
        QString path = _folder.filePath("large.mqo");
        saveInPlace(path, QByteArray::fromStdString(bench::generateDocument(200000, true)));
        QVERIFY(QFileInfo(path).size() >= ReadingProgress::kLargeBytes);
        RecentFiles::clear();
        QStringList recentBefore = RecentFiles::list();
        WindowController* window = _documents->openDocument(path);
        QVERIFY(window);
        QVERIFY(window->isLoading());
        QVERIFY(window->messageBar()->isVisible());  // large: the bar at once
        QPointer<Document> document = window->document();
        QPointer<DocumentWindow> shown = window->window();
        QTest::qWait(30);
        window->messageBar()->cancelButton()->click();
        QTRY_VERIFY(_documents->windowControllers().empty());
        QTRY_VERIFY(!document);
        QTRY_VERIFY(!shown);
        QCOMPARE(RecentFiles::list(), recentBefore);
        QVERIFY(_failures.isEmpty());  // cancelling is not a failure
        QTest::qWait(200);  // nothing arrives later either
        QVERIFY(_documents->windowControllers().empty());
        QVERIFY(QFile::exists(path));
    }

    // A read shows its progress in the window's bar only once it takes a while, or at once
    // for a large file; Cancel asks for the read to stop; the bar goes as the read ends.
    void aReadShowsItsProgressWhenItIsWorthShowing() {
        QWidget window;
        auto* bar = new MessageBar(&window);
        auto* loader = new SceneLoader(_folder.filePath("unread.mqo"), MQAReading::Strict, false, &window);
        auto* small = new ReadingProgress(bar, loader, "small.mqo", ReadingProgress::kLargeBytes - 1);
        QVERIFY(bar->isHidden());
        QTRY_VERIFY(!bar->isHidden());
        QCOMPARE(bar->kind(), MessageBar::Kind::Progress);
        QVERIFY(bar->textLabel()->text().contains("small.mqo"));
        QSignalSpy cancel(small, &ReadingProgress::cancelRequested);
        bar->cancelButton()->click();
        QCOMPARE(cancel.count(), 1);
        emit loader->finished();
        QVERIFY(bar->isHidden());
        delete small;

        auto* large = new ReadingProgress(bar, loader, "large.mqo", ReadingProgress::kLargeBytes);
        QVERIFY(!bar->isHidden());
        delete loader;  // with its loader the progress goes, and the bar with it
        QVERIFY(bar->isHidden());
        Q_UNUSED(large);
    }

    void anExportedPictureIsTheRenderToolsForTheSameCamera() {
        REQUIRE_OPENGL();
        sample("flag.png");
        QString flag = sample("flag.mqo");
        WindowController* window = openAndWait(*_documents, flag);
        QVERIFY(window);
        ZeltoOpenGLView* view = window->glView();
        QVERIFY(QTest::qWaitForWindowExposed(window->window()));
        view->setRotateX(20);
        view->setRotateY(70);
        window->setZoom(-150);
        QImage picture = view->renderImage(QSize(240, 180));
        QCOMPARE(picture.size(), QSize(240, 180));
        QString toolPicture = _folder.filePath("tool-flag.png");
        QProcess tool;
        tool.start(ZELTO_RENDER_TOOL, {flag, "-o", toolPicture, "--size", "240x180", "--rotate-x", "20",
                                       "--rotate-y", "70", "--zoom", "-150"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QImage expected(toolPicture);
        QVERIFY(!expected.isNull());
        QVERIFY2(differingShare(picture, expected) < 0.001, qPrintable(QString::number(differingShare(picture, expected))));
        // Smoothed, the picture is the tool's smoothed one.
        view->setAntialiasing(true);
        QImage smooth = view->renderImage(QSize(240, 180));
        view->setAntialiasing(false);
        QVERIFY(differingShare(smooth, picture) > 0.01);
        tool.start(ZELTO_RENDER_TOOL, {flag, "-o", toolPicture, "--size", "240x180", "--rotate-x", "20",
                                       "--rotate-y", "70", "--zoom", "-150", "--antialias"});
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY(differingShare(smooth, QImage(toolPicture)) < 0.001);

        // Posed: a bone animation paused at a frame, as the tool poses it at that time.
        WindowController* arm = openAndWait(*_documents, sample("arm.mqo"));
        QVERIFY(arm && QTest::qWaitForWindowExposed(arm->window()));
        arm->animationPicker()->setCurrentIndex(2);  // "wave"
        Playback& playback = arm->glView()->playback();
        playback.pause();
        while (playback.animationTime() < 7) playback.stepForward();
        while (playback.animationTime() > 7) playback.stepBack();
        QImage posed = arm->glView()->renderImage(QSize(160, 200));
        QString toolPosed = _folder.filePath("tool-arm.png");
        tool.start(ZELTO_RENDER_TOOL, {sample("arm.mqo"), "-o", toolPosed, "--size", "160x200", "--animation",
                                       "wave", "--time", "7"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(differingShare(posed, QImage(toolPosed)) < 0.001);
        QVERIFY(differingShare(posed, picture.scaled(160, 200)) > 0.01);  // not any picture

        // The view's own size, onto the clipboard, and "Copied" where the status bar shows
        // it (its left part changes); never over the document.
        QStatusBar* status = window->window()->statusBar();
        QImage statusBefore = status->grab().toImage();
        ImageExport::copyImage(window);
        QCOMPARE(status->currentMessage(), QString("Copied"));
        QImage statusAfter = status->grab().toImage();
        QRect messagePart(0, 0, status->width() / 2, status->height());
        QVERIFY(statusBefore.copy(messagePart) != statusAfter.copy(messagePart));
        QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.size(), view->backingPixels());
        QCOMPARE(differingShare(copied, view->renderImage(view->backingPixels())), 0.0);
        QString error;
        QByteArray before = sampleBytes("flag.mqo");
        QVERIFY(!ImageExport::writePng(picture, flag, flag, &error));
        QVERIFY(error.contains("document itself"));
        QFile kept(flag);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        QString written = _folder.filePath("export.png");
        QVERIFY(ImageExport::writePng(picture, written, flag, &error));
        QCOMPARE(QImage(written).size(), QSize(240, 180));
        QVERIFY(view->renderImage(QSize(100000, 10)).isNull());  // past what OpenGL allows

        // Over a transparent background: nothing where the model is not, not even the grid
        // (the same picture without the grid shows the background there), and the opaque
        // parts of the model in their own colours.
        QImage clear = view->renderImage(QSize(240, 180), true);
        view->setShowsGrid(false);
        view->setShowsAxes(false);
        QImage plain = view->renderImage(QSize(240, 180));
        const QRgb slate = qRgb(30, 65, 90);
        int background = 0, opaque = 0, wrong = 0;
        for (int row = 0; row < plain.height(); ++row)
            for (int column = 0; column < plain.width(); ++column) {
                QRgb p = plain.pixel(column, row), c = clear.pixel(column, row);
                if (p == slate) {
                    ++background;
                    wrong += qAlpha(c) != 0;
                } else if (qAlpha(c) == 255) {
                    ++opaque;
                    wrong += std::abs(qRed(c) - qRed(p)) > 1 || std::abs(qGreen(c) - qGreen(p)) > 1 ||
                             std::abs(qBlue(c) - qBlue(p)) > 1;
                }
            }
        QCOMPARE(wrong, 0);
        QVERIFY(background > 1000 && opaque > 1000);
    }

    // The export proposes no file that exists (the model's own texture, an earlier picture,
    // a link), and its dialog adds ".png" itself before it asks about a file of that name:
    // typing "shot" never writes over "shot.png" unasked.
    void theExportNeverProposesOrSilentlyReplacesAFile() {
        QDir folder(_folder.filePath("pictures"));
        QVERIFY(folder.mkpath("."));
        QCOMPARE(ImageExport::suggestedPath(folder.path(), "reimu"), folder.filePath("reimu-view.png"));
        for (const char* taken : {"reimu-view.png", "reimu-view-2.png"}) {
            QFile file(folder.filePath(taken));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(folder.filePath("nowhere"), folder.filePath("reimu-view-3.png")));
        QCOMPARE(ImageExport::suggestedPath(folder.path(), "reimu"), folder.filePath("reimu-view-4.png"));
        QCOMPARE(ImageExport::suggestedPath(folder.path(), ""), folder.filePath("Untitled-view.png"));

        std::unique_ptr<QFileDialog> dialog(ImageExport::saveDialog(nullptr, _folder.filePath("picture.png")));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->defaultSuffix(), QString("png"));
        QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
    }

    // File > Export glTF… writes the scene the window shows, never its file read again:
    // its textures come along, the document is never written over, and a cancelled
    // export writes nothing.
    void aGltfExportWritesTheSceneOnScreenAndKeepsTheDocument() {
        sample("flag.png");
        QString flag = sample("flag.mqo");
        WindowController* window = openAndWait(*_documents, flag);
        QVERIFY(window);
        QVERIFY(window->window()->findChild<QAction*>("exportGltf"));
        SceneHandle scene = window->document()->model();
        QStringList warnings;
        QString glb = _folder.filePath("flag.glb");
        QCOMPARE(SceneExport::exportFile(scene, flag, MQAReading::Strict, glb, nullptr, &warnings), QString());
        QVERIFY(warnings.isEmpty());  // the texture was found beside the document
        QFile written(glb);
        QVERIFY(written.open(QIODevice::ReadOnly) && written.read(4) == "glTF");
        QCOMPARE(SceneExport::exportFile(scene, flag, MQAReading::Strict, _folder.filePath("flag.gltf"), nullptr, &warnings),
                 QString());
        QVERIFY(QFileInfo(_folder.filePath("flag.bin")).size() > QFileInfo(_folder.filePath("flag.png")).size());
        // Named after a file that is not there, the same scene still exports (its texture
        // then missing): nothing is read from the document's file.
        QCOMPARE(SceneExport::exportFile(scene, _folder.filePath("elsewhere/gone.mqo"), MQAReading::Strict,
                                         _folder.filePath("gone.glb"), nullptr, &warnings),
                 QString());
        QVERIFY(!warnings.isEmpty() && QFile::exists(_folder.filePath("gone.glb")));

        QString kept = _folder.filePath("kept.glb");
        QVERIFY(QFile::copy(flag, kept));
        QVERIFY(SceneExport::exportFile(scene, kept, MQAReading::Strict, kept, nullptr, &warnings).contains("will not overwrite"));
        QCOMPARE(QFileInfo(kept).size(), QFileInfo(flag).size());
        MQAProgress cancelled;
        cancelled.cancel();
        QString never = _folder.filePath("never.glb");
        QVERIFY(!SceneExport::exportFile(scene, flag, MQAReading::Strict, never, &cancelled, &warnings).isEmpty());
        QVERIFY(!QFile::exists(never));
    }

    void aNewSceneInOneWindowLeavesAnothersBuffersAlone() {
        REQUIRE_OPENGL();
        QString firstPath = _folder.filePath("first.mqo");
        QVERIFY(QFile::copy(sample("flag.mqo"), firstPath));
        WindowController* first = openAndWait(*_documents, firstPath);
        WindowController* second = openAndWait(*_documents, sample("materials.mqo"));
        QVERIFY(first && second);
        QVERIFY(QTest::qWaitForWindowExposed(first->window()));
        QVERIFY(QTest::qWaitForWindowExposed(second->window()));
        // Both have drawn, so both have array buffers in their own contexts.
        first->glView()->grabFramebuffer();
        second->glView()->grabFramebuffer();
        auto liveBuffers = [](ZeltoOpenGLView* view) {
            view->makeCurrent();
            int live = 0;
            for (GLuint name = 1; name < 64; ++name) live += QOpenGLContext::currentContext()->functions()->glIsBuffer(name);
            return live;
        };
        int before = liveBuffers(second->glView());
        QVERIFY(before > 0);
        // The second view's context is current as the first window gets a new scene.
        saveInPlace(firstPath, sampleBytes("arm.mqo"));
        connect(first->document(), &Document::modelWillChange, second->glView(),
                [second] { second->glView()->makeCurrent(); });
        QVERIFY(reloadAndWait(*_documents, first));
        QCOMPARE(first->document()->model()->models().front().name(), std::string("arm"));
        QCOMPARE(liveBuffers(second->glView()), before);
        second->glView()->doneCurrent();
    }

    void aSaveWhileTheFirstReadRunsIsReadWhenItEnds() {
        REQUIRE_OPENGL();
        QString path = _folder.filePath("saved-while-opening.mqo");
        saveInPlace(path, QByteArray::fromStdString(bench::generateDocument(200000, false)));
        WindowController* window = _documents->openDocument(path);
        QVERIFY(window && window->isLoading());
        saveByRenaming(path, sampleBytes("arm.mqo"));
        QTRY_VERIFY_WITH_TIMEOUT(!window->isLoading(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(window->document()->model()->models().front().name(), std::string("arm"), 30000);
    }
};

ZELTO_VIEWER_TEST_MAIN(DesktopTests)
#include "DesktopTests.moc"
