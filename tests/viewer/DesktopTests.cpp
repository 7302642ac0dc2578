// What the window offers beyond viewing: the information panel, playback controls,
// watching the file, pictures out, and opening big files off the main thread.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "Document.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "InfoPanel.h"
#include "Metasequoia.h"
#include "PlaybackControls.h"
#include "ViewerTestMain.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

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
        WindowController* window = _documents->openDocument(sample("materials.mqo"));
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
        QFile file(sample("materials.mqo"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(window->document()->readFromData(file.readAll().toStdString(), "", nullptr));
        QTRY_COMPARE(valueAt(panel, "Materials", {"checker", "Texture “checker.png”"}), QString("missing"));
    }

    void panelListsAnimationsBonesAndWarnings() {
        REQUIRE_OPENGL();
        WindowController* animated = _documents->openDocument(sample("animated.mqo"));
        QVERIFY(animated);
        InfoPanel* panel = animated->infoPanel();
        QCOMPARE(valueAt(panel, "Objects", {"spinner", "Animation “spin”"}), QString("30 frames"));
        QCOMPARE(valueAt(panel, "Objects", {"jumper", "Animation “hop”"}), QString("20 frames"));

        WindowController* arm = _documents->openDocument(sample("arm.mqo"));
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
        WindowController* warned = _documents->openDocument(hidden);
        QVERIFY(warned);
        QTreeWidgetItem* warnings = warned->infoPanel()->section("Reading warnings");
        QVERIFY(warnings);
        QCOMPARE(warnings->childCount(), 1);
        QVERIFY(!warnings->child(0)->text(1).isEmpty());
    }

    void pauseStepAndResumeFromTheWindow() {
        REQUIRE_OPENGL();
        WindowController* window = _documents->openDocument(sample("animated.mqo"));
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

        // Choosing a name in the picker plays it from frame 0, paused or not.
        controls->playPauseAction()->trigger();
        window->animationPicker()->setCurrentIndex(1);  // "hop"
        QVERIFY(!view->playback().isPaused());
        QVERIFY(view->playback().isTimerRunning());
        QVERIFY(view->animationTime() <= 1);
        window->animationPicker()->setCurrentIndex(0);  // none: still, no frame shown
        QVERIFY(controls->frameLabel()->text().isEmpty());
    }
};

ZELTO_VIEWER_TEST_MAIN(DesktopTests)
#include "DesktopTests.moc"
