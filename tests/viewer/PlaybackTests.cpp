// Animation playback: the name, the frame counter and the timer.

#include "Playback.h"
#include "ViewerTestMain.h"

namespace {

AnimationNameHandle nameOf(const char* text) { return std::make_shared<const std::string>(text); }

QList<QTimer*> timersOf(const Playback& playback) {
    QList<QTimer*> running;
    for (QTimer* timer : playback.findChildren<QTimer*>())
        if (timer->isActive()) running.append(timer);
    return running;
}

}  // namespace

class PlaybackTests : public QObject {
    Q_OBJECT

private slots:
    void aNameStartsAtFrameZeroAndTicksCount() {
        int redisplays = 0;
        Playback playback([&] { ++redisplays; });
        QVERIFY(!playback.isTimerRunning());
        AnimationNameHandle wave = nameOf("wave");
        playback.setAnimationName(wave);
        QCOMPARE(playback.animationTime(), uint64_t{0});
        QCOMPARE(redisplays, 1);
        QVERIFY(playback.isTimerRunning());
        for (int i = 0; i < 3; ++i) playback.redraw();
        QCOMPARE(playback.animationTime(), uint64_t{3});
        QCOMPARE(redisplays, 4);
        QCOMPARE(*playback.animationName(), std::string("wave"));
    }

    void theSameNameAgainRestartsWithoutASecondTimer() {
        Playback playback([] {});
        AnimationNameHandle wave = nameOf("wave");
        playback.setAnimationName(wave);
        QList<QTimer*> first = timersOf(playback);
        QCOMPARE(first.size(), 1);
        playback.redraw();
        playback.redraw();
        playback.setAnimationName(wave);
        QCOMPARE(playback.animationTime(), uint64_t{0});
        QCOMPARE(timersOf(playback), first);
        AnimationNameHandle other = nameOf("hop");
        playback.setAnimationName(other);
        QCOMPARE(timersOf(playback), first);
    }

    void noneStopsTheTimerAndKeepsTheCounter() {
        int redisplays = 0;
        Playback playback([&] { ++redisplays; });
        AnimationNameHandle wave = nameOf("wave");
        playback.setAnimationName(wave);
        playback.redraw();
        playback.redraw();
        redisplays = 0;
        playback.setAnimationName(nullptr);
        QVERIFY(!playback.isTimerRunning());
        QCOMPARE(playback.animationTime(), uint64_t{2});
        QCOMPARE(redisplays, 0);  // stopping asks for no frame
        QVERIFY(!playback.animationName());
        QTest::qWait(100);
        QCOMPARE(playback.animationTime(), uint64_t{2});  // no more ticks
    }

    void aNameLetGoReadsAsNoneWhileTheTimerGoesOn() {
        Playback playback([] {});
        AnimationNameHandle wave = nameOf("wave");
        playback.setAnimationName(wave);
        wave.reset();  // the picker's list let the name go
        QVERIFY(!playback.animationName());
        QVERIFY(playback.isTimerRunning());
        QTRY_VERIFY_WITH_TIMEOUT(playback.animationTime() >= 2, 1000);
    }

    void destroyingWhilePlayingStopsTheTimer() {
        int redisplays = 0;
        auto playback = std::make_unique<Playback>([&] { ++redisplays; });
        AnimationNameHandle wave = nameOf("wave");
        playback->setAnimationName(wave);
        QPointer<QTimer> timer = timersOf(*playback).value(0);
        QVERIFY(timer);
        playback.reset();
        QVERIFY(!timer);
        int seen = redisplays;
        QTest::qWait(100);
        QCOMPARE(redisplays, seen);
    }

    void ticksAverageThirtyASecond() {
        // Ninety ticks take three seconds; a plain 33 ms interval would take 2.97 s.
        QElapsedTimer clock;
        qint64 elapsed = -1;
        Playback* observed = nullptr;
        Playback playback([&] {
            if (observed && observed->animationTime() == 90) elapsed = clock.elapsed();
        });
        observed = &playback;
        AnimationNameHandle wave = nameOf("wave");
        clock.start();
        playback.setAnimationName(wave);
        QTRY_VERIFY_WITH_TIMEOUT(elapsed >= 0, 10000);
        QVERIFY2(elapsed >= 2990, qPrintable(QString("90 ticks after %1 ms").arg(elapsed)));
        QVERIFY2(elapsed < 3600, qPrintable(QString("90 ticks after %1 ms").arg(elapsed)));
    }

    void pauseStepAndResumeKeepTheNameAndCounter() {
        int redisplays = 0;
        Playback playback([&] { ++redisplays; });
        AnimationNameHandle wave = nameOf("wave");
        playback.stepForward();  // not paused: nothing happens
        QCOMPARE(playback.animationTime(), uint64_t{0});
        playback.pause();  // nothing playing: nothing to pause
        QVERIFY(!playback.isPaused());

        playback.setAnimationName(wave);
        for (int i = 0; i < 5; ++i) playback.redraw();
        playback.pause();
        QVERIFY(playback.isPaused());
        QVERIFY(!playback.isTimerRunning());
        QCOMPARE(*playback.animationName(), std::string("wave"));
        QCOMPARE(playback.animationTime(), uint64_t{5});

        playback.stepForward();
        playback.stepForward();
        playback.stepBack();
        QCOMPARE(playback.animationTime(), uint64_t{6});
        for (int i = 0; i < 10; ++i) playback.stepBack();
        QCOMPARE(playback.animationTime(), uint64_t{0});  // never below the first frame
        playback.stepForward();
        int before = redisplays;
        playback.togglePause();
        QVERIFY(!playback.isPaused());
        QVERIFY(playback.isTimerRunning());
        QCOMPARE(playback.animationTime(), uint64_t{1});  // resumes where it was
        QCOMPARE(redisplays, before);
        QTRY_VERIFY_WITH_TIMEOUT(playback.animationTime() >= 3, 2000);
        playback.stepForward();  // playing: stepping does nothing
    }

    void choosingANameEndsAPauseAsItWouldAnyPlayback() {
        Playback playback([] {});
        AnimationNameHandle wave = nameOf("wave");
        AnimationNameHandle hop = nameOf("hop");
        playback.setAnimationName(wave);
        playback.redraw();
        playback.pause();
        playback.setAnimationName(hop);
        QVERIFY(!playback.isPaused());
        QVERIFY(playback.isTimerRunning());
        QCOMPARE(playback.animationTime(), uint64_t{0});

        playback.pause();
        playback.stepForward();
        playback.setAnimationName(nullptr);  // none: still, counter kept
        QVERIFY(!playback.isPaused());
        QVERIFY(!playback.isTimerRunning());
        QCOMPARE(playback.animationTime(), uint64_t{1});
        playback.resume();  // nothing paused any more
        QVERIFY(!playback.isTimerRunning());
    }
};

ZELTO_VIEWER_TEST_MAIN(PlaybackTests)
#include "PlaybackTests.moc"
