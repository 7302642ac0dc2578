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

// What a later process says first, and how the running one answers.
constexpr char kGreeting[] = "zelto-open 1\n";
constexpr char kTaken[] = "taken\n";
// More than any command line holds: a peer that sends more is not a Zelto.
constexpr qint64 kMaxMessageBytes = qint64{1} << 20;

// The runtime folder when it is this user's alone, as it should be; else /tmp, where the
// socket's name holds the user's id.
QString runtimeFolder() {
    QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    struct stat status {};
    if (!folder.isEmpty() && stat(folder.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
        status.st_uid == getuid() && (status.st_mode & 0077) == 0)
        return QFile::decodeName(folder);
    return QDir::tempPath();
}

bool peerIsThisUser(QLocalSocket* socket) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    return getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                      &length) == 0 &&
           credentials.uid == getuid();
}

}  // namespace

QString SingleInstance::serverName() {
    return QDir(runtimeFolder()).filePath(QStringLiteral("zelto-%1.socket").arg(getuid()));
}

bool SingleInstance::handOver(const QStringList& files, const QString& name, int timeoutMs) {
    // A line a name, so a name with a line break in it is opened here instead.
    for (const QString& file : files)
        if (file.contains('\n')) return false;
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
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
    return answer == kTaken;
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
    _server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&_server, &QLocalServer::newConnection, this, [this] {
        while (_server.hasPendingConnections()) takeConnection();
    });
}

bool SingleInstance::listen(const QString& name) {
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
    if (!peerIsThisUser(socket)) {
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
        if (!message->endsWith("\n\n") || message->size() < qsizetype(sizeof kGreeting)) return;
        QStringList files;
        for (const QByteArray& line : message->mid(sizeof kGreeting - 1).split('\n'))
            if (!line.isEmpty()) files << QString::fromUtf8(line);
        socket->write(kTaken);
        socket->flush();
        socket->disconnectFromServer();
        // Opened once the answer is on its way: the other process need not wait for it.
        QTimer::singleShot(0, this, [this, files] { emit filesReceived(files); });
    });
}
