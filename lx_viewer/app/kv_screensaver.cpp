#include "kv_screensaver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>

namespace {
const char *const kService = "org.freedesktop.ScreenSaver";
const char *const kPath = "/org/freedesktop/ScreenSaver";
const char *const kInterface = "org.freedesktop.ScreenSaver";
} // namespace

KVScreenSaverInhibitor::KVScreenSaverInhibitor(QObject *parent) : QObject(parent) {}

KVScreenSaverInhibitor::~KVScreenSaverInhibitor()
{
    // The service also drops an inhibition when our bus connection closes.
    if (_cookie != 0)
        release();
}

void KVScreenSaverInhibitor::setInhibited(bool inhibited)
{
    if (inhibited == _wanted)
        return;
    _wanted = inhibited;
    if (!inhibited) {
        if (_cookie != 0)
            release();
        return; // a pending Inhibit is released when its reply comes
    }
    if (_pending || _cookie != 0)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (!_warned)
            qInfo() << "no D-Bus session bus: the screen saver is not held off" << "["
                    << Q_FUNC_INFO << __LINE__ << "]";
        _warned = true;
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Inhibit");
    call << QCoreApplication::applicationName() << QStringLiteral("Playing a recording");
    _pending = true;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            &KVScreenSaverInhibitor::onInhibitReply);
}

void KVScreenSaverInhibitor::onInhibitReply(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    _pending = false;
    QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        if (!_warned)
            qInfo() << "screen saver inhibition unavailable:" << reply.error().message() << "["
                    << Q_FUNC_INFO << __LINE__ << "]";
        _warned = true;
        return;
    }
    _cookie = reply.value();
    if (_cookie == 0)
        return;
    emit inhibitionChanged(true);
    if (!_wanted) // released while the request was on its way
        release();
}

void KVScreenSaverInhibitor::release()
{
    const uint cookie = _cookie;
    _cookie = 0;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "UnInhibit");
    call << cookie;
    QDBusConnection::sessionBus().asyncCall(call, 2000);
    emit inhibitionChanged(false);
}
