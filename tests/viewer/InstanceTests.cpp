// One process per user: handing files to the running Zelto, and giving up on one that
// does not answer.

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "SingleInstance.h"
#include "ViewerTestMain.h"

namespace {

// Runs a hand-over on a thread of its own, as another process would, while this thread
// serves the event loop.
bool handOverFromAnotherThread(const QStringList& files, const QString& name, int timeoutMs, qint64* took) {
    std::atomic<bool> done{false};
    bool taken = false;
    QElapsedTimer clock;
    clock.start();
    std::thread client([&] {
        taken = SingleInstance::handOver(files, name, timeoutMs);
        *took = clock.elapsed();
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    client.join();
    return taken;
}

}  // namespace

class InstanceTests : public QObject {
    Q_OBJECT

private slots:
    void theSocketIsThisUsersAlone() {
        QString name = SingleInstance::serverName();
        QVERIFY(name.contains(QString::number(getuid())));
        // The test's runtime folder is the user's own (0700), so the socket lives there.
        QVERIFY(name.startsWith(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"))));
        SingleInstance instance;
        QVERIFY(instance.listen());
        struct stat status {};
        QCOMPARE(stat(QFile::encodeName(name).constData(), &status), 0);
        QVERIFY(S_ISSOCK(status.st_mode));
        QCOMPARE(status.st_uid, getuid());
        QCOMPARE(int(status.st_mode & 0077), 0);  // no group or other access
    }

    void filesReachTheRunningProcessInOrderAndAbsolute() {
        SingleInstance running;
        QVERIFY(running.listen());
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        qint64 took = 0;
        QVERIFY(handOverFromAnotherThread({"relative name.mqo", "/abs/ü.mqo"}, SingleInstance::serverName(), 3000,
                                          &took));
        QTRY_COMPARE(received.count(), 1);
        QStringList files = received.first().first().toStringList();
        QCOMPARE(files, QStringList({QDir::current().absoluteFilePath("relative name.mqo"), "/abs/ü.mqo"}));

        // A second process does not take the socket from one that answers.
        SingleInstance later;
        QVERIFY(!later.listen());
        QVERIFY(running.isListening());
    }

    void aProcessThatDoesNotAnswerIsGivenUpOnInTime() {
        QString name = QDir(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"))).filePath("silent.socket");
        qint64 took = 0;
        // Nobody there: at once.
        QVERIFY(!handOverFromAnotherThread({"a.mqo"}, name, 400, &took));
        QVERIFY2(took < 400, qPrintable(QString::number(took)));

        // Somebody who takes the connection and says nothing: after the timeout, not long after.
        QLocalServer silent;
        QVERIFY(silent.listen(name));
        QList<QLocalSocket*> held;
        connect(&silent, &QLocalServer::newConnection, this, [&] { held << silent.nextPendingConnection(); });
        QVERIFY(!handOverFromAnotherThread({"a.mqo"}, name, 400, &took));
        QVERIFY2(took >= 390 && took < 1500, qPrintable(QString::number(took)));

        // A peer that sends what is not a hand-over is let go, and nothing opens.
        SingleInstance running;
        QString runningName = QDir(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"))).filePath("running.socket");
        QVERIFY(running.listen(runningName));
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        QLocalSocket stranger;
        stranger.connectToServer(runningName);
        QVERIFY(stranger.waitForConnected(1000));
        stranger.write("GET / HTTP/1.0\r\n\r\n");
        stranger.flush();
        QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(received.count(), 0);
    }

    // Without a runtime folder of its own, the socket lives in a 0700 folder the user
    // made; one that somebody else could have made or reach gives no single instance.
    void theFallbackFolderIsMadePrivateOrNotUsed() {
        QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), temporary = qgetenv("TMPDIR");
        QTemporaryDir folder;
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(folder.path()));
        QString own = folder.filePath(QStringLiteral("zelto-%1").arg(getuid()));
        QVERIFY(QDir().mkdir(own));
        QFile::setPermissions(own, QFile::Permissions(0x7777));  // open to all
        QCOMPARE(SingleInstance::serverName(), QString());
        QVERIFY(!SingleInstance().listen(SingleInstance::serverName()));
        QVERIFY(QDir(own).removeRecursively());
        QVERIFY(QFile::link(folder.path(), own));  // a link, even to a folder of its own
        QCOMPARE(SingleInstance::serverName(), QString());
        QVERIFY(QFile::remove(own));
        QVERIFY(SingleInstance::serverName().startsWith(own + "/"));
        struct stat status {};
        QCOMPARE(lstat(QFile::encodeName(own).constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 0777), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("TMPDIR", temporary);
    }

    // A socket another user listens on gets no file names: the hand-over checks who
    // answers before it says anything.
    void noNameGoesToAnotherUsersSocket() {
        if (getuid() != 0) QSKIP("needs to be root to listen as another user");
        QTemporaryDir folder;
        chmod(QFile::encodeName(folder.path()).constData(), 0777);
        QString name = folder.filePath("other.socket");
        int heard[2];
        QCOMPARE(pipe(heard), 0);
        pid_t other = fork();
        if (other == 0) {  // another user, listening
            if (setuid(65534) != 0) _exit(2);
            int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            QByteArray path = QFile::encodeName(name);
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 1) != 0) _exit(3);
            chmod(path.constData(), 0777);
            if (write(heard[1], "l", 1) != 1) _exit(4);
            int connection = accept(fd, nullptr, nullptr);
            char bytes[256];
            ssize_t got = read(connection, bytes, sizeof bytes);
            if (write(heard[1], got > 0 ? "y" : "n", 1) != 1) _exit(4);
            _exit(0);
        }
        char state = 0;
        QCOMPARE(read(heard[0], &state, 1), ssize_t{1});  // listening
        QVERIFY(!SingleInstance::handOver({"/secret/model.mqo"}, name, 2000));
        QCOMPARE(read(heard[0], &state, 1), ssize_t{1});
        QCOMPARE(state, 'n');  // it heard nothing
        waitpid(other, nullptr, 0);
        close(heard[0]);
        close(heard[1]);
    }

    // A process that gave up waiting opens its files itself: the running one, which hears
    // no confirmation, does not open them too.
    void aProcessThatGaveUpIsNotServed() {
        SingleInstance running;
        QString name = QDir(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"))).filePath("patient.socket");
        QVERIFY(running.listen(name));
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        QLocalSocket impatient;
        impatient.connectToServer(name);
        QVERIFY(impatient.waitForConnected(1000));
        impatient.write("zelto-open 2\n/a.mqo\n\n");
        impatient.flush();
        QTRY_VERIFY(impatient.bytesAvailable() > 0 || impatient.waitForReadyRead(10));
        QCOMPARE(impatient.readAll(), QByteArray("taken\n"));
        impatient.disconnectFromServer();  // gone before it confirmed
        QTest::qWait(300);
        QCOMPARE(received.count(), 0);
    }

    void aSocketLeftByAProcessThatIsGoneIsTakenOver() {
        QString name = QDir(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"))).filePath("stale.socket");
        // A socket file nobody listens on, as a crashed process leaves it.
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QByteArray path = QFile::encodeName(name);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(fd);
        QVERIFY(QFile::exists(name));
        SingleInstance instance;
        QVERIFY(instance.listen(name));
        QSignalSpy received(&instance, &SingleInstance::filesReceived);
        qint64 took = 0;
        QVERIFY(handOverFromAnotherThread({"/x.mqo"}, name, 3000, &took));
        QTRY_COMPARE(received.count(), 1);
    }
};

ZELTO_VIEWER_TEST_MAIN(InstanceTests)
#include "InstanceTests.moc"
