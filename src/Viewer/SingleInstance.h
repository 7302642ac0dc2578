#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>

// One Zelto per user: `zelto FILE` while Zelto runs hands FILE to the running process,
// over a local socket that only this user can reach: a name holding the user's id, in the
// user's own runtime folder (or a 0700 folder of the user's own in the temporary folder),
// with owner-only access, and the uid of the process at either end checked. Files are
// opened only once the later process has confirmed it still wants that.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // How long a later process waits for the running one to take its files.
    static constexpr int kHandOverMilliseconds = 1500;

    // The socket's path for this user; empty when no folder of the user's alone is to be
    // had, and then every process opens its own files.
    static QString serverName();

    // Sends the files (made absolute) to the process listening at `name`; true when it
    // took them within `timeoutMs`. Needs no event loop.
    static bool handOver(const QStringList& files, const QString& name = serverName(),
                         int timeoutMs = kHandOverMilliseconds);

    explicit SingleInstance(QObject* parent = nullptr);
    // Listens at `name` unless another process answers there already; a socket left by a
    // process that is gone is taken over. True when this process now listens.
    bool listen(const QString& name = serverName());
    bool isListening() const { return _server.isListening(); }

signals:
    // Files another process handed over, absolute, in the order given.
    void filesReceived(const QStringList& files);

private:
    void takeConnection();

    QLocalServer _server;
};
