#pragma once
// Keeps the display awake while a recording plays, through the desktop's
// org.freedesktop.ScreenSaver D-Bus interface (Inhibit / UnInhibit). Without a
// session bus or without the service it quietly does nothing. Calls are
// asynchronous, so a slow or absent service never blocks the window.
//
// Thread: GUI thread only.

#include <QObject>

class QDBusPendingCallWatcher;

class KVScreenSaverInhibitor : public QObject
{
    Q_OBJECT
public:
    explicit KVScreenSaverInhibitor(QObject *parent = nullptr);
    ~KVScreenSaverInhibitor() override;

    // Asks for (true) or releases (false) the inhibition. Repeated calls with
    // the same value do nothing.
    void setInhibited(bool inhibited);
    bool wanted() const { return _wanted; }
    // True while the service holds an inhibition of ours.
    bool isInhibited() const { return _cookie != 0; }

signals:
    // The service granted (true) or we released (false) the inhibition.
    void inhibitionChanged(bool inhibited);

private:
    void onInhibitReply(QDBusPendingCallWatcher *watcher);
    void release();

    bool _wanted = false;
    bool _pending = false;
    bool _warned = false;
    uint _cookie = 0;
};
