// Keeping the display awake: the Inhibit/UnInhibit calls reach a screen
// saver service on a private session bus, and nothing hangs without one.

#include "app/kv_screensaver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

// Stands in for the desktop's screen saver on the private bus.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls;
    uint nextCookie = 41;
    int delayMs = 0;

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        calls << QStringLiteral("Inhibit %1 %2").arg(application, reason.isEmpty() ? "-" : "+");
        if (delayMs > 0)
            QTest::qWait(delayMs);
        return ++nextCookie;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

class TestScreenSaver : public QObject
{
    Q_OBJECT
    FakeScreenSaver _fake;
    QDBusConnection _serviceBus{QString()};

    bool waitForCalls(int n)
    {
        return QTest::qWaitFor([&] { return _fake.calls.size() >= n; }, 5000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").isEmpty(),
                 "main() starts a private bus");
        _serviceBus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                    "fake-screensaver");
        QVERIFY(_serviceBus.isConnected());
        QVERIFY(_serviceBus.registerObject("/org/freedesktop/ScreenSaver", &_fake,
                                           QDBusConnection::ExportAllSlots));
        QVERIFY(_serviceBus.registerService("org.freedesktop.ScreenSaver"));
    }

    void init() { _fake.calls.clear(); }

    void inhibitThenRelease()
    {
        KVScreenSaverInhibitor inhibitor;
        QSignalSpy changed(&inhibitor, &KVScreenSaverInhibitor::inhibitionChanged);
        inhibitor.setInhibited(true);
        inhibitor.setInhibited(true); // no second request
        QVERIFY(changed.wait(5000));
        QVERIFY(inhibitor.isInhibited());
        QCOMPARE(_fake.calls, QStringList{"Inhibit tst_screensaver +"});
        inhibitor.setInhibited(false);
        QVERIFY(waitForCalls(2));
        QCOMPARE(_fake.calls.at(1), QStringLiteral("UnInhibit %1").arg(_fake.nextCookie));
        QVERIFY(!inhibitor.isInhibited());
    }

    void releaseWhileRequestIsOnItsWay()
    {
        _fake.delayMs = 200;
        KVScreenSaverInhibitor inhibitor;
        inhibitor.setInhibited(true);
        inhibitor.setInhibited(false);
        QVERIFY(waitForCalls(2));
        _fake.delayMs = 0;
        QCOMPARE(_fake.calls.at(1), QStringLiteral("UnInhibit %1").arg(_fake.nextCookie));
        QVERIFY(!inhibitor.isInhibited());
    }

    void releasedWhenDestroyed()
    {
        {
            KVScreenSaverInhibitor inhibitor;
            QSignalSpy changed(&inhibitor, &KVScreenSaverInhibitor::inhibitionChanged);
            inhibitor.setInhibited(true);
            QVERIFY(changed.wait(5000));
        }
        QVERIFY(waitForCalls(2));
        QVERIFY(_fake.calls.at(1).startsWith("UnInhibit"));
    }

    void withoutServiceNothingHappens()
    {
        QVERIFY(_serviceBus.unregisterService("org.freedesktop.ScreenSaver"));
        KVScreenSaverInhibitor inhibitor;
        QSignalSpy changed(&inhibitor, &KVScreenSaverInhibitor::inhibitionChanged);
        inhibitor.setInhibited(true);
        QVERIFY(!changed.wait(500));
        QVERIFY(!inhibitor.isInhibited());
        inhibitor.setInhibited(false);
        QVERIFY(_fake.calls.isEmpty());
        QVERIFY(_serviceBus.registerService("org.freedesktop.ScreenSaver"));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // A private session bus for this test only, in place before the first
    // use of the session bus.
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!bus.waitForStarted(5000) || !bus.waitForReadyRead(5000)) {
        fprintf(stderr, "cannot start dbus-daemon\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    int code = 0;
    {
        TestScreenSaver test;
        code = QTest::qExec(&test, argc, argv);
    }
    bus.terminate();
    bus.waitForFinished(3000);
    return code;
}

#include "tst_screensaver.moc"
