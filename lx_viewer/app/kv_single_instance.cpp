#include "kv_single_instance.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QByteArray kRaiseMessage = "raise\n";
// One line per argument of the later start, percent-encoded.
const QByteArray kArgumentPrefix = "arg ";
constexpr int kConnectTimeoutMs = 400;
constexpr qsizetype kMaxSocketPath = 100; // of the 108 bytes of sun_path
} // namespace

KVSingleInstance::KVSingleInstance(const QString &key, QObject *parent)
    : QObject(parent), _name(serverName(key))
{
}

KVSingleInstance::~KVSingleInstance()
{
    release();
}

// The temporary folder is shared by every user: the socket goes into a
// folder of our own there, so that nobody else can put a socket of theirs
// in its place (and take our start for a second one, or read the folders a
// later start hands over). Empty when no such folder can be had.
static QString privateTempDir()
{
    const QString dir = QDir::cleanPath(
        QDir::tempPath() + QStringLiteral("/korvid-") + QString::number(::getuid()));
    const QByteArray path = QFile::encodeName(dir);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        qWarning() << "cannot make" << dir << std::strerror(errno) << "[" << Q_FUNC_INFO << __LINE__
                   << "]";
        return QString();
    }
    struct stat st = {};
    // lstat: a link in its place may lead anywhere.
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        qWarning() << dir << "is not a folder of this user's; no one-viewer guard"
                   << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return QString();
    }
    if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0) {
        qWarning() << "cannot close" << dir << "to other users" << std::strerror(errno) << "["
                   << Q_FUNC_INFO << __LINE__ << "]";
        return QString();
    }
    return dir;
}

QString KVSingleInstance::serverName(const QString &key)
{
    const QString file = key + QLatin1Char('-') + QString::number(::getuid());
    const QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString name = QDir::cleanPath(dir + QLatin1Char('/') + file);
    // A socket's path has room for about a hundred bytes; a runtime folder
    // deeper than that, or one this user cannot write to, is not used.
    const QFileInfo info(dir);
    if (!dir.isEmpty() && info.isDir() && info.isWritable()
        && QFile::encodeName(name).size() <= kMaxSocketPath)
        return name;
    const QString fallback = privateTempDir();
    if (fallback.isEmpty())
        return QString();
    return fallback + QLatin1Char('/') + file;
}

bool KVSingleInstance::acquire()
{
    if (_server)
        return true;
    if (_name.isEmpty()) {
        // No safe place for the socket (logged): start unguarded rather
        // than not at all.
        qWarning() << "starting without the one-viewer guard"
                   << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return true;
    }
    // Held only while we look and listen; QLockFile takes over a lock whose
    // owner process no longer exists.
    QLockFile lock(_name + QStringLiteral(".lock"));
    if (!lock.tryLock(3000))
        qWarning() << "single instance lock not taken:" << lock.error() << "[" << Q_FUNC_INFO
                   << __LINE__ << "]";

    QLocalSocket probe;
    probe.connectToServer(_name);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        probe.disconnectFromServer();
        return false;
    }
    // Nobody answers: whatever socket file is there was left by a crash.
    QLocalServer::removeServer(_name);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(_name)) {
        // Nobody else answered: this viewer starts all the same, only a
        // later start will not find it. Refusing would end the start
        // without a window and without a word.
        qWarning() << "cannot listen on" << _name << server->errorString()
                   << "- starting without the one-viewer guard"
                   << "[" << Q_FUNC_INFO << __LINE__ << "]";
        delete server;
        return true;
    }
    _server = server;
    connect(_server, &QLocalServer::newConnection, this, &KVSingleInstance::onNewConnection);
    return true;
}

bool KVSingleInstance::notifyRunning(const QStringList &arguments)
{
    if (_name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(_name);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    QByteArray message;
    for (const QString &argument : arguments)
        message += kArgumentPrefix + QUrl::toPercentEncoding(argument) + '\n';
    socket.write(message + kRaiseMessage);
    const bool written = socket.waitForBytesWritten(kConnectTimeoutMs);
    // The running instance closes the connection once it has read the request.
    if (socket.state() == QLocalSocket::ConnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    return written;
}

void KVSingleInstance::release()
{
    if (!_server)
        return;
    _server->close();
    delete _server;
    _server = nullptr;
}

void KVSingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = _server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // The arguments read so far stay with the connection.
            static const char kArguments[] = "kv_arguments";
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine();
                if (line.startsWith(kArgumentPrefix)) {
                    QStringList arguments = socket->property(kArguments).toStringList();
                    arguments << QUrl::fromPercentEncoding(
                        line.mid(kArgumentPrefix.size()).chopped(1));
                    socket->setProperty(kArguments, arguments);
                    continue;
                }
                if (line != kRaiseMessage)
                    continue;
                const QStringList arguments = socket->property(kArguments).toStringList();
                if (!arguments.isEmpty())
                    emit openRequested(arguments);
                emit raiseRequested();
                // The request is complete.
                socket->disconnectFromServer();
                return;
            }
        });
    }
}
