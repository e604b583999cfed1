#pragma once
// One running viewer per user. The first viewer listens on a local socket
// named from a key ("MODEL_TYPE_QUORV1"); a later start connects to it, asks
// it to come to the front and gives up. A lock file next to the socket keeps
// two simultaneous starts from both becoming the first, and a socket left
// behind by a viewer that crashed is recognised (nobody answers) and removed.
//
// Thread: GUI thread. acquire() and notifyRunning() block for at most a
// second (before any window exists).

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

class KVSingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit KVSingleInstance(const QString &key, QObject *parent = nullptr);
    ~KVSingleInstance() override;

    // Full path of the socket for this user and key: in the user's runtime
    // folder, else in a folder of the user's own (mode 0700) in the
    // temporary folder. Empty when neither can be used safely.
    static QString serverName(const QString &key);

    // False when another instance answered. True when this process is now
    // the only instance (it listens), and also when nobody answered but
    // the socket could not be made (logged; isHeld() is false then).
    bool acquire();
    bool isHeld() const { return _server != nullptr; }
    // Asks the running instance to come to the front; true when it answered.
    // Non-empty arguments (a later start's command line without the program
    // name, paths made absolute) are handed over first with openRequested.
    bool notifyRunning(const QStringList &arguments = QStringList());
    // Stops listening, so that a new instance can start (restart).
    void release();

signals:
    // Another start asked this instance to come to the front.
    void raiseRequested();
    // Another start was given these arguments (before its raiseRequested).
    void openRequested(const QStringList &arguments);

private:
    void onNewConnection();

    QString _name;
    QLocalServer *_server = nullptr;
};
