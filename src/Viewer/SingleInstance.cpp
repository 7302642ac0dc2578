#include "SingleInstance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace {

// What a later process says first, how the running one answers, and how the later one
// says it still wants that: only then are the files opened.
constexpr char kGreeting[] = "zelto-open 2\n";
constexpr char kTaken[] = "taken\n";
constexpr char kConfirmed[] = "yes\n";
// More than any command line holds: a peer that sends more is not a Zelto.
constexpr qint64 kMaxMessageBytes = qint64{1} << 20;

// Whether a folder (not a link to one) is this user's and open to nobody else.
bool isOwnPrivateFolder(const QByteArray& folder) {
    struct stat status {};
    return lstat(folder.constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == getuid() &&
           (status.st_mode & 0077) == 0;
}

// The runtime folder when it is this user's alone, as it should be; else a folder of the
// user's own in the temporary folder, made 0700 and checked as such; none when that is
// not to be had (another user made it first, say).
QString runtimeFolder() {
    QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    if (!folder.isEmpty() && isOwnPrivateFolder(folder)) return QFile::decodeName(folder);
    QByteArray own = QFile::encodeName(QDir(QDir::tempPath()).filePath(QStringLiteral("zelto-%1").arg(getuid())));
    mkdir(own.constData(), 0700);  // or there already: checked next either way
    return isOwnPrivateFolder(own) ? QFile::decodeName(own) : QString();
}

bool peerIsThisUser(const QLocalSocket& socket) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    return getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                      &length) == 0 &&
           credentials.uid == getuid();
}

}  // namespace

QString SingleInstance::serverName() {
    QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("zelto-%1.socket").arg(getuid()));
}

bool SingleInstance::handOver(const QStringList& files, const QString& name, int timeoutMs) {
    // A line a name, so a name with a line break in it is opened here instead.
    for (const QString& file : files)
        if (file.contains('\n')) return false;
    if (name.isEmpty()) return false;
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    socket.connectToServer(name);
    // Names of files go to a process of this user's only.
    if (!socket.waitForConnected(timeoutMs) || !peerIsThisUser(socket)) return false;
    QByteArray message = kGreeting;
    for (const QString& file : files) message += QFileInfo(file).absoluteFilePath().toUtf8() + '\n';
    message += '\n';
    socket.write(message);
    if (!socket.waitForBytesWritten(std::max<int>(1, timeoutMs - int(clock.elapsed())))) return false;
    QByteArray answer;
    while (!answer.contains('\n')) {
        int left = timeoutMs - int(clock.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left)) return false;
        answer += socket.readAll();
    }
    if (answer != kTaken) return false;
    // Said in time: the running process opens the files once it hears this.
    socket.write(kConfirmed);
    return socket.waitForBytesWritten(std::max<int>(1, timeoutMs - int(clock.elapsed())));
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
    _server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&_server, &QLocalServer::newConnection, this, [this] {
        while (_server.hasPendingConnections()) takeConnection();
    });
}

bool SingleInstance::listen(const QString& name) {
    if (name.isEmpty()) return false;
    // A process that answers keeps its socket; one left by a process that is gone is
    // taken over. (Listening with access options would replace the file either way.)
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(200)) return false;
    if (_server.listen(name)) return true;
    if (_server.serverError() != QAbstractSocket::AddressInUseError) return false;
    QLocalServer::removeServer(name);
    return _server.listen(name);
}

void SingleInstance::takeConnection() {
    QLocalSocket* socket = _server.nextPendingConnection();
    if (!socket) return;
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!peerIsThisUser(*socket)) {
        socket->abort();
        return;
    }
    // A peer that never finishes its message is let go.
    QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
    auto message = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, message] {
        *message += socket->readAll();
        bool greeted = QByteArray(kGreeting).startsWith(message->left(sizeof kGreeting - 1));
        if (message->size() > kMaxMessageBytes || !greeted) {
            socket->abort();
            return;
        }
        qsizetype end = message->indexOf("\n\n", qsizetype(sizeof kGreeting) - 2);
        if (end < 0) return;
        if (message->size() == end + 2) {  // the files, all of them: answer
            socket->write(kTaken);
            socket->flush();
            return;
        }
        if (message->mid(end + 2) != kConfirmed) {
            if (!QByteArray(kConfirmed).startsWith(message->mid(end + 2))) socket->abort();
            return;
        }
        // Opened only for a process that still wanted it: one that gave up waiting has
        // opened them itself.
        QStringList files;
        for (const QByteArray& line : message->mid(sizeof kGreeting - 1, end + 1 - qsizetype(sizeof kGreeting - 1)).split('\n'))
            if (!line.isEmpty()) files << QString::fromUtf8(line);
        socket->disconnectFromServer();
        QTimer::singleShot(0, this, [this, files] { emit filesReceived(files); });
    });
}
